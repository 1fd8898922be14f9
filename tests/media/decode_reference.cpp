// ruz-decode-reference OUT_DIR FILE...: what libmpg123 (through the engine's MpegDecoder) makes of
// each FILE, written for the Windows decoder's comparison (scripts/wine-decode-check.sh). For each
// file that opens: NAME.pcm, every sample of a full decode as 16-bit little-endian interleaved, and
// NAME.seek.pcm, what a read gives after a seek into the song. OUT_DIR/reference.txt lists them,
// a line a file: "NAME RATE CHANNELS FRAMES SEEK_FRAME", or "NAME refused".

#include "platform/media/mpeg_decoder.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
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

// Decodes up to `limit` frames (all, when negative) into `out`; returns the frames decoded.
std::int64_t decode(MpegDecoder& decoder, std::int64_t limit, std::ofstream& out) {
    const auto channels = static_cast<std::size_t>(decoder.channels());
    std::vector<float> pcm(static_cast<std::size_t>(kChunkFrames) * channels);
    std::vector<std::int16_t> samples(pcm.size());
    std::int64_t total = 0;
    while (limit < 0 || total < limit) {
        const std::int64_t want = limit < 0 ? kChunkFrames : std::min(kChunkFrames, limit - total);
        const std::int64_t got = decoder.read(pcm.data(), want);
        if (got == 0) {
            break;
        }
        const auto count = static_cast<std::size_t>(got) * channels;
        std::transform(pcm.begin(), pcm.begin() + static_cast<std::ptrdiff_t>(count),
                       samples.begin(), toSample);
        // The samples go out little-endian, as the Windows side reads them (both are x86).
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(count * sizeof(std::int16_t)));
        total += got;
    }
    return total;
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
        const QString path = QString::fromLocal8Bit(argv[i]);
        const std::string name = QFileInfo(path).fileName().toStdString();
        auto decoder = MpegDecoder::open(path);
        if (!decoder) {
            list << name << " refused\n";
            continue;
        }
        std::ofstream whole(outDir + "/" + name + ".pcm", std::ios::binary);
        const std::int64_t frames = decode(*decoder, -1, whole);
        const std::int64_t seekFrame = std::min(frames * 2 / 5 + kSeekOffset, frames);
        std::ofstream sought(outDir + "/" + name + ".seek.pcm", std::ios::binary);
        if (!decoder->seek(seekFrame)) {
            std::fprintf(stderr, "ruz-decode-reference: %s: the seek failed\n", name.c_str());
            return 1;
        }
        decode(*decoder, kSeekCheckFrames, sought);
        list << name << ' ' << decoder->sampleRate() << ' ' << decoder->channels() << ' ' << frames
             << ' ' << seekFrame << '\n';
        std::printf("%s: %lld frames, seek at %lld\n", name.c_str(), static_cast<long long>(frames),
                    static_cast<long long>(seekFrame));
    }
    return list ? 0 : 1;
}
