#include "mpris/mpris_player.h"

#include "headless/headless_system.h"
#include "platform/native_name.h"
#include "platform/scripted_engine.h"
#include "qt/qt_text.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace ruz::mpris {
namespace {

using namespace Qt::StringLiterals;

// --- the bus-free pieces ------------------------------------------------------------------------

TEST(Volume, HundredthsOfADecibelAsLinearGain) {
    struct Row {
        int volume;
        double linear;
    } rows[] = {
        {0, 1.0},      {-10000, 0.0},    {-2000, 0.1},
        {-4000, 0.01}, {-602, 0.500035}, {-9999, 1.00115196e-5},
    };
    for (const Row& row : rows) {
        EXPECT_NEAR(linearVolume(row.volume), row.linear, 1e-6 * std::max(row.linear, 1e-5))
            << row.volume;
    }
}

TEST(Volume, LinearGainAsHundredthsOfADecibel) {
    struct Row {
        double linear;
        int volume;
    } rows[] = {
        {1.0, 0},      {1.5, 0},       {0.5, -602},    {0.1, -2000},
        {0.0, -10000}, {-0.3, -10000}, {1e-9, -10000}, {std::nan(""), -10000},
        {0.999, -1},   {0.9999, 0},    {1e-5, -10000}, {std::numeric_limits<double>::infinity(), 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(hundredthsOfDb(row.linear), row.volume) << row.linear;
    }
}

TEST(Volume, EveryEngineVolumeComesBackFromTheRoundTrip) {
    double previous = -1.0;
    for (int volume = FrmAmp::kMinVolume; volume <= FrmAmp::kMaxVolume; ++volume) {
        const double linear = linearVolume(volume);
        ASSERT_EQ(hundredthsOfDb(linear), volume);
        ASSERT_GT(linear, previous) << "louder is a higher gain, at " << volume;
        ASSERT_GE(linear, 0.0);
        ASSERT_LE(linear, 1.0);
        previous = linear;
    }
}

TEST(TrackId, OneObjectPathPerFile) {
    const QRegularExpression objectPath(u"^(/[A-Za-z0-9_]+)+$"_s);
    const QString a = trackIdFor(u"/music/A - One.mp3"_s);
    EXPECT_TRUE(objectPath.match(a).hasMatch()) << a.toStdString();
    EXPECT_EQ(a, trackIdFor(u"/music/A - One.mp3"_s));
    EXPECT_NE(a, trackIdFor(u"/music/A - One.MP3"_s));
    EXPECT_NE(a, trackIdFor(u"/other/A - One.mp3"_s));
    EXPECT_EQ(trackIdFor(QString()), QString::fromLatin1(kNoTrack));
}

TEST(Metadata, KeysOfASongAndOfNoSong) {
    EXPECT_EQ(metadataMap(Track{}),
              (QVariantMap{{u"mpris:trackid"_s, QString::fromLatin1(kNoTrack)}}));

    Track track{u"/t/1"_s, 12'500'000, u"Title"_s, u"Artist"_s, u"file:///m/a.mp3"_s};
    const QVariantMap full = metadataMap(track);
    EXPECT_EQ(full.value(u"mpris:trackid"_s), u"/t/1"_s);
    EXPECT_EQ(full.value(u"mpris:length"_s), QVariant(qint64{12'500'000}));
    EXPECT_EQ(full.value(u"xesam:title"_s), u"Title"_s);
    EXPECT_EQ(full.value(u"xesam:artist"_s), QStringList{u"Artist"_s});
    EXPECT_EQ(full.value(u"xesam:url"_s), u"file:///m/a.mp3"_s);

    // A file name without a hyphen gives no artist: the key is left out, not empty.
    track.artist.clear();
    EXPECT_FALSE(metadataMap(track).contains(u"xesam:artist"_s));
    track.title.clear();
    EXPECT_FALSE(metadataMap(track).contains(u"xesam:title"_s));
}

TEST(Metadata, TheUrlNamesTheFileByItsOwnBytes) {
    struct Row {
        QString path;
        QString url;
    } rows[] = {
        {u"/m/A - One.mp3"_s, u"file:///m/A%20-%20One.mp3"_s},
        {u"/m/Zo\u00eb #1?.mp3"_s, u"file:///m/Zo%C3%AB%20%231%3F.mp3"_s},
        // Latin-1 bytes, no UTF-8: the same bytes in the URL, not a replacement character.
        {toQString(nameFromNative("/m/\xe9t\xe9.mp3")), u"file:///m/%E9t%E9.mp3"_s},
        {toQString(nameFromNative("/m/\xff\xfe.mp3")), u"file:///m/%FF%FE.mp3"_s},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fileUrl(row.path), row.url) << row.url.toStdString();
    }
}

TEST(Properties, OnlyRealChangesOfAnnouncedPropertiesAreNamed) {
    const PlayerState base;
    struct Row {
        void (*change)(PlayerState& s);
        QStringList names;
    } rows[] = {
        {[](PlayerState&) {}, {}},
        {[](PlayerState& s) { s.positionUs = 5'000'000; }, {}},
        {[](PlayerState& s) { s.playbackStatus = u"Playing"_s; }, {u"PlaybackStatus"_s}},
        {[](PlayerState& s) { s.track.title = u"x"_s; }, {}},  // no song: only its id is shown
        {[](PlayerState& s) { s.track.id = u"/t/1"_s; }, {u"Metadata"_s}},
        {[](PlayerState& s) { s.volume = 0.5; }, {u"Volume"_s}},
        {[](PlayerState& s) {
             s.canGoNext = true;
             s.canSeek = true;
         },
         {u"CanGoNext"_s, u"CanSeek"_s}},
        {[](PlayerState& s) {
             s.canPlay = true;
             s.canPause = true;
             s.canGoPrevious = true;
         },
         {u"CanGoPrevious"_s, u"CanPlay"_s, u"CanPause"_s}},
    };
    for (const Row& row : rows) {
        PlayerState after = base;
        row.change(after);
        EXPECT_EQ(changedProperties(Interface::Player, base, after), row.names);
        EXPECT_TRUE(changedProperties(Interface::Root, base, after).isEmpty());
    }
}

TEST(Properties, EveryNameIsFoundOnItsOwnInterface) {
    for (const PropertyRow& row : propertyRows()) {
        const QString name = QString::fromLatin1(row.name);
        EXPECT_EQ(findProperty(row.interface, name), &row);
        const Interface other =
            row.interface == Interface::Root ? Interface::Player : Interface::Root;
        EXPECT_EQ(findProperty(other, name), nullptr) << row.name;
    }
    EXPECT_EQ(findProperty(Interface::Player, u"volume"_s), nullptr);
    EXPECT_EQ(findProperty(Interface::Root, u"Identity"_s)->value(PlayerState{}), u"Taviks Ruz"_s);
}

// --- the player on the main window --------------------------------------------------------------

// The main window on virtual time against the messenger stand-in, with a scripted engine; a folder
// of three songs.
class MprisPlayerTest : public ::testing::Test {
  protected:
    MprisPlayerTest()
        : system([this](TimerHost&) {
              auto made = std::make_unique<ScriptedEngine>();
              scripted = made.get();
              return made;
          }),
          host(system.host),
          standin(system.standin),
          dialogs(system.dialogs),
          engine(*system.engine) {}

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        standin.openRoom();
        song(u"A - One.mp3"_s, 10);
        song(u"B - Two.mp3"_s, 20);
        song(u"C - Three.mp3"_s, 30);
        dialogs.queueYesNo(true);
        app = &system.start();
        player = std::make_unique<MprisPlayer>(*app, engine, host);
        player->onPropertiesChanged = [this](const QStringList& names, const PlayerState& s) {
            changes.push_back(names);
            states.push_back(s);
        };
        player->onSeeked = [this](qint64 us) { seeks.push_back(us); };
        app->ExplorerTree1.userPick(fromQString(folder.path()));
        settle();
        changes.clear();
        states.clear();
    }
    void TearDown() override { player.reset(); }

    void song(const QString& name, double seconds) {
        const QString path = folder.path() + u'/' + name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        scripted->addSong(fromQString(path), seconds);
    }
    // Long enough for a title pick-up and the metadata that follows it.
    void settle() { host.advance(FrmAmp::kTitlePickUpMs + FrmAmp::kPositionRefreshMs); }
    QStringList sent() const { return toQStringList(system.sent()); }
    int changesOf(const QString& name) const {
        int n = 0;
        for (const QStringList& names : changes) {
            n += names.count(name);
        }
        return n;
    }

    // Set while `system` makes its engine, so declared before it.
    ScriptedEngine* scripted = nullptr;  // owned by `system`
    HeadlessSystem system;
    VirtualTimerHost& host;
    standin::MessengerStandIn& standin;
    ScriptedDialogs& dialogs;
    MediaEngine& engine;
    QTemporaryDir folder;
    FrmAmp* app = nullptr;
    std::unique_ptr<MprisPlayer> player;
    std::vector<QStringList> changes;
    std::vector<PlayerState> states;
    std::vector<qint64> seeks;
};

QString title(const PlayerState& s) {
    return s.track.title;
}

TEST_F(MprisPlayerTest, TheFirstSongIsPublished) {
    const PlayerState s = player->state();
    EXPECT_EQ(s.playbackStatus, u"Playing");
    EXPECT_EQ(s.track.title, u"One");
    EXPECT_EQ(s.track.artist, u"A");
    EXPECT_EQ(s.track.lengthUs, 10'000'000);
    EXPECT_EQ(s.track.id, trackIdFor(folder.path() + u"/A - One.mp3"_s));
    EXPECT_TRUE(s.track.url.startsWith(u"file:///"_s));
    EXPECT_TRUE(s.track.url.endsWith(u"/A%20-%20One.mp3"_s));
    EXPECT_TRUE(s.canGoNext && s.canGoPrevious && s.canPlay && s.canPause && s.canSeek);
}

TEST_F(MprisPlayerTest, NextMovesTheSelectionAndTheRoomHearsTheSong) {
    player->next();
    EXPECT_EQ(app->File1.listIndex(), 1);
    EXPECT_EQ(toQString(engine.fileName()), folder.path() + u"/B - Two.mp3"_s);
    settle();
    ASSERT_FALSE(sent().isEmpty());
    EXPECT_TRUE(sent().last().contains(u"B  -  Two"_s)) << sent().last().toStdString();
    // The song's metadata changed once, all of it together: never B's file with A's title.
    EXPECT_EQ(changesOf(u"Metadata"_s), 1);
    for (const PlayerState& s : states) {
        const bool isB = s.track.id == trackIdFor(folder.path() + u"/B - Two.mp3"_s);
        EXPECT_EQ(isB, title(s) == u"Two") << title(s).toStdString();
    }
    EXPECT_EQ(player->state().track.artist, u"B");
    EXPECT_EQ(player->state().track.lengthUs, 20'000'000);
}

TEST_F(MprisPlayerTest, PreviousRunsTheBackButton) {
    player->next();
    player->previous();
    EXPECT_EQ(app->File1.listIndex(), 0);
    player->previous();  // before the first entry: nothing selected, as the window's Back
    EXPECT_EQ(app->File1.listIndex(), -1);
}

TEST_F(MprisPlayerTest, PlaybackStatusIsAnnouncedOncePerChange) {
    struct Row {
        void (MprisPlayer::*method)();
        const char16_t* status;
        int announced;  // PlaybackStatus changes so far
    } rows[] = {
        {&MprisPlayer::pause, u"Paused", 1},     {&MprisPlayer::pause, u"Paused", 1},
        {&MprisPlayer::play, u"Playing", 2},     {&MprisPlayer::play, u"Playing", 2},
        {&MprisPlayer::playPause, u"Paused", 3}, {&MprisPlayer::playPause, u"Playing", 4},
        {&MprisPlayer::stop, u"Stopped", 5},     {&MprisPlayer::playPause, u"Playing", 6},
    };
    for (const Row& row : rows) {
        (player.get()->*row.method)();
        EXPECT_EQ(player->state().playbackStatus, QString::fromUtf16(row.status));
        EXPECT_EQ(changesOf(u"PlaybackStatus"_s), row.announced);
    }
    EXPECT_EQ(changesOf(u"Metadata"_s), 0);
}

TEST_F(MprisPlayerTest, StopPressesTheStopControlLikeTheChatCommandWithoutALine) {
    const qsizetype lines = sent().size();
    int presses = 0;
    const auto stop = app->mnuStop.onClick.take();
    app->mnuStop.onClick = [&] {
        ++presses;
        stop();
    };
    scripted->playTo(4);
    player->stop();
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(engine.playState(), PlayState::Stopped);
    settle();
    EXPECT_EQ(sent().size(), lines);  // the room hears nothing
}

// Every player hears the engine and the window: a second one deafens neither, and one that has
// gone hears nothing more, also of work it handed to the event loop.
TEST_F(MprisPlayerTest, PlayersListenSideBySideAndStopListeningWhenGone) {
    auto second = std::make_unique<MprisPlayer>(*app, engine, host);
    int secondChanges = 0;
    second->onPropertiesChanged = [&](const QStringList&, const PlayerState&) { ++secondChanges; };
    player->pause();
    EXPECT_EQ(changesOf(u"PlaybackStatus"_s), 1);
    EXPECT_EQ(secondChanges, 1);
    app->Song.setCaption(u"Another");  // the track is taken once the labels settle
    second.reset();
    player->play();
    settle();
    EXPECT_EQ(changesOf(u"PlaybackStatus"_s), 2);
    EXPECT_EQ(secondChanges, 1);
}

TEST_F(MprisPlayerTest, VolumeGoesThroughTheVolumeSlider) {
    player->setVolume(0.5);
    EXPECT_EQ(app->Slider1.value(), -602);
    EXPECT_EQ(engine.volume(), -602);
    EXPECT_NEAR(player->state().volume, 0.5, 1e-4);
    EXPECT_EQ(changesOf(u"Volume"_s), 1);
    player->setVolume(0.5);  // the same again: no change, nothing announced
    EXPECT_EQ(changesOf(u"Volume"_s), 1);
    player->setVolume(-1.0);
    EXPECT_EQ(engine.volume(), FrmAmp::kMinVolume);
    player->setVolume(3.0);
    EXPECT_EQ(engine.volume(), FrmAmp::kMaxVolume);
    EXPECT_EQ(changesOf(u"Volume"_s), 3);
    // Changed elsewhere (the window's slider, a chat command): announced as well.
    app->Slider1.userScroll(-2000);
    EXPECT_EQ(changesOf(u"Volume"_s), 4);
    EXPECT_DOUBLE_EQ(player->state().volume, 0.1);
}

TEST_F(MprisPlayerTest, RepeatAndShuffleAreTheWindowsBoxes) {
    struct Row {
        void (*act)(MprisPlayer& p, FrmAmp& a);
        const char16_t* loop;
        bool shuffle;
        int announced;  // LoopStatus and Shuffle changes so far
    } rows[] = {
        {[](MprisPlayer& p, FrmAmp&) { p.setLoopStatus(u"Track"_s); }, u"Track", false, 1},
        {[](MprisPlayer& p, FrmAmp&) { p.setLoopStatus(u"Track"_s); }, u"Track", false, 1},
        {[](MprisPlayer& p, FrmAmp&) { p.setLoopStatus(u"None"_s); }, u"Playlist", false, 2},
        {[](MprisPlayer& p, FrmAmp&) { p.setLoopStatus(u"Playlist"_s); }, u"Playlist", false, 2},
        {[](MprisPlayer& p, FrmAmp&) { p.setShuffle(true); }, u"Playlist", true, 3},
        {[](MprisPlayer& p, FrmAmp&) { p.setShuffle(true); }, u"Playlist", true, 3},
        // The boxes clicked in the window are announced as well.
        {[](MprisPlayer&, FrmAmp& a) { a.chkRepeat.userClick(); }, u"Track", true, 4},
        {[](MprisPlayer&, FrmAmp& a) { a.chkRandomSong.userClick(); }, u"Track", false, 5},
    };
    for (const Row& row : rows) {
        row.act(*player, *app);
        const PlayerState s = player->state();
        EXPECT_EQ(s.loopStatus, QString::fromUtf16(row.loop));
        EXPECT_EQ(s.shuffle, row.shuffle);
        EXPECT_EQ(app->chkRepeat.value(), s.loopStatus == u"Track" ? 1 : 0);
        EXPECT_EQ(app->chkRandomSong.value(), row.shuffle ? 1 : 0);
        EXPECT_EQ(changesOf(u"LoopStatus"_s) + changesOf(u"Shuffle"_s), row.announced);
    }
}

TEST_F(MprisPlayerTest, SeekMovesByWholeSecondsAndSaysWhere) {
    host.advance(FrmAmp::kPositionRefreshMs);  // the position slider knows the song's length
    scripted->playTo(3.2);
    player->seek(2'000'000);
    EXPECT_DOUBLE_EQ(engine.currentPosition(), 5.0);
    player->seek(-60'000'000);  // before the start: the start
    EXPECT_DOUBLE_EQ(engine.currentPosition(), 0.0);
    EXPECT_EQ(seeks, (std::vector<qint64>{5'000'000, 0}));
    EXPECT_EQ(app->File1.listIndex(), 0);
    player->seek(11'000'000);  // past the end: on to the next song
    EXPECT_EQ(app->File1.listIndex(), 1);
    scripted->playTo(3.2);
    player->seek(std::numeric_limits<qint64>::max());  // past the end as well, no rewind
    EXPECT_EQ(app->File1.listIndex(), 2);
    EXPECT_EQ(seeks.size(), 2u);
}

TEST_F(MprisPlayerTest, APropertyIsWrittenOnlyWithAValueOfItsType) {
    struct Row {
        Interface which;
        QString name;
        QVariant value;
        SetOutcome outcome;
        int volume;  // the engine's volume afterwards
        bool shuffle;
    } rows[] = {
        {Interface::Player, u"Volume"_s, QVariant(0.5), SetOutcome::Written, -602, false},
        {Interface::Player, u"Volume"_s, QVariant(u"loud"_s), SetOutcome::WrongType, -602, false},
        {Interface::Player, u"Volume"_s, QVariant(1), SetOutcome::WrongType, -602, false},
        {Interface::Player, u"Volume"_s, QVariant(), SetOutcome::WrongType, -602, false},
        {Interface::Player, u"Shuffle"_s, QVariant(u"true"_s), SetOutcome::WrongType, -602, false},
        {Interface::Player, u"Shuffle"_s, QVariant(true), SetOutcome::Written, -602, true},
        {Interface::Player, u"LoopStatus"_s, QVariant(true), SetOutcome::WrongType, -602, true},
        {Interface::Player, u"Position"_s, QVariant(qint64{0}), SetOutcome::ReadOnly, -602, true},
        {Interface::Root, u"Identity"_s, QVariant(u"x"_s), SetOutcome::ReadOnly, -602, true},
        {Interface::Root, u"Volume"_s, QVariant(1.0), SetOutcome::UnknownProperty, -602, true},
        {Interface::Player, u"Volume"_s, QVariant(1.0), SetOutcome::Written, 0, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(player->setProperty(row.which, row.name, row.value), row.outcome)
            << row.name.toStdString();
        EXPECT_EQ(engine.volume(), row.volume) << row.name.toStdString();
        EXPECT_EQ(player->state().shuffle, row.shuffle) << row.name.toStdString();
    }
    EXPECT_EQ(player->state().loopStatus, u"Playlist");
}

TEST_F(MprisPlayerTest, SetPositionOnlyForTheSongPlayingAndWithinIt) {
    host.advance(FrmAmp::kPositionRefreshMs);
    const QString id = player->state().track.id;
    struct Row {
        QString trackId;
        qint64 positionUs;
        double expected;
    } rows[] = {
        {id, 7'400'000, 7.0},
        {u"/org/taviks_ruz/track/0"_s, 2'000'000, 7.0},  // another song: ignored
        {id, -1, 7.0},                                   // outside the song: ignored
        {id, 10'000'001, 7.0},
        {id, 2'500'000, 2.0},  // whole seconds, a half to the even neighbour
        {id, 3'500'000, 4.0},
    };
    for (const Row& row : rows) {
        player->setPosition(row.trackId, row.positionUs);
        EXPECT_DOUBLE_EQ(engine.currentPosition(), row.expected) << row.positionUs;
    }
    EXPECT_EQ(seeks, (std::vector<qint64>{7'000'000, 2'000'000, 4'000'000}));
}

TEST_F(MprisPlayerTest, ChangesElsewhereAreAnnouncedToo) {
    app->Image3.click();  // the window's Pause
    EXPECT_EQ(changesOf(u"PlaybackStatus"_s), 1);
    scripted->finishSong();  // the song ends: the next one plays
    settle();
    EXPECT_EQ(player->state().track.title, u"Two");
    EXPECT_EQ(player->state().playbackStatus, u"Playing");
    EXPECT_EQ(changesOf(u"Metadata"_s), 1);
}

TEST_F(MprisPlayerTest, AnEmptyFolderLeavesNothingToGoTo) {
    QTemporaryDir empty;
    app->ExplorerTree1.userPick(fromQString(empty.path()));
    settle();
    EXPECT_FALSE(player->state().canGoNext);
    EXPECT_FALSE(player->state().canGoPrevious);
    EXPECT_GE(changesOf(u"CanGoNext"_s), 1);
}

TEST_F(MprisPlayerTest, TheWindowOutlivesThePlayerSafely) {
    player.reset();
    player = nullptr;
    app->Song.setCaption(u"changed");
    app->File1.setListIndex(2);
    engine.pause();
    settle();
    SUCCEED();
}

}  // namespace
}  // namespace ruz::mpris
