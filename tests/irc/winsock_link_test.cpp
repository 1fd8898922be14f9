// The Winsock link and the IRC session on it, against a real ngircd on 127.0.0.1 that
// scripts/wine-irc-check.sh starts: RUZ_IRC_PORT names its port, RUZ_IRC_TLS_PORT its TLS port and
// RUZ_IRC_CERT the file of its certificate, RUZ_IRC_CONTROL a folder where a file "stop" or
// "start" asks the script to stop or start the server (it removes the file when done). Everything
// runs on this thread's message loop.
#include "irc/winsock_link.h"
#include "channel_member.h"
#include "irc/message.h"
#include "irc/rooms.h"
#include "irc/session.h"
#include "scanner/room_scanner.h"
#include "scenario/world.h"
#include "standin/transcript_markup.h"
#include "win32/win32_timer_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace ruz::irc {
namespace {

// Bounds of the waits, never asserted on: a wait that runs out fails its check.
constexpr int kBurstMs = 60000;
constexpr int kServerMs = 15000;
// A stream closed at once is given this long to call back, which it must not.
constexpr int kQuietMs = 500;
// ngircd relays about three lines a second from one client: the test paces to match.
constexpr SendPolicy kTestPolicy{4, 330};
constexpr int kBurstLines = 100;
// While the server is down the session waits longer each time; once its next attempt is this far
// off, the member is back in the room before the session comes.
constexpr int kRetryDelayBeforeRestartMs = 4000;
const std::string kDagger = "\xE2\x80\xA0";
// Polls of the room's transcript after which a refused command would have been obeyed.
constexpr int kRefusalPolls = 2;

// The virtual time of `world` following the wall clock while the loop runs.
std::function<void(std::int64_t)> following(HeadlessSystem& world) {
    return [&world](std::int64_t ms) { world.wait(ms); };
}

// A port on 127.0.0.1 that nothing listens on right now.
std::uint16_t freePort() {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    closesocket(s);
    return port;
}

std::string certificateFile() {
    const char* file = std::getenv("RUZ_IRC_CERT");
    return file != nullptr ? file : "";
}

// The server's TLS port, its certificate trusted through `caFile` ("" for the system's only).
Endpoint tlsEndpoint(const std::string& caFile) {
    const char* port = std::getenv("RUZ_IRC_TLS_PORT");
    return {"127.0.0.1", static_cast<std::uint16_t>(port != nullptr ? std::atoi(port) : 0), true,
            caFile};
}

// Asks the script to stop or start the server, and waits until it has.
bool askServer(const char* what) {
    const char* folder = std::getenv("RUZ_IRC_CONTROL");
    if (folder == nullptr) {
        return false;
    }
    const std::filesystem::path request = std::filesystem::path(folder) / what;
    std::ofstream(request) << what << '\n';
    return pumpUntil([&] { return !std::filesystem::exists(request); }, kServerMs);
}

// What a link told its listener.
struct Heard {
    int connected = 0;
    std::string received;
    std::optional<std::string> closed;
    int untrusted = 0;
    int handshaking = 0;
    int callbacks() const {
        return connected + (received.empty() ? 0 : 1) + (closed ? 1 : 0) + untrusted + handshaking;
    }
};

Link::Listener recorder(Heard& heard) {
    return {[&heard] { ++heard.connected; },
            [&heard](std::string_view bytes) { heard.received.append(bytes); },
            [&heard](const std::string& reason) { heard.closed = reason; },
            [&heard](const std::string&) { ++heard.untrusted; }, [&heard] { ++heard.handshaking; }};
}

// The program's side: the IRC session on the Winsock link and the thread's timers.
struct Owner {
    explicit Owner(Endpoint endpoint = {"127.0.0.1", serverPort(), false, {}})
        : session(timers, link, settingsFor(std::move(endpoint)), Events{}) {}
    static Settings settingsFor(Endpoint endpoint) {
        Settings s;
        s.endpoint = std::move(endpoint);
        s.nick = "owner";
        s.channels = {kChannel};
        s.policy = kTestPolicy;
        return s;
    }
    win32::Win32TimerHost timers;
    WinsockLink link;
    Session session;
};

class WinsockIrc : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(serverPort(), 0) << "RUZ_IRC_PORT names no port";
        ASSERT_NE(tlsEndpoint("").port, 0) << "RUZ_IRC_TLS_PORT names no port";
    }
};

TEST_F(WinsockIrc, TheSessionRegistersJoinsAndAnotherMemberHearsItsLines) {
    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    Owner owner;
    owner.session.start();
    ASSERT_TRUE(pumpUntil([&] { return owner.session.registered(); }, kJoinMs));
    ASSERT_TRUE(pumpUntil([&] { return guest.sawJoinOf("owner"); }, kLineMs));
    const std::string song = kDagger + "-Сплин  -  Романс - 1:00-" + kDagger;
    ASSERT_TRUE(owner.session.say(kChannel, song));
    ASSERT_TRUE(pumpUntil([&] { return !guest.textsFrom("owner").empty(); }, kLineMs));
    EXPECT_EQ(guest.textsFrom("owner").front(), song);
    owner.session.stop("bye");
}

TEST_F(WinsockIrc, TheOwnersSkipInTheRoomAnnouncesTheNextSong) {
    const char* fixtures = std::getenv("RUZ_FIXTURES");
    ASSERT_NE(fixtures, nullptr) << "RUZ_FIXTURES names no folder";
    // The whole program on virtual time that follows the wall clock, its room a channel.
    scenario::World world;
    ASSERT_TRUE(world.ready());
    const std::filesystem::path music(world.absolute(u"music"));
    std::filesystem::create_directories(music);
    const std::filesystem::path tone = std::filesystem::path(fixtures) / "tone-60s.mp3";
    for (const std::u16string name : {u"Сплин - Романс.mp3", u"Zz - Second.mp3"}) {
        ASSERT_TRUE(std::filesystem::copy_file(tone, music / name));
    }
    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    WinsockLink link;
    Rooms rooms(world.standin, world.model, world.host, link,
                Owner::settingsFor({"127.0.0.1", serverPort(), false, {}}));
    rooms.start();
    ASSERT_TRUE(pumpUntil([&] { return rooms.session().registered(); }, kJoinMs, following(world)));
    world.dialogs.queueYesNo(true);
    world.start();
    world.app()->ExplorerTree1.userPick(world.absolute(u"music"));
    // The start-up line, then the first song's announcement.
    ASSERT_TRUE(
        pumpUntil([&] { return guest.textsFrom("owner").size() >= 2; }, kLineMs, following(world)));
    EXPECT_EQ(guest.textsFrom("owner").at(0), kDagger + "- Loads Taviks Ruz -" + kDagger);
    EXPECT_EQ(guest.textsFrom("owner").at(1).rfind(kDagger + "-Zz  -  Second - ", 0), 0U)
        << guest.textsFrom("owner").at(1);

    // Another member's commands reach the room and are refused: the program hears them in its
    // polls of the transcript, but it goes on and its volume stays.
    const int volume = world.app()->Slider1.value();
    for (const char* refused : {".end", ".vol -2000"}) {
        guest.say(refused);
        ASSERT_TRUE(pumpUntil(
            [&] {
                for (const standin::ReadBack& line :
                     standin::readTranscript(world.standin.transcriptUtf8())) {
                    if (line.sender == "guest" && line.text == refused) {
                        return true;
                    }
                }
                return false;
            },
            kLineMs, following(world)))
            << refused;
    }
    const std::int64_t heard = world.host.nowMs();
    ASSERT_TRUE(pumpUntil(
        [&] { return world.host.nowMs() - heard > kRefusalPolls * RoomScanner::kPollIntervalMs; },
        kLineMs, following(world)));
    EXPECT_FALSE(world.app()->ended());
    EXPECT_EQ(world.app()->Slider1.value(), volume);
    EXPECT_EQ(guest.textsFrom("owner").size(), 2U);

    world.standin.typeInput(".skip");
    world.standin.pressSend();
    ASSERT_TRUE(
        pumpUntil([&] { return guest.textsFrom("owner").size() >= 4; }, kLineMs, following(world)));
    EXPECT_EQ(guest.textsFrom("owner").at(2), ".skip");
    EXPECT_EQ(guest.textsFrom("owner").at(3).rfind(kDagger + "-Сплин  -  Романс - ", 0), 0U)
        << guest.textsFrom("owner").at(3);
}

TEST_F(WinsockIrc, AHundredLinesInABurstAllArriveInOrder) {
    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    Owner owner;
    owner.session.start();
    ASSERT_TRUE(pumpUntil([&] { return guest.sawJoinOf("owner"); }, kJoinMs));
    for (int i = 1; i <= kBurstLines; ++i) {
        ASSERT_TRUE(owner.session.say(kChannel, "Song " + std::to_string(i) + " - Title"));
    }
    ASSERT_TRUE(pumpUntil([&] { return guest.textsFrom("owner").size() >= kBurstLines; }, kBurstMs))
        << guest.textsFrom("owner").size();
    const std::vector<std::string> heard = guest.textsFrom("owner");
    for (int i = 1; i <= kBurstLines; ++i) {
        EXPECT_EQ(heard.at(static_cast<std::size_t>(i - 1)),
                  "Song " + std::to_string(i) + " - Title");
    }
    EXPECT_TRUE(owner.session.registered());
}

TEST_F(WinsockIrc, AfterTheServerRestartsTheSessionRejoinsAndSendsWhatWaited) {
    Owner owner;
    owner.session.start();
    ASSERT_TRUE(pumpUntil([&] { return owner.session.registered(); }, kJoinMs));
    ASSERT_TRUE(askServer("stop"));
    ASSERT_TRUE(pumpUntil([&] { return !owner.session.registered(); }, kLineMs));
    for (int i = 1; i <= 3; ++i) {
        owner.session.say(kChannel, "while away " + std::to_string(i));
    }
    // Refused attempts make the session wait longer each time.
    ASSERT_TRUE(pumpUntil(
        [&] { return owner.session.retryDelayMs() >= kRetryDelayBeforeRestartMs; }, kServerMs));
    ASSERT_TRUE(askServer("start"));
    Member guest("guest");
    ASSERT_TRUE(guest.rejoin(kServerMs));
    ASSERT_TRUE(pumpUntil([&] { return guest.textsFrom("owner").size() >= 3; },
                          kLineMs + Session::kMaxRetryDelayMs / 4));
    EXPECT_EQ(guest.textsFrom("owner"),
              (std::vector<std::string>{"while away 1", "while away 2", "while away 3"}));
    EXPECT_TRUE(guest.sawJoinOf("owner"));
}

TEST_F(WinsockIrc, ARefusedPortIsReportedWithAReason) {
    WinsockLink link;
    Heard heard;
    link.setListener(recorder(heard));
    link.open({"127.0.0.1", freePort(), false, {}});
    ASSERT_TRUE(pumpUntil([&] { return heard.closed.has_value(); }, kLineMs));
    EXPECT_NE(heard.closed->find("refused"), std::string::npos) << *heard.closed;
    EXPECT_EQ(heard.connected, 0);
}

TEST_F(WinsockIrc, AHostNameResolvesAndLinesWrittenEarlyGoOnceTheStreamIsUp) {
    struct Case {
        Endpoint endpoint;
        bool writeAtOnce;  // before the name is resolved, the socket connected, the handshake done
        std::string nick;  // the server keeps each for a while after the stream closes
    };
    const Case cases[] = {{{"localhost", serverPort(), false, {}}, false, "late"},
                          {{"localhost", serverPort(), false, {}}, true, "early"},
                          {tlsEndpoint(certificateFile()), true, "earlytls"}};
    for (const Case& c : cases) {
        const std::string signOn =
            "NICK " + c.nick + "\r\nUSER " + c.nick + " 0 * :" + c.nick + "\r\n";
        WinsockLink link;
        Heard heard;
        link.setListener(recorder(heard));
        link.open(c.endpoint);
        if (c.writeAtOnce) {
            link.write(signOn);
        } else {
            ASSERT_TRUE(pumpUntil([&] { return heard.connected > 0 || heard.closed; }, kLineMs));
            link.write(signOn);
        }
        EXPECT_TRUE(
            pumpUntil([&] { return heard.received.find(" 001 ") != std::string::npos; }, kLineMs))
            << c.endpoint.host << " tls " << c.endpoint.tls << ": " << heard.received
            << heard.closed.value_or("");
        EXPECT_EQ(heard.connected, 1);
        EXPECT_EQ(heard.handshaking, c.endpoint.tls ? 1 : 0);
        link.close();
    }
}

TEST_F(WinsockIrc, AnIpv6AddressConnects) {
    // A listener of the test's own on ::1: the connection completes in its backlog.
    const SOCKET listener = ::socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    int length = sizeof address;
    if (listener == INVALID_SOCKET ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener);
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    WinsockLink link;
    Heard heard;
    link.setListener(recorder(heard));
    link.open({"::1", ntohs(address.sin6_port), false, {}});
    pumpUntil([&] { return heard.connected > 0 || heard.closed; }, kLineMs);
    closesocket(listener);
    EXPECT_EQ(heard.connected, 1) << heard.closed.value_or("");
}

TEST_F(WinsockIrc, AnUnknownHostIsReportedWithItsName) {
    WinsockLink link;
    Heard heard;
    link.setListener(recorder(heard));
    link.open({"no-such-host.invalid", serverPort(), false, {}});
    ASSERT_TRUE(pumpUntil([&] { return heard.closed.has_value(); }, kLineMs));
    EXPECT_NE(heard.closed->find("no-such-host.invalid"), std::string::npos) << *heard.closed;
}

TEST_F(WinsockIrc, TheSessionSignsOnOverTlsTrustingTheGivenCertificate) {
    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    Owner owner(tlsEndpoint(certificateFile()));
    owner.session.start();
    ASSERT_TRUE(pumpUntil([&] { return owner.session.registered(); }, kJoinMs));
    ASSERT_TRUE(pumpUntil([&] { return guest.sawJoinOf("owner"); }, kLineMs));
    ASSERT_TRUE(owner.session.say(kChannel, "over TLS " + kDagger));
    ASSERT_TRUE(pumpUntil([&] { return !guest.textsFrom("owner").empty(); }, kLineMs));
    EXPECT_EQ(guest.textsFrom("owner").front(), "over TLS " + kDagger);
    owner.session.stop("bye");
}

TEST_F(WinsockIrc, AnUntrustedCertificateIsReportedOnceAndNotTriedAgain) {
    WinsockLink link;
    Heard heard;
    link.setListener(recorder(heard));
    link.open(tlsEndpoint(""));
    EXPECT_EQ(heard.callbacks(), 0);  // not from inside open()
    ASSERT_TRUE(pumpUntil([&] { return heard.untrusted > 0 || heard.closed; }, kLineMs));
    EXPECT_EQ(heard.untrusted, 1) << heard.closed.value_or("");
    EXPECT_EQ(heard.connected, 0);

    Owner owner(tlsEndpoint(""));
    owner.session.start();
    ASSERT_TRUE(pumpUntil([&] { return !owner.session.live(); }, kLineMs));
    EXPECT_FALSE(owner.session.registered());
}

TEST_F(WinsockIrc, NothingIsReportedAfterClose) {
    struct Case {
        const char* host;
        std::uint16_t port;
        bool tls;
    };
    // Resolving, connecting, connected, refusing and shaking hands when closed.
    const Case cases[] = {{"localhost", serverPort(), false},
                          {"127.0.0.1", serverPort(), false},
                          {"127.0.0.1", freePort(), false},
                          {"127.0.0.1", tlsEndpoint("").port, true}};
    for (const Case& c : cases) {
        WinsockLink link;
        Heard heard;
        link.setListener(recorder(heard));
        link.open({c.host, c.port, c.tls, certificateFile()});
        link.write("NICK quiet\r\n");
        link.close();
        pumpUntil([] { return false; }, kQuietMs);
        EXPECT_EQ(heard.callbacks(), 0) << c.host << ":" << c.port;
    }
}

}  // namespace
}  // namespace ruz::irc
