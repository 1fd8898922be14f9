// The media engine's costs: decoding a long MP3 through the engine's decoder, passing over it as
// the silent outputs do, opening one song, and a virtual day of songs one after another.
//
// The long file comes from RUZ_LONG_MP3 (make one with scripts/make-long-mp3.sh); without it
// those benchmarks are skipped.

#include "platform/media/engine_factory.h"
#include "platform/media/mpeg_decoder.h"
#include "platform/virtual_timer_host.h"
#include "qt/qt_text.h"

#include <QDir>
#include <QString>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using ruz::media::MpegDecoder;

constexpr std::int64_t kChunkFrames = 4096;
constexpr std::int64_t kOneDayMs = 24LL * 60 * 60 * 1000;

QString fixture(const char* name) {
    return QDir(QStringLiteral(RUZ_FIXTURES_DIR)).filePath(QString::fromLatin1(name));
}

// The long file, or nothing (and the benchmark skipped) when RUZ_LONG_MP3 is not set.
std::unique_ptr<MpegDecoder> openLongMp3(benchmark::State& state) {
    const char* path = std::getenv("RUZ_LONG_MP3");
    if (path == nullptr || *path == '\0') {
        state.SkipWithError("RUZ_LONG_MP3 is not set (scripts/make-long-mp3.sh makes the file)");
        return nullptr;
    }
    auto decoder = MpegDecoder::open(ruz::fromQString(QString::fromLocal8Bit(path)));
    if (!decoder) {
        state.SkipWithError("RUZ_LONG_MP3 does not name an MPEG audio file");
    }
    return decoder;
}

void reportAudio(benchmark::State& state, std::int64_t frames, int rate) {
    state.SetItemsProcessed(frames);
    state.counters["audio_s"] = static_cast<double>(frames) / rate / state.iterations();
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(frames) / rate, benchmark::Counter::kIsRate);
}

void BM_DecodeLongMp3(benchmark::State& state) {
    if (!openLongMp3(state)) {
        return;
    }
    std::int64_t frames = 0;
    int rate = 1;
    std::vector<float> pcm;
    for (auto _ : state) {
        auto decoder = openLongMp3(state);
        rate = decoder->sampleRate();
        pcm.resize(static_cast<std::size_t>(kChunkFrames * decoder->channels()));
        while (const std::int64_t got = decoder->read(pcm.data(), kChunkFrames)) {
            frames += got;
        }
        benchmark::DoNotOptimize(pcm.data());
    }
    reportAudio(state, frames, rate);
}
BENCHMARK(BM_DecodeLongMp3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PassOverLongMp3(benchmark::State& state) {
    if (!openLongMp3(state)) {
        return;
    }
    std::int64_t frames = 0;
    int rate = 1;
    for (auto _ : state) {
        auto decoder = openLongMp3(state);
        rate = decoder->sampleRate();
        while (const std::int64_t got = decoder->skip(kChunkFrames)) {
            frames += got;
        }
    }
    reportAudio(state, frames, rate);
}
BENCHMARK(BM_PassOverLongMp3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenFixture(benchmark::State& state) {
    const QString path = fixture("tone-3s.mp3");
    for (auto _ : state) {
        auto decoder = MpegDecoder::open(ruz::fromQString(path));
        benchmark::DoNotOptimize(decoder.get());
    }
}
BENCHMARK(BM_OpenFixture)->Unit(benchmark::kMicrosecond);

// One open through the engine (as a title-list build does it): decoder, output, first feed.
void BM_EngineOpen(benchmark::State& state) {
    ruz::VirtualTimerHost host;
    auto engine = ruz::makeVirtualTimeEngine(host);
    const QString path = fixture("tone-3s.mp3");
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine->open(ruz::fromQString(path)));
    }
}
BENCHMARK(BM_EngineOpen)->Unit(benchmark::kMicrosecond);

// A virtual day of short songs, each opened as the one before ends, as the player does.
void BM_VirtualDayOfSongs(benchmark::State& state) {
    const QString songs[] = {fixture("tone-3s.mp3"), fixture("tone-2.4s.mp2"),
                             fixture("tone-5s.mp3"), fixture("two-songs.m3u")};
    std::int64_t opened = 0;
    for (auto _ : state) {
        ruz::VirtualTimerHost host;
        auto engine = ruz::makeVirtualTimeEngine(host);
        std::size_t next = 0;
        const ruz::Subscription observer =
            engine->observePlayState([&](ruz::PlayState, ruz::PlayState) {
                if (engine->currentPosition() == engine->duration()) {
                    engine->open(ruz::fromQString(songs[next++ % std::size(songs)]));
                    ++opened;
                }
            });
        engine->open(ruz::fromQString(songs[next++]));
        host.advance(kOneDayMs);
    }
    state.counters["songs"] = static_cast<double>(opened) / state.iterations();
}
BENCHMARK(BM_VirtualDayOfSongs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
