#include "platform/media/engine_factory.h"
#include "platform/media/m3u.h"
#include "platform/media/mpeg_decoder.h"
#include "platform/media/mpeg_frames.h"
#include "platform/virtual_timer_host.h"
#include "qt/qt_text.h"

#include "media/decoder_contract.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace ruz::media {
namespace {

QString fixture(const QString& name) {
    return QDir(QStringLiteral(RUZ_FIXTURES_DIR)).filePath(name);
}

QByteArray readFixture(const QString& name) {
    QFile file(fixture(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

using contract::decodeAll;
using contract::DecodeCase;

std::unique_ptr<MpegDecoder> openFixture(const char* name) {
    return MpegDecoder::open(fromQString(fixture(QString::fromLatin1(name))));
}

class MpegDecoderTest : public ::testing::TestWithParam<DecodeCase> {};

// The silent outputs only pass over the data: that must end exactly where decoding ends.
TEST_P(MpegDecoderTest, PassingOverEndsWhereDecodingEnds) {
    contract::expectPassingOverEndsWhereDecodingEnds(GetParam(), openFixture);
}

TEST_P(MpegDecoderTest, SeekingMovesBothWays) {
    contract::expectSeekingMovesBothWays(GetParam(), openFixture);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MpegDecoderTest, ::testing::ValuesIn(contract::kDecodeCases));

TEST(MpegDecoderRefusal, NotMpegAudio) {
    for (const char* name : contract::kNotMpegAudio) {
        EXPECT_FALSE(openFixture(name)) << name;
    }
    EXPECT_FALSE(MpegDecoder::open(fromQString(QString())));
    EXPECT_FALSE(MpegDecoder::open(fromQString(QStringLiteral(RUZ_FIXTURES_DIR))));
}

// The frame reader that feeds the Windows codec finds in every test file what libmpg123 finds: the
// same format and gapless length, and the same files refused.
TEST(MpegDecoderRefusal, TheFrameReaderAgreesOnEveryFixture) {
    const QStringList names = QDir(QStringLiteral(RUZ_FIXTURES_DIR)).entryList(QDir::Files);
    ASSERT_GE(names.size(), 15);
    for (const QString& name : names) {
        const auto decoder = MpegDecoder::open(fromQString(fixture(name)));
        const auto source = mpeg::FileSource::open(fixture(name).toStdString());
        ASSERT_TRUE(source) << name.toStdString();
        const std::optional<mpeg::StreamInfo> stream = mpeg::probe(*source);
        ASSERT_EQ(bool(decoder), bool(stream)) << name.toStdString();
        if (decoder) {
            EXPECT_EQ(stream->format.sampleRate, decoder->sampleRate()) << name.toStdString();
            EXPECT_EQ(stream->format.channels, decoder->channels()) << name.toStdString();
            EXPECT_EQ(stream->lengthFrames, decoder->lengthFrames()) << name.toStdString();
        }
    }
}

// Damaged files: each either is refused or plays to a reported end; none crashes or hangs.
TEST(MpegDecoderRobustness, DamagedFilesHaveADefinedOutcome) {
    QTemporaryDir scratch;
    const QByteArray original = readFixture(QStringLiteral("tone-3s.mp3"));
    std::mt19937 random(20240601U);
    constexpr int kVariants = 60;
    for (int variant = 0; variant < kVariants; ++variant) {
        QByteArray bytes = original;
        std::uniform_int_distribution<int> anyByte(0, 255);
        std::uniform_int_distribution<qsizetype> anywhere(0, bytes.size() - 1);
        switch (variant % 4) {
            case 0:  // scattered damage
                for (int i = 0; i < 50; ++i) {
                    bytes[anywhere(random)] = static_cast<char>(anyByte(random));
                }
                break;
            case 1:  // cut anywhere
                bytes.truncate(anywhere(random));
                break;
            case 2:  // junk in front
                bytes.prepend(QByteArray(static_cast<qsizetype>(anywhere(random) % 3000), '\xFF'));
                break;
            default:  // a damaged header area
                for (qsizetype i = 0; i < 1000 && i < bytes.size(); ++i) {
                    if (anyByte(random) < 40) {
                        bytes[i] = static_cast<char>(anyByte(random));
                    }
                }
                break;
        }
        const QString path = scratch.filePath(QStringLiteral("damaged-%1.mp3").arg(variant));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        if (auto decoder = MpegDecoder::open(fromQString(path))) {
            EXPECT_GT(decoder->lengthFrames(), 0);
            decodeAll(*decoder);
            EXPECT_TRUE(decoder->atEnd());
        }
        VirtualTimerHost host;
        auto engine = makeVirtualTimeEngine(host);
        if (engine->open(fromQString(path))) {
            EXPECT_GT(engine->duration(), 0.0);
            host.advance(static_cast<std::int64_t>(engine->duration() * 1000) + 1000);
            EXPECT_EQ(engine->playState(), PlayState::Stopped) << variant;
            EXPECT_EQ(engine->currentPosition(), engine->duration()) << variant;
        }
    }
}

TEST(M3uList, ReadsEntriesRelativeToItsFolder) {
    const std::vector<std::u16string> entries =
        parseM3u("#EXTM3U\r\none.mp3\r\n\r\n# comment\r\n  sub/two.mp2  \r\n/abs/three.mp3\n",
                 u"/music/lists");
    EXPECT_EQ(entries,
              (std::vector<std::u16string>{u"/music/lists/one.mp3", u"/music/lists/sub/two.mp2",
                                           u"/abs/three.mp3"}));
}

TEST(M3uList, AcceptsLatin1AndAByteOrderMark) {
    using Entries = std::vector<std::u16string>;
    EXPECT_EQ(parseM3u("caf\xE9.mp3", u"/m"), Entries{u"/m/caf\u00E9.mp3"});
    EXPECT_EQ(parseM3u("\xEF\xBB\xBF"
                       "caf\xC3\xA9.mp3",
                       u"/m"),
              Entries{u"/m/caf\u00E9.mp3"});
    // Entries with dots and doubled separators come out clean; ".." climbs from the list's folder.
    EXPECT_EQ(parseM3u("./a.mp3\n..//b.mp3\nc/../d.mp3\n/x/./y//z.mp3\n", u"/m/l/"),
              (Entries{u"/m/l/a.mp3", u"/m/b.mp3", u"/m/l/d.mp3", u"/x/y/z.mp3"}));
}

TEST(M3uList, AnEntryStartingWithAColonIsAFileInTheListsFolder) {
    EXPECT_EQ(parseM3u(":3,Artist - Title.mp3\n:x/y.mp3", u"/m"),
              (std::vector<std::u16string>{u"/m/:3,Artist - Title.mp3", u"/m/:x/y.mp3"}));
}

TEST(M3uList, KnowsItsName) {
    EXPECT_TRUE(isM3uPath(u"a/b.m3u"));
    EXPECT_TRUE(isM3uPath(u"a/b.M3U"));
    EXPECT_FALSE(isM3uPath(u"a/b.m3u8"));
    EXPECT_FALSE(isM3uPath(u"a/b.mp3"));
    EXPECT_EQ(readM3u(fromQString(fixture(QStringLiteral("two-songs.m3u")))),
              (std::vector<std::u16string>{fromQString(fixture(QStringLiteral("tone-1s.mp3"))),
                                           fromQString(fixture(QStringLiteral("tone-3s.mp3")))}));
    EXPECT_FALSE(readM3u(fromQString(fixture(QStringLiteral("missing.m3u")))));
}

}  // namespace
}  // namespace ruz::media
