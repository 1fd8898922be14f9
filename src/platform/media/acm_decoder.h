#pragma once

// Windows only: MPEG audio decoded by the system's own audio compression manager (ACM) codec,
// fed whole frames by the program's frame reader (mpeg_frames.h). The same shape as the
// libmpg123 decoder of the other platforms, so that the engine takes either.

#include "platform/media/mpeg_frames.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace ruz::media {

// One MPEG audio file (layer I, II or III). Positions and lengths count sample frames (one
// sample per channel), gapless: the encoder's delay and padding are left out, so that a song
// has the same length and its samples the same places as with libmpg123.
class AcmDecoder {
  public:
    // Opens the file at `path` and reads its length from the headers (the LAME/Xing/Info frame
    // when there is one, otherwise from the frames). A file that is missing, not a regular file,
    // or not MPEG audio (a run of consecutive valid frames) gives nothing; so does a format the
    // system has no codec for.
    static std::unique_ptr<AcmDecoder> open(const std::filesystem::path& path);

  private:
    class Codec;    // one open ACM stream with its buffers
    struct Key {};  // only open() makes decoders

  public:
    AcmDecoder(Key key, std::unique_ptr<mpeg::FileSource> source, const mpeg::StreamInfo& stream,
               std::unique_ptr<Codec> codec);

    ~AcmDecoder();
    AcmDecoder(const AcmDecoder&) = delete;
    AcmDecoder& operator=(const AcmDecoder&) = delete;

    int sampleRate() const { return stream_.format.sampleRate; }
    int channels() const { return stream_.format.channels; }
    // The length the headers give.
    std::int64_t lengthFrames() const { return stream_.lengthFrames; }

    // Moves to `frame`; reading goes on from there. A position past the data leaves nothing to
    // read. False when the stream failed: it is then at its end.
    bool seek(std::int64_t frame);

    // Decodes up to `maxFrames` frames of interleaved 32-bit float samples into `out`, which holds
    // maxFrames * channels() values. Returns the frames written; 0 at the end of the data. A frame
    // the codec refuses is passed over: the codec starts anew with the next one, the samples in
    // between silent.
    std::int64_t read(float* out, std::int64_t maxFrames);

    // Moves on by up to `frames` without making samples: only the frame headers are read. Returns
    // the frames passed; 0 at the end of the data.
    std::int64_t skip(std::int64_t frames);

    bool atEnd() const { return atEnd_; }

  private:
    bool restart();
    bool refill();
    // The codec anew from the frame after a damaged one, the samples up to it silent; false when
    // the codec cannot be opened again.
    bool resumeAfterDamage();
    std::int64_t songEnd() const;

    std::unique_ptr<mpeg::FileSource> source_;
    mpeg::StreamInfo stream_;
    mpeg::FrameWalker walker_;
    std::unique_ptr<Codec> codec_;
    std::vector<std::uint8_t> frame_;
    std::vector<std::int16_t> pending_;  // the codec's output not handed out yet, interleaved
    std::size_t pendingAt_ = 0;          // first sample of pending_ not handed out
    // Where pending_[pendingAt_] lies in the decoded samples (counted from the first audio
    // frame, the lead-in included).
    std::int64_t decodedAt_ = 0;
    std::int64_t position_ = 0;  // the song's sample that read() gives next
    bool restartDue_ = true;     // the codec starts anew before the next read
    bool fedAll_ = false;        // every frame went to the codec, and its end was said
    bool atEnd_ = false;
    int framesWithoutOutput_ = 0;  // frames fed in a row that gave no sample
};

}  // namespace ruz::media
