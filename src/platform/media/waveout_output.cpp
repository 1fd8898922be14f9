#include "platform/media/waveout_output.h"

#include "text/text.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>

namespace ruz::media {

namespace {
// The device plays blocks of this length ...
constexpr std::int64_t kBlockMs = 50;
// ... this many queued or being filled: half a second of sound ahead of the device.
constexpr std::size_t kBlockCount = 10;
// The engine tops the blocks up this often (and whenever the device finishes one).
constexpr int kWaveOutFeedIntervalMs = 50;
constexpr std::int64_t kMsPerSecond = 1000;
constexpr float kPcm16Full = 32767.0F;
constexpr WORD kBitsPerSample = 16;

// The device's words for why it refused, with the name of the call.
std::string deviceError(const char* call, MMRESULT result) {
    wchar_t text[MAXERRORLENGTH] = {};
    std::string why = std::string(call) + " failed (" + std::to_string(result) + ")";
    if (waveOutGetErrorTextW(result, text, MAXERRORLENGTH) == MMSYSERR_NOERROR && text[0] != 0) {
        std::u16string words;
        for (const wchar_t* c = text; *c != 0; ++c) {
            words.push_back(static_cast<char16_t>(*c));
        }
        why += ": " + text::toUtf8(words);
    }
    return why;
}

// The header's flags as the device last left them (it sets WHDR_DONE from its own thread).
DWORD flagsOf(const WAVEHDR& header) {
    const DWORD flags = *static_cast<const volatile DWORD*>(&header.dwFlags);
    std::atomic_thread_fence(std::memory_order_acquire);
    return flags;
}
}  // namespace

void toPcm16(const float* samples, std::size_t count, float gain, std::int16_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        const float value = samples[i] * gain;
        // NaN and anything beyond full scale end up inside the 16-bit range.
        const float clipped = std::isnan(value) ? 0.0F : std::clamp(value, -1.0F, 1.0F);
        out[i] = static_cast<std::int16_t>(std::lround(clipped * kPcm16Full));
    }
}

WaveOutOutput::WaveOutOutput(TimerHost& host) : host_(host) {
    blockDone_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (blockDone_ != nullptr) {
        waiter_ = std::thread([this] { waitForBlocks(); });
    }
}

WaveOutOutput::~WaveOutOutput() {
    closeDevice();
    if (waiter_.joinable()) {
        stopping_ = true;
        SetEvent(blockDone_);
        waiter_.join();
    }
    if (blockDone_ != nullptr) {
        CloseHandle(blockDone_);
    }
    waker_->wake = nullptr;  // hand-overs still in flight find nothing to call
}

void WaveOutOutput::setWake(std::function<void()> wake) {
    waker_->wake = std::move(wake);
}

// On the output's own thread: each signal of the device (a block played) becomes one wake-up on
// the user-interface thread, unless one is already on its way.
void WaveOutOutput::waitForBlocks() {
    const std::weak_ptr<Waker> target = waker_;
    while (WaitForSingleObject(blockDone_, INFINITE) == WAIT_OBJECT_0 && !stopping_) {
        if (!waker_->pending.exchange(true)) {
            host_.post([target] {
                if (const std::shared_ptr<Waker> waker = target.lock()) {
                    waker->pending = false;
                    if (waker->wake) {
                        waker->wake();
                    }
                }
            });
        }
    }
}

bool WaveOutOutput::openDevice(const PcmFormat& format, std::string& error) {
    if (format.sampleRate <= 0 || format.channels <= 0 || format.channels > 2) {
        error = "no 16-bit PCM format for " + std::to_string(format.channels) + " channels at " +
                std::to_string(format.sampleRate) + " Hz";
        return false;
    }
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = static_cast<WORD>(format.channels);
    wave.nSamplesPerSec = static_cast<DWORD>(format.sampleRate);
    wave.wBitsPerSample = kBitsPerSample;
    wave.nBlockAlign = static_cast<WORD>(wave.nChannels * kBitsPerSample / 8);
    wave.nAvgBytesPerSec = wave.nSamplesPerSec * wave.nBlockAlign;
    const DWORD_PTR callback = blockDone_ != nullptr ? reinterpret_cast<DWORD_PTR>(blockDone_) : 0;
    const DWORD how = blockDone_ != nullptr ? CALLBACK_EVENT : CALLBACK_NULL;
    HWAVEOUT device = nullptr;
    const MMRESULT result = waveOutOpen(&device, WAVE_MAPPER, &wave, callback, 0, how);
    if (result != MMSYSERR_NOERROR) {
        error = deviceError("waveOutOpen", result);
        return false;
    }
    // A device plays what it is given at once: it waits until the engine says run.
    waveOutPause(device);
    device_ = device;
    format_ = format;
    channels_ = static_cast<std::size_t>(format.channels);
    blockFrames_ = std::max<std::int64_t>(format.sampleRate * kBlockMs / kMsPerSecond, 1);
    prepareBlocks();
    return true;
}

void WaveOutOutput::closeDevice() {
    if (device_ == nullptr) {
        return;
    }
    emptyBlocks();
    waveOutClose(device_);
    device_ = nullptr;
    blocks_.clear();
    free_.clear();
}

// Empty blocks for the open device's format, all free.
void WaveOutOutput::prepareBlocks() {
    blocks_.assign(kBlockCount, Block{});
    for (Block& block : blocks_) {
        block.samples.assign(static_cast<std::size_t>(blockFrames_) * channels_, 0);
    }
    emptyBlocks();
}

// Takes every block back from the device, unplayed, and empties it; the stretch starts again.
void WaveOutOutput::emptyBlocks() {
    if (device_ != nullptr) {
        waveOutReset(device_);  // the queued blocks come back marked done; the position is 0
    }
    for (Block& block : blocks_) {
        if (device_ != nullptr && (block.header.dwFlags & WHDR_PREPARED) != 0) {
            waveOutUnprepareHeader(device_, &block.header, sizeof(WAVEHDR));
        }
        block.header = WAVEHDR{};
        block.frames = 0;
    }
    queued_.clear();
    ready_.clear();
    free_.clear();
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        free_.push_back(i);
    }
    reclaimedFrames_ = 0;
    submittedFrames_ = 0;
    heldPosition_ = 0;
    ended_ = false;
}

bool WaveOutOutput::begin(const PcmFormat& format, std::string& error) {
    setRunning(false);
    if (device_ != nullptr && format == format_) {
        flush();
        return true;
    }
    closeDevice();
    return openDevice(format, error);
}

void WaveOutOutput::flush() {
    emptyBlocks();
    // A reset device starts with the next block it is given (Wine's does): none goes to it until
    // the engine says run, and a paused one is told again.
    if (device_ != nullptr && !running_) {
        waveOutPause(device_);
    }
}

void WaveOutOutput::setRunning(bool running) {
    if (device_ == nullptr) {
        running_ = running;
        return;
    }
    if (running) {
        running_ = true;
        waveOutRestart(device_);
        submitReady();
        return;
    }
    if (running_) {
        // Held from here: a device may still count what it had on its way out (Wine's does).
        heldPosition_ = framesPlayed();
        running_ = false;
    }
    waveOutPause(device_);
}

// Takes back the blocks the device has played, in the order it plays them.
void WaveOutOutput::reclaim() {
    while (!queued_.empty()) {
        Block& block = blocks_[queued_.front()];
        if ((flagsOf(block.header) & WHDR_DONE) == 0) {
            break;
        }
        waveOutUnprepareHeader(device_, &block.header, sizeof(WAVEHDR));
        reclaimedFrames_ += block.frames;
        block.frames = 0;
        free_.push_back(queued_.front());
        queued_.pop_front();
    }
}

// Frames of the blocks the device has played (those taken back and those not yet).
std::int64_t WaveOutOutput::finishedFrames() const {
    std::int64_t frames = reclaimedFrames_;
    for (const std::size_t index : queued_) {
        const Block& block = blocks_[index];
        if ((flagsOf(block.header) & WHDR_DONE) == 0) {
            break;
        }
        frames += block.frames;
    }
    return frames;
}

// Room for frames in the free blocks (the first may be partly filled) and in those played.
std::int64_t WaveOutOutput::frameCapacity() const {
    std::int64_t room = 0;
    for (const std::size_t index : free_) {
        room += blockFrames_ - blocks_[index].frames;
    }
    for (const std::size_t index : queued_) {
        if ((flagsOf(blocks_[index].header) & WHDR_DONE) == 0) {
            break;
        }
        room += blockFrames_;
    }
    return room;
}

std::int64_t WaveOutOutput::framesWanted() const {
    if (ended_ || device_ == nullptr) {
        return 0;
    }
    return frameCapacity();
}

// The front free block, as far as it is filled, is ready for the device.
void WaveOutOutput::finishFilling() {
    if (!free_.empty() && blocks_[free_.front()].frames > 0) {
        ready_.push_back(free_.front());
        free_.pop_front();
    }
}

// While running, hands the ready blocks to the device in order.
void WaveOutOutput::submitReady() {
    while (running_ && !ready_.empty()) {
        Block& block = blocks_[ready_.front()];
        block.header = WAVEHDR{};
        block.header.lpData = reinterpret_cast<LPSTR>(block.samples.data());
        block.header.dwBufferLength = static_cast<DWORD>(static_cast<std::size_t>(block.frames) *
                                                         channels_ * sizeof(std::int16_t));
        if (waveOutPrepareHeader(device_, &block.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            return;  // kept for the next try
        }
        if (waveOutWrite(device_, &block.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            waveOutUnprepareHeader(device_, &block.header, sizeof(WAVEHDR));
            return;
        }
        submittedFrames_ += block.frames;
        queued_.push_back(ready_.front());
        ready_.pop_front();
    }
}

void WaveOutOutput::write(const float* samples, std::int64_t frames) {
    if (samples == nullptr || frames <= 0 || device_ == nullptr || ended_) {
        return;
    }
    reclaim();
    std::int64_t done = 0;
    while (done < frames && !free_.empty()) {
        Block& block = blocks_[free_.front()];
        const std::int64_t count = std::min(frames - done, blockFrames_ - block.frames);
        toPcm16(samples + static_cast<std::size_t>(done) * channels_,
                static_cast<std::size_t>(count) * channels_, gain_,
                block.samples.data() + static_cast<std::size_t>(block.frames) * channels_);
        block.frames += count;
        done += count;
        if (block.frames == blockFrames_) {
            finishFilling();
        }
    }
    submitReady();
}

void WaveOutOutput::endOfData() {
    if (device_ != nullptr) {
        reclaim();
        finishFilling();  // the last, short block
        submitReady();
    }
    ended_ = true;
}

std::int64_t WaveOutOutput::framesPlayed() const {
    if (device_ == nullptr) {
        return 0;
    }
    if (!running_) {
        return heldPosition_;
    }
    const std::int64_t finished = finishedFrames();
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    std::int64_t position = finished;
    if (waveOutGetPosition(device_, &time, sizeof(time)) == MMSYSERR_NOERROR &&
        time.wType == TIME_SAMPLES) {
        // The device counts in 32 bits: its count is read as the nearest one at or past what it
        // has certainly played (its finished blocks), so a song of more than 2^32 frames goes on.
        position = finished +
                   static_cast<std::uint32_t>(time.u.sample - static_cast<std::uint32_t>(finished));
    }
    return std::clamp(position, std::max(finished, heldPosition_), submittedFrames_);
}

bool WaveOutOutput::finished() const {
    if (!ended_ || device_ == nullptr) {
        return ended_;
    }
    // Everything handed over went to the device and came back played.
    return ready_.empty() && finishedFrames() == submittedFrames_;
}

int WaveOutOutput::feedIntervalMs() const {
    return kWaveOutFeedIntervalMs;
}

}  // namespace ruz::media
