// The IRC line parser and the connection behind a room: fuzzed bytes as the server's stream, cut
// into lines and parsed, then fed to a signed-on connection whose rooms are the stand-in's.

#include "../tests/irc/fake_link.h"
#include "fuzz_system.h"
#include "irc/message.h"
#include "irc/rooms.h"
#include "platform/virtual_timer_host.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkParsed(QByteArrayView line) {
    const std::optional<ruz::irc::Message> m = ruz::irc::parseLine(line);
    if (!m) {
        return;
    }
    FUZZ_CHECK(!m->command.isEmpty());
    FUZZ_CHECK(m->params.size() <= ruz::irc::kMaxParams);
    for (const QString& param : m->params) {
        const QString plain = ruz::irc::plainText(param);
        for (const QChar c : plain) {
            FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F);
        }
        const QString safe = ruz::irc::oneLine(param);
        FUZZ_CHECK(!safe.contains(u'\r') && !safe.contains(u'\n') && !safe.contains(QChar(0)));
    }
    const QString nick = ruz::irc::displayNick(m->nick);
    FUZZ_CHECK(!nick.isEmpty() && !nick.contains(u':') && !nick.contains(u'<') &&
               !nick.contains(u' '));
}

// Every line the client writes ends in CR LF, and no CR, LF or NUL stands inside one.
void checkWritten(const QByteArray& written) {
    FUZZ_CHECK(!written.contains('\0'));
    qsizetype start = 0;
    while (start < written.size()) {
        const qsizetype end = written.indexOf("\r\n", start);
        FUZZ_CHECK(end >= 0);
        const QByteArrayView line(written.constData() + start, end - start);
        FUZZ_CHECK(!line.contains('\r') && !line.contains('\n'));
        FUZZ_CHECK(static_cast<std::size_t>(line.size()) + 2 <= ruz::irc::kMaxLineBytes);
        start = end + 2;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& line : bytes.split('\n')) {
        checkParsed(line);
    }

    ruz::VirtualTimerHost host;
    ruz::winsys::WindowModel model;
    model.setRecording(false);
    ruz::standin::MessengerStandIn standin(model, [] { return std::string("10:31:02 PM"); });
    ruz::irc::testing::FakeLink transport;
    ruz::irc::Settings settings;
    settings.endpoint = {QStringLiteral("irc.test"), 6667, false, {}};
    settings.nick = QStringLiteral("me");
    settings.channels = {QStringLiteral("#music"), QStringLiteral("#chat")};
    ruz::irc::Rooms rooms(standin, model, host, transport, settings);
    rooms.start();
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    // The server's stream in two portions, cut where the first byte says.
    const qsizetype cut =
        bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes.at(0)) % (bytes.size() + 1);
    transport.serverSends(bytes.left(cut));
    transport.serverSends(bytes.mid(cut));
    // The user says the input in the front room, as one chat line.
    standin.typeInput(QString::fromUtf8(bytes).toStdString());
    standin.pressSend();
    host.advance(ruz::irc::Session::kMaxRetryDelayMs);
    checkWritten(transport.written);
    FUZZ_CHECK(standin.transcriptUtf8().size() <=
               ruz::standin::MessengerStandIn::kUnreadLimitFactor * ruz::irc::Rooms::kKeepBytes);
    return 0;
}
