#pragma once

#include "platform/media/audio_output.h"
#include "platform/timer_host.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ruz::media {

// Real sound through SDL2. The engine decodes on the user-interface thread into a buffer a little
// ahead of the device; SDL's audio thread only copies from that buffer (with the gain), counts the
// frames it took and, once it has taken the last one of a song, hands a wake-up to the
// user-interface thread through TimerHost::post().
class SdlOutput final : public AudioOutput {
    struct Key {};  // only create() makes outputs

  public:
    // Starts SDL's audio and opens the default device. Nothing, with `error` saying why, when
    // there is no device to open.
    static std::unique_ptr<SdlOutput> create(TimerHost& host, std::string& error);

    SdlOutput(Key key, TimerHost& host);
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
    std::int64_t msUntilFinished() const override { return -1; }
    int feedIntervalMs() const override;
    void setGain(float gain) override;
    void setWake(std::function<void()> wake) override;

  private:
    using Wake = std::function<void()>;

    bool openDevice(const PcmFormat& format, std::string& error);
    void closeDevice();
    static void fillCallback(void* self, std::uint8_t* stream, int bytes);
    void fill(float* out, std::size_t samples);  // on SDL's audio thread

    TimerHost& host_;
    std::uint32_t device_ = 0;
    PcmFormat format_;
    std::shared_ptr<Wake> wake_;  // owned here; the audio thread only holds weak copies

    // Shared with the audio thread.
    mutable std::mutex mutex_;
    std::vector<float> ring_;
    std::size_t ringStart_ = 0;  // in samples
    std::size_t ringFill_ = 0;   // in samples
    float gain_ = 1.0F;
    bool ended_ = false;
    bool wakeSent_ = false;
    std::int64_t framesPlayed_ = 0;
    std::weak_ptr<Wake> wakeForAudioThread_;
};

}  // namespace ruz::media
