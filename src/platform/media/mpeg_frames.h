#pragma once

// MPEG audio frames (MPEG-1, 2 and 2.5, layers I, II and III) read without a decoder: where the
// audio starts and ends in a file, the format, the gapless length from the encoder's header frame
// (Xing/Info with the LAME tag), and the frames themselves, whole, one after the other. Plain
// C++20: it builds wherever the program does, and the Windows decoder feeds its codec from it.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace ruz::media::mpeg {

enum class Version { Mpeg1, Mpeg2, Mpeg25 };

// One frame header (the four bytes every frame starts with).
struct FrameHeader {
    Version version = Version::Mpeg1;
    int layer = 3;        // 1, 2 or 3
    bool crc = false;     // a 16-bit check follows the header
    int bitRateKbps = 0;  // free format is refused, so never 0
    int sampleRate = 0;   // Hz
    bool padded = false;  // one slot more than the rate gives
    int channelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int channels = 0;     // 1 or 2
    int bytes = 0;        // the whole frame, header included
    int samples = 0;      // sample frames (per channel) it decodes to

    // The fields every frame of one stream shares; the channel count included, as a decoder
    // opened for one count cannot go on with the other.
    bool sameStream(const FrameHeader& other) const;

    // Bytes of the frame after its header, check and side information: layer III's main data.
    int mainDataBytes() const;
    // How far back (in main data bytes of the frames before) layer III may take a frame's data
    // from; 0 for layers I and II.
    int reservoirBytes() const;
};

// The header at `bytes` (four of them), or nothing when they are not a usable frame header
// (no sync, a reserved version, layer, rate or bit rate, or free format).
std::optional<FrameHeader> parseHeader(std::span<const std::uint8_t, 4> bytes);

// What an encoder's header frame (a Xing or Info frame: layer III, no audio) says.
struct EncoderInfo {
    std::optional<std::int64_t> frames;  // the audio frames after it, when given
    bool lameTag = false;                // delay and padding below come from a LAME tag
    int delay = 0;                       // samples the encoder put before the audio
    int padding = 0;                     // samples it put after
};

// Reads `frame` (a whole frame with `header`) as an encoder's header frame; nothing when it is an
// ordinary audio frame.
std::optional<EncoderInfo> readEncoderInfo(std::span<const std::uint8_t> frame,
                                           const FrameHeader& header);

// Random access to the bytes of a file (or of memory, in tests). A read past the end gives fewer
// bytes; a read that fails gives none.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    virtual std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    std::span<const std::uint8_t> bytes_;
};

// A regular file, read in blocks: the frames are read a header at a time.
class FileSource : public ByteSource {
  public:
    // Nothing when `path` is not a regular file (or a link to one) that can be opened: a song
    // list may name a folder, a pipe or a device, and none of them is read.
    static std::unique_ptr<FileSource> open(const std::filesystem::path& path);

    std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    struct Key {};

  public:
    FileSource(Key key, std::ifstream file, std::uint64_t size);

  private:
    bool fill(std::uint64_t offset);

    std::ifstream file_;
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> block_;
    std::uint64_t blockStart_ = 0;
    std::size_t blockBytes_ = 0;
};

// Where a file's audio lies and how long it is.
struct StreamInfo {
    FrameHeader format;            // the first frame's
    std::uint64_t audioStart = 0;  // the first audio frame (after the encoder's header frame)
    std::uint64_t audioEnd = 0;    // where frames may end: before the tags at the end
    std::optional<EncoderInfo> encoder;
    // Decoded samples (per channel, counted from the first audio frame) that come before the
    // song's first one: the decoder's own delay plus the encoder's.
    std::int64_t leadIn = 0;
    // The song's length in sample frames, gapless: from the encoder's header when it counts the
    // frames, otherwise from the frames themselves.
    std::int64_t lengthFrames = 0;
};

// Finds the audio in `source`: skips ID3v2 tags at the start (and the ID3v1 and APE tags at the
// end), looks for the first frame that a run of frames follows, each where the one before ends,
// and reads the encoder's header frame. Nothing when the data is not MPEG audio.
std::optional<StreamInfo> probe(ByteSource& source);

// The frames of a stream, whole, in order. A format change ends the stream; junk between frames is
// passed over up to where frames line up again.
class FrameWalker {
  public:
    FrameWalker(ByteSource& source, const StreamInfo& stream);

    // The next whole frame's bytes into `frame` (replacing what it held); false at the end of the
    // data (a frame cut short ends it too).
    bool next(std::vector<std::uint8_t>& frame);

    // Index of the frame next() gives next (0: the first audio frame).
    std::int64_t index() const { return index_; }

    // Moves to frame `index`; false (at the end) when the data holds fewer frames.
    bool seek(std::int64_t index);

    // How many whole frames the data holds (walking the headers to the end once).
    std::int64_t countFrames();

    // The header of frame `index`; nothing when the data holds fewer frames.
    std::optional<FrameHeader> header(std::int64_t index);

  private:
    // Whether frame `index` is there, finding the frames up to it.
    bool reach(std::int64_t index);

    ByteSource& source_;
    FrameHeader format_;
    std::uint64_t end_ = 0;
    std::uint64_t scan_ = 0;  // where the frame after the last one found starts
    bool ended_ = false;      // no frame after the last one found
    std::int64_t index_ = 0;
    std::vector<std::uint64_t> starts_;  // where each frame found so far starts
};

}  // namespace ruz::media::mpeg
