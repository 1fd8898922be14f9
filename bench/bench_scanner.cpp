// One poll of the chat scanner against a room whose transcript holds 1 KiB, 64 KiB, 1 MiB or
// 64 MiB, beside a plain copy of the same bytes; and the text module's lower case and UTF-8
// reading of 1 MiB of chat in several scripts, beside QString's.
#include "messenger/aimchat.h"
#include "platform/virtual_timer_host.h"
#include "platform/winsys/window_model.h"
#include "scanner/room_scanner.h"
#include "standin/messenger_standin.h"
#include "text/text.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <cstring>

namespace {

std::string transcriptOf(std::size_t bytes) {
    const std::string line =
        "<BR><!-- (10:31:02 PM)--><FONT COLOR=\"#0000ff\"><B>amy</B></FONT>"
        "<FONT COLOR=\"#000000\">: a line of ordinary chat, nothing more</FONT>";
    std::string text;
    while (text.size() < bytes) {
        text += line;
    }
    text.resize(bytes);
    return text;
}

void BM_ScannerPoll(benchmark::State& state) {
    ruz::winsys::WindowModel model;
    ruz::standin::MessengerStandIn standin(model, [] { return std::string("10:31:02 PM"); });
    standin.openRoom();
    standin.appendRaw(transcriptOf(static_cast<std::size_t>(state.range(0))));
    model.setRecording(false);
    ruz::messenger::AimChat aimchat(model);
    ruz::VirtualTimerHost host;
    ruz::RoomScanner chat(host, [&](ruz::text::Index from, ruz::text::Index& length) {
        std::size_t whole = 0;
        const std::string text =
            aimchat.readChatTranscriptFrom(static_cast<std::size_t>(from), &whole);
        length = static_cast<ruz::text::Index>(whole);
        return ruz::text::fromUtf8(text);
    });
    chat.scan_on();
    chat.scan_off();
    int heard = 0;
    chat.aimchatscan = [&](std::u16string&, std::u16string&, std::u16string&) { ++heard; };
    for (auto _ : state) {
        // A quiet room: the poll reads the view and finds nothing new.
        chat.poll();
    }
    benchmark::DoNotOptimize(heard);
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ScannerPoll)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20)->Arg(64 << 20);

void BM_PlainCopy(benchmark::State& state) {
    const std::string source = transcriptOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string copy(source);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PlainCopy)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20)->Arg(64 << 20);

constexpr std::size_t kMiB = 1 << 20;

// 1 MiB of UTF-8: a transcript line with titles in Latin with accents, Cyrillic, Greek, CJK and
// emoji, cut at a character's end.
std::string chatInScripts() {
    const std::string line =
        "<BR><B>amy</B>: now playing Ça Va Déjà - Сплин - Романс - Σίσυφος - 東京 😀 (10:31 PM)";
    std::string text;
    while (text.size() + line.size() <= kMiB) {
        text += line;
    }
    return text;
}

enum class Library { Text, QString };

void BM_LowerMiB(benchmark::State& state, Library library) {
    const std::u16string text = ruz::text::fromUtf8(chatInScripts());
    const QString q = QString::fromStdU16String(text);
    for (auto _ : state) {
        if (library == Library::Text) {
            benchmark::DoNotOptimize(ruz::text::lower(text).data());
        } else {
            benchmark::DoNotOptimize(q.toLower().data());
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size() * 2));
}
BENCHMARK_CAPTURE(BM_LowerMiB, text, Library::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LowerMiB, qstring, Library::QString)->Unit(benchmark::kMillisecond);

void BM_FromUtf8MiB(benchmark::State& state, Library library) {
    const std::string utf8 = chatInScripts();
    for (auto _ : state) {
        if (library == Library::Text) {
            benchmark::DoNotOptimize(ruz::text::fromUtf8(utf8).data());
        } else {
            benchmark::DoNotOptimize(
                QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).data());
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(utf8.size()));
}
BENCHMARK_CAPTURE(BM_FromUtf8MiB, text, Library::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FromUtf8MiB, qstring, Library::QString)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
