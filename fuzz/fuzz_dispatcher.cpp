// The dispatcher: fuzzed command words (the Ccoms boxes edited) and fuzzed chat lines from the
// user and from other members, with virtual time passing in between, on the whole program.

#include "fuzz_system.h"
#include "text/text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

constexpr int kSongs = 4;
constexpr std::size_t kMaxText = 48;
// Virtual time one input may let pass (enough for a few idle reminders): simulated minutes are
// what an input costs most.
constexpr std::int64_t kTimeBudgetMs = 3 * ruz::FrmAmp::kIdleReminderMs;

// The songs, created once for the whole run.
const ruz::fuzz::Scratch& songs() {
    static const ruz::fuzz::Scratch scratch;
    static const bool made = [] {
        for (int i = 0; i < kSongs; ++i) {
            const QString name = QStringLiteral("Artist %1 - Title %1.mp3").arg(i);
            FUZZ_CHECK(ruz::fuzz::writeFile(scratch.filePath(name), QByteArray("x")));
        }
        return true;
    }();
    FUZZ_CHECK(made);
    return scratch;
}

std::u16string text(FuzzedDataProvider& in) {
    return ruz::text::fromUtf8(in.ConsumeRandomLengthString(kMaxText));
}

// A line that the dispatcher knows, as often as one made of random characters.
std::u16string commandLine(FuzzedDataProvider& in, ruz::FrmAmp& app) {
    const auto box = [&]() -> ruz::TextBox& {
        return app.ccoms().box(
            static_cast<ruz::Word>(in.ConsumeIntegralInRange(0, ruz::kWordCount - 1)));
    };
    const std::u16string trigger = app.ccoms().word(ruz::Word::Trigger);
    std::u16string line;
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            line = text(in);
            break;
        case 1:
            line = trigger + box().text();
            break;
        case 2:
            line = trigger + box().text() + u' ' + text(in);
            break;
        default: {
            static const char* const fixed[] = {"set?", "resume", "p ", "idle ", "vol ", "set "};
            line =
                trigger +
                ruz::text::fromLatin1(
                    fixed[in.ConsumeIntegralInRange(0, static_cast<int>(std::size(fixed)) - 1)]) +
                text(in);
            break;
        }
    }
    return line;
}

// A line raised by the scanner, as if read from the room.
void scan(ruz::FrmAmp& app, std::u16string whosaid, std::u16string whatsaid) {
    std::u16string datesaid;
    app.chat.aimchatscan(whosaid, whatsaid, datesaid);
}

void checkControls(ruz::FrmAmp& app) {
    FUZZ_CHECK(app.Slider1.value() >= app.Slider1.min() &&
               app.Slider1.value() <= app.Slider1.max());
    FUZZ_CHECK(app.Slider2.value() >= app.Slider2.min() &&
               app.Slider2.value() <= app.Slider2.max());
    FUZZ_CHECK(app.File1.listIndex() >= -1 && app.File1.listIndex() < app.File1.count());
    FUZZ_CHECK(app.List1.count() <= app.File1.count());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const QString folder = songs().path();
    ruz::fuzz::FuzzSystem system(folder, in.ConsumeFloatingPointInRange(0.5, 600.0));
    ruz::FrmAmp& app = *system.app();
    system.host.advance(2 * kSongs + 10);  // the title list is built

    // The command words as the user edited them.
    const int edits = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < edits; ++i) {
        app.ccoms()
            .box(static_cast<ruz::Word>(in.ConsumeIntegralInRange(0, ruz::kWordCount - 1)))
            .setText(text(in));
    }

    const std::int64_t until = system.host.nowMs() + kTimeBudgetMs;
    const auto letTimePass = [&](std::int64_t ms) {
        system.host.advance(std::min(ms, until - system.host.nowMs()));
    };
    while (in.remaining_bytes() > 0 && !app.ended()) {
        switch (in.ConsumeIntegralInRange(0, 15)) {
            case 0:
            case 1:  // a line from another member: the sender gate turns it away
                scan(app, text(in), commandLine(in, app));
                break;
            case 2:
            case 3:  // through the room and the scanner
                system.standin.memberSays(ruz::fuzz::kScreenName,
                                          ruz::text::toUtf8(commandLine(in, app)));
                letTimePass(ruz::RoomScanner::kPollIntervalMs);
                break;
            case 4:
            case 5:
                letTimePass(in.ConsumeIntegralInRange(0, 2000));
                break;
            case 6:  // long enough for an idle reminder
                letTimePass(ruz::FrmAmp::kIdleReminderMs);
                break;
            case 7:
                system.scriptedEngine().finishSong();
                break;
            case 8:
                app.chkAntiLag.userClick();
                break;
            default:
                scan(app, ruz::text::fromLatin1(ruz::fuzz::kScreenName), commandLine(in, app));
                break;
        }
        checkControls(app);
    }
    return 0;
}
