#include "platform/media/sdl_output.h"

#include <SDL.h>

#include <dlfcn.h>

#include <algorithm>
#include <utility>

namespace ruz::media {

namespace {
// Frames the device asks for at a time (about 46 ms at 44.1 kHz).
constexpr Uint16 kDeviceFrames = 2048;
// Decoded audio kept ready ahead of the device ...
constexpr std::int64_t kBufferAheadMs = 500;
// ... topped up this often.
constexpr int kSdlFeedIntervalMs = 50;
constexpr std::int64_t kMsPerSecond = 1000;
// The format the device is first opened with, to see that there is one.
constexpr PcmFormat kFirstFormat{44100, 2};

// libasound, which SDL loads for ALSA, writes its own diagnostics on stderr when there is no sound
// card. While SDL starts and opens a device they are silenced, so that the one line saying there
// is no sound device is all the user sees.
class QuietAlsa {
  public:
    QuietAlsa() : library_(dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL)) {
        if (library_ != nullptr) {
            setHandler_ =
                reinterpret_cast<SetHandler>(dlsym(library_, "snd_lib_error_set_handler"));
        }
        if (setHandler_ != nullptr) {
            setHandler_(&ignore);
        }
    }
    ~QuietAlsa() {
        if (setHandler_ != nullptr) {
            setHandler_(nullptr);  // back to libasound's own
        }
        if (library_ != nullptr) {
            dlclose(library_);
        }
    }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

  private:
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    static void ignore(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                       const char* /*format*/, ...) {}

    void* library_ = nullptr;
    SetHandler setHandler_ = nullptr;
};

std::string sdlError() {
    std::string text = SDL_GetError();
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text.empty() ? std::string("unknown error") : text;
}
}  // namespace

std::unique_ptr<SdlOutput> SdlOutput::create(TimerHost& host, std::string& error) {
    // The program has its own event loop and signal handling: SDL is to take over neither.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Taviks Ruz");
    const QuietAlsa quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = sdlError();
        return nullptr;
    }
    auto output = std::make_unique<SdlOutput>(Key{}, host);
    if (!output->openDevice(kFirstFormat, error)) {
        return nullptr;
    }
    return output;
}

SdlOutput::SdlOutput(Key /*key*/, TimerHost& host) : host_(host) {}

SdlOutput::~SdlOutput() {
    closeDevice();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlOutput::openDevice(const PcmFormat& format, std::string& error) {
    closeDevice();
    {
        // No device, so no audio thread: the buffer is set up for the new format before it opens.
        std::lock_guard lock(mutex_);
        format_ = format;
        const auto frames =
            static_cast<std::size_t>(kBufferAheadMs * format.sampleRate / kMsPerSecond);
        ring_.assign(frames * static_cast<std::size_t>(format.channels), 0.0F);
        ringStart_ = 0;
        ringFill_ = 0;
        ended_ = false;
        wakeSent_ = false;
        framesPlayed_ = 0;
    }
    SDL_AudioSpec want{};
    want.freq = format.sampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = kDeviceFrames;
    want.callback = &SdlOutput::fillCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    const QuietAlsa quiet;
    // No changes allowed: SDL converts to whatever the hardware takes. A new device starts paused.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        error = sdlError();
        return false;
    }
    return true;
}

void SdlOutput::closeDevice() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);  // waits for the audio thread to leave the callback
        device_ = 0;
    }
}

bool SdlOutput::begin(const PcmFormat& format, std::string& error) {
    if (device_ != 0 && format == format_) {
        SDL_PauseAudioDevice(device_, 1);
        flush();
        return true;
    }
    return openDevice(format, error);
}

void SdlOutput::flush() {
    std::lock_guard lock(mutex_);
    ringStart_ = 0;
    ringFill_ = 0;
    ended_ = false;
    wakeSent_ = false;
    framesPlayed_ = 0;
}

void SdlOutput::setRunning(bool running) {
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, running ? 0 : 1);
    }
}

std::int64_t SdlOutput::framesWanted() const {
    std::lock_guard lock(mutex_);
    if (ended_ || format_.channels <= 0) {
        return 0;
    }
    return static_cast<std::int64_t>((ring_.size() - ringFill_) /
                                     static_cast<std::size_t>(format_.channels));
}

void SdlOutput::write(const float* samples, std::int64_t frames) {
    if (samples == nullptr || frames <= 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    const std::size_t capacity = ring_.size();
    std::size_t count =
        std::min(static_cast<std::size_t>(frames) * static_cast<std::size_t>(format_.channels),
                 capacity - ringFill_);
    std::size_t at = (ringStart_ + ringFill_) % std::max<std::size_t>(capacity, 1);
    for (std::size_t i = 0; i < count; ++i) {
        ring_[at] = samples[i];
        at = at + 1 == capacity ? 0 : at + 1;
    }
    ringFill_ += count;
}

void SdlOutput::endOfData() {
    std::lock_guard lock(mutex_);
    ended_ = true;
}

std::int64_t SdlOutput::framesPlayed() const {
    std::lock_guard lock(mutex_);
    return framesPlayed_;
}

bool SdlOutput::finished() const {
    std::lock_guard lock(mutex_);
    return ended_ && ringFill_ == 0;
}

int SdlOutput::feedIntervalMs() const {
    return kSdlFeedIntervalMs;
}

void SdlOutput::setGain(float gain) {
    std::lock_guard lock(mutex_);
    gain_ = gain;
}

void SdlOutput::setWake(std::function<void()> wake) {
    auto shared = std::make_shared<Wake>(std::move(wake));
    {
        std::lock_guard lock(mutex_);
        wakeForAudioThread_ = shared;
    }
    wake_ = std::move(shared);
}

void SdlOutput::fillCallback(void* self, std::uint8_t* stream, int bytes) {
    static_cast<SdlOutput*>(self)->fill(
        reinterpret_cast<float*>(stream),
        static_cast<std::size_t>(std::max(bytes, 0)) / sizeof(float));
}

void SdlOutput::fill(float* out, std::size_t samples) {
    std::weak_ptr<Wake> wake;
    bool sendWake = false;
    std::size_t taken = 0;
    {
        std::lock_guard lock(mutex_);
        const std::size_t channels = static_cast<std::size_t>(std::max(format_.channels, 1));
        const std::size_t capacity = ring_.size();
        taken = std::min(samples, ringFill_) / channels * channels;
        std::size_t at = ringStart_;
        for (std::size_t i = 0; i < taken; ++i) {
            out[i] = ring_[at] * gain_;
            at = at + 1 == capacity ? 0 : at + 1;
        }
        ringStart_ = at;
        ringFill_ -= taken;
        framesPlayed_ += static_cast<std::int64_t>(taken / channels);
        if (ended_ && ringFill_ == 0 && !wakeSent_) {
            wakeSent_ = true;
            sendWake = true;
            wake = wakeForAudioThread_;
        }
    }
    std::fill(out + taken, out + samples, 0.0F);
    if (sendWake) {
        host_.post([wake = std::move(wake)] {
            if (const std::shared_ptr<Wake> handler = wake.lock()) {
                (*handler)();
            }
        });
    }
}

}  // namespace ruz::media
