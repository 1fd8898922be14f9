// Every sample is heard, on Windows: a song played through the engine and the waveOut device, and
// what the device gave out compared with the decoder's samples. Run under Wine by
// scripts/wine-sound-check.sh, which catches Wine's sound in a file.
//
//   ruz-play-through.exe play SONG            plays SONG to its end in real time; prints where
//                                             the engine stood and how long it took
//   ruz-play-through.exe compare SONG CAPTURE compares CAPTURE (16-bit samples at the song's rate
//                                             and channels) with the decoder's samples of SONG
//
// Exit status: 0 when the song played to its end (play) or the capture holds the song whole
// (compare); 1 otherwise; 2 on a wrong command line.

#include "platform/media/decoding_engine.h"
#include "platform/media/waveout_output.h"
#include "platform/virtual_timer_host.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace ruz::media {
namespace {

// Generous bound on playing one song, so that a broken end does not hang the check.
constexpr std::int64_t kGiveUpMs = 60000;
// The loop wakes this often to move the host's clock on with the real one.
constexpr std::chrono::milliseconds kStep{2};
// A run of this many frames of exact silence is no part of a tone: the device waited for samples
// (or played none yet).
constexpr std::size_t kSilentRunFrames = 64;
// The device takes the samples as they are given; the codec's rounding between two decodes of
// the same file may differ by this much.
constexpr int kMaxSampleDifference = 4;
constexpr std::int64_t kChunkFrames = 4096;

std::u16string u16(const wchar_t* text) {
    std::u16string out;
    for (; *text != 0; ++text) {
        out.push_back(static_cast<char16_t>(*text));
    }
    return out;
}

std::int64_t wallMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int play(const wchar_t* song) {
    VirtualTimerHost host;
    DecodingEngine engine(host, std::make_unique<WaveOutOutput>(host));
    bool ended = false;
    const Subscription observer = engine.observePlayState(
        [&](PlayState, PlayState now) { ended = ended || now == PlayState::Stopped; });
    const std::int64_t started = wallMs();
    if (!engine.open(u16(song))) {
        std::fprintf(stderr, "play: the song does not open\n");
        return 1;
    }
    // The host's clock follows the real one: the engine's timers and the device's wake-ups run
    // here, on this thread, as on a program's user-interface thread.
    std::int64_t last = started;
    double lastPosition = 0.0;
    bool forward = true;
    while (!ended && wallMs() - started < kGiveUpMs) {
        std::this_thread::sleep_for(kStep);
        const std::int64_t now = wallMs();
        host.advance(now - last);
        last = now;
        const double position = engine.currentPosition();
        forward = forward && position >= lastPosition;
        lastPosition = position;
    }
    const std::int64_t took = wallMs() - started;
    std::printf("played %.3f s of %.3f s in %lld ms; the position %s\n", engine.currentPosition(),
                engine.duration(), static_cast<long long>(took),
                forward ? "only grew" : "went back");
    return ended && forward && engine.currentPosition() == engine.duration() ? 0 : 1;
}

struct Sound {
    std::vector<std::int16_t> samples;  // the frames of sound, long silences left out
    std::size_t frames = 0;             // frames in all
    std::size_t silentFrames = 0;       // frames left out
    std::size_t gaps = 0;               // long silences between sounds
};

// Leaves out the runs of at least kSilentRunFrames frames of exact silence.
Sound listen(const std::vector<std::int16_t>& samples, std::size_t channels) {
    Sound sound;
    sound.frames = samples.size() / channels;
    std::size_t runStart = 0;
    std::size_t run = 0;
    bool heard = false;
    const auto keep = [&](std::size_t from, std::size_t count) {
        sound.samples.insert(sound.samples.end(), samples.begin() + from * channels,
                             samples.begin() + (from + count) * channels);
    };
    for (std::size_t f = 0; f <= sound.frames; ++f) {
        const bool silent = f < sound.frames && std::all_of(samples.begin() + f * channels,
                                                            samples.begin() + (f + 1) * channels,
                                                            [](std::int16_t s) { return s == 0; });
        if (silent) {
            runStart = run == 0 ? f : runStart;
            ++run;
            continue;
        }
        if (run >= kSilentRunFrames) {
            sound.silentFrames += run;
            sound.gaps += heard && f < sound.frames ? 1 : 0;
        } else {
            keep(runStart, run);
        }
        run = 0;
        if (f < sound.frames) {
            keep(f, 1);
            heard = true;
        }
    }
    return sound;
}

std::vector<std::int16_t> decodeAll(Decoder& decoder) {
    const auto channels = static_cast<std::size_t>(decoder.channels());
    std::vector<float> pcm(static_cast<std::size_t>(kChunkFrames) * channels);
    std::vector<std::int16_t> out;
    while (const std::int64_t got = decoder.read(pcm.data(), kChunkFrames)) {
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(got) * channels);
        toPcm16(pcm.data(), static_cast<std::size_t>(got) * channels, 1.0F, out.data() + at);
    }
    return out;
}

std::vector<std::int16_t> readCapture(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / sizeof(std::int16_t));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
    }
    return samples;
}

int compare(const wchar_t* song, const wchar_t* capture) {
    const std::unique_ptr<Decoder> decoder = Decoder::open(std::filesystem::path(song));
    if (!decoder) {
        std::fprintf(stderr, "compare: the song does not open\n");
        return 1;
    }
    const auto channels = static_cast<std::size_t>(decoder->channels());
    const Sound decoded = listen(decodeAll(*decoder), channels);
    const Sound captured = listen(readCapture(std::filesystem::path(capture)), channels);
    const std::size_t decodedFrames = decoded.samples.size() / channels;
    const std::size_t capturedFrames = captured.samples.size() / channels;
    std::size_t differ = 0;
    int largest = 0;
    const std::size_t common = std::min(decoded.samples.size(), captured.samples.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = std::abs(decoded.samples[i] - captured.samples[i]);
        largest = std::max(largest, difference);
        differ += difference > kMaxSampleDifference ? 1 : 0;
    }
    std::printf("capture: %zu frames, %zu of sound, %zu silent (%zu gaps inside the song)\n",
                captured.frames, capturedFrames, captured.silentFrames, captured.gaps);
    std::printf(
        "heard %zu of the decoder's %zu frames (%.4f s at %d Hz); %zu samples differ by "
        "more than %d (largest difference %d)\n",
        capturedFrames, decodedFrames, static_cast<double>(capturedFrames) / decoder->sampleRate(),
        decoder->sampleRate(), differ, kMaxSampleDifference, largest);
    return capturedFrames == decodedFrames && differ == 0 ? 0 : 1;
}

}  // namespace
}  // namespace ruz::media

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"play" && argc == 3) {
        return ruz::media::play(argv[2]);
    }
    if (command == L"compare" && argc == 4) {
        return ruz::media::compare(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: ruz-play-through play SONG | compare SONG CAPTURE\n");
    return 2;
}
