#include "platform/media/decoding_engine.h"
#include "platform/media/engine_factory.h"
#include "platform/media/silent_output.h"
#include "platform/native_name.h"
#include "platform/virtual_timer_host.h"
#include "text/text.h"

#include "scratch_files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace ruz {
namespace {

constexpr double kMsTolerance = 0.001;
constexpr std::int64_t kOneHourMs = 60LL * 60 * 1000;

struct Change {
    PlayState from;
    PlayState to;
    double position;
    double duration;
};

class MediaEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        observer_ = engine_->observePlayState([this](PlayState from, PlayState to) {
            changes_.push_back({from, to, engine_->currentPosition(), engine_->duration()});
        });
    }

    // Copies fixtures into the scratch folder, for tests that need their own files.
    std::u16string scratchCopy(std::u16string_view name, std::u16string_view as = {}) {
        const std::u16string target = scratch_.file(as.empty() ? name : as);
        std::error_code error;
        EXPECT_TRUE(
            std::filesystem::copy_file(pathFromName(audioFixture(name)), pathFromName(target),
                                       std::filesystem::copy_options::overwrite_existing, error))
            << error.message();
        return target;
    }
    std::u16string writeScratch(std::u16string_view name, const std::string& content) {
        const std::u16string target = scratch_.file(name);
        std::ofstream file(pathFromName(target), std::ios::binary | std::ios::trunc);
        file << content;
        EXPECT_TRUE(file.good());
        return target;
    }
    static bool removeFile(std::u16string_view path) {
        std::error_code error;
        return std::filesystem::remove(pathFromName(path), error);
    }

    void expectEndedAt(double duration) {
        EXPECT_EQ(engine_->playState(), PlayState::Stopped);
        EXPECT_NEAR(engine_->duration(), duration, kMsTolerance);
        EXPECT_EQ(engine_->currentPosition(), engine_->duration());
        ASSERT_FALSE(changes_.empty());
        EXPECT_EQ(changes_.back().to, PlayState::Stopped);
        EXPECT_EQ(changes_.back().position, changes_.back().duration);
    }

    VirtualTimerHost host_;
    std::unique_ptr<MediaEngine> engine_ = makeVirtualTimeEngine(host_);
    std::vector<Change> changes_;
    Subscription observer_;
    ScratchFiles scratch_;
};

TEST_F(MediaEngineTest, StartsEmpty) {
    EXPECT_EQ(engine_->playState(), PlayState::Stopped);
    EXPECT_EQ(engine_->volume(), 0);
    EXPECT_FALSE(engine_->mute());
    EXPECT_EQ(engine_->fileName(), u"");
    EXPECT_EQ(engine_->currentPosition(), 0.0);
    EXPECT_EQ(engine_->duration(), 0.0);
    EXPECT_FALSE(engine_->play());
    EXPECT_FALSE(engine_->pause());
    EXPECT_FALSE(engine_->setCurrentPosition(1.0));
    EXPECT_TRUE(changes_.empty());
}

// ---- Lengths, and a song playing out to its end ----------------------------------------------

struct LengthCase {
    const char* file;
    double seconds;
};

class MediaLengthTest : public MediaEngineTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(MediaLengthTest, OpensWithTheLengthAndPlaysExactlyThatLong) {
    const LengthCase& c = GetParam();
    ASSERT_TRUE(engine_->open(audioFixture(text::fromUtf8(c.file))));
    EXPECT_NEAR(engine_->duration(), c.seconds, kMsTolerance);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    EXPECT_EQ(engine_->currentPosition(), 0.0);
    EXPECT_EQ(engine_->fileName(), audioFixture(text::fromUtf8(c.file)));
    ASSERT_EQ(changes_.size(), 1U);
    EXPECT_EQ(changes_[0].from, PlayState::Stopped);
    EXPECT_EQ(changes_[0].to, PlayState::Playing);
    EXPECT_NE(changes_[0].position, changes_[0].duration);

    const auto lengthMs = static_cast<std::int64_t>(std::llround(c.seconds * 1000));
    host_.advance(lengthMs - 1);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    EXPECT_LT(engine_->currentPosition(), engine_->duration());
    EXPECT_NEAR(engine_->currentPosition(), (lengthMs - 1) / 1000.0, kMsTolerance);
    EXPECT_EQ(changes_.size(), 1U);

    host_.advance(1);
    expectEndedAt(c.seconds);
    EXPECT_EQ(changes_.size(), 2U);

    // Nothing more happens once it has ended.
    host_.advance(kOneHourMs);
    EXPECT_EQ(changes_.size(), 2U);
    EXPECT_EQ(engine_->currentPosition(), engine_->duration());
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, MediaLengthTest,
    ::testing::Values(LengthCase{"tone-1s.mp3", 1.0}, LengthCase{"tone-2.5s.mp3", 2.5},
                      LengthCase{"tone-3s.mp3", 3.0}, LengthCase{"tone-3.5s.mp3", 3.5},
                      LengthCase{"tone-5s.mp3", 5.0}, LengthCase{"tone-10s.mp3", 10.0},
                      LengthCase{"tone-60s.mp3", 60.0}, LengthCase{"tagged-3s.mp3", 3.0},
                      LengthCase{"tone-2.4s.mp2", 2.4}));

TEST_F(MediaEngineTest, TruncatedFileEndsWhereItsDataEndsWithPositionAtTheLength) {
    ASSERT_TRUE(engine_->open(audioFixture(u"truncated.mp3")));
    EXPECT_NEAR(engine_->duration(), 3.0, kMsTolerance);  // what its header says
    host_.advance(1400);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    host_.advance(100);  // its data runs out at about 1.46 s
    expectEndedAt(3.0);
    EXPECT_EQ(changes_.size(), 2U);
}

TEST_F(MediaEngineTest, MovingIntoTheMissingPartOfATruncatedFileEndsTheSong) {
    ASSERT_TRUE(engine_->open(audioFixture(u"truncated.mp3")));
    ASSERT_TRUE(engine_->setCurrentPosition(2.0));
    host_.advance(5);
    expectEndedAt(3.0);
}

TEST_F(MediaEngineTest, FileCutShortWhilePlayingEndsTheSong) {
    const std::u16string path = scratchCopy(u"tone-10s.mp3");
    ASSERT_TRUE(engine_->open(path));
    host_.advance(1000);
    std::error_code error;
    std::filesystem::resize_file(pathFromName(path), 20000, error);  // about 1.7 s of data left
    ASSERT_FALSE(error) << error.message();
    // What was read before the cut still plays; the song ends well before its 10 s.
    host_.advance(8000);
    expectEndedAt(10.0);
}

TEST_F(MediaEngineTest, FileRemovedWhilePlayingPlaysOn) {
    const std::u16string path = scratchCopy(u"tone-3s.mp3");
    ASSERT_TRUE(engine_->open(path));
    host_.advance(500);
#ifdef _WIN32
    EXPECT_FALSE(removeFile(path));  // Windows keeps a file in use
#else
    ASSERT_TRUE(removeFile(path));
#endif
    host_.advance(3000);
    expectEndedAt(3.0);
}

// ---- Refusals ---------------------------------------------------------------------------------

class MediaRefusalTest : public MediaEngineTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(MediaRefusalTest, LeavesThePlayingSongAsItWas) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-5s.mp3")));
    host_.advance(1200);
    const std::size_t changesBefore = changes_.size();

    std::u16string path = text::fromUtf8(GetParam());
    if (path.starts_with(u'@')) {
        path = audioFixture(path.substr(1));
    } else if (path.starts_with(u'%')) {
        path = scratch_.file(path.substr(1));
    }
    EXPECT_FALSE(engine_->open(path));

    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    EXPECT_EQ(engine_->fileName(), audioFixture(u"tone-5s.mp3"));
    EXPECT_NEAR(engine_->duration(), 5.0, kMsTolerance);
    EXPECT_NEAR(engine_->currentPosition(), 1.2, kMsTolerance);
    EXPECT_EQ(changes_.size(), changesBefore);
    host_.advance(1000);
    EXPECT_NEAR(engine_->currentPosition(), 2.2, kMsTolerance);
}

INSTANTIATE_TEST_SUITE_P(NotAudio, MediaRefusalTest,
                         ::testing::Values("@zero.mp3", "@random.mp3", "@text.mp3",
                                           "@wav-renamed.mp3", "@no-such-file.mp3", "", "@",
                                           "@README.md", "%missing.m3u"));

TEST_F(MediaEngineTest, RefusesWhileNothingIsOpen) {
    EXPECT_FALSE(engine_->open(audioFixture(u"zero.mp3")));
    EXPECT_EQ(engine_->fileName(), u"");
    EXPECT_EQ(engine_->playState(), PlayState::Stopped);
    EXPECT_EQ(engine_->duration(), 0.0);
    EXPECT_TRUE(changes_.empty());
}

TEST_F(MediaEngineTest, RefusesWhilePausedAndStaysPaused) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-3s.mp3")));
    host_.advance(700);
    ASSERT_TRUE(engine_->pause());
    EXPECT_FALSE(engine_->open(audioFixture(u"wav-renamed.mp3")));
    EXPECT_EQ(engine_->playState(), PlayState::Paused);
    EXPECT_NEAR(engine_->currentPosition(), 0.7, kMsTolerance);
}

#ifndef _WIN32
// A named pipe in a folder is a Linux thing (Windows pipes live in a name space of their own).
TEST_F(MediaEngineTest, RefusesAPipeWithoutWaitingForIt) {
    const std::u16string path = scratch_.file(u"pipe.mp3");
    ASSERT_EQ(::mkfifo(nativeFromName(path).c_str(), 0600), 0);
    EXPECT_FALSE(engine_->open(path));
}
#endif

TEST_F(MediaEngineTest, RefusesAFolderWithAnAudioName) {
    ASSERT_TRUE(scratch_.make(u"folder.mp3", true));
    EXPECT_FALSE(engine_->open(scratch_.file(u"folder.mp3")));
    EXPECT_FALSE(engine_->open(scratch_.path() + u'/'));
}

// ---- Transport --------------------------------------------------------------------------------

TEST_F(MediaEngineTest, PauseAndPlayGoOnWhereItStopped) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-5s.mp3")));
    host_.advance(1200);
    ASSERT_TRUE(engine_->pause());
    EXPECT_EQ(engine_->playState(), PlayState::Paused);
    host_.advance(10000);
    EXPECT_NEAR(engine_->currentPosition(), 1.2, kMsTolerance);
    EXPECT_TRUE(engine_->pause());  // already paused: no change
    ASSERT_TRUE(engine_->play());
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    host_.advance(3799);
    EXPECT_NEAR(engine_->currentPosition(), 4.999, kMsTolerance);
    host_.advance(1);
    expectEndedAt(5.0);

    ASSERT_EQ(changes_.size(), 4U);
    EXPECT_EQ(changes_[1].from, PlayState::Playing);
    EXPECT_EQ(changes_[1].to, PlayState::Paused);
    EXPECT_EQ(changes_[2].from, PlayState::Paused);
    EXPECT_EQ(changes_[2].to, PlayState::Playing);
    EXPECT_EQ(changes_[3].from, PlayState::Playing);
}

TEST_F(MediaEngineTest, StopRewindsAndPlayStartsOver) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-3s.mp3")));
    host_.advance(1500);
    ASSERT_TRUE(engine_->stop());
    EXPECT_EQ(engine_->playState(), PlayState::Stopped);
    EXPECT_EQ(engine_->currentPosition(), 0.0);
    EXPECT_EQ(changes_.back().to, PlayState::Stopped);
    EXPECT_NE(changes_.back().position, changes_.back().duration);
    EXPECT_FALSE(engine_->pause());
    host_.advance(1000);
    EXPECT_EQ(engine_->currentPosition(), 0.0);
    ASSERT_TRUE(engine_->play());
    host_.advance(2999);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    host_.advance(1);
    expectEndedAt(3.0);
}

TEST_F(MediaEngineTest, PlayAfterTheEndStartsTheSongAgain) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-1s.mp3")));
    host_.advance(1000);
    expectEndedAt(1.0);
    ASSERT_TRUE(engine_->play());
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    EXPECT_EQ(engine_->currentPosition(), 0.0);
    EXPECT_NE(changes_.back().position, changes_.back().duration);
    host_.advance(1000);
    expectEndedAt(1.0);
}

TEST_F(MediaEngineTest, OpeningAgainAfterTheEndStartsFromTheBeginning) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-1s.mp3")));
    host_.advance(1000);
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-3s.mp3")));
    ASSERT_EQ(changes_.size(), 3U);
    EXPECT_EQ(changes_[2].to, PlayState::Playing);
    EXPECT_EQ(changes_[2].position, 0.0);
    EXPECT_NEAR(changes_[2].duration, 3.0, kMsTolerance);
}

TEST_F(MediaEngineTest, OpeningWhilePlayingRaisesNoChange) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-5s.mp3")));
    host_.advance(2000);
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-3s.mp3")));
    EXPECT_EQ(changes_.size(), 1U);
    EXPECT_EQ(engine_->currentPosition(), 0.0);
    EXPECT_NEAR(engine_->duration(), 3.0, kMsTolerance);
    host_.advance(3000);
    expectEndedAt(3.0);
}

struct SeekCase {
    double to;
    double expected;  // negative: the end
};

class MediaSeekTest : public MediaEngineTest, public ::testing::WithParamInterface<SeekCase> {};

TEST_P(MediaSeekTest, ClampsWhilePlaying) {
    const SeekCase& c = GetParam();
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-5s.mp3")));
    host_.advance(1000);
    ASSERT_TRUE(engine_->setCurrentPosition(c.to));
    if (c.expected < 0) {
        expectEndedAt(5.0);
        EXPECT_EQ(changes_.size(), 2U);
    } else {
        EXPECT_EQ(engine_->playState(), PlayState::Playing);
        EXPECT_DOUBLE_EQ(engine_->currentPosition(), c.expected);
        host_.advance(400);
        EXPECT_NEAR(engine_->currentPosition(), c.expected + 0.4, kMsTolerance);
        EXPECT_EQ(changes_.size(), 1U);
    }
}

TEST_P(MediaSeekTest, ClampsWhilePaused) {
    const SeekCase& c = GetParam();
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-5s.mp3")));
    host_.advance(1000);
    ASSERT_TRUE(engine_->pause());
    ASSERT_TRUE(engine_->setCurrentPosition(c.to));
    if (c.expected < 0) {
        expectEndedAt(5.0);
        EXPECT_EQ(changes_.back().from, PlayState::Paused);
    } else {
        EXPECT_EQ(engine_->playState(), PlayState::Paused);
        host_.advance(500);
        EXPECT_DOUBLE_EQ(engine_->currentPosition(), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, MediaSeekTest,
    ::testing::Values(SeekCase{-5.0, 0.0}, SeekCase{-std::numeric_limits<double>::infinity(), 0.0},
                      SeekCase{0.0, 0.0}, SeekCase{2.25, 2.25}, SeekCase{4.5, 4.5},
                      SeekCase{5.0, -1.0}, SeekCase{7.5, -1.0}, SeekCase{1e12, -1.0},
                      SeekCase{std::numeric_limits<double>::infinity(), -1.0}));

TEST_F(MediaEngineTest, SeekRefusesNotANumber) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-5s.mp3")));
    host_.advance(1000);
    EXPECT_FALSE(engine_->setCurrentPosition(std::nan("")));
    EXPECT_NEAR(engine_->currentPosition(), 1.0, kMsTolerance);
}

TEST_F(MediaEngineTest, SeekThenPlayToTheEnd) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-10s.mp3")));
    ASSERT_TRUE(engine_->setCurrentPosition(8.0));
    host_.advance(1999);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    host_.advance(1);
    expectEndedAt(10.0);
    // Moving back after the end and playing goes on from there.
    ASSERT_TRUE(engine_->setCurrentPosition(9.5));
    EXPECT_EQ(engine_->playState(), PlayState::Stopped);
    EXPECT_EQ(engine_->currentPosition(), 9.5);
    ASSERT_TRUE(engine_->play());
    host_.advance(500);
    expectEndedAt(10.0);
}

// ---- Volume and mute -------------------------------------------------------------------------

TEST_F(MediaEngineTest, VolumeTakesHundredthsOfADecibelFromSilenceToFull) {
    for (const int accepted : {0, -1, -2000, -9999, -10000}) {
        EXPECT_TRUE(engine_->setVolume(accepted)) << accepted;
        EXPECT_EQ(engine_->volume(), accepted);
    }
    ASSERT_TRUE(engine_->setVolume(-1500));
    for (const int refused :
         {1, 100, -10001, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        EXPECT_FALSE(engine_->setVolume(refused)) << refused;
        EXPECT_EQ(engine_->volume(), -1500);
    }
}

TEST_F(MediaEngineTest, MuteSilencesButTimeGoesOn) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-3s.mp3")));
    engine_->setMute(true);
    EXPECT_TRUE(engine_->mute());
    host_.advance(1000);
    EXPECT_NEAR(engine_->currentPosition(), 1.0, kMsTolerance);
    engine_->setMute(false);
    EXPECT_FALSE(engine_->mute());
    host_.advance(2000);
    expectEndedAt(3.0);
}

// ---- M3U song lists ---------------------------------------------------------------------------

TEST_F(MediaEngineTest, M3uPlaysItsEntriesInOrderAndEndsAfterTheLast) {
    const std::u16string list = audioFixture(u"two-songs.m3u");
    ASSERT_TRUE(engine_->open(list));
    EXPECT_EQ(engine_->fileName(), list);
    EXPECT_NEAR(engine_->duration(), 1.0, kMsTolerance);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    ASSERT_EQ(changes_.size(), 1U);

    host_.advance(999);
    EXPECT_NEAR(engine_->duration(), 1.0, kMsTolerance);
    host_.advance(1);  // the first entry ends: the second follows without a state change
    EXPECT_NEAR(engine_->duration(), 3.0, kMsTolerance);
    EXPECT_EQ(engine_->currentPosition(), 0.0);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    EXPECT_EQ(changes_.size(), 1U);

    host_.advance(2999);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    EXPECT_EQ(changes_.size(), 1U);
    host_.advance(1);
    expectEndedAt(3.0);
    EXPECT_EQ(changes_.size(), 2U);
    EXPECT_EQ(engine_->fileName(), list);

    // Played again, the list starts over at its first entry.
    ASSERT_TRUE(engine_->play());
    EXPECT_NEAR(engine_->duration(), 1.0, kMsTolerance);
}

TEST_F(MediaEngineTest, M3uSkipsCommentsBlanksAndEntriesThatDoNotPlay) {
    scratchCopy(u"tone-1s.mp3");
    ASSERT_TRUE(scratch_.make(u"sub", true));
    scratchCopy(u"tone-2.4s.mp2", u"sub/two.mp2");
    scratchCopy(u"text.mp3");
    const std::u16string list = writeScratch(u"Mixed.M3U",
                                             "\xEF\xBB\xBF#EXTM3U\r\n"
                                             "#EXTINF:1,Not a song\r\n"
                                             "\r\n"
                                             "missing.mp3\r\n"
                                             "text.mp3\r\n"
                                             "   \r\n"
                                             "Mixed.M3U\r\n"
                                             "tone-1s.mp3\r\n"
                                             "sub\\two.mp2\r\n"
                                             "zero.mp3");
    ASSERT_TRUE(engine_->open(list));
    EXPECT_NEAR(engine_->duration(), 1.0, kMsTolerance);
    host_.advance(1000);
    EXPECT_NEAR(engine_->duration(), 2.4, kMsTolerance);
    host_.advance(2400);
    expectEndedAt(2.4);
    EXPECT_EQ(changes_.size(), 2U);
}

TEST_F(MediaEngineTest, AListIsGivenUpOnAfterARunOfEntriesThatDoNotPlay) {
    scratchCopy(u"tone-1s.mp3");
    scratchCopy(u"text.mp3");
    // The engine tries 48 entries at the most for the next one that plays.
    const auto listOf = [](int junk, int junkAfter) {
        std::string lines;
        for (int i = 0; i < junk; ++i) {
            lines += "text.mp3\n";
        }
        lines += "tone-1s.mp3\n";
        for (int i = 0; i < junkAfter; ++i) {
            lines += "missing.mp3\n";
        }
        return lines + "tone-1s.mp3\n";
    };
    const std::u16string nearGood = writeScratch(u"near.m3u", listOf(47, 47));
    const std::u16string farGood = writeScratch(u"far.m3u", listOf(48, 0));
    const std::u16string farNext = writeScratch(u"farnext.m3u", listOf(0, 48));
    std::string huge;
    for (int i = 0; i < 100000; ++i) {
        huge += "text.mp3\n";
    }
    const std::u16string hugeList = writeScratch(u"huge.m3u", huge + "tone-1s.mp3\n");

    ASSERT_TRUE(engine_->open(nearGood));
    host_.advance(1000);
    EXPECT_EQ(engine_->playState(), PlayState::Playing);  // the second good entry, 47 later
    host_.advance(1000);
    expectEndedAt(1.0);
    EXPECT_FALSE(engine_->open(farGood));
    EXPECT_FALSE(engine_->open(hugeList));
    ASSERT_TRUE(engine_->open(farNext));
    host_.advance(1000);
    expectEndedAt(1.0);  // the list ends: its next good entry lies too far
}

TEST_F(MediaEngineTest, M3uWithoutAPlayableEntryIsRefused) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-3s.mp3")));
    scratchCopy(u"random.mp3");
    const std::u16string self = writeScratch(u"self.m3u", "self.m3u\nSELF.M3U\n./self.m3u\n");
    const std::u16string nested =
        writeScratch(u"nested.m3u", "self.m3u\nrandom.mp3\nnowhere.mp3\n");
    const std::u16string empty = writeScratch(u"empty.m3u", "#EXTM3U\n\n");
    for (const std::u16string& list : {self, nested, empty}) {
        EXPECT_FALSE(engine_->open(list)) << text::toUtf8(list);
        EXPECT_EQ(engine_->fileName(), audioFixture(u"tone-3s.mp3"));
        EXPECT_EQ(engine_->playState(), PlayState::Playing);
    }
    EXPECT_EQ(changes_.size(), 1U);
}

TEST_F(MediaEngineTest, M3uEntryRemovedWhilePlayingIsSkipped) {
    scratchCopy(u"tone-1s.mp3");
    scratchCopy(u"tone-3s.mp3");
    scratchCopy(u"tone-2.5s.mp3");
    const std::u16string list =
        writeScratch(u"three.m3u", "tone-1s.mp3\ntone-3s.mp3\ntone-2.5s.mp3\n");
    ASSERT_TRUE(engine_->open(list));
    ASSERT_TRUE(removeFile(scratch_.file(u"tone-3s.mp3")));
    host_.advance(1000);
    EXPECT_NEAR(engine_->duration(), 2.5, kMsTolerance);
    host_.advance(2500);
    expectEndedAt(2.5);
}

TEST_F(MediaEngineTest, MovingPastTheEndOfAnM3uEntryGoesToTheNext) {
    ASSERT_TRUE(engine_->open(audioFixture(u"two-songs.m3u")));
    ASSERT_TRUE(engine_->setCurrentPosition(5.0));
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
    EXPECT_NEAR(engine_->duration(), 3.0, kMsTolerance);
    ASSERT_TRUE(engine_->setCurrentPosition(5.0));
    expectEndedAt(3.0);
}

// ---- Long waits -------------------------------------------------------------------------------

TEST_F(MediaEngineTest, AnHourOfSongsOneAfterAnother) {
    const std::vector<std::u16string> songs = {audioFixture(u"tone-3s.mp3"),
                                               audioFixture(u"tone-2.4s.mp2"),
                                               audioFixture(u"two-songs.m3u")};
    int next = 0;
    int ends = 0;
    observer_ = engine_->observePlayState([&](PlayState, PlayState) {
        if (engine_->currentPosition() == engine_->duration()) {
            ++ends;
            ASSERT_TRUE(engine_->open(songs[next++ % songs.size()]));
        }
    });
    ASSERT_TRUE(engine_->open(songs[next++]));
    host_.advance(kOneHourMs);
    // Each round of the three takes 3 + 2.4 + (1 + 3) = 9.4 s.
    EXPECT_EQ(ends, static_cast<int>(kOneHourMs * 3 / 9400));
    EXPECT_EQ(engine_->playState(), PlayState::Playing);
}

// An output with no device behind it: it never begins.
class NoDevice final : public media::AudioOutput {
  public:
    bool wantsSamples() const override { return false; }
    bool begin(const media::PcmFormat& /*format*/, std::string& error) override {
        error = "no device here";
        return false;
    }
    void flush() override {}
    void setRunning(bool /*running*/) override {}
    std::int64_t framesWanted() const override { return 0; }
    void write(const float* /*samples*/, std::int64_t /*frames*/) override {}
    void endOfData() override {}
    std::int64_t framesPlayed() const override { return 0; }
    bool finished() const override { return false; }
    std::int64_t msUntilFinished() const override { return -1; }
    int feedIntervalMs() const override { return 1; }
    void setGain(float /*gain*/) override {}
    void setWake(std::function<void()> /*wake*/) override {}
};

TEST(MediaEngineWithoutDevice, SaysSoOnceAfterTheOperationAndPlaysOnSilently) {
    VirtualTimerHost host;
    media::DecodingEngine engine(host, std::make_unique<NoDevice>());
    std::vector<std::string> told;
    const Subscription heard =
        engine.observeProblems([&told](const std::string& problem) { told.push_back(problem); });
    ASSERT_TRUE(engine.open(audioFixture(u"tone-3s.mp3")));
    EXPECT_TRUE(told.empty());  // not from inside the operation that found it
    EXPECT_EQ(engine.playState(), PlayState::Playing);
    host.advance(10);
    EXPECT_EQ(told, std::vector<std::string>{media::noSoundDeviceText("no device here")});
    ASSERT_TRUE(engine.open(audioFixture(u"tone-3s.mp3")));
    host.advance(10);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(engine.playState(), PlayState::Playing);
}

TEST_F(MediaEngineTest, DestroyedWhilePlaying) {
    ASSERT_TRUE(engine_->open(audioFixture(u"tone-3s.mp3")));
    host_.advance(100);
    engine_.reset();
    host_.advance(5000);
}

}  // namespace
}  // namespace ruz
