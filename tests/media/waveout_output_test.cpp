// The waveOut output on a real device, run under Wine by scripts/wine-sound-check.sh with Wine's
// sound going to a file: the position after a flush and across a pause, the end of a stretch and
// its wake-up, and the gain on the samples the device gives out.
//
// Environment: RUZ_SOUND_CAPTURE names the file the device's samples go to (16-bit, as opened);
// the test that reads it is skipped without it. Every test is skipped where no device opens.

#include "platform/media/waveout_output.h"
#include "platform/virtual_timer_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace ruz::media {
namespace {

constexpr PcmFormat kFormat{32000, 2};
constexpr std::size_t kChannels = 2;
// Bound on waiting for the device, so that a broken output fails instead of hanging.
constexpr int kGiveUpMs = 20000;
constexpr std::chrono::milliseconds kPoll{5};
// Long enough for a device that wrongly keeps playing to move on.
constexpr std::chrono::milliseconds kHold{300};

// Waits until `done` holds (true) or the give-up bound passes (false).
bool waitUntil(const std::function<bool()>& done) {
    for (int waited = 0; waited < kGiveUpMs; waited += static_cast<int>(kPoll.count())) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return done();
}

// Hands over `frames` frames of the constant `value` on every channel.
void writeConstant(AudioOutput& output, std::int64_t frames, float value) {
    const std::vector<float> samples(static_cast<std::size_t>(frames) * kChannels, value);
    output.write(samples.data(), frames);
}

class WaveOutOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!output->begin(kFormat, why)) {
            GTEST_SKIP() << "no sound device: " << why;
        }
    }

    // Fills what the output wants with a tone-like constant.
    std::int64_t fill() {
        const std::int64_t frames = output->framesWanted();
        writeConstant(*output, frames, 0.25F);
        return frames;
    }

    VirtualTimerHost host;
    std::unique_ptr<WaveOutOutput> output = std::make_unique<WaveOutOutput>(host);
};

TEST_F(WaveOutOutputTest, AFlushCountsFromZeroAndKeepsAPausedDevicePaused) {
    const std::int64_t capacity = output->framesWanted();
    ASSERT_GT(capacity, 0);
    fill();
    output->setRunning(true);
    ASSERT_TRUE(waitUntil([&] { return output->framesPlayed() > 0; }));

    output->setRunning(false);
    output->flush();
    EXPECT_EQ(output->framesPlayed(), 0);
    EXPECT_EQ(output->framesWanted(), capacity);
    EXPECT_FALSE(output->finished());

    // Still paused: what comes after the flush waits for the engine to say run.
    const std::int64_t written = fill();
    std::this_thread::sleep_for(kHold);
    EXPECT_EQ(output->framesPlayed(), 0);

    output->setRunning(true);
    ASSERT_TRUE(waitUntil([&] { return output->framesPlayed() > 0; }));
    EXPECT_LE(output->framesPlayed(), written);
}

TEST_F(WaveOutOutputTest, APauseHoldsThePosition) {
    fill();
    output->setRunning(true);
    ASSERT_TRUE(waitUntil([&] { return output->framesPlayed() > 0; }));
    output->setRunning(false);
    const std::int64_t paused = output->framesPlayed();
    std::this_thread::sleep_for(kHold);
    EXPECT_EQ(output->framesPlayed(), paused);

    output->setRunning(true);
    ASSERT_TRUE(waitUntil([&] { return output->framesPlayed() > paused; }));
}

TEST_F(WaveOutOutputTest, AStretchEndsWhenItsLastShortBlockHasPlayedAndWakesTheEngine) {
    int wakes = 0;
    output->setWake([&] { ++wakes; });
    constexpr std::int64_t kFrames = 1001;  // not a whole number of blocks
    writeConstant(*output, kFrames, 0.5F);
    output->endOfData();
    EXPECT_EQ(output->framesWanted(), 0);
    EXPECT_FALSE(output->finished());
    output->setRunning(true);
    ASSERT_TRUE(waitUntil([&] { return output->finished(); }));
    EXPECT_EQ(output->framesPlayed(), kFrames);
    // The device's signal reaches the engine on the host's thread, not before.
    ASSERT_TRUE(waitUntil([&] {
        host.runPosted();
        return wakes > 0;
    }));
}

TEST_F(WaveOutOutputTest, TheGainAppliesToTheSamplesTheDeviceGivesOut) {
    const char* capture = std::getenv("RUZ_SOUND_CAPTURE");
    if (capture == nullptr) {
        GTEST_SKIP() << "RUZ_SOUND_CAPTURE names no file";
    }
    constexpr std::int64_t kFrames = 3200;
    output->setGain(0.25F);
    writeConstant(*output, kFrames, 0.5F);
    output->endOfData();
    output->setRunning(true);
    ASSERT_TRUE(waitUntil([&] { return output->finished(); }));
    output.reset();  // the device closes: the file is complete

    std::ifstream file(capture, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    // Wine's driver puts silence around the sound when it runs dry: only the sound is counted.
    std::size_t heard = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        const int sample = low | (high << 8);
        if (sample != 0) {
            ASSERT_EQ(sample, 4096) << "at sample " << i / 2;  // 0.125 of full scale
            ++heard;
        }
    }
    EXPECT_EQ(heard, static_cast<std::size_t>(kFrames) * kChannels);
}

TEST(Pcm16, SamplesAreScaledRoundedAndKeptInRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Row {
        float sample;
        float gain;
        std::int16_t expected;
    } rows[] = {
        {0.0F, 1.0F, 0},     {0.5F, 1.0F, 16384},   {-0.5F, 1.0F, -16384}, {0.5F, 0.5F, 8192},
        {1.0F, 1.0F, 32767}, {-1.0F, 1.0F, -32767}, {1.5F, 1.0F, 32767},   {-7.0F, 1.0F, -32767},
        {0.9F, 0.0F, 0},     {nan, 1.0F, 0},        {0.25F, 2.0F, 16384},  {1e-6F, 1.0F, 0},
    };
    for (const Row& row : rows) {
        std::int16_t out = 1;
        toPcm16(&row.sample, 1, row.gain, &out);
        EXPECT_EQ(out, row.expected) << row.sample << " at gain " << row.gain;
    }
}

}  // namespace
}  // namespace ruz::media
