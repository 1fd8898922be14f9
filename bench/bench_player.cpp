// A title-list build of 1,000 entries on virtual time: every entry is opened in the real engine
// in turn, one per 1 ms tick. A song's end before 19,999 files the engine refuses: the longest
// any one handler holds the interface while the player passes over them.
#include "qt/qt_text.h"
#include "scenario/world.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

constexpr int kEntries = 1000;

void BM_TitleListBuild(benchmark::State& state) {
    ruz::scenario::World world;
    const QString folder = ruz::toQString(world.absolute(u"music"));
    QDir().mkpath(folder);
    const QString source = QStringLiteral(RUZ_FIXTURES_DIR "/tone-1s.mp3");
    for (int i = 0; i < kEntries; ++i) {
        QFile::copy(
            source,
            folder + QStringLiteral("/Artist %1 - Title %1.mp3").arg(i, 4, 10, QChar(u'0')));
    }
    world.dialogs.queueYesNo(true);
    world.start();
    ruz::FrmAmp& app = *world.app();
    for (auto _ : state) {
        app.ExplorerTree1.userPick(ruz::fromQString(folder));
        world.wait(kEntries + 1);
        if (app.List1.count() != kEntries || app.Timer2.enabled()) {
            state.SkipWithError("the build did not complete");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_TitleListBuild)->Unit(benchmark::kMillisecond);

constexpr int kRefused = 19999;
constexpr int kSongMs = 1000;
constexpr int kPassLimitMs = 60000;

// Arg 0: the refusals are new (the files were written anew); 1: they are known.
void BM_SongEndOverRefusedRun(benchmark::State& state) {
    const bool known = state.range(0) == 1;
    ruz::scenario::World world;
    const QString folder = ruz::toQString(world.absolute(u"music"));
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(RUZ_FIXTURES_DIR "/tone-1s.mp3"), folder + QStringLiteral("/a.mp3"));
    const auto writeRefused = [&] {
        for (int i = 0; i < kRefused; ++i) {
            QFile(folder + QStringLiteral("/b%1.mp3").arg(i, 5, 10, QChar(u'0')))
                .open(QIODevice::WriteOnly | QIODevice::Truncate);
        }
    };
    writeRefused();
    world.dialogs.queueYesNo(true);
    world.start();
    ruz::FrmAmp& app = *world.app();
    app.ExplorerTree1.userPick(ruz::fromQString(folder));
    world.wait(kRefused + 10);
    double longest = 0;
    // Plays the first song to its end and the run after it, on to the first song again; false
    // when that song does not come back.
    const auto playThrough = [&] {
        app.transport().playEntry(0);
        // Virtual time in 1 ms steps: each step runs at most the handlers due in it.
        for (int ms = 0; ms < kSongMs + kPassLimitMs; ++ms) {
            if (ms > kSongMs + 10 && !app.transport().passingOver()) {
                break;
            }
            const auto start = std::chrono::steady_clock::now();
            world.wait(1);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            longest = std::max(longest, took.count());
        }
        return app.File1.listIndex() == 0 && !app.transport().passingOver();
    };
    // The build opens no entry but the first: one pass beforehand makes the refusals known.
    if (known && !playThrough()) {
        state.SkipWithError("the song after the refused run did not play");
    }
    longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!known) {
            writeRefused();
        }
        state.ResumeTiming();
        if (!playThrough()) {
            state.SkipWithError("the song after the refused run did not play");
            break;
        }
    }
    state.counters["longest_handler_ms"] = longest;
}
BENCHMARK(BM_SongEndOverRefusedRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
