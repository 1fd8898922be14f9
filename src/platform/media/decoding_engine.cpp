#include "platform/media/decoding_engine.h"

#include "platform/media/m3u.h"
#include "platform/media/silent_output.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace ruz::media {

namespace {
constexpr int kSilenceVolume = -10000;  // hundredths of a dB
constexpr int kFullVolume = 0;
constexpr double kHundredthsOfDbPerDecade = 2000.0;  // 20 dB per tenfold amplitude
// Frames decoded per call into the output.
constexpr std::int64_t kDecodeChunkFrames = 4096;
// The host timer never runs faster than this.
constexpr std::int64_t kMinTickMs = 1;

// How many entries of a list are tried, at the most, for the next one that plays: a list of
// thousands of entries that do not play is given up on within one short step.
constexpr int kEntriesTriedPerStep = 48;

// The first entry of `list` from `first` on that opens as MPEG audio, and its index; nothing
// when none of the next kEntriesTriedPerStep entries opens.
std::unique_ptr<Decoder> openFirstPlayable(const std::vector<std::u16string>& list, int first,
                                           int& index) {
    int tried = 0;
    for (int i = std::max(first, 0);
         i < static_cast<int>(list.size()) && tried < kEntriesTriedPerStep; ++i) {
        // Lists inside lists are not followed: a list naming itself would never end.
        if (isM3uPath(list[static_cast<std::size_t>(i)])) {
            continue;
        }
        ++tried;
        if (std::unique_ptr<Decoder> decoder = Decoder::open(list[static_cast<std::size_t>(i)])) {
            index = i;
            return decoder;
        }
    }
    return nullptr;
}
}  // namespace

DecodingEngine::DecodingEngine(TimerHost& host, std::unique_ptr<AudioOutput> output) : host_(host) {
    timer_ = host_.createTimer([this] { onTick(); });
    problemTimer_ = host_.createTimer([this] {
        host_.stopTimer(problemTimer_);
        notifyProblem(std::exchange(problem_, std::string()));
    });
    useOutput(std::move(output));
}

DecodingEngine::~DecodingEngine() {
    host_.destroyTimer(timer_);
    host_.destroyTimer(problemTimer_);
    output_.reset();  // first: an output may still hold a wake-up into this engine
}

void DecodingEngine::useOutput(std::unique_ptr<AudioOutput> output) {
    output_ = std::move(output);
    output_->setWake([this] { onTick(); });
    applyGain();
}

bool DecodingEngine::open(std::u16string_view path) {
    if (path.empty()) {
        return false;
    }
    std::unique_ptr<Decoder> decoder;
    std::vector<std::u16string> entries;
    int index = -1;
    if (isM3uPath(path)) {
        std::optional<std::vector<std::u16string>> list = readM3u(path);
        if (!list) {
            return false;
        }
        entries = std::move(*list);
        decoder = openFirstPlayable(entries, 0, index);
        if (!decoder) {
            return false;  // no entry plays: refused, as a file that is not audio
        }
    } else {
        decoder = Decoder::open(path);
        if (!decoder) {
            return false;
        }
    }
    fileName_ = path;
    playlist_ = std::move(entries);
    entry_ = index;
    const PlayState old = state_;
    state_ = PlayState::Playing;
    startEntry(std::move(decoder));
    run();
    notify(old);
    return true;
}

void DecodingEngine::startEntry(std::unique_ptr<Decoder> decoder) {
    decoder_ = std::move(decoder);
    duration_ = static_cast<double>(decoder_->lengthFrames()) / decoder_->sampleRate();
    baseSeconds_ = 0.0;
    atEnd_ = false;
    endHandedOver_ = false;
    const PcmFormat format{decoder_->sampleRate(), decoder_->channels()};
    std::string why;
    if (!output_->begin(format, why)) {
        // The sound device went away: the song goes on without sound, on the wall clock.
        if (!silentFallbackUsed_) {
            reportNoSoundDevice(why);
            silentFallbackUsed_ = true;
            problem_ = noSoundDeviceText(why);
            host_.startTimer(problemTimer_, static_cast<int>(kMinTickMs));
        }
        useOutput(std::make_unique<SilentOutput>(&steadyClockMs));
        output_->begin(format, why);
    }
    applyGain();
}

// Starts (or goes on) playing from where the decoder and the output stand.
void DecodingEngine::run() {
    feed();
    output_->setRunning(true);
    scheduleFeed();
}

void DecodingEngine::seekTo(double seconds) {
    baseSeconds_ = seconds;
    atEnd_ = false;
    endHandedOver_ = false;
    // A failed seek leaves the decoder at its end: the song then ends where it was moved to.
    decoder_->seek(std::llround(seconds * decoder_->sampleRate()));
    output_->flush();
    if (state_ == PlayState::Playing) {
        feed();
        scheduleFeed();
    }
}

void DecodingEngine::feed() {
    if (!decoder_ || endHandedOver_) {
        return;
    }
    const bool samples = output_->wantsSamples();
    const std::size_t channels = static_cast<std::size_t>(decoder_->channels());
    while (!decoder_->atEnd()) {
        const std::int64_t wanted = output_->framesWanted();
        if (wanted <= 0) {
            break;
        }
        if (samples) {
            const std::int64_t chunk = std::min(wanted, kDecodeChunkFrames);
            pcm_.resize(static_cast<std::size_t>(chunk) * channels);
            const std::int64_t got = decoder_->read(pcm_.data(), chunk);
            output_->write(pcm_.data(), got);
        } else {
            output_->write(nullptr, decoder_->skip(wanted));
        }
    }
    if (decoder_->atEnd()) {
        endHandedOver_ = true;
        output_->endOfData();
    }
}

void DecodingEngine::scheduleFeed() {
    if (state_ != PlayState::Playing) {
        host_.stopTimer(timer_);
        return;
    }
    std::int64_t interval = output_->feedIntervalMs();
    const std::int64_t untilEnd = output_->msUntilFinished();
    if (untilEnd >= 0) {
        interval = std::clamp(untilEnd, kMinTickMs, interval);
    }
    host_.startTimer(timer_, static_cast<int>(interval));
}

void DecodingEngine::onTick() {
    if (state_ != PlayState::Playing || !decoder_) {
        host_.stopTimer(timer_);
        return;
    }
    feed();
    if (output_->finished()) {
        finishEntry();
        return;
    }
    scheduleFeed();
}

// The current entry has played out (or was moved past its end): on to the next entry of the list,
// or the end of the song.
void DecodingEngine::finishEntry() {
    int next = -1;
    if (std::unique_ptr<Decoder> decoder = openFirstPlayable(playlist_, entry_ + 1, next)) {
        entry_ = next;
        startEntry(std::move(decoder));
        if (state_ == PlayState::Playing) {
            run();
        }
        return;
    }
    output_->setRunning(false);
    host_.stopTimer(timer_);
    atEnd_ = true;
    const PlayState old = state_;
    state_ = PlayState::Stopped;
    notify(old);
}

bool DecodingEngine::play() {
    if (!decoder_) {
        return false;
    }
    if (state_ == PlayState::Playing) {
        return true;
    }
    const PlayState old = state_;
    state_ = PlayState::Playing;
    if (atEnd_) {
        // After the end, play starts the song (or the list) over.
        int first = -1;
        std::unique_ptr<Decoder> decoder = openFirstPlayable(playlist_, 0, first);
        if (decoder) {
            entry_ = first;
            startEntry(std::move(decoder));
        } else {
            seekTo(0.0);
        }
    }
    run();
    notify(old);
    return true;
}

bool DecodingEngine::pause() {
    if (!decoder_ || state_ == PlayState::Stopped) {
        return false;  // nothing is playing
    }
    if (state_ == PlayState::Paused) {
        return true;
    }
    output_->setRunning(false);
    host_.stopTimer(timer_);
    state_ = PlayState::Paused;
    notify(PlayState::Playing);
    return true;
}

bool DecodingEngine::stop() {
    if (!decoder_) {
        return false;
    }
    output_->setRunning(false);
    host_.stopTimer(timer_);
    const PlayState old = state_;
    state_ = PlayState::Stopped;
    // Stop rewinds: the position goes back to the start of the song (of the list's current
    // entry), and play starts it from there.
    seekTo(0.0);
    notify(old);
    return true;
}

double DecodingEngine::currentPosition() const {
    if (!decoder_) {
        return 0.0;
    }
    if (atEnd_) {
        return duration_;
    }
    const double position =
        baseSeconds_ + static_cast<double>(output_->framesPlayed()) / decoder_->sampleRate();
    // Short of the length until the end is reported: the player takes "position equals length"
    // at a state change for the end of the song.
    return std::clamp(position, 0.0, std::nextafter(duration_, 0.0));
}

bool DecodingEngine::moveTo(double seconds) {
    if (!decoder_ || std::isnan(seconds)) {
        return false;
    }
    if (seconds >= duration_) {
        // Moved to (or past) the end: the song ends as if it had played out.
        if (state_ == PlayState::Stopped) {
            host_.stopTimer(timer_);
            output_->flush();
            atEnd_ = true;
        } else {
            finishEntry();
        }
        return true;
    }
    seekTo(std::max(seconds, 0.0));
    return true;
}

bool DecodingEngine::setVolume(int hundredthsOfDb) {
    if (hundredthsOfDb < kSilenceVolume || hundredthsOfDb > kFullVolume) {
        return false;
    }
    volume_ = hundredthsOfDb;
    applyGain();
    return true;
}

void DecodingEngine::setMute(bool on) {
    mute_ = on;
    applyGain();
}

void DecodingEngine::applyGain() {
    float gain = 0.0F;
    if (!mute_ && volume_ > kSilenceVolume) {
        gain = static_cast<float>(std::pow(10.0, volume_ / kHundredthsOfDbPerDecade));
    }
    output_->setGain(gain);
}

// Raises the play-state notification if the state really changed. Always the last step of an
// operation: the player may call back into the engine from it.
void DecodingEngine::notify(PlayState oldState) {
    if (oldState != state_) {
        notifyPlayState(oldState, state_);
    }
}

}  // namespace ruz::media
