// A title-list build of 1,000 entries on virtual time: every entry is opened in the real engine
// in turn, one per 1 ms tick.
#include "scenario/world.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

namespace {

constexpr int kEntries = 1000;

void BM_TitleListBuild(benchmark::State& state) {
    ruz::scenario::World world;
    const QString folder = world.absolute(QStringLiteral("music"));
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
        app.ExplorerTree1.userPick(folder);
        world.wait(kEntries + 1);
        if (app.List1.count() != kEntries || app.Timer2.enabled()) {
            state.SkipWithError("the build did not complete");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_TitleListBuild)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
