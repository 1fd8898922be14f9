// The IRC line parser and the connection behind a room: fuzzed bytes as the server's stream, cut
// into lines and parsed, then fed to a signed-on connection whose rooms are the stand-in's.

#include "../tests/irc/fake_link.h"
#include "fuzz_system.h"
#include "irc/message.h"
#include "irc/rooms.h"
#include "platform/virtual_timer_host.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"
#include "text/text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

bool contains(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

void checkParsed(std::string_view line) {
    const std::optional<ruz::irc::Message> m = ruz::irc::parseLine(line);
    if (!m) {
        return;
    }
    FUZZ_CHECK(!m->command.empty());
    FUZZ_CHECK(m->params.size() <= ruz::irc::kMaxParams);
    for (const std::string& param : m->params) {
        // Valid UTF-8, whatever the bytes were.
        FUZZ_CHECK(ruz::text::toUtf8(ruz::irc::utf16Of(param)) == param);
        const std::string plain = ruz::irc::plainText(param);
        for (const char c : plain) {
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        }
        const std::string safe = ruz::irc::oneLine(param);
        FUZZ_CHECK(!contains(safe, '\r') && !contains(safe, '\n') && !contains(safe, '\0'));
    }
    const std::string nick = ruz::irc::displayNick(m->nick);
    FUZZ_CHECK(!nick.empty() && !contains(nick, ':') && !contains(nick, '<') &&
               !contains(nick, ' '));
}

// Every line the client writes ends in CR LF, and no CR, LF or NUL stands inside one.
void checkWritten(const std::string& written) {
    FUZZ_CHECK(!contains(written, '\0'));
    std::size_t start = 0;
    while (start < written.size()) {
        const std::size_t end = written.find("\r\n", start);
        FUZZ_CHECK(end != std::string::npos);
        const std::string_view line = std::string_view(written).substr(start, end - start);
        FUZZ_CHECK(!contains(line, '\r') && !contains(line, '\n'));
        FUZZ_CHECK(line.size() + 2 <= ruz::irc::kMaxLineBytes);
        start = end + 2;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        checkParsed(bytes.substr(start, end - start));
        start = end + 1;
    }

    ruz::VirtualTimerHost host;
    ruz::winsys::WindowModel model;
    model.setRecording(false);
    ruz::standin::MessengerStandIn standin(model, [] { return std::string("10:31:02 PM"); });
    ruz::irc::testing::FakeLink transport;
    ruz::irc::Settings settings;
    settings.endpoint = {"irc.test", 6667, false, {}};
    settings.nick = "me";
    settings.channels = {"#music", "#chat"};
    ruz::irc::Rooms rooms(standin, model, host, transport, settings);
    rooms.start();
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    // The server's stream in two portions, cut where the first byte says.
    const std::size_t cut =
        bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % (bytes.size() + 1);
    transport.serverSends(bytes.substr(0, cut));
    transport.serverSends(bytes.substr(cut));
    // The user says the input in the front room, as one chat line, whatever its bytes.
    standin.typeInput(std::string(bytes));
    standin.pressSend();
    host.advance(ruz::irc::Session::kMaxRetryDelayMs);
    checkWritten(transport.written);
    FUZZ_CHECK(standin.transcriptUtf8().size() <=
               ruz::standin::MessengerStandIn::kUnreadLimitFactor * ruz::irc::Rooms::kKeepBytes);
    return 0;
}
