#include "platform/media/silent_output.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

namespace ruz::media {

namespace {
// The engine looks in this often while the silent output runs ...
constexpr int kSilentFeedIntervalMs = 1000;
// ... and keeps the data this far ahead of the clock, so its end is known before the clock gets
// there and is reported exactly on time.
constexpr std::int64_t kSilentLookaheadMs = std::int64_t{2} * kSilentFeedIntervalMs;
constexpr std::int64_t kMsPerSecond = 1000;
}  // namespace

std::int64_t steadyClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string noSoundDeviceText(const std::string& why) {
    return "No sound device could be opened (" + why + "): playback continues silently.";
}

void reportNoSoundDevice(const std::string& why) {
    std::fprintf(stderr, "%s\n", noSoundDeviceText(why).c_str());
}

SilentOutput::SilentOutput(Clock nowMs) : nowMs_(std::move(nowMs)) {}

bool SilentOutput::begin(const PcmFormat& format, std::string& /*error*/) {
    sampleRate_ = format.sampleRate;
    running_ = false;
    flush();
    return true;
}

void SilentOutput::flush() {
    runningSinceMs_ = nowMs_();
    elapsedBeforeMs_ = 0;
    framesWritten_ = 0;
    ended_ = false;
}

void SilentOutput::setRunning(bool running) {
    if (running == running_) {
        return;
    }
    const std::int64_t now = nowMs_();
    if (running) {
        runningSinceMs_ = now;
    } else {
        elapsedBeforeMs_ += now - runningSinceMs_;
    }
    running_ = running;
}

std::int64_t SilentOutput::elapsedMs() const {
    return elapsedBeforeMs_ +
           (running_ ? std::max<std::int64_t>(nowMs_() - runningSinceMs_, 0) : 0);
}

std::int64_t SilentOutput::framesIn(std::int64_t ms) const {
    return ms * sampleRate_ / kMsPerSecond;
}

std::int64_t SilentOutput::framesWanted() const {
    if (ended_) {
        return 0;
    }
    return std::max<std::int64_t>(framesIn(elapsedMs() + kSilentLookaheadMs) - framesWritten_, 0);
}

void SilentOutput::write(const float* /*samples*/, std::int64_t frames) {
    framesWritten_ += std::max<std::int64_t>(frames, 0);
}

std::int64_t SilentOutput::framesPlayed() const {
    const std::int64_t played = framesIn(elapsedMs());
    return ended_ ? std::min(played, framesWritten_) : played;
}

bool SilentOutput::finished() const {
    return ended_ && framesIn(elapsedMs()) >= framesWritten_;
}

std::int64_t SilentOutput::msUntilFinished() const {
    if (!ended_ || !running_ || sampleRate_ <= 0) {
        return -1;
    }
    // The first whole millisecond at which every frame handed over has played.
    const std::int64_t endMs = (framesWritten_ * kMsPerSecond + sampleRate_ - 1) / sampleRate_;
    return std::max<std::int64_t>(endMs - elapsedMs(), 0);
}

int SilentOutput::feedIntervalMs() const {
    return kSilentFeedIntervalMs;
}

}  // namespace ruz::media
