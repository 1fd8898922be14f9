// The transcript path: the code page conversions, the messenger link's tail of a room's transcript
// view, and the scanner's cutting of the last line into sender, message and time stamp.

#include "fuzz_system.h"
#include "messenger/aimchat.h"
#include "platform/winsys/codepage.h"
#include "platform/winsys/window_model.h"
#include "scanner/room_scanner.h"
#include "standin/messenger_standin.h"
#include "text/text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void cutLine(std::u16string_view tail) {
    const std::u16string line = ruz::ExtractLastChatLine(tail);
    FUZZ_CHECK(line.size() <= tail.size());
    FUZZ_CHECK(line.empty() || ruz::text::startsWithIgnoringCase(line, u"<BR"));
    const std::u16string cleaned = ruz::StripChatTags(line);
    FUZZ_CHECK(!ruz::text::contains(cleaned, u'>'));
    FUZZ_CHECK(cleaned.size() <= line.size());
    const std::u16string stamp = ruz::dateSaid(line);
    FUZZ_CHECK(stamp.starts_with(u'{') && stamp.ends_with(u'}'));
    const ruz::ChatLine cut = ruz::cutChatLine(line);
    FUZZ_CHECK(cut.whosaid.size() + cut.whatsaid.size() <= cleaned.size());
    FUZZ_CHECK(cut.datesaid == stamp);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Code page 1252: every byte has a character, so bytes survive the way there and back.
    const std::string utf8 = ruz::winsys::cp1252ToUtf8(bytes);
    FUZZ_CHECK(ruz::winsys::utf8ToCp1252(utf8) == bytes);
    // Any bytes taken as UTF-8 (malformed ones included) give one byte a character or a '?'.
    const std::string narrowed = ruz::winsys::utf8ToCp1252(bytes);
    FUZZ_CHECK(narrowed.size() <= bytes.size());

    // The scanner's functions on the input as the program's text.
    cutLine(ruz::text::fromUtf8(bytes));

    // The whole link: the input is a room's transcript view, in code page 1252.
    ruz::winsys::WindowModel model;
    model.setRecording(false);
    ruz::standin::MessengerStandIn standin(model, [] { return std::string("10:31:02 PM"); });
    standin.openRoom();
    standin.memberSays("carol", "hello");
    const ruz::winsys::Hwnd room = standin.frontRoomWindow();
    const ruz::winsys::Hwnd view = model.children(model.children(room).front()).front();
    model.setText(view, std::string(bytes));
    ruz::messenger::AimChat link(model);
    const std::string tail = link.ChatTranscriptTail();
    FUZZ_CHECK(ruz::winsys::utf8ToCp1252(tail).size() ==
               std::min(bytes.size(), ruz::messenger::AimChat::kTailLength));
    FUZZ_CHECK(link.ReadChatTranscript() == utf8);
    cutLine(ruz::text::fromUtf8(tail));

    // The scanner control over that link: every line of a view that fills after the baseline is
    // raised once, and only once.
    ruz::VirtualTimerHost host;
    int raised = 0;
    ruz::RoomScanner chat(host, [&link](ruz::text::Index from, ruz::text::Index& length) {
        std::size_t whole = 0;
        const std::string text =
            link.readChatTranscriptFrom(static_cast<std::size_t>(from), &whole);
        length = static_cast<ruz::text::Index>(whole);
        return ruz::text::fromUtf8(text);
    });
    chat.aimchatscan = [&raised](std::u16string&, std::u16string&, std::u16string&) { ++raised; };
    model.setText(view, "");
    chat.scan_on();
    model.setText(view, std::string(bytes));
    chat.poll();
    const std::u16string shown = ruz::text::fromUtf8(utf8);
    const ruz::text::Index lines =
        bytes.size() < static_cast<std::size_t>(ruz::RoomScanner::kMinTailLength)
            ? 0
            : ruz::text::count(ruz::text::lower(shown), u"<br>");
    FUZZ_CHECK(raised == lines);
    chat.poll();
    FUZZ_CHECK(raised == lines);
    return 0;
}
