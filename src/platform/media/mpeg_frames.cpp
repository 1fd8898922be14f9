#include "platform/media/mpeg_frames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>

namespace ruz::media::mpeg {

namespace {

// Bit rates in kbit/s by bit-rate index (1 to 14); 0 is free format, 15 is not allowed.
constexpr std::array<std::array<int, 15>, 5> kBitRates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2/2.5 layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2/2.5 II, III
}};

// Sample rates by version and rate index (3 is reserved).
constexpr std::array<std::array<int, 3>, 3> kSampleRates = {{
    {44100, 48000, 32000},  // MPEG-1
    {22050, 24000, 16000},  // MPEG-2
    {11025, 12000, 8000},   // MPEG-2.5
}};

// The version field's values: 0 is MPEG-2.5, 1 is reserved, 2 MPEG-2, 3 MPEG-1.
constexpr std::array<std::optional<Version>, 4> kVersions = {Version::Mpeg25, std::nullopt,
                                                             Version::Mpeg2, Version::Mpeg1};

constexpr int kMonoMode = 3;
constexpr int kHeaderBytes = 4;
constexpr int kCrcBytes = 2;
// The largest back pointer into earlier frames' data (9 bits in MPEG-1, 8 in MPEG-2 and 2.5).
constexpr int kMpeg1ReservoirBytes = 511;
constexpr int kMpeg2ReservoirBytes = 255;

// The synthesis filter bank's own delay: libmpg123 (and every decoder built like it) gives this
// many samples of its output before the first sample the encoder put in.
constexpr std::int64_t kDecoderDelay = 529;

// How many frames after the first must follow each other exactly before a run counts as MPEG
// audio: random bytes that look like one header do not line up like that.
constexpr int kProbeFrames = 4;
// Inside a stream whose format is known, a header and the next one where it ends are enough to
// find the frames again after junk.
constexpr int kResyncFrames = 1;
// How far the start of the audio is looked for, and how far a lost frame boundary, past junk.
constexpr std::uint64_t kMaxJunkBytes = std::uint64_t{64} * 1024;

// ID3v2: "ID3", version (2 bytes), flags, size in four 7-bit bytes; a footer of 10 bytes when the
// flags say so.
constexpr std::size_t kId3v2HeaderBytes = 10;
constexpr std::uint8_t kId3v2FooterFlag = 0x10;
constexpr std::uint64_t kId3v1Bytes = 128;
// APE tag footer: "APETAGEX", version, size (tag with footer, without header), items, flags.
constexpr std::size_t kApeFooterBytes = 32;
constexpr std::uint32_t kApeHasHeaderFlag = 0x80000000U;

// Encoder's header frame: where the tag starts after the side information, its flags, and the
// LAME tag's fields before the delay and padding (encoder name, revision, low-pass, peak, two
// gains, flags, bit rate).
constexpr std::uint32_t kXingFramesFlag = 0x1;
constexpr std::uint32_t kXingBytesFlag = 0x2;
constexpr std::uint32_t kXingTocFlag = 0x4;
constexpr std::uint32_t kXingQualityFlag = 0x8;
constexpr std::size_t kXingTocBytes = 100;
constexpr std::size_t kXingFieldBytes = 4;
constexpr std::size_t kXingMinimumBytes = 120;
constexpr std::size_t kLameDelayOffset = 9 + 1 + 1 + 4 + 2 + 2 + 1 + 1;
constexpr std::size_t kLameDelayBytes = 3;

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

std::uint32_t littleEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | (std::uint32_t{bytes[at + 1]} << 8) |
           (std::uint32_t{bytes[at + 2]} << 16) | (std::uint32_t{bytes[at + 3]} << 24);
}

// Bytes of layer III side information after the header (and its check).
std::size_t sideInfoBytes(const FrameHeader& header) {
    const bool mono = header.channels == 1;
    if (header.version == Version::Mpeg1) {
        return mono ? 17 : 32;
    }
    return mono ? 9 : 17;
}

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t at, const char* text) {
    const std::size_t length = std::strlen(text);
    return at + length <= bytes.size() && std::memcmp(bytes.data() + at, text, length) == 0;
}

// The bytes of `source` at `offset`, all of them or nothing.
bool readExactly(ByteSource& source, std::uint64_t offset, std::span<std::uint8_t> out) {
    return source.read(offset, out) == out.size();
}

std::optional<FrameHeader> headerAt(ByteSource& source, std::uint64_t offset) {
    std::array<std::uint8_t, kHeaderBytes> bytes{};
    if (!readExactly(source, offset, bytes)) {
        return std::nullopt;
    }
    return parseHeader(bytes);
}

// Whether frames follow each other from `offset` on: the frame there is whole (and of `format`'s
// stream, when one is given), and each of the next few starts where the one before ends, until
// the data ends (a second header at least).
bool linesUp(ByteSource& source, std::uint64_t offset, std::uint64_t end,
             const std::optional<FrameHeader>& format, int followers) {
    const std::optional<FrameHeader> first = headerAt(source, offset);
    if (!first || (format && !format->sameStream(*first))) {
        return false;
    }
    std::uint64_t next = offset + static_cast<std::uint64_t>(first->bytes);
    if (next > end) {
        return false;
    }
    for (int frame = 0; frame < followers; ++frame) {
        if (next + kHeaderBytes > end) {
            // The data ends after whole frames; a lone one is not enough to tell.
            return frame > 0;
        }
        const std::optional<FrameHeader> header = headerAt(source, next);
        if (!header || !first->sameStream(*header)) {
            return false;
        }
        next += static_cast<std::uint64_t>(header->bytes);
        if (next > end) {
            return true;  // a last frame cut short
        }
    }
    return true;
}

// Where the ID3v2 tags at `offset` end (several may follow each other); `offset` when there is
// none.
std::uint64_t skipId3v2(ByteSource& source, std::uint64_t offset) {
    for (;;) {
        std::array<std::uint8_t, kId3v2HeaderBytes> tag{};
        if (!readExactly(source, offset, tag) || !startsWith(tag, 0, "ID3")) {
            return offset;
        }
        std::uint64_t bytes = 0;
        for (std::size_t i = 6; i < kId3v2HeaderBytes; ++i) {
            if (tag[i] >= 0x80) {
                return offset;  // not a tag's size: junk that the frame search passes over
            }
            bytes = (bytes << 7) | tag[i];
        }
        offset += kId3v2HeaderBytes + bytes;
        if ((tag[5] & kId3v2FooterFlag) != 0) {
            offset += kId3v2HeaderBytes;
        }
    }
}

// Where the frames end: before an ID3v1 tag and an APE tag at the end of the data.
std::uint64_t audioEndOf(ByteSource& source, std::uint64_t start) {
    std::uint64_t end = source.size();
    std::array<std::uint8_t, 3> id3v1{};
    if (end >= start + kId3v1Bytes && readExactly(source, end - kId3v1Bytes, id3v1) &&
        startsWith(id3v1, 0, "TAG")) {
        end -= kId3v1Bytes;
    }
    std::array<std::uint8_t, kApeFooterBytes> ape{};
    if (end >= start + kApeFooterBytes && readExactly(source, end - kApeFooterBytes, ape) &&
        startsWith(ape, 0, "APETAGEX")) {
        std::uint64_t bytes = littleEndian32(ape, 12);
        if ((littleEndian32(ape, 20) & kApeHasHeaderFlag) != 0) {
            bytes += kApeFooterBytes;
        }
        if (bytes <= end - start) {
            end -= bytes;
        }
    }
    return end;
}

// The row of kBitRates for a header's version and layer.
std::size_t bitRateTable(const FrameHeader& header) {
    if (header.version == Version::Mpeg1) {
        return static_cast<std::size_t>(header.layer - 1);
    }
    return header.layer == 1 ? std::size_t{3} : std::size_t{4};
}

int samplesPerFrame(const FrameHeader& header) {
    if (header.layer == 1) {
        return 384;
    }
    return header.layer == 2 || header.version == Version::Mpeg1 ? 1152 : 576;
}

// The bytes of a frame of the header's format at `bitRateKbps`.
int frameBytes(const FrameHeader& header, int bitRateKbps, bool padded) {
    const int bitRate = bitRateKbps * 1000;
    const int padding = padded ? 1 : 0;
    if (header.layer == 1) {
        return (12 * bitRate / header.sampleRate + padding) * 4;
    }
    return samplesPerFrame(header) / 8 * bitRate / header.sampleRate + padding;
}

// Whether the audio's bytes can hold `frames` frames of `format`, each at the smallest bit rate
// the format has.
bool bytesCanHold(const StreamInfo& stream, std::int64_t frames) {
    constexpr std::size_t kLowestBitRate = 1;  // index 0 is the free format
    const int smallest =
        frameBytes(stream.format, kBitRates[bitRateTable(stream.format)][kLowestBitRate], false);
    const std::uint64_t bytes = stream.audioEnd - stream.audioStart;
    return smallest > 0 &&
           static_cast<std::uint64_t>(frames) <= bytes / static_cast<std::uint64_t>(smallest) + 1;
}

}  // namespace

bool FrameHeader::sameStream(const FrameHeader& other) const {
    return version == other.version && layer == other.layer && sampleRate == other.sampleRate &&
           channels == other.channels;
}

int FrameHeader::mainDataBytes() const {
    const std::size_t side = layer == 3 ? sideInfoBytes(*this) : 0;
    return bytes - kHeaderBytes - (crc ? kCrcBytes : 0) - static_cast<int>(side);
}

int FrameHeader::reservoirBytes() const {
    if (layer != 3) {
        return 0;
    }
    return version == Version::Mpeg1 ? kMpeg1ReservoirBytes : kMpeg2ReservoirBytes;
}

std::optional<FrameHeader> parseHeader(std::span<const std::uint8_t, 4> bytes) {
    const std::uint32_t word = bigEndian32(bytes, 0);
    if ((word >> 21) != 0x7FF) {
        return std::nullopt;
    }
    const std::optional<Version> version = kVersions[(word >> 19) & 3];
    const auto layerBits = static_cast<int>((word >> 17) & 3);
    const auto bitRateIndex = static_cast<std::size_t>((word >> 12) & 0xF);
    const auto rateIndex = static_cast<std::size_t>((word >> 10) & 3);
    if (!version || layerBits == 0 || bitRateIndex == 0 || bitRateIndex == 15 || rateIndex == 3) {
        return std::nullopt;
    }
    FrameHeader header;
    header.version = *version;
    header.layer = 4 - layerBits;
    header.crc = ((word >> 16) & 1) == 0;
    header.padded = ((word >> 9) & 1) != 0;
    header.channelMode = static_cast<int>((word >> 6) & 3);
    header.channels = header.channelMode == kMonoMode ? 1 : 2;
    header.bitRateKbps = kBitRates[bitRateTable(header)][bitRateIndex];
    header.sampleRate = kSampleRates[static_cast<std::size_t>(header.version)][rateIndex];
    header.samples = samplesPerFrame(header);
    header.bytes = frameBytes(header, header.bitRateKbps, header.padded);
    return header;
}

std::optional<EncoderInfo> readEncoderInfo(std::span<const std::uint8_t> frame,
                                           const FrameHeader& header) {
    if (header.layer != 3) {
        return std::nullopt;
    }
    // The tag follows the side information; a frame's check, when it has one, is not counted.
    std::size_t at = kHeaderBytes + sideInfoBytes(header);
    if (frame.size() < at + kXingMinimumBytes ||
        (!startsWith(frame, at, "Xing") && !startsWith(frame, at, "Info"))) {
        return std::nullopt;
    }
    // The side information of a header frame is empty: audio that happens to hold the tag's
    // letters there is still audio.
    if (std::any_of(frame.begin() + kHeaderBytes + kCrcBytes,
                    frame.begin() + static_cast<std::ptrdiff_t>(at),
                    [](std::uint8_t byte) { return byte != 0; })) {
        return std::nullopt;
    }
    at += 4;
    const std::uint32_t flags = bigEndian32(frame, at);
    at += kXingFieldBytes;
    EncoderInfo info;
    // The fields a flag announces; the size check above covers the largest set (120 bytes).
    struct Field {
        std::uint32_t flag;
        std::size_t bytes;
    };
    constexpr std::array<Field, 4> kFields = {{{kXingFramesFlag, kXingFieldBytes},
                                               {kXingBytesFlag, kXingFieldBytes},
                                               {kXingTocFlag, kXingTocBytes},
                                               {kXingQualityFlag, kXingFieldBytes}}};
    for (const Field& field : kFields) {
        if ((flags & field.flag) == 0) {
            continue;
        }
        if (field.flag == kXingFramesFlag) {
            info.frames = bigEndian32(frame, at);
        }
        at += field.bytes;
    }
    // A LAME tag (or one of its kind) follows when the next byte is not zero.
    if (at + kLameDelayOffset + kLameDelayBytes <= frame.size() && frame[at] != 0) {
        const std::size_t delayAt = at + kLameDelayOffset;
        info.lameTag = true;
        info.delay = (frame[delayAt] << 4) | (frame[delayAt + 1] >> 4);
        info.padding = ((frame[delayAt + 1] & 0x0F) << 8) | frame[delayAt + 2];
    }
    return info;
}

std::size_t MemorySource::read(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset >= bytes_.size() || out.empty()) {
        return 0;
    }
    const std::size_t count =
        std::min<std::size_t>(out.size(), bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(out.data(), bytes_.data() + offset, count);
    return count;
}

namespace {
// The file is read in blocks of this: a frame is a few hundred bytes.
constexpr std::size_t kFileBlockBytes = std::size_t{64} * 1024;
}  // namespace

std::unique_ptr<FileSource> FileSource::open(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return nullptr;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return nullptr;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<FileSource>(Key{}, std::move(file), static_cast<std::uint64_t>(size));
}

FileSource::FileSource(Key /*key*/, std::ifstream file, std::uint64_t size)
    : file_(std::move(file)), size_(size), block_(kFileBlockBytes) {}

bool FileSource::fill(std::uint64_t offset) {
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset));
    file_.read(reinterpret_cast<char*>(block_.data()), static_cast<std::streamsize>(block_.size()));
    const std::streamsize got = file_.gcount();
    blockStart_ = offset;
    blockBytes_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    return blockBytes_ > 0;
}

std::size_t FileSource::read(std::uint64_t offset, std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const std::uint64_t at = offset + done;
        if ((at < blockStart_ || at >= blockStart_ + blockBytes_) && !fill(at)) {
            break;
        }
        const auto inBlock = static_cast<std::size_t>(at - blockStart_);
        const std::size_t count = std::min(out.size() - done, blockBytes_ - inBlock);
        std::memcpy(out.data() + done, block_.data() + inBlock, count);
        done += count;
    }
    return done;
}

std::optional<StreamInfo> probe(ByteSource& source) {
    const std::uint64_t tagEnd = skipId3v2(source, 0);
    if (tagEnd >= source.size()) {
        return std::nullopt;
    }
    StreamInfo stream;
    stream.audioEnd = audioEndOf(source, tagEnd);
    const std::uint64_t searchEnd = std::min(stream.audioEnd, tagEnd + kMaxJunkBytes);
    std::optional<std::uint64_t> first;
    for (std::uint64_t at = tagEnd; at < searchEnd && !first; ++at) {
        if (linesUp(source, at, stream.audioEnd, std::nullopt, kProbeFrames)) {
            first = at;
        }
    }
    if (!first) {
        return std::nullopt;
    }
    stream.format = *headerAt(source, *first);
    stream.audioStart = *first;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(stream.format.bytes));
    if (readExactly(source, *first, frame)) {
        stream.encoder = readEncoderInfo(frame, stream.format);
    }
    if (stream.encoder) {
        stream.audioStart += static_cast<std::uint64_t>(stream.format.bytes);
    }
    // A whole audio frame at least.
    FrameWalker walker(source, stream);
    if (!walker.seek(0)) {
        return std::nullopt;
    }
    const std::int64_t samples = stream.format.samples;
    // A count that the file's size cannot hold (a damaged or lying header) is no count.
    if (stream.encoder && stream.encoder->frames.value_or(0) > 0 &&
        bytesCanHold(stream, *stream.encoder->frames)) {
        // The decoder's delay comes before the audio; an encoder's header without its delay and
        // padding still says where the song ends.
        const std::int64_t total = *stream.encoder->frames * samples;
        const std::int64_t delay = stream.format.layer == 3 ? kDecoderDelay : 0;
        stream.leadIn = delay;
        stream.lengthFrames = total;
        if (stream.encoder->lameTag) {
            // The padding holds the decoder's delay: what is past it is the song's end.
            const std::int64_t cutAtEnd = stream.encoder->padding - delay;
            stream.leadIn += stream.encoder->delay;
            stream.lengthFrames = (cutAtEnd < total ? total - cutAtEnd : total) - stream.leadIn;
        }
    } else {
        // Without a count the song is every sample of its frames, as they decode.
        stream.lengthFrames = walker.countFrames() * samples;
    }
    if (stream.lengthFrames <= 0) {
        return std::nullopt;
    }
    return stream;
}

FrameWalker::FrameWalker(ByteSource& source, const StreamInfo& stream)
    : source_(source), format_(stream.format), end_(stream.audioEnd), scan_(stream.audioStart) {}

bool FrameWalker::reach(std::int64_t index) {
    while (static_cast<std::int64_t>(starts_.size()) <= index && !ended_) {
        std::optional<FrameHeader> header = headerAt(source_, scan_);
        if (!header || !format_.sameStream(*header)) {
            // Junk: the stream goes on where frames line up again, if they do.
            std::optional<std::uint64_t> found;
            const std::uint64_t limit = std::min(end_, scan_ + kMaxJunkBytes);
            for (std::uint64_t at = scan_ + 1; at < limit && !found; ++at) {
                if (linesUp(source_, at, end_, format_, kResyncFrames)) {
                    found = at;
                }
            }
            if (!found) {
                ended_ = true;
                break;
            }
            scan_ = *found;
            header = headerAt(source_, scan_);
        }
        const std::uint64_t frameEnd = scan_ + static_cast<std::uint64_t>(header->bytes);
        if (frameEnd > end_) {
            ended_ = true;  // a frame cut short: the data ends before it
            break;
        }
        starts_.push_back(scan_);
        scan_ = frameEnd;
    }
    return static_cast<std::int64_t>(starts_.size()) > index;
}

bool FrameWalker::next(std::vector<std::uint8_t>& frame) {
    if (!reach(index_)) {
        return false;
    }
    const std::uint64_t start = starts_[static_cast<std::size_t>(index_)];
    const std::optional<FrameHeader> header = headerAt(source_, start);
    frame.resize(header ? static_cast<std::size_t>(header->bytes) : 0);
    if (!header || !readExactly(source_, start, frame)) {
        return false;  // the file changed under the walk
    }
    ++index_;
    return true;
}

bool FrameWalker::seek(std::int64_t index) {
    index = std::max<std::int64_t>(index, 0);
    const bool there = reach(index);
    index_ = there ? index : static_cast<std::int64_t>(starts_.size());
    return there;
}

std::optional<FrameHeader> FrameWalker::header(std::int64_t index) {
    if (index < 0 || !reach(index)) {
        return std::nullopt;
    }
    return headerAt(source_, starts_[static_cast<std::size_t>(index)]);
}

std::int64_t FrameWalker::countFrames() {
    while (reach(static_cast<std::int64_t>(starts_.size()))) {
    }
    return static_cast<std::int64_t>(starts_.size());
}

}  // namespace ruz::media::mpeg
