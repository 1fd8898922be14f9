#pragma once

// What every MPEG decoder of the engine keeps, whichever decodes: libmpg123's (MpegDecoder, the
// Linux tests) and the system codec's (AcmDecoder, ruz-media-tests.exe under Wine). Each test file
// opens its own decoder and runs these checks over the same rows.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace ruz::media::contract {

struct DecodeCase {
    const char* file;
    int rate;
    int channels;
    std::int64_t frames;  // what a full decode yields
};

inline constexpr std::array<DecodeCase, 7> kDecodeCases = {{
    {"tone-1s.mp3", 44100, 2, 44100},
    {"tone-3s.mp3", 44100, 2, 132300},
    {"tagged-3s.mp3", 44100, 2, 132300},
    {"tone-10s.mp3", 32000, 2, 320000},
    {"tone-60s.mp3", 32000, 1, 1920000},
    {"tone-2.4s.mp2", 48000, 2, 115200},
    // half a file: the header still says 132300
    {"truncated.mp3", 44100, 2, 64559},
}};

// Test files that no decoder takes (the last is not there at all).
inline constexpr std::array<const char*, 7> kNotMpegAudio = {
    "zero.mp3",      "random.mp3", "text.mp3",        "wav-renamed.mp3",
    "two-songs.m3u", "README.md",  "no-such-file.mp3"};

template <class Decoder>
std::int64_t decodeAll(Decoder& decoder) {
    constexpr std::int64_t kChunk = 4096;
    std::vector<float> pcm(static_cast<std::size_t>(kChunk * decoder.channels()));
    std::int64_t total = 0;
    while (const std::int64_t got = decoder.read(pcm.data(), kChunk)) {
        total += got;
    }
    return total;
}

template <class Decoder>
std::int64_t skipAll(Decoder& decoder) {
    std::int64_t total = 0;
    while (const std::int64_t got = decoder.skip(10000)) {
        total += got;
    }
    return total;
}

// The silent outputs only pass over the data: that must end exactly where decoding ends.
// `open(file)` gives a decoder of the file, or null.
template <class Open>
void expectPassingOverEndsWhereDecodingEnds(const DecodeCase& c, Open open) {
    auto decoded = open(c.file);
    auto skipped = open(c.file);
    ASSERT_TRUE(decoded && skipped);
    EXPECT_EQ(decoded->sampleRate(), c.rate);
    EXPECT_EQ(decoded->channels(), c.channels);
    EXPECT_EQ(decodeAll(*decoded), c.frames);
    EXPECT_EQ(skipAll(*skipped), c.frames);
    EXPECT_TRUE(decoded->atEnd());
    EXPECT_TRUE(skipped->atEnd());
    EXPECT_EQ(decoded->read(nullptr, 0), 0);
}

template <class Open>
void expectSeekingMovesBothWays(const DecodeCase& c, Open open) {
    auto decoder = open(c.file);
    ASSERT_TRUE(decoder);
    const std::int64_t middle = c.frames / 2;
    ASSERT_TRUE(decoder->seek(middle));
    EXPECT_EQ(skipAll(*decoder), c.frames - middle);
    ASSERT_TRUE(decoder->seek(middle));
    EXPECT_EQ(decodeAll(*decoder), c.frames - middle);
    ASSERT_TRUE(decoder->seek(0));
    EXPECT_FALSE(decoder->atEnd());
    EXPECT_EQ(decodeAll(*decoder), c.frames);
    ASSERT_TRUE(decoder->seek(c.frames + 100000));
    EXPECT_EQ(skipAll(*decoder), 0);
    EXPECT_EQ(decodeAll(*decoder), 0);
}

}  // namespace ruz::media::contract
