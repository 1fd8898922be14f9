// The MPEG frame reader on the test audio and on made-up frames. Plain C++: the same tests run
// on Linux (ruz_tests) and on Windows under Wine (ruz-media-tests.exe).

#include "platform/media/mpeg_frames.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

namespace ruz::media::mpeg {
namespace {

// The folder of the test audio: RUZ_FIXTURES_DIR from the environment (the Windows run passes
// it in the system's own path form) or from the build.
std::filesystem::path fixture(const char* name) {
    const char* dir = std::getenv("RUZ_FIXTURES_DIR");
    return std::filesystem::path(dir != nullptr ? dir : RUZ_FIXTURES_DIR) / name;
}

std::optional<StreamInfo> probeFile(const char* name) {
    std::unique_ptr<FileSource> source = FileSource::open(fixture(name));
    if (!source) {
        return std::nullopt;
    }
    return probe(*source);
}

struct HeaderCase {
    std::array<std::uint8_t, 4> bytes;
    Version version;
    int layer;
    int bitRateKbps;
    int sampleRate;
    int channels;
    int frameBytes;
    int samples;
};

class FrameHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(FrameHeaderTest, ReadsEveryField) {
    const HeaderCase& c = GetParam();
    const std::optional<FrameHeader> header = parseHeader(c.bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->version, c.version);
    EXPECT_EQ(header->layer, c.layer);
    EXPECT_EQ(header->bitRateKbps, c.bitRateKbps);
    EXPECT_EQ(header->sampleRate, c.sampleRate);
    EXPECT_EQ(header->channels, c.channels);
    EXPECT_EQ(header->bytes, c.frameBytes);
    EXPECT_EQ(header->samples, c.samples);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FrameHeaderTest,
    ::testing::Values(
        // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, joint stereo, without and with padding
        HeaderCase{{0xFF, 0xFB, 0x90, 0x44}, Version::Mpeg1, 3, 128, 44100, 2, 417, 1152},
        HeaderCase{{0xFF, 0xFB, 0x92, 0x44}, Version::Mpeg1, 3, 128, 44100, 2, 418, 1152},
        // MPEG-1 layer III, 96 kbit/s, 32 kHz, mono, with a check
        HeaderCase{{0xFF, 0xFA, 0x78, 0xC0}, Version::Mpeg1, 3, 96, 32000, 1, 432, 1152},
        // MPEG-1 layer II, 192 kbit/s, 48 kHz, stereo
        HeaderCase{{0xFF, 0xFD, 0xA4, 0x00}, Version::Mpeg1, 2, 192, 48000, 2, 576, 1152},
        // MPEG-1 layer I, 128 kbit/s, 48 kHz, mono
        HeaderCase{{0xFF, 0xFF, 0x44, 0xC0}, Version::Mpeg1, 1, 128, 48000, 1, 128, 384},
        // MPEG-2 layer III, 64 kbit/s, 22.05 kHz, joint stereo
        HeaderCase{{0xFF, 0xF3, 0x80, 0x44}, Version::Mpeg2, 3, 64, 22050, 2, 208, 576},
        // MPEG-2.5 layer III, 8 kbit/s, 8 kHz, mono, padded
        HeaderCase{{0xFF, 0xE3, 0x1A, 0xC0}, Version::Mpeg25, 3, 8, 8000, 1, 73, 576},
        // MPEG-2.5 layer II, 160 kbit/s, 8 kHz: the largest frame there is
        HeaderCase{{0xFF, 0xE5, 0xEA, 0x00}, Version::Mpeg25, 2, 160, 8000, 2, 2881, 1152}));

TEST(FrameHeader, RefusesWhatIsNoUsableHeader) {
    for (const std::array<std::uint8_t, 4>& bytes : std::array<std::array<std::uint8_t, 4>, 7>{{
             {0xFF, 0xFB, 0x00, 0x44},  // free format
             {0xFF, 0xFB, 0xF0, 0x44},  // bit rate index 15
             {0xFF, 0xFB, 0x9C, 0x44},  // sample rate index 3
             {0xFF, 0xF9, 0x90, 0x44},  // layer 0
             {0xFF, 0xEB, 0x90, 0x44},  // version 1 (reserved)
             {0xFF, 0x1B, 0x90, 0x44},  // no sync
             {'I', 'D', '3', 0x03},
         }}) {
        EXPECT_FALSE(parseHeader(bytes)) << int{bytes[1]} << ' ' << int{bytes[2]};
    }
}

struct StreamCase {
    const char* file;
    int rate;  // 0: refused
    int channels;
    std::int64_t length;  // gapless, from the encoder's header or the frames
    std::int64_t leadIn;
    std::int64_t frames;  // whole audio frames in the data
};

class MpegStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(MpegStreamTest, FindsFormatLengthAndFrames) {
    const StreamCase& c = GetParam();
    std::unique_ptr<FileSource> source = FileSource::open(fixture(c.file));
    ASSERT_TRUE(source);
    const std::optional<StreamInfo> stream = probe(*source);
    if (c.rate == 0) {
        EXPECT_FALSE(stream);
        return;
    }
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->format.sampleRate, c.rate);
    EXPECT_EQ(stream->format.channels, c.channels);
    EXPECT_EQ(stream->lengthFrames, c.length);
    EXPECT_EQ(stream->leadIn, c.leadIn);
    FrameWalker walker(*source, *stream);
    EXPECT_EQ(walker.countFrames(), c.frames);
}

// The frames one after the other are the frames a seek finds, byte for byte.
TEST_P(MpegStreamTest, SeekingFindsTheFramesWalkingFinds) {
    const StreamCase& c = GetParam();
    std::unique_ptr<FileSource> source = FileSource::open(fixture(c.file));
    ASSERT_TRUE(source);
    const std::optional<StreamInfo> stream = probe(*source);
    if (!stream) {
        return;
    }
    FrameWalker walked(*source, *stream);
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> frame;
    while (walked.next(frame)) {
        EXPECT_TRUE(parseHeader(std::span<const std::uint8_t, 4>(frame.data(), 4)));
        frames.push_back(frame);
    }
    EXPECT_EQ(static_cast<std::int64_t>(frames.size()), c.frames);
    FrameWalker sought(*source, *stream);
    for (std::int64_t index : {c.frames / 2, std::int64_t{0}, c.frames - 1}) {
        ASSERT_TRUE(sought.seek(index)) << index;
        ASSERT_TRUE(sought.next(frame));
        EXPECT_EQ(frame, frames[static_cast<std::size_t>(index)]) << index;
    }
    EXPECT_FALSE(sought.seek(c.frames));
    EXPECT_FALSE(sought.next(frame));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MpegStreamTest,
                         ::testing::Values(StreamCase{"tone-1s.mp3", 44100, 2, 44100, 1105, 40},
                                           StreamCase{"tone-2.5s.mp3", 44100, 2, 110250, 1105, 97},
                                           StreamCase{"tone-3s.mp3", 44100, 2, 132300, 1105, 116},
                                           StreamCase{"tone-3.5s.mp3", 44100, 2, 154350, 1105, 135},
                                           StreamCase{"tone-5s.mp3", 44100, 2, 220500, 1105, 193},
                                           StreamCase{"tagged-3s.mp3", 44100, 2, 132300, 1105, 116},
                                           StreamCase{"tone-10s.mp3", 32000, 2, 320000, 1105, 279},
                                           StreamCase{"tone-60s.mp3", 32000, 1, 1920000, 1105,
                                                      1668},
                                           StreamCase{"tone-2.4s.mp2", 48000, 2, 115200, 0, 100},
                                           // half a file: the header still says 3 s
                                           StreamCase{"truncated.mp3", 44100, 2, 132300, 1105, 57},
                                           StreamCase{"zero.mp3", 0, 0, 0, 0, 0},
                                           StreamCase{"random.mp3", 0, 0, 0, 0, 0},
                                           StreamCase{"text.mp3", 0, 0, 0, 0, 0},
                                           StreamCase{"wav-renamed.mp3", 0, 0, 0, 0, 0},
                                           StreamCase{"two-songs.m3u", 0, 0, 0, 0, 0},
                                           StreamCase{"README.md", 0, 0, 0, 0, 0}));

TEST(MpegStream, ReadsTheEncodersHeaderFrame) {
    const std::optional<StreamInfo> stream = probeFile("tone-3s.mp3");
    ASSERT_TRUE(stream && stream->encoder);
    EXPECT_EQ(stream->encoder->frames, 116);
    EXPECT_TRUE(stream->encoder->lameTag);
    EXPECT_EQ(stream->encoder->delay, 576);
    EXPECT_EQ(stream->encoder->padding, 756);
    EXPECT_EQ(stream->audioStart, 417U);  // after the header frame
    const std::optional<StreamInfo> tagged = probeFile("tagged-3s.mp3");
    ASSERT_TRUE(tagged);
    // The ID3v1 tag at the end is no frame's data.
    EXPECT_EQ(tagged->audioEnd, std::filesystem::file_size(fixture("tagged-3s.mp3")) - 128);
}

// An encoder's header whose count of frames the file's size cannot hold is not believed: the
// song is as long as its frames.
TEST(MpegStream, ACountTheFileCannotHoldIsNoCount) {
    std::unique_ptr<FileSource> file = FileSource::open(fixture("tone-3s.mp3"));
    ASSERT_TRUE(file);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file->size()));
    ASSERT_EQ(file->read(0, bytes), bytes.size());
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::size_t tag = text.find("Info");
    ASSERT_NE(tag, std::string_view::npos);
    // The tag, its flags, then the count of frames.
    constexpr std::size_t kCountOffset = 8;
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[tag + kCountOffset + i] = 0xFF;
    }
    MemorySource source(bytes);
    const std::optional<StreamInfo> stream = probe(source);
    ASSERT_TRUE(stream && stream->encoder);
    EXPECT_EQ(stream->encoder->frames, 0xFFFFFFFFLL);
    FrameWalker walker(source, *stream);
    EXPECT_EQ(stream->lengthFrames, walker.countFrames() * 1152);
    EXPECT_EQ(walker.countFrames(), 116);
}

TEST(MpegStream, RefusesWhatCannotBeOpened) {
    EXPECT_FALSE(FileSource::open(fixture("no-such-file.mp3")));
    EXPECT_FALSE(FileSource::open(fixture("")));  // the folder itself
    EXPECT_FALSE(FileSource::open(std::filesystem::path()));
}

// Frames in memory: `count` MPEG-1 layer III frames of 417 bytes, silent.
std::vector<std::uint8_t> silentFrames(int count) {
    std::vector<std::uint8_t> frame(417, 0);
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = 0x90;
    frame[3] = 0x44;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

TEST(MpegStream, PassesOverTagsAndJunk) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> before;
        std::vector<std::uint8_t> between;  // after the fifth frame
        std::vector<std::uint8_t> after;
        std::int64_t frames;
    };
    const std::vector<std::uint8_t> id3v2 = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 3, 1, 2, 3};
    // A tag of two bytes with its footer.
    const std::vector<std::uint8_t> id3v2Footer = {'I', 'D', '3', 4,   0, 0x10, 0,    0, 0, 2, 1,
                                                   2,   '3', 'D', 'I', 4, 0,    0x10, 0, 0, 0, 2};
    std::vector<std::uint8_t> id3v1(128, ' ');
    id3v1[0] = 'T';
    id3v1[1] = 'A';
    id3v1[2] = 'G';
    const std::vector<std::uint8_t> junk(1000, 0x55);
    const std::vector<Case> cases = {
        {"plain", {}, {}, {}, 10},
        {"ID3v2", id3v2, {}, {}, 10},
        {"ID3v2 with a footer", id3v2Footer, {}, {}, 10},
        {"ID3v1", {}, {}, id3v1, 10},
        {"junk before", junk, {}, {}, 10},
        {"junk between", {}, junk, {}, 10},
        {"junk after", {}, {}, junk, 10},
        {"a cut frame after", {}, {}, {0xFF, 0xFB, 0x90, 0x44, 0}, 10},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = c.before;
        const std::vector<std::uint8_t> five = silentFrames(5);
        bytes.insert(bytes.end(), five.begin(), five.end());
        bytes.insert(bytes.end(), c.between.begin(), c.between.end());
        bytes.insert(bytes.end(), five.begin(), five.end());
        bytes.insert(bytes.end(), c.after.begin(), c.after.end());
        MemorySource source(bytes);
        const std::optional<StreamInfo> stream = probe(source);
        ASSERT_TRUE(stream) << c.what;
        EXPECT_EQ(stream->audioStart, c.before.size()) << c.what;
        EXPECT_EQ(stream->lengthFrames, c.frames * 1152) << c.what;
        FrameWalker walker(source, *stream);
        EXPECT_EQ(walker.countFrames(), c.frames) << c.what;
    }
}

TEST(MpegStream, RefusesBytesThatOnlyLookLikeFrames) {
    // Headers that do not line up: each "frame" is followed by junk.
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 20; ++i) {
        const std::vector<std::uint8_t> frame = silentFrames(1);
        bytes.insert(bytes.end(), frame.begin(), frame.end() - 17);
    }
    MemorySource scattered(bytes);
    EXPECT_FALSE(probe(scattered));
    // One frame alone cannot be told from bytes that look like one; two that line up can.
    const std::vector<std::uint8_t> one = silentFrames(1);
    MemorySource lone(one);
    EXPECT_FALSE(probe(lone));
    const std::vector<std::uint8_t> two = silentFrames(2);
    MemorySource pair(two);
    EXPECT_TRUE(probe(pair));
    // An ID3v2 tag that claims more than there is.
    const std::vector<std::uint8_t> tagOnly = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    MemorySource tag(tagOnly);
    EXPECT_FALSE(probe(tag));
    MemorySource empty({});
    EXPECT_FALSE(probe(empty));
}

// Damaged copies of a song: each is refused or has a length and frames that end.
TEST(MpegStream, DamagedDataHasADefinedOutcome) {
    std::unique_ptr<FileSource> file = FileSource::open(fixture("tone-3s.mp3"));
    ASSERT_TRUE(file);
    std::vector<std::uint8_t> original(static_cast<std::size_t>(file->size()));
    ASSERT_EQ(file->read(0, original), original.size());
    std::mt19937 random(20261207U);
    constexpr int kVariants = 200;
    for (int variant = 0; variant < kVariants; ++variant) {
        std::vector<std::uint8_t> bytes = original;
        std::uniform_int_distribution<std::size_t> anywhere(0, bytes.size() - 1);
        std::uniform_int_distribution<int> anyByte(0, 255);
        if (variant % 2 == 0) {
            for (int i = 0; i < 50; ++i) {
                bytes[anywhere(random)] = static_cast<std::uint8_t>(anyByte(random));
            }
        } else {
            bytes.resize(anywhere(random));
        }
        MemorySource source(bytes);
        const std::optional<StreamInfo> stream = probe(source);
        if (!stream) {
            continue;
        }
        EXPECT_GT(stream->lengthFrames, 0);
        EXPECT_LE(stream->audioEnd, bytes.size());
        FrameWalker walker(source, *stream);
        std::vector<std::uint8_t> frame;
        std::size_t walked = 0;
        while (walker.next(frame)) {
            EXPECT_EQ(static_cast<int>(frame.size()),
                      parseHeader(std::span<const std::uint8_t, 4>(frame.data(), 4))->bytes);
            walked += frame.size();
        }
        EXPECT_LE(walked, bytes.size()) << variant;
    }
}

}  // namespace
}  // namespace ruz::media::mpeg
