#pragma once

// Windows only: sound through the system's waveOut device (winmm).

#include "platform/media/audio_output.h"
#include "platform/timer_host.h"

#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace ruz::media {

// Real sound through waveOut: 16-bit PCM at the song's rate and channels, in a ring of a few
// blocks the device plays one after another. Everything but the wait for finished blocks runs on
// the user-interface thread: the engine's samples are turned to 16 bits (with the gain) into the
// block being filled, which goes to the device once full (or at the end of the data) while the
// engine has it run; a stopped device is given nothing. A small thread of the output waits for
// the device's signal that a block has played and hands a wake-up to the user-interface thread
// through the host; it touches nothing else.
//
// The position is the count of frames the device has taken: the frames of the blocks it finished,
// and, within the blocks still queued, what the device's own position says. It holds still from
// a pause on. A flush resets the device (the blocks come back unplayed) and counts from 0 again.
// The gain applies as samples go into a block: a change is heard once the blocks already queued
// have played (at most half a second).
//
// The device opens at the first song; where it cannot (no sound device), begin() says why and the
// engine goes on without sound.
class WaveOutOutput final : public AudioOutput {
  public:
    // `host` takes the device's wake-ups to the user-interface thread.
    explicit WaveOutOutput(TimerHost& host);
    ~WaveOutOutput() override;
    WaveOutOutput(const WaveOutOutput&) = delete;
    WaveOutOutput& operator=(const WaveOutOutput&) = delete;

    bool wantsSamples() const override { return true; }
    bool begin(const PcmFormat& format, std::string& error) override;
    void flush() override;
    void setRunning(bool running) override;
    std::int64_t framesWanted() const override;
    void write(const float* samples, std::int64_t frames) override;
    void endOfData() override;
    std::int64_t framesPlayed() const override;
    bool finished() const override;
    // -1: the output wakes the engine itself when the last block has played.
    std::int64_t msUntilFinished() const override { return -1; }
    int feedIntervalMs() const override;
    void setGain(float gain) override { gain_ = gain; }
    void setWake(std::function<void()> wake) override;

    // Whether a sound device is open now.
    bool deviceOpen() const { return device_ != nullptr; }

  private:
    struct Block {
        WAVEHDR header{};
        std::vector<std::int16_t> samples;
        std::int64_t frames = 0;  // frames filled
    };
    // The engine's wake-up, shared with the hand-overs in flight: the output's end leaves them
    // nothing to call.
    struct Waker {
        std::function<void()> wake;
        std::atomic<bool> pending{false};  // a hand-over is on its way: no second one
    };

    bool openDevice(const PcmFormat& format, std::string& error);
    void closeDevice();
    void prepareBlocks();
    void emptyBlocks();
    void finishFilling();
    void submitReady();
    void reclaim();
    std::int64_t finishedFrames() const;
    std::int64_t frameCapacity() const;
    void waitForBlocks();  // on the output's own thread

    TimerHost& host_;
    HWAVEOUT device_ = nullptr;
    PcmFormat format_;
    std::size_t channels_ = 1;
    std::int64_t blockFrames_ = 0;

    std::vector<Block> blocks_;
    std::deque<std::size_t> queued_;    // blocks with the device, in the order it plays them
    std::deque<std::size_t> ready_;     // full blocks (or the last one) waiting to run
    std::deque<std::size_t> free_;      // blocks to fill; the front one may be partly filled
    std::int64_t reclaimedFrames_ = 0;  // frames of the blocks that came back played
    std::int64_t submittedFrames_ = 0;  // frames handed to the device since the stretch began
    std::int64_t heldPosition_ = 0;     // the position at the last pause
    bool running_ = false;
    bool ended_ = false;
    float gain_ = 1.0F;

    std::shared_ptr<Waker> waker_ = std::make_shared<Waker>();
    HANDLE blockDone_ = nullptr;  // signalled by the device: opened, a block played, closed
    std::atomic<bool> stopping_{false};
    std::thread waiter_;
};

// Turns float samples (-1 to 1) times `gain` into 16-bit ones, rounded and clipped.
void toPcm16(const float* samples, std::size_t count, float gain, std::int16_t* out);

}  // namespace ruz::media
