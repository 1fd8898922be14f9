#pragma once

#include "platform/media/audio_output.h"
#include "platform/timer_host.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ruz::media {

class SdlLibrary;

// Real sound through SDL2. The engine decodes on the user-interface thread into a ring a little
// ahead of the device; SDL's audio thread only copies from that ring (with the gain) and counts
// the samples it took. The two threads share nothing but the ring and a few atomic counters: the
// audio thread never waits for a lock, never allocates and never hands work over, so it is never
// late. The position is the count of frames the device has taken; the end of a song is the moment
// it has taken the last one, which the user-interface thread looks for at the time it is due.
//
// SDL's audio starts, and the default device opens, at the first song: the program's first window
// does not wait for the sound system. When there is no device, begin() says why and the engine
// goes on without sound. After a few seconds without playing (paused, stopped, at the end of the
// list) the device is let go, and with it SDL's audio thread and the sound system's libraries; it
// opens again when playing goes on.
class SdlOutput final : public AudioOutput {
  public:
    // `host` times the letting go of an idle device.
    explicit SdlOutput(TimerHost& host);
    ~SdlOutput() override;
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    bool wantsSamples() const override { return true; }
    bool begin(const PcmFormat& format, std::string& error) override;
    void flush() override;
    void setRunning(bool running) override;
    std::int64_t framesWanted() const override;
    void write(const float* samples, std::int64_t frames) override;
    void endOfData() override;
    std::int64_t framesPlayed() const override;
    bool finished() const override;
    std::int64_t msUntilFinished() const override;
    int feedIntervalMs() const override;
    void setGain(float gain) override;
    // The device's taking of the last frame is looked for by the engine (msUntilFinished): the
    // audio thread hands nothing over.
    void setWake(std::function<void()> /*wake*/) override {}

    // Frames of silence the device took because the ring was empty while a song played (the
    // user-interface thread fell behind): 0 when every sample was there in time.
    std::int64_t underrunFrames() const { return underrunFrames_.load(); }

    // Whether a sound device is open now.
    bool deviceOpen() const { return device_ != 0; }

  private:
    bool start(std::string& error);
    void prepareRing(const PcmFormat& format);
    bool openDevice(std::string& error);
    void closeDevice();
    void release();
    static void fillCallback(void* self, std::uint8_t* stream, int bytes);
    void fill(float* out, std::size_t samples);  // on SDL's audio thread

    TimerHost& host_;
    TimerHost::TimerId releaseTimer_ = 0;
    std::unique_ptr<SdlLibrary> sdl_;  // while SDL's audio runs
    std::uint32_t device_ = 0;
    PcmFormat format_;
    std::size_t channels_ = 1;

    // The ring: written only by the user-interface thread, read only by the audio thread; both
    // counters only grow (in samples) and the ring's index is the count modulo its size. Changed
    // wholesale (flush, a new device) only while the audio thread is kept out.
    std::vector<float> ring_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> taken_{0};
    std::atomic<float> gain_{1.0F};
    std::atomic<std::int64_t> underrunFrames_{0};
    std::atomic<bool> ended_{false};  // written by the user-interface thread only
};

}  // namespace ruz::media
