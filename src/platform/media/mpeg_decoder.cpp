#include "platform/media/mpeg_decoder.h"

#include "platform/media/regular_file.h"

#include <mpg123.h>

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace ruz::media {

namespace {

// How many MPEG frames after the first must follow each other exactly (each starting where the
// one before ends) before a file counts as MPEG audio. Random bytes that happen to look like a
// frame header do not line up like that.
constexpr int kProbeFrames = 4;
// Bytes of an MPEG audio frame header; the body mpg123 hands out follows it.
constexpr off_t kFrameHeaderBytes = 4;
// A read that yields nothing is retried this often before the stream counts as ended.
constexpr int kMaxEmptyReads = 8;
// libmpg123 reads a frame at a time (a few hundred bytes); the file is read in blocks of this.
constexpr std::size_t kReadBlockBytes = std::size_t{64} * 1024;

bool isFrame(int result) {
    return result == MPG123_OK || result == MPG123_NEW_FORMAT;
}

// Whether the stream opened on `handle` starts with consecutive valid frames. Leaves the handle
// after the frames it looked at.
bool framesLineUp(mpg123_handle* handle) {
    off_t previousPos = -1;
    off_t previousBytes = 0;
    int frames = 0;
    for (; frames < kProbeFrames; ++frames) {
        const int result = mpg123_framebyframe_next(handle);
        if (result == MPG123_DONE) {
            break;  // a short file: what there is has been checked
        }
        if (!isFrame(result)) {
            return false;
        }
        unsigned long header = 0;
        unsigned char* body = nullptr;
        size_t bodyBytes = 0;
        if (mpg123_framedata(handle, &header, &body, &bodyBytes) != MPG123_OK) {
            return false;
        }
        const off_t pos = mpg123_framepos(handle);
        if (previousPos >= 0 && pos != previousPos + previousBytes) {
            return false;  // junk between two frames
        }
        previousPos = pos;
        previousBytes = kFrameHeaderBytes + static_cast<off_t>(bodyBytes);
    }
    // The frame the format came from plus at least one more: a lone frame is not enough to tell.
    return frames > 0;
}

}  // namespace

// The file behind a decoder, read in blocks: libmpg123 asks for a frame at a time, and passing over
// a song (the silent outputs) would otherwise cost a system call per frame.
class MpegDecoder::Reader {
  public:
    explicit Reader(FileDescriptor file) : file_(std::move(file)), block_(kReadBlockBytes) {}

    static mpg123_ssize_t read(void* self, void* out, size_t bytes) {
        return static_cast<Reader*>(self)->read(static_cast<char*>(out), bytes);
    }
    static off_t seek(void* self, off_t offset, int whence) {
        return static_cast<Reader*>(self)->seek(offset, whence);
    }

  private:
    mpg123_ssize_t read(char* out, size_t bytes) {
        size_t done = 0;
        while (done < bytes) {
            if (next_ == filled_ && !refill()) {
                if (done == 0 && failed_) {
                    return -1;
                }
                break;
            }
            const size_t count = std::min(bytes - done, filled_ - next_);
            std::memcpy(out + done, block_.data() + next_, count);
            next_ += count;
            done += count;
        }
        return static_cast<mpg123_ssize_t>(done);
    }

    bool refill() {
        for (;;) {
            const ssize_t got = ::read(file_.get(), block_.data(), block_.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            failed_ = got < 0;
            if (got <= 0) {
                return false;
            }
            blockStart_ += static_cast<off_t>(filled_);
            next_ = 0;
            filled_ = static_cast<size_t>(got);
            return true;
        }
    }

    off_t seek(off_t offset, int whence) {
        const off_t logical = blockStart_ + static_cast<off_t>(next_);
        if (whence == SEEK_CUR) {
            offset += logical;
            whence = SEEK_SET;
        }
        if (whence == SEEK_SET && offset >= blockStart_ &&
            offset <= blockStart_ + static_cast<off_t>(filled_)) {
            next_ = static_cast<size_t>(offset - blockStart_);  // inside the block read last
            return offset;
        }
        const off_t result = ::lseek(file_.get(), offset, whence);
        if (result >= 0) {
            blockStart_ = result;
            next_ = 0;
            filled_ = 0;
        }
        return result;
    }

    FileDescriptor file_;
    std::vector<char> block_;
    off_t blockStart_ = 0;  // file offset of block_[0]
    size_t next_ = 0;       // next byte to hand out, in block_
    size_t filled_ = 0;     // bytes of block_ read from the file
    bool failed_ = false;
};

void MpegDecoder::HandleDeleter::operator()(mpg123_handle_struct* handle) const {
    mpg123_delete(handle);
}

MpegDecoder::MpegDecoder(Key /*key*/, std::unique_ptr<Reader> reader, Handle handle, int rate,
                         int channels, std::int64_t length)
    : reader_(std::move(reader)),
      handle_(std::move(handle)),
      rate_(rate),
      channels_(channels),
      length_(length) {}

MpegDecoder::~MpegDecoder() = default;

std::unique_ptr<MpegDecoder> MpegDecoder::open(std::u16string_view path) {
    FileDescriptor file = openRegularFile(path);
    if (!file.valid()) {
        return nullptr;
    }
    mpg123_init();  // does nothing on current libmpg123, needed by older ones
    int error = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &error));
    if (!handle) {
        return nullptr;
    }
    mpg123_handle* mh = handle.get();
    // Quiet: the library writes nothing to stderr. No Frankenstein streams: the format stays as
    // it starts and decoding stops where the header says the song ends, so a file that grows
    // while it plays is not followed. ID3v2 tags are skipped unparsed: playing needs none of them.
    mpg123_param2(mh, MPG123_ADD_FLAGS,
                  MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN | MPG123_SKIP_ID3V2, 0.0);
    mpg123_param2(mh, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.0);
    // Float samples at the file's own rate and channel count: the output converts if it must.
    mpg123_format_none(mh);
    if (mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32) != MPG123_OK) {
        return nullptr;
    }
    auto reader = std::make_unique<Reader>(std::move(file));
    if (mpg123_replace_reader_handle(mh, &Reader::read, &Reader::seek, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh, reader.get()) != MPG123_OK) {
        return nullptr;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        rate > std::numeric_limits<int>::max() || (channels != 1 && channels != 2) ||
        encoding != MPG123_ENC_FLOAT_32) {
        return nullptr;
    }
    const off_t length = mpg123_length(mh);
    if (length <= 0) {
        return nullptr;
    }
    if (!framesLineUp(mh) || mpg123_seek(mh, 0, SEEK_SET) != 0) {
        return nullptr;
    }
    return std::make_unique<MpegDecoder>(Key{}, std::move(reader), std::move(handle),
                                         static_cast<int>(rate), channels, length);
}

bool MpegDecoder::seek(std::int64_t frame) {
    if (frame < 0) {
        frame = 0;
    }
    const off_t result = mpg123_seek(handle_.get(), static_cast<off_t>(frame), SEEK_SET);
    atEnd_ = result < 0;
    position_ = atEnd_ ? 0 : static_cast<std::int64_t>(result);
    return !atEnd_;
}

std::int64_t MpegDecoder::read(float* out, std::int64_t maxFrames) {
    if (atEnd_ || maxFrames <= 0) {
        return 0;
    }
    const size_t frameBytes = sizeof(float) * static_cast<size_t>(channels_);
    const size_t capacity = static_cast<size_t>(maxFrames) * frameBytes;
    for (int attempt = 0; attempt < kMaxEmptyReads; ++attempt) {
        size_t done = 0;
        const int result = mpg123_read(handle_.get(), out, capacity, &done);
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(handle_.get(), &rate, &channels, &encoding);
            if (rate != rate_ || channels != channels_ || encoding != MPG123_ENC_FLOAT_32) {
                break;  // samples in another format would play as noise
            }
        }
        if (done > 0) {
            const auto frames = static_cast<std::int64_t>(done / frameBytes);
            position_ += frames;
            return frames;
        }
        if (!isFrame(result)) {
            break;  // done, or an error: either way the song ends here
        }
    }
    atEnd_ = true;
    return 0;
}

std::int64_t MpegDecoder::skip(std::int64_t frames) {
    if (atEnd_ || frames <= 0) {
        return 0;
    }
    // mpg123_tell() is only brought up to date by the next frame after a seek: the position is
    // kept here, and each frame parsed moves it to where that frame's samples end.
    mpg123_handle* mh = handle_.get();
    const std::int64_t start = position_;
    while (position_ - start < frames && !atEnd_) {
        // At the end, the samples of the last frame are counted only once the end is seen.
        atEnd_ = !isFrame(mpg123_framebyframe_next(mh));
        position_ = std::max(position_, static_cast<std::int64_t>(mpg123_tell(mh)));
    }
    return position_ - start;
}

}  // namespace ruz::media
