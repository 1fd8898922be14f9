// ruz-decode-reference OUT_DIR FILE...: what libmpg123 (through the engine's MpegDecoder) makes of
// each FILE, written for the Windows decoder's comparison (scripts/wine-decode-check.sh). For each
// file that opens: NAME.pcm, every sample of a full decode as 16-bit little-endian interleaved, and
// NAME.seek.pcm, what reads give after a seek to SEEK_FRAME (up to 8,192 frames).
// OUT_DIR/reference.txt lists them, a line a file: "NAME RATE CHANNELS FRAMES SEEK_FRAME", or "NAME
// refused".

#include "platform/media/mpeg_decoder.h"
#include "platform/native_name.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using ruz::media::MpegDecoder;

constexpr std::int64_t kChunkFrames = 4096;
// How much of the song after the seek is written: a few MPEG frames.
constexpr std::int64_t kSeekCheckFrames = 8192;
// The seek goes to two fifths of the song, off any frame boundary.
constexpr std::int64_t kSeekOffset = 123;

std::int16_t toSample(float value) {
    const float scaled = std::nearbyint(value * 32768.0F);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0F, 32767.0F));
}

// Decodes up to `limit` frames (all, when negative) as 16-bit samples.
std::vector<std::int16_t> decode(MpegDecoder& decoder, std::int64_t limit) {
    const auto channels = static_cast<std::size_t>(decoder.channels());
    std::vector<float> pcm(static_cast<std::size_t>(kChunkFrames) * channels);
    std::vector<std::int16_t> samples;
    std::int64_t total = 0;
    while (limit < 0 || total < limit) {
        const std::int64_t want = limit < 0 ? kChunkFrames : std::min(kChunkFrames, limit - total);
        const std::int64_t got = decoder.read(pcm.data(), want);
        if (got == 0) {
            break;
        }
        std::transform(pcm.begin(), pcm.begin() + got * decoder.channels(),
                       std::back_inserter(samples), toSample);
        total += got;
    }
    return samples;
}

// Written little-endian, as the Windows side reads them (both are x86).
bool write(const std::string& path, const std::vector<std::int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ruz-decode-reference OUT_DIR FILE...\n");
        return 2;
    }
    const std::string outDir = argv[1];
    std::ofstream list(outDir + "/reference.txt");
    if (!list) {
        std::fprintf(stderr, "ruz-decode-reference: cannot write %s/reference.txt\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const std::u16string path = ruz::nameFromNative(argv[i]);
        const std::string name = std::filesystem::path(argv[i]).filename().string();
        auto decoder = MpegDecoder::open(path);
        if (!decoder) {
            list << name << " refused\n";
            continue;
        }
        const std::vector<std::int16_t> whole = decode(*decoder, -1);
        const auto channels = static_cast<std::size_t>(decoder->channels());
        const auto frames = static_cast<std::int64_t>(whole.size() / channels);
        const std::int64_t seekFrame = std::min(frames * 2 / 5 + kSeekOffset, frames);
        if (!decoder->seek(seekFrame)) {
            std::fprintf(stderr, "ruz-decode-reference: %s: the seek failed\n", name.c_str());
            return 1;
        }
        const std::vector<std::int16_t> sought = decode(*decoder, kSeekCheckFrames);
        if (!write(outDir + "/" + name + ".pcm", whole) ||
            !write(outDir + "/" + name + ".seek.pcm", sought)) {
            std::fprintf(stderr, "ruz-decode-reference: cannot write %s's samples\n", name.c_str());
            return 1;
        }
        // How far libmpg123's own seek strays from its decode from the start (it restarts a
        // fixed number of frames early, which a small bit reservoir needs more of).
        int stray = 0;
        for (std::size_t at = static_cast<std::size_t>(seekFrame) * channels, i = 0;
             i < sought.size() && at + i < whole.size(); ++i) {
            stray = std::max(stray, std::abs(sought[i] - whole[at + i]));
        }
        list << name << ' ' << decoder->sampleRate() << ' ' << decoder->channels() << ' ' << frames
             << ' ' << seekFrame << '\n';
        std::printf(
            "%s: %lld frames, seek to %lld: largest difference to the decode from the "
            "start %d\n",
            name.c_str(), static_cast<long long>(frames), static_cast<long long>(seekFrame), stray);
    }
    return list ? 0 : 1;
}
