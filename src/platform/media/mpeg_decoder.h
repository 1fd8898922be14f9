#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

struct mpg123_handle_struct;

namespace ruz::media {

// One MPEG audio file (layer I, II or III) opened with libmpg123. Positions and lengths count
// sample frames (one sample per channel), gapless: the encoder's delay and padding are left out.
class MpegDecoder {
  public:
    // Opens the file at `path` and reads its length from the headers (the LAME/Xing/Info frame
    // when there is one, otherwise an estimate from the size) without decoding it through. A file
    // that is missing, not a regular file, or not MPEG audio (a run of consecutive valid frames)
    // gives nothing.
    static std::unique_ptr<MpegDecoder> open(std::u16string_view path);

  private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    using Handle = std::unique_ptr<mpg123_handle_struct, HandleDeleter>;
    class Reader;   // the file, read in large blocks for libmpg123
    struct Key {};  // only open() makes decoders

  public:
    MpegDecoder(Key key, std::unique_ptr<Reader> reader, Handle handle, int rate, int channels,
                std::int64_t length);

    ~MpegDecoder();
    MpegDecoder(const MpegDecoder&) = delete;
    MpegDecoder& operator=(const MpegDecoder&) = delete;

    int sampleRate() const { return rate_; }
    int channels() const { return channels_; }
    // The length the headers give.
    std::int64_t lengthFrames() const { return length_; }

    // Moves to `frame`; reading goes on from there. A position past the data leaves nothing to
    // read. False when the stream failed: it is then at its end.
    bool seek(std::int64_t frame);

    // Decodes up to `maxFrames` frames of interleaved 32-bit float samples into `out`, which holds
    // maxFrames * channels() values. Returns the frames written; 0 at the end of the data, after a
    // read error or a change of format.
    std::int64_t read(float* out, std::int64_t maxFrames);

    // Moves on by at least `frames` (whole MPEG frames) without making samples: the data is read
    // and parsed, not synthesized. Returns the frames passed; 0 at the end of the data.
    std::int64_t skip(std::int64_t frames);

    bool atEnd() const { return atEnd_; }

  private:
    std::unique_ptr<Reader> reader_;  // outlives the handle that reads from it
    Handle handle_;
    int rate_ = 0;
    int channels_ = 0;
    std::int64_t length_ = 0;
    std::int64_t position_ = 0;  // where the next samples come from
    bool atEnd_ = false;
};

}  // namespace ruz::media
