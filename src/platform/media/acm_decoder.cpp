#include "platform/media/acm_decoder.h"

// windows.h comes before the headers that build on it.
#include <windows.h>

#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <utility>

namespace ruz::media {

namespace {

// The largest MPEG audio frame (MPEG-2.5 layer II at 160 kbit/s and 8 kHz: 2,881 bytes), with room.
constexpr DWORD kMaxFrameBytes = 4096;
// The codec's output per conversion: several frames of 16-bit stereo samples. What does not fit
// comes with the next conversion.
constexpr DWORD kOutputBytes = 8 * 1152 * 2 * sizeof(std::int16_t);
// A conversion that takes no input and gives no output this often in a row has nothing more.
constexpr int kMaxIdleConversions = 2;
// After a seek the codec starts this many frames before the one the position lies in (and further
// back for layer III's bit reservoir): their output fills the synthesis filter bank and layer
// III's overlap, and is dropped. Measured under Wine: a frame less leaves the first frame wrong.
constexpr std::int64_t kWarmUpFrames = 2;
// Samples the codec gives before the first sample of the first frame fed. Under Wine (its
// l3codeca.acm) none: the codec holds the first frame back until the second arrives, and from
// then on its output is the frames' samples in order, the synthesis filter's own delay included,
// exactly where libmpg123 has them before its gapless cut.
constexpr std::int64_t kCodecLeadSamples = 0;
// Full scale of a 16-bit sample.
constexpr float kSampleScale = 32768.0F;
// Frames in a row that the codec may take without giving a sample before it counts as stuck (a
// damaged frame can leave a codec's state broken): far more than the one frame it holds back.
constexpr int kMaxFramesWithoutOutput = 8;

// The channel modes in header order, as the MPEG-1 format names them.
constexpr std::array<WORD, 4> kHeadModes = {ACM_MPEG_STEREO, ACM_MPEG_JOINTSTEREO,
                                            ACM_MPEG_DUALCHANNEL, ACM_MPEG_SINGLECHANNEL};
constexpr std::array<WORD, 2> kHeadLayers = {ACM_MPEG_LAYER1, ACM_MPEG_LAYER2};

// The input format the codec is opened for: the first frame's.
union InputFormat {
    WAVEFORMATEX wave;
    MPEGLAYER3WAVEFORMAT layer3;
    MPEG1WAVEFORMAT layers12;
};

InputFormat inputFormat(const mpeg::FrameHeader& format) {
    InputFormat input{};
    WAVEFORMATEX& wave = input.wave;
    wave.nChannels = static_cast<WORD>(format.channels);
    wave.nSamplesPerSec = static_cast<DWORD>(format.sampleRate);
    wave.nAvgBytesPerSec = static_cast<DWORD>(format.bitRateKbps) * 1000 / 8;
    if (format.layer == 3) {
        wave.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        wave.nBlockAlign = 1;
        wave.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
        input.layer3.wID = MPEGLAYER3_ID_MPEG;
        input.layer3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
        input.layer3.nBlockSize = static_cast<WORD>(format.bytes - (format.padded ? 1 : 0));
        input.layer3.nFramesPerBlock = 1;
        return input;
    }
    wave.wFormatTag = WAVE_FORMAT_MPEG;
    wave.nBlockAlign = static_cast<WORD>(format.bytes);
    wave.cbSize = sizeof(MPEG1WAVEFORMAT) - sizeof(WAVEFORMATEX);
    MPEG1WAVEFORMAT& mpeg = input.layers12;
    mpeg.fwHeadLayer = kHeadLayers[static_cast<std::size_t>(format.layer - 1)];
    mpeg.dwHeadBitrate = static_cast<DWORD>(format.bitRateKbps) * 1000;
    mpeg.fwHeadMode = kHeadModes[static_cast<std::size_t>(format.channelMode)];
    mpeg.wHeadEmphasis = 1;  // none
    mpeg.fwHeadFlags = format.version == mpeg::Version::Mpeg1 ? ACM_MPEG_ID_MPEG1 : 0;
    return input;
}

WAVEFORMATEX pcmFormat(const mpeg::FrameHeader& format) {
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(format.channels);
    pcm.nSamplesPerSec = static_cast<DWORD>(format.sampleRate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(format.channels * sizeof(std::int16_t));
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * pcm.nSamplesPerSec;
    return pcm;
}

}  // namespace

// One ACM stream from the file's format to 16-bit PCM, with its buffers prepared once.
class AcmDecoder::Codec {
  public:
    static std::unique_ptr<Codec> open(const mpeg::FrameHeader& format) {
        InputFormat input = inputFormat(format);
        WAVEFORMATEX output = pcmFormat(format);
        HACMSTREAM stream = nullptr;
        if (acmStreamOpen(&stream, nullptr, &input.wave, &output, nullptr, 0, 0,
                          ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) {
            return nullptr;
        }
        auto codec = std::make_unique<Codec>(Key{}, stream);
        if (!codec->prepared_) {
            return nullptr;
        }
        return codec;
    }

    Codec(Key /*key*/, HACMSTREAM stream)
        : stream_(stream), input_(kMaxFrameBytes), output_(kOutputBytes) {
        header_.cbStruct = sizeof(header_);
        header_.pbSrc = input_.data();
        header_.cbSrcLength = kMaxFrameBytes;
        header_.pbDst = output_.data();
        header_.cbDstLength = kOutputBytes;
        prepared_ = acmStreamPrepareHeader(stream_, &header_, 0) == MMSYSERR_NOERROR;
    }

    ~Codec() {
        if (prepared_) {
            header_.cbSrcLength = kMaxFrameBytes;
            acmStreamUnprepareHeader(stream_, &header_, 0);
        }
        acmStreamClose(stream_, 0);
    }

    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

    // Converts one whole frame, or with `end` what the codec still holds, appending the samples to
    // `out`. False when the codec fails.
    bool convert(std::span<const std::uint8_t> frame, bool end, std::vector<std::int16_t>& out) {
        if (frame.size() > kMaxFrameBytes) {
            return false;
        }
        if (!frame.empty()) {
            std::memcpy(input_.data(), frame.data(), frame.size());
        }
        DWORD left = static_cast<DWORD>(frame.size());
        DWORD offset = 0;
        int idle = 0;
        while (idle < kMaxIdleConversions) {
            if (offset > 0 && left > 0) {
                std::memmove(input_.data(), input_.data() + offset, left);  // what it did not take
            }
            header_.cbSrcLength = left;
            header_.cbSrcLengthUsed = 0;
            header_.cbDstLengthUsed = 0;
            DWORD flags = end ? ACM_STREAMCONVERTF_END : 0;
            if (first_) {
                flags |= ACM_STREAMCONVERTF_START;
            }
            if (acmStreamConvert(stream_, &header_, flags) != MMSYSERR_NOERROR ||
                header_.cbSrcLengthUsed > left || header_.cbDstLengthUsed > kOutputBytes) {
                return false;
            }
            first_ = false;
            const DWORD used = header_.cbSrcLengthUsed;
            const DWORD made = header_.cbDstLengthUsed;
            const std::size_t before = out.size();
            out.resize(before + made / sizeof(std::int16_t));
            std::memcpy(out.data() + before, output_.data(),
                        (made / sizeof(std::int16_t)) * sizeof(std::int16_t));
            left -= used;
            offset = used;
            // Done when the input is taken and the output did not fill the buffer.
            if (left == 0 && made < kOutputBytes) {
                return true;
            }
            idle = used == 0 && made == 0 ? idle + 1 : 0;
        }
        return true;
    }

  private:
    HACMSTREAM stream_ = nullptr;
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> output_;
    ACMSTREAMHEADER header_{};
    bool prepared_ = false;
    bool first_ = true;
};

std::unique_ptr<AcmDecoder> AcmDecoder::open(const std::filesystem::path& path) {
    std::unique_ptr<mpeg::FileSource> source = mpeg::FileSource::open(path);
    if (!source) {
        return nullptr;
    }
    const std::optional<mpeg::StreamInfo> stream = mpeg::probe(*source);
    if (!stream) {
        return nullptr;
    }
    std::unique_ptr<Codec> codec = Codec::open(stream->format);
    if (!codec) {
        return nullptr;
    }
    return std::make_unique<AcmDecoder>(Key{}, std::move(source), *stream, std::move(codec));
}

AcmDecoder::AcmDecoder(Key /*key*/, std::unique_ptr<mpeg::FileSource> source,
                       const mpeg::StreamInfo& stream, std::unique_ptr<Codec> codec)
    : source_(std::move(source)),
      stream_(stream),
      walker_(*source_, stream_),
      codec_(std::move(codec)) {}

AcmDecoder::~AcmDecoder() = default;

std::int64_t AcmDecoder::songEnd() const {
    return stream_.leadIn + stream_.lengthFrames;
}

bool AcmDecoder::seek(std::int64_t frame) {
    position_ = std::max<std::int64_t>(frame, 0);
    restartDue_ = true;
    atEnd_ = false;
    return true;
}

// The codec anew, a few frames before the position: layer III takes part of a frame's data from
// the frames before it (the bit reservoir), and the filter bank and the overlap need samples
// before the first one heard.
bool AcmDecoder::restart() {
    restartDue_ = false;
    framesWithoutOutput_ = 0;
    pending_.clear();
    pendingAt_ = 0;
    const std::int64_t samples = stream_.format.samples;
    const std::int64_t target = position_ + stream_.leadIn;
    std::int64_t start = std::max<std::int64_t>(target / samples - kWarmUpFrames, 0);
    int reservoir = 0;
    while (start > 0 && reservoir < stream_.format.reservoirBytes()) {
        --start;
        const std::optional<mpeg::FrameHeader> header = walker_.header(start);
        reservoir += header ? header->mainDataBytes() : stream_.format.reservoirBytes();
    }
    decodedAt_ = start * samples - kCodecLeadSamples;
    fedAll_ = !walker_.seek(start);
    if (fedAll_) {
        return true;  // the data ends before the position: nothing to read
    }
    codec_.reset();
    codec_ = Codec::open(stream_.format);
    return codec_ != nullptr;
}

bool AcmDecoder::refill() {
    pending_.clear();
    pendingAt_ = 0;
    while (pending_.empty() && !fedAll_) {
        bool converted = false;
        bool fed = false;
        if (walker_.next(frame_)) {
            fed = true;
            converted = codec_->convert(frame_, false, pending_);
            framesWithoutOutput_ = pending_.empty() ? framesWithoutOutput_ + 1 : 0;
        } else {
            fedAll_ = true;
            converted = codec_->convert({}, true, pending_);
        }
        // A damaged frame the codec refuses, or after which it gives nothing more, does not end
        // the song: the codec starts anew with the next frame, as a decoder resyncs.
        const bool stuck = framesWithoutOutput_ > kMaxFramesWithoutOutput;
        if ((!converted || stuck) && !(fed && resumeAfterDamage())) {
            fedAll_ = true;
            pending_.clear();
        }
    }
    const auto width = static_cast<std::size_t>(channels());
    pending_.resize(pending_.size() / width * width);  // whole sample frames only
    return !pending_.empty();
}

bool AcmDecoder::resumeAfterDamage() {
    framesWithoutOutput_ = 0;
    // What the codec held back or could not make up to the next frame is silence, so that every
    // later sample keeps its place in the song.
    const auto channels = static_cast<std::size_t>(this->channels());
    const std::int64_t made = decodedAt_ + static_cast<std::int64_t>(pending_.size() / channels);
    const std::int64_t resumeAt = walker_.index() * stream_.format.samples - kCodecLeadSamples;
    if (resumeAt > made) {
        pending_.resize(pending_.size() / channels * channels +
                            static_cast<std::size_t>(resumeAt - made) * channels,
                        0);
    }
    codec_.reset();
    codec_ = Codec::open(stream_.format);
    return codec_ != nullptr;
}

std::int64_t AcmDecoder::read(float* out, std::int64_t maxFrames) {
    if (atEnd_ || maxFrames <= 0 || out == nullptr) {
        return 0;
    }
    if (position_ >= stream_.lengthFrames || (restartDue_ && !restart())) {
        atEnd_ = true;
        return 0;
    }
    const auto channels = static_cast<std::size_t>(this->channels());
    const std::int64_t target = position_ + stream_.leadIn;
    const std::int64_t end = songEnd();
    std::int64_t done = 0;
    while (done < maxFrames && decodedAt_ < end) {
        if (pendingAt_ == pending_.size() && !refill()) {
            break;
        }
        const auto available = static_cast<std::int64_t>((pending_.size() - pendingAt_) / channels);
        if (decodedAt_ < target + done) {
            // Before the position: the warm-up frames' output.
            const std::int64_t drop = std::min(available, target + done - decodedAt_);
            pendingAt_ += static_cast<std::size_t>(drop) * channels;
            decodedAt_ += drop;
            continue;
        }
        const std::int64_t take = std::min({available, maxFrames - done, end - decodedAt_});
        const auto count = static_cast<std::size_t>(take) * channels;
        std::transform(pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_),
                       pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_ + count),
                       out + static_cast<std::size_t>(done) * channels, [](std::int16_t sample) {
                           return static_cast<float>(sample) / kSampleScale;
                       });
        pendingAt_ += count;
        decodedAt_ += take;
        done += take;
    }
    position_ += done;
    atEnd_ = done == 0;
    return done;
}

std::int64_t AcmDecoder::skip(std::int64_t frames) {
    if (atEnd_ || frames <= 0) {
        return 0;
    }
    std::int64_t target = std::min(position_ + frames, stream_.lengthFrames);
    const std::int64_t samples = stream_.format.samples;
    const std::int64_t lastFrame = (target + stream_.leadIn - 1) / samples;
    if (!walker_.header(lastFrame)) {
        // The data ends first: as far as its whole frames go.
        target = std::min(target, walker_.countFrames() * samples - stream_.leadIn);
    }
    if (target <= position_) {
        atEnd_ = true;
        return 0;
    }
    const std::int64_t passed = target - position_;
    position_ = target;
    restartDue_ = true;
    return passed;
}

}  // namespace ruz::media
