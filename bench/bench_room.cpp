// Lines a second through a room of a chat network: the server's lines (members entering and
// leaving, without a pause) through the connection into the room's transcript, with the whole
// program headless on virtual time reading the room at its poll; optionally also a view that
// follows the transcript at every change, as the desktop's chat-room window does.
#include "../tests/irc/fake_link.h"
#include "irc/rooms.h"
#include "scanner/room_scanner.h"
#include "scenario/world.h"
#include "text/text.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Each step: this many members enter and leave, then this much virtual time passes (2,000 room
// lines a second).
constexpr int kPairsPerStep = 10;
constexpr int kStepMs = 10;

void BM_RoomLines(benchmark::State& state) {
    const bool withView = state.range(0) != 0;
    ruz::scenario::World world;
    world.model.setRecording(false);
    ruz::irc::testing::FakeLink transport;
    ruz::irc::Settings settings;
    settings.endpoint = {"irc.test", 6667, false, {}};
    settings.nick = "me";
    settings.channels = {"#music"};
    ruz::irc::Rooms rooms(world.standin, world.model, world.host, transport, settings);
    rooms.start();
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    world.dialogs.queueYesNo(true);
    world.start();

    ruz::GrowingText shown(ruz::RoomScanner::kTailLength);
    ruz::text::Index viewed = 0;
    if (withView) {
        world.standin.setChangeListener([&] {
            const ruz::GrowingText::Read read = shown.read(
                [&](ruz::text::Index from, ruz::text::Index& length) {
                    std::size_t whole = 0;
                    const std::string text =
                        world.standin.transcriptUtf8From(static_cast<std::size_t>(from), whole);
                    length = static_cast<ruz::text::Index>(whole);
                    return ruz::text::fromUtf8(text);
                },
                [](ruz::text::Index) { return ruz::text::Index{0}; });
            viewed += static_cast<ruz::text::Index>(read.fresh().size());
            shown.moveTo(read.text, read.length);
        });
    }
    long long pair = 0;
    for (auto _ : state) {
        std::string bytes;
        for (int i = 0; i < kPairsPerStep; ++i, ++pair) {
            const std::string who = ":guest" + std::to_string(pair) + "!u@h ";
            bytes += who + "JOIN #music\r\n" + who + "PART #music :bye\r\n";
        }
        transport.serverSends(bytes);
        world.wait(kStepMs);
        transport.written.clear();
    }
    world.standin.setChangeListener(nullptr);
    benchmark::DoNotOptimize(viewed);
    state.SetItemsProcessed(state.iterations() * kPairsPerStep * 2);
}
BENCHMARK(BM_RoomLines)->ArgName("view")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
