// The Windows decoder (the system's ACM codec fed by the frame reader), run under Wine by
// scripts/wine-decode-check.sh: lengths, seeking and refusals on the test audio, a defined outcome
// for every damaged file, and every sample against libmpg123's (ruz-decode-reference's output).
//
// Environment: RUZ_FIXTURES_DIR (the test audio), RUZ_MALFORMED_DIR (the damaged-audio corpus),
// RUZ_REFERENCE_DIR (libmpg123's samples), RUZ_DAMAGED_DIR (songs damaged in the middle) and
// RUZ_DAMAGED_REFERENCE_DIR (libmpg123's samples of those); a test whose folder is not given is
// skipped.

#include "platform/media/acm_decoder.h"

#include "media/decoder_contract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ruz::media {
namespace {

// The codec and libmpg123 round their synthesis differently: samples may differ by this much.
constexpr int kMaxSampleDifference = 2;
// Two decodes by the codec itself that start at different frames (a seek restarts it) differ by
// up to 3 on about half the samples, for good (measured under Wine: its 16-bit output carries a
// rounding state of its own); each stays within kMaxSampleDifference of the exact samples. A seek
// that missed its sample by one would differ by hundreds.
constexpr int kMaxSelfDifference = 2 * kMaxSampleDifference;
constexpr std::int64_t kChunkFrames = 4096;
// A song damaged in the middle plays at least this share of what libmpg123 makes of it: the two
// pass over damaged frames differently, but neither ends the song there.
constexpr double kDamagedShare = 0.9;

std::filesystem::path fixture(const std::string& name) {
    const char* dir = std::getenv("RUZ_FIXTURES_DIR");
    return std::filesystem::path(dir != nullptr ? dir : RUZ_FIXTURES_DIR) / name;
}

using contract::decodeAll;
using contract::DecodeCase;

std::unique_ptr<AcmDecoder> openFixture(const char* name) {
    return AcmDecoder::open(fixture(name));
}

// Up to `limit` frames (all when negative) as 16-bit samples, as the reference holds them.
std::vector<std::int16_t> samples(AcmDecoder& decoder, std::int64_t limit) {
    const auto channels = static_cast<std::size_t>(decoder.channels());
    std::vector<float> pcm(static_cast<std::size_t>(kChunkFrames) * channels);
    std::vector<std::int16_t> out;
    while (limit < 0 || static_cast<std::int64_t>(out.size() / channels) < limit) {
        const std::int64_t left = limit - static_cast<std::int64_t>(out.size() / channels);
        const std::int64_t got =
            decoder.read(pcm.data(), limit < 0 ? kChunkFrames : std::min(kChunkFrames, left));
        if (got == 0) {
            break;
        }
        for (std::size_t i = 0; i < static_cast<std::size_t>(got) * channels; ++i) {
            const float scaled = std::nearbyint(pcm[i] * 32768.0F);
            out.push_back(static_cast<std::int16_t>(std::clamp(scaled, -32768.0F, 32767.0F)));
        }
    }
    return out;
}

class AcmDecoderTest : public ::testing::TestWithParam<DecodeCase> {};

// The silent outputs only pass over the data: that must end exactly where decoding ends.
TEST_P(AcmDecoderTest, PassingOverEndsWhereDecodingEnds) {
    contract::expectPassingOverEndsWhereDecodingEnds(GetParam(), openFixture);
}

TEST_P(AcmDecoderTest, SeekingMovesBothWays) {
    contract::expectSeekingMovesBothWays(GetParam(), openFixture);
}

// A seek lands on the sample a decode from the start reaches there.
TEST_P(AcmDecoderTest, ASeekLandsWhereDecodingGetsTo) {
    const DecodeCase& c = GetParam();
    auto decoder = AcmDecoder::open(fixture(c.file));
    ASSERT_TRUE(decoder);
    const std::vector<std::int16_t> whole = samples(*decoder, -1);
    const auto channels = static_cast<std::size_t>(c.channels);
    for (const std::int64_t at : {c.frames / 3 + 7, std::int64_t{1}, c.frames - 100}) {
        ASSERT_TRUE(decoder->seek(at));
        const std::vector<std::int16_t> sought = samples(*decoder, 3000);
        ASSERT_EQ(sought.size(),
                  std::min<std::size_t>(3000, static_cast<std::size_t>(c.frames - at)) * channels);
        int worst = 0;
        for (std::size_t i = 0; i < sought.size(); ++i) {
            worst = std::max(
                worst, std::abs(sought[i] - whole[static_cast<std::size_t>(at) * channels + i]));
        }
        EXPECT_LE(worst, kMaxSelfDifference) << c.file << " at " << at;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, AcmDecoderTest, ::testing::ValuesIn(contract::kDecodeCases));

TEST(AcmDecoderRefusal, NotMpegAudio) {
    for (const char* name : contract::kNotMpegAudio) {
        EXPECT_FALSE(openFixture(name)) << name;
    }
    EXPECT_FALSE(AcmDecoder::open(std::filesystem::path()));
    EXPECT_FALSE(AcmDecoder::open(fixture("")));  // the folder
}

// Every file of the damaged-audio corpus is refused or decodes to an end, as far as its data goes.
TEST(AcmDecoderRobustness, DamagedFilesHaveADefinedOutcome) {
    const char* dir = std::getenv("RUZ_MALFORMED_DIR");
    if (dir == nullptr) {
        GTEST_SKIP() << "RUZ_MALFORMED_DIR not given";
    }
    int opened = 0;
    int refused = 0;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(dir)) {
        auto decoder = AcmDecoder::open(entry.path());
        const std::string name = entry.path().filename().string();
        if (!decoder) {
            ++refused;
            std::printf("  refused  %s\n", name.c_str());
            continue;
        }
        ++opened;
        EXPECT_GT(decoder->lengthFrames(), 0) << name;
        const std::int64_t frames = decodeAll(*decoder);
        EXPECT_TRUE(decoder->atEnd()) << name;
        EXPECT_LE(frames, decoder->lengthFrames()) << name;
        // Bytes bound the samples: a frame of a few bytes makes at most 1,152 of them.
        EXPECT_LE(frames, static_cast<std::int64_t>(entry.file_size()) * 1152) << name;
        std::printf("  decoded  %s: %lld of %lld frames\n", name.c_str(),
                    static_cast<long long>(frames),
                    static_cast<long long>(decoder->lengthFrames()));
    }
    std::printf("damaged audio: %d decoded, %d refused\n", opened, refused);
    EXPECT_GE(opened + refused, 25);
}

// Reads NAME.pcm and the like from the reference folder.
std::vector<std::int16_t> readSamples(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::int16_t> out;
    std::int16_t sample = 0;
    while (file.read(reinterpret_cast<char*>(&sample), sizeof(sample))) {
        out.push_back(sample);
    }
    return out;
}

int largestDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    int worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        worst = std::max(worst, std::abs(a[i] - b[i]));
    }
    return worst;
}

// Every test file against libmpg123: the same files refused, the same number of frames, every
// sample within two steps of 16 bits, and a seek that lands on the same sample and reads as many.
TEST(AcmAgainstLibmpg123, EverySampleOfEveryTestFile) {
    const char* dir = std::getenv("RUZ_REFERENCE_DIR");
    if (dir == nullptr) {
        GTEST_SKIP() << "RUZ_REFERENCE_DIR not given";
    }
    const std::filesystem::path reference(dir);
    std::ifstream list(reference / "reference.txt");
    ASSERT_TRUE(list) << "no reference.txt";
    int compared = 0;
    int differ = 0;
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        std::string name;
        std::string rate;
        fields >> name >> rate;
        auto decoder = AcmDecoder::open(fixture(name));
        ++compared;
        if (rate == "refused") {
            const bool same = decoder == nullptr;
            differ += same ? 0 : 1;
            EXPECT_TRUE(same) << name << " opens here but not with libmpg123";
            std::printf("  %-16s refused by both: %s\n", name.c_str(), same ? "yes" : "NO");
            continue;
        }
        int channels = 0;
        std::int64_t frames = 0;
        std::int64_t seekFrame = 0;
        fields >> channels >> frames >> seekFrame;
        if (!decoder) {
            ++differ;
            ADD_FAILURE() << name << " is refused here but not with libmpg123";
            continue;
        }
        const std::vector<std::int16_t> expected = readSamples(reference / (name + ".pcm"));
        const std::vector<std::int16_t> expectedSeek =
            readSamples(reference / (name + ".seek.pcm"));
        const std::vector<std::int16_t> whole = samples(*decoder, -1);
        const int wholeDifference = largestDifference(whole, expected);
        // The seek is held to the samples libmpg123's decode from the start has there: its own
        // seek may stray from them in the first frame after it (see ruz-decode-reference).
        decoder->seek(seekFrame);
        const std::vector<std::int16_t> sought =
            samples(*decoder, static_cast<std::int64_t>(expectedSeek.size()) / channels);
        const auto seekAt =
            std::min(static_cast<std::size_t>(seekFrame * channels), expected.size());
        const int seekDifference = largestDifference(
            sought, std::vector<std::int16_t>(
                        expected.begin() + static_cast<std::ptrdiff_t>(seekAt), expected.end()));
        const auto decodedFrames = static_cast<std::int64_t>(whole.size()) / channels;
        const bool same = std::stoi(rate) == decoder->sampleRate() &&
                          channels == decoder->channels() && decodedFrames == frames &&
                          whole.size() == expected.size() && sought.size() == expectedSeek.size() &&
                          wholeDifference <= kMaxSampleDifference &&
                          seekDifference <= kMaxSampleDifference;
        differ += same ? 0 : 1;
        EXPECT_TRUE(same) << name;
        std::printf(
            "  %-16s %lld frames (libmpg123 %lld), largest difference %d; seek to %lld: %zu "
            "samples, largest difference %d%s\n",
            name.c_str(), static_cast<long long>(decodedFrames), static_cast<long long>(frames),
            wholeDifference, static_cast<long long>(seekFrame), sought.size(), seekDifference,
            same ? "" : "  DIFFERENT");
    }
    std::printf("against libmpg123: %d files compared, %d differ\n", compared, differ);
    EXPECT_GT(compared, 0);
}

// Songs with garbage and frames cut short in the middle: the decoder passes over what it cannot
// decode and plays on, about as far as libmpg123 does.
TEST(AcmAgainstLibmpg123, SongsDamagedInTheMiddlePlayOn) {
    const char* dir = std::getenv("RUZ_DAMAGED_DIR");
    const char* referenceDir = std::getenv("RUZ_DAMAGED_REFERENCE_DIR");
    if (dir == nullptr || referenceDir == nullptr) {
        GTEST_SKIP() << "RUZ_DAMAGED_DIR or RUZ_DAMAGED_REFERENCE_DIR not given";
    }
    std::ifstream list(std::filesystem::path(referenceDir) / "reference.txt");
    ASSERT_TRUE(list) << "no reference.txt";
    int compared = 0;
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        std::string name;
        std::string rate;
        fields >> name >> rate;
        ASSERT_NE(rate, "refused") << name << " is refused by libmpg123";
        int channels = 0;
        std::int64_t frames = 0;
        fields >> channels >> frames;
        auto decoder = AcmDecoder::open(std::filesystem::path(dir) / name);
        ASSERT_TRUE(decoder) << name;
        const std::int64_t decoded = decodeAll(*decoder);
        ++compared;
        std::printf("  %s: %lld frames (libmpg123 %lld) of %lld\n", name.c_str(),
                    static_cast<long long>(decoded), static_cast<long long>(frames),
                    static_cast<long long>(decoder->lengthFrames()));
        EXPECT_TRUE(decoder->atEnd()) << name;
        EXPECT_GE(static_cast<double>(decoded), kDamagedShare * static_cast<double>(frames))
            << name;
        EXPECT_LE(decoded, decoder->lengthFrames()) << name;
    }
    EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace ruz::media
