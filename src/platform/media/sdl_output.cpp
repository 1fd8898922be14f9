#include "platform/media/sdl_output.h"

#include "platform/media/sdl_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <utility>

namespace ruz::media {

namespace {
// Frames the device asks for at a time (about 46 ms at 44.1 kHz).
constexpr Uint16 kDeviceFrames = 2048;
// Decoded audio kept ready ahead of the device: the user-interface thread may fall this far
// behind (a busy machine, a long layout) before the device runs dry ...
constexpr std::int64_t kBufferAheadMs = 1000;
// ... topped up this often.
constexpr int kSdlFeedIntervalMs = 50;
// How long a device stays open without playing before it is let go.
constexpr int kReleaseIdleMs = 5000;
constexpr std::int64_t kMsPerSecond = 1000;

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

std::string sdlError(const SdlLibrary& sdl) {
    std::string text = sdl.GetError();
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text.empty() ? std::string("unknown error") : text;
}
}  // namespace

SdlOutput::SdlOutput(TimerHost& host)
    : host_(host), releaseTimer_(host.createTimer([this] { release(); })) {}

SdlOutput::~SdlOutput() {
    release();
    host_.destroyTimer(releaseTimer_);
}

bool SdlOutput::start(std::string& error) {
    if (sdl_) {
        return true;
    }
    std::unique_ptr<SdlLibrary> sdl = SdlLibrary::load(error);
    if (!sdl) {
        return false;
    }
    // The program has its own event loop and signal handling: SDL is to take over neither.
    sdl->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl->SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Taviks Ruz");
    const QuietAlsa quiet;
    if (sdl->InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = sdlError(*sdl);
        return false;
    }
    sdl_ = std::move(sdl);
    return true;
}

// Only while no device is open (no audio thread): the ring for a new format, empty.
void SdlOutput::prepareRing(const PcmFormat& format) {
    format_ = format;
    channels_ = static_cast<std::size_t>(std::max(format.channels, 1));
    const auto frames = static_cast<std::size_t>(kBufferAheadMs * format.sampleRate / kMsPerSecond);
    ring_.assign(frames * channels_, 0.0F);
    written_ = 0;
    taken_ = 0;
    ended_ = false;
    underrunFrames_ = 0;
}

// Opens the device for the ring's format, paused; what the ring holds stays.
bool SdlOutput::openDevice(std::string& error) {
    if (!start(error)) {
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = format_.sampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = static_cast<Uint8>(format_.channels);
    want.samples = kDeviceFrames;
    want.callback = &SdlOutput::fillCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    const QuietAlsa quiet;
    // No changes allowed: SDL converts to whatever the hardware takes. A new device starts paused.
    device_ = sdl_->OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        error = sdlError(*sdl_);
        return false;
    }
    return true;
}

void SdlOutput::closeDevice() {
    if (device_ != 0) {
        sdl_->CloseAudioDevice(device_);  // waits for the audio thread to leave the callback
        device_ = 0;
    }
}

// Lets the idle device go, and SDL with it (its audio thread, its libraries).
void SdlOutput::release() {
    host_.stopTimer(releaseTimer_);
    closeDevice();
    if (sdl_) {
        // All of SDL, not only its audio: what it keeps besides (its hints, its driver lists)
        // would otherwise stay behind each time the library goes.
        sdl_->Quit();
        sdl_.reset();
    }
}

bool SdlOutput::begin(const PcmFormat& format, std::string& error) {
    host_.stopTimer(releaseTimer_);
    if (device_ != 0 && format == format_) {
        sdl_->PauseAudioDevice(device_, 1);
        flush();
        return true;
    }
    closeDevice();
    prepareRing(format);
    return openDevice(error);
}

void SdlOutput::flush() {
    // The audio thread is kept out for the two stores (SDL holds this lock around the callback).
    if (device_ != 0) {
        sdl_->LockAudioDevice(device_);
    }
    written_ = 0;
    taken_ = 0;
    if (device_ != 0) {
        sdl_->UnlockAudioDevice(device_);
    }
    ended_ = false;
}

void SdlOutput::setRunning(bool running) {
    if (!running) {
        if (device_ != 0) {
            sdl_->PauseAudioDevice(device_, 1);
        }
        host_.startTimer(releaseTimer_, kReleaseIdleMs);
        return;
    }
    host_.stopTimer(releaseTimer_);
    std::string why;
    // Where the device cannot open again (it went away while idle), nothing plays until the next
    // song, whose begin() reports it and leaves the engine on its silent output.
    if (device_ != 0 || (!ring_.empty() && openDevice(why))) {
        sdl_->PauseAudioDevice(device_, 0);
    }
}

std::int64_t SdlOutput::framesWanted() const {
    if (ended_) {
        return 0;
    }
    const std::uint64_t fill = written_.load() - taken_.load();
    return static_cast<std::int64_t>((ring_.size() - fill) / channels_);
}

void SdlOutput::write(const float* samples, std::int64_t frames) {
    if (samples == nullptr || frames <= 0 || ring_.empty()) {
        return;
    }
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    const std::uint64_t fill = written - taken_.load(std::memory_order_acquire);
    const std::size_t count =
        std::min(static_cast<std::size_t>(frames) * channels_, ring_.size() - fill);
    const std::size_t capacity = ring_.size();
    const std::size_t at = written % capacity;
    const std::size_t first = std::min(count, capacity - at);
    std::copy_n(samples, first, ring_.begin() + static_cast<std::ptrdiff_t>(at));
    std::copy_n(samples + first, count - first, ring_.begin());
    written_.store(written + count, std::memory_order_release);  // publishes the samples
}

void SdlOutput::endOfData() {
    ended_ = true;
}

std::int64_t SdlOutput::framesPlayed() const {
    return static_cast<std::int64_t>(taken_.load() / channels_);
}

bool SdlOutput::finished() const {
    return ended_ && taken_.load() == written_.load();
}

std::int64_t SdlOutput::msUntilFinished() const {
    if (!ended_ || format_.sampleRate <= 0) {
        return -1;
    }
    // What is left in the ring plays out at the device's rate; the device takes it a block at
    // a time, so the engine looks again, sooner, if it is not all taken by then.
    const std::uint64_t left = (written_.load() - taken_.load()) / channels_;
    return static_cast<std::int64_t>(left) * kMsPerSecond / format_.sampleRate;
}

int SdlOutput::feedIntervalMs() const {
    return kSdlFeedIntervalMs;
}

void SdlOutput::setGain(float gain) {
    gain_.store(gain);
}

void SdlOutput::fillCallback(void* self, std::uint8_t* stream, int bytes) {
    static_cast<SdlOutput*>(self)->fill(
        reinterpret_cast<float*>(stream),
        static_cast<std::size_t>(std::max(bytes, 0)) / sizeof(float));
}

void SdlOutput::fill(float* out, std::size_t samples) {
    const std::uint64_t taken = taken_.load(std::memory_order_relaxed);
    const std::uint64_t fill = written_.load(std::memory_order_acquire) - taken;
    const std::size_t count = std::min<std::uint64_t>(samples, fill) / channels_ * channels_;
    const std::size_t capacity = ring_.size();
    const float gain = gain_.load(std::memory_order_relaxed);
    std::size_t at = capacity != 0 ? taken % capacity : 0;
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = ring_[at] * gain;
        at = at + 1 == capacity ? 0 : at + 1;
    }
    taken_.store(taken + count, std::memory_order_release);  // hands the room back
    std::fill(out + count, out + samples, 0.0F);
    if (count < samples && !ended_.load(std::memory_order_relaxed)) {
        underrunFrames_.fetch_add(static_cast<std::int64_t>((samples - count) / channels_),
                                  std::memory_order_relaxed);
    }
}

}  // namespace ruz::media
