#pragma once

#include "platform/media/audio_output.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ruz::media {

// An output that plays nothing and keeps time on a clock: the wall clock where no sound device
// opens, the host's virtual clock under tests and in the scenario runner. It only wants to know
// where the data ends, a little ahead of the clock, so a long wait costs no more than the song.
class SilentOutput final : public AudioOutput {
  public:
    using Clock = std::function<std::int64_t()>;  // milliseconds, never going back

    explicit SilentOutput(Clock nowMs);

    bool wantsSamples() const override { return false; }
    bool begin(const PcmFormat& format, std::string& error) override;
    void flush() override;
    void setRunning(bool running) override;
    std::int64_t framesWanted() const override;
    void write(const float* samples, std::int64_t frames) override;
    void endOfData() override { ended_ = true; }
    std::int64_t framesPlayed() const override;
    bool finished() const override;
    std::int64_t msUntilFinished() const override;
    int feedIntervalMs() const override;
    void setGain(float /*gain*/) override {}
    void setWake(std::function<void()> /*wake*/) override {}

  private:
    std::int64_t elapsedMs() const;
    std::int64_t framesIn(std::int64_t ms) const;

    Clock nowMs_;
    int sampleRate_ = 0;
    bool running_ = false;
    std::int64_t runningSinceMs_ = 0;
    std::int64_t elapsedBeforeMs_ = 0;  // played time up to the last pause
    std::int64_t framesWritten_ = 0;
    bool ended_ = false;
};

// The wall clock in milliseconds (steady, not the time of day).
std::int64_t steadyClockMs();

// The line that tells the user that no sound device could be opened (`why`) and that playback
// goes on silently.
std::string noSoundDeviceText(const std::string& why);
// Writes that line on stderr.
void reportNoSoundDevice(const std::string& why);

}  // namespace ruz::media
