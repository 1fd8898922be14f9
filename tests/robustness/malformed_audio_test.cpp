// Damaged and unusual audio files, and files that change while they play: the engine opens each
// (or refuses it), plays it to its end on virtual time and lets it go, with no crash and no hang;
// in a playlist, the good song after a bad one plays next.

#include "platform/media/engine_factory.h"
#include "platform/media/mpeg_frames.h"
#include "platform/virtual_timer_host.h"
#include "qt/qt_text.h"
#include "scenario/world.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace ruz {
namespace {

constexpr std::int64_t kStepMs = 10;
// Far more than any file of the corpus can play: its longest song is a few seconds.
constexpr std::int64_t kLongestWaitMs = 10 * 60 * 1000;
constexpr int kMinCorpusFiles = 25;

QString fixture(const QString& name) {
    return QDir(QStringLiteral(RUZ_FIXTURES_DIR)).filePath(name);
}

QStringList corpus() {
    const QDir dir(qEnvironmentVariable("RUZ_MALFORMED_DIR"));
    return dir.entryList({QStringLiteral("*.mp3"), QStringLiteral("*.mp2")}, QDir::Files,
                         QDir::Name);
}

// The engine alone: open, play to the end, close. False when the engine refuses the file.
bool playAlone(const QString& path) {
    VirtualTimerHost host;
    std::unique_ptr<MediaEngine> engine = makeVirtualTimeEngine(host);
    int ends = 0;
    Subscription observer = engine->observePlayState([&](PlayState, PlayState now) {
        if (now == PlayState::Stopped) {
            // Every end while it plays through: the position stands at the length.
            EXPECT_EQ(engine->currentPosition(), engine->duration());
            ++ends;
        }
    });
    if (!engine->open(fromQString(path))) {
        EXPECT_EQ(engine->playState(), PlayState::Stopped);
        EXPECT_TRUE(engine->fileName().empty());
        std::printf("  refused  %s\n", qPrintable(QFileInfo(path).fileName()));
        return false;
    }
    const double claimed = engine->duration();
    EXPECT_GT(claimed, 0.0);
    while (engine->playState() == PlayState::Playing && host.nowMs() < kLongestWaitMs) {
        host.advance(kStepMs);
        EXPECT_LE(engine->currentPosition(), engine->duration());
    }
    EXPECT_EQ(engine->playState(), PlayState::Stopped) << "still playing after the longest wait";
    EXPECT_EQ(ends, 1);
    std::printf("  played   %s: %.3f s claimed, ended after %.3f s\n",
                qPrintable(QFileInfo(path).fileName()), claimed, host.nowMs() / 1000.0);
    // Played again from the start, then let go while it plays.
    observer.reset();
    EXPECT_TRUE(engine->play());
    host.advance(kStepMs);
    EXPECT_TRUE(engine->stop());
    engine.reset();
    return true;
}

// A playlist of three songs, the middle one `middle` (a path or a change made to it while it
// plays); the last one must play after it.
class PlaylistAround {
  public:
    explicit PlaylistAround(const QString& middleName) {
        world_.standin.signOn("bob");
        world_.standin.openDialog("bob's Buddy List");
        world_.standin.openRoom();
        QDir().mkpath(toQString(world_.absolute(u"music")));
        first_ = toQString(world_.absolute(u"music/a.mp3"));
        middle_ = toQString(world_.absolute(u"music/b-" + fromQString(middleName)));
        last_ = toQString(world_.absolute(u"music/c.mp3"));
        QFile::copy(fixture(QStringLiteral("tone-1s.mp3")), first_);
        QFile::copy(fixture(QStringLiteral("tone-1s.mp3")), last_);
    }

    const QString& middle() const { return middle_; }
    scenario::World& world() { return world_; }

    // Starts the program on the folder, then lets virtual time pass until the last song plays;
    // `whileMiddlePlays` runs once, 500 ms into the middle song (if the engine took it).
    void run(const std::function<void()>& whileMiddlePlays = {}) {
        world_.dialogs.queueYesNo(true);
        world_.start();
        FrmAmp& app = *world_.app();
        app.ExplorerTree1.userPick(world_.absolute(u"music"));
        ASSERT_EQ(app.File1.count(), 3);
        // Building the title list opens every song once; the middle one counts as playing once
        // the list is complete and the playlist has moved on to it.
        std::int64_t middleSince = -1;
        bool changed = !whileMiddlePlays;
        while (world_.host.nowMs() < kLongestWaitMs) {
            world_.wait(kStepMs);
            const QString playing = toQString(world_.engine->fileName());
            const bool built = app.List1.count() == 3 && !app.Timer2.enabled();
            const bool middlePlaying = built && playing == middle_ && app.File1.listIndex() == 1 &&
                                       world_.engine->playState() == PlayState::Playing;
            if (middlePlaying && middleSince < 0) {
                middleSince = world_.host.nowMs();
                middlePlayed_ = true;
            }
            if (!changed && middlePlaying && world_.host.nowMs() - middleSince >= 500) {
                whileMiddlePlays();
                changed = true;
            }
            if (playing == last_ && app.File1.listIndex() == 2 &&
                world_.engine->playState() == PlayState::Playing && app.List1.count() == 3) {
                break;
            }
        }
        EXPECT_TRUE(changed) << "the middle song did not play long enough to be changed";
        EXPECT_EQ(toQString(world_.engine->fileName()), last_) << "the song after it does not play";
        EXPECT_EQ(world_.engine->playState(), PlayState::Playing);
        EXPECT_EQ(app.File1.listIndex(), 2);
        // The program ends; the engine lets the song go.
        app.Form_Unload();
        EXPECT_TRUE(app.ended());
        EXPECT_EQ(world_.engine->playState(), PlayState::Stopped);
    }
    bool middlePlayed() const { return middlePlayed_; }

  private:
    scenario::World world_;
    QString first_;
    QString middle_;
    QString last_;
    bool middlePlayed_ = false;
};

TEST(MalformedAudio, EveryFileOpensPlaysToItsEndAndThePlaylistMovesOn) {
    const QString dir = qEnvironmentVariable("RUZ_MALFORMED_DIR");
    ASSERT_FALSE(dir.isEmpty()) << "RUZ_MALFORMED_DIR names no folder";
    const QStringList files = corpus();
    ASSERT_GE(files.size(), kMinCorpusFiles) << "the corpus in " << qPrintable(dir);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = QDir(dir).filePath(name);
        const bool accepted = playAlone(path);
        PlaylistAround playlist(name);
        ASSERT_TRUE(QFile::copy(path, playlist.middle()));
        playlist.run();
        // A song the engine takes is played in its turn; one it refuses is passed over.
        EXPECT_EQ(playlist.middlePlayed(), accepted);
    }
}

// The frame reader that feeds the Windows codec: every file is refused, or has a length and
// frames that end inside the data, each as long as its header says.
TEST(MalformedAudio, TheFrameReaderRefusesOrWalksEveryFile) {
    const QString dir = qEnvironmentVariable("RUZ_MALFORMED_DIR");
    const QStringList files = corpus();
    ASSERT_GE(files.size(), kMinCorpusFiles) << "the corpus in " << qPrintable(dir);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const auto source = media::mpeg::FileSource::open(QDir(dir).filePath(name).toStdString());
        ASSERT_TRUE(source);
        const std::optional<media::mpeg::StreamInfo> stream = media::mpeg::probe(*source);
        if (!stream) {
            std::printf("  refused  %s\n", qPrintable(name));
            continue;
        }
        EXPECT_GT(stream->lengthFrames, 0);
        media::mpeg::FrameWalker walker(*source, *stream);
        std::vector<std::uint8_t> frame;
        std::uint64_t bytes = 0;
        while (walker.next(frame)) {
            ASSERT_GE(frame.size(), 4U);
            const auto header =
                media::mpeg::parseHeader(std::span<const std::uint8_t, 4>(frame.data(), 4));
            ASSERT_TRUE(header);
            EXPECT_EQ(frame.size(), static_cast<std::size_t>(header->bytes));
            bytes += frame.size();
        }
        EXPECT_LE(bytes, stream->audioEnd - stream->audioStart);
        std::printf("  frames   %s: %lld, length %lld\n", qPrintable(name),
                    static_cast<long long>(walker.index()),
                    static_cast<long long>(stream->lengthFrames));
    }
}

// --- files that change while they play -----------------------------------------------------------

bool resizeFile(const QString& path, qint64 size) {
    return QFile(path).resize(size);
}

bool appendFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

QByteArray readFixture(const QString& name) {
    QFile file(fixture(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ChangingFile, ShrinksWhileItPlays) {
    for (const qint64 size : {qint64{0}, qint64{100}, qint64{5000}, qint64{30000}}) {
        SCOPED_TRACE(size);
        PlaylistAround playlist(QStringLiteral("shrinking.mp3"));
        ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("tone-10s.mp3")), playlist.middle()));
        playlist.run([&] { ASSERT_TRUE(resizeFile(playlist.middle(), size)); });
        EXPECT_TRUE(playlist.middlePlayed());
    }
}

TEST(ChangingFile, GrowsWhileItPlays) {
    const QByteArray whole = readFixture(QStringLiteral("tone-10s.mp3"));
    ASSERT_FALSE(whole.isEmpty());
    PlaylistAround playlist(QStringLiteral("growing.mp3"));
    {
        QFile file(playlist.middle());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(whole.left(whole.size() / 4));
    }
    playlist.run([&] {
        // The rest arrives, and then more of the same song after its end.
        ASSERT_TRUE(appendFile(playlist.middle(), whole.mid(whole.size() / 4)));
        ASSERT_TRUE(appendFile(playlist.middle(), whole));
    });
    EXPECT_TRUE(playlist.middlePlayed());
}

TEST(ChangingFile, IsOverwrittenWithGarbageWhileItPlays) {
    PlaylistAround playlist(QStringLiteral("overwritten.mp3"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("tone-10s.mp3")), playlist.middle()));
    playlist.run([&] {
        QFile file(playlist.middle());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray garbage(static_cast<qsizetype>(file.size()), '\0');
        std::uint32_t state = 12345;
        for (char& c : garbage) {
            state = state * 1103515245U + 12345U;
            c = static_cast<char>(state >> 24);
        }
        file.write(garbage);
    });
    EXPECT_TRUE(playlist.middlePlayed());
}

TEST(ChangingFile, IsDeletedWhileItPlays) {
    PlaylistAround playlist(QStringLiteral("deleted.mp3"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("tone-5s.mp3")), playlist.middle()));
    playlist.run([&] { ASSERT_TRUE(QFile::remove(playlist.middle())); });
    EXPECT_TRUE(playlist.middlePlayed());
}

}  // namespace
}  // namespace ruz
