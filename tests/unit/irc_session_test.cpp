#include "../irc/fake_link.h"
#include "desktop/welcome_wait.h"
#include "irc/rooms.h"
#include "irc/send_queue.h"
#include "irc/session.h"
#include "platform/virtual_timer_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::irc {
namespace {

using testing::FakeLink;
using Lines = std::vector<std::string>;

// The lines that contain `part`.
Lines linesWith(const Lines& lines, std::string_view part) {
    Lines found;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(found),
                 [&](const std::string& line) { return line.find(part) != std::string::npos; });
    return found;
}

std::string repeated(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(IrcSendQueue, BurstOfFourThenOneEveryTwoSeconds) {
    VirtualTimerHost host;
    std::vector<std::int64_t> sentAt;
    SendQueue queue(host, SendPolicy{}, [&](std::string_view) { sentAt.push_back(host.nowMs()); });
    queue.setOpen(true, true);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(queue.pushChat("PRIVMSG #r :x"));
    }
    host.advance(20000);
    const std::vector<std::int64_t> expected = {0, 0, 0, 0, 2000, 4000, 6000, 8000, 10000, 12000};
    EXPECT_EQ(sentAt, expected);
    // Quiet for a while: the burst is back.
    sentAt.clear();
    host.advance(8000);
    for (int i = 0; i < 5; ++i) {
        queue.pushChat("PRIVMSG #r :y");
    }
    host.advance(2000);
    EXPECT_EQ(sentAt.size(), 5u);
    EXPECT_EQ(sentAt[3], sentAt[0]);
    EXPECT_EQ(sentAt[4], sentAt[0] + 2000);
}

TEST(IrcSendQueue, ProtocolFirstChatOnlyWhenRegisteredPongsCoalesce) {
    VirtualTimerHost host;
    Lines out;
    SendQueue queue(host, SendPolicy{}, [&](std::string_view line) { out.emplace_back(line); });
    queue.pushChat("PRIVMSG #r :early");  // waits while the link is down
    queue.pushProtocol("NICK lost");      // forgotten: the link is down
    queue.setOpen(true, false);
    queue.pushProtocol("NICK me");
    EXPECT_EQ(out, (Lines{"NICK me\r\n"}));
    queue.setOpen(true, true);
    EXPECT_EQ(out.back(), "PRIVMSG #r :early\r\n");
    out.clear();
    for (int i = 0; i < 3; ++i) {
        queue.pushChat("PRIVMSG #r :more");
    }
    ASSERT_EQ(out.size(), 2u);  // the burst is spent: one waits
    for (int i = 0; i < 500; ++i) {
        queue.pushPong("PONG :" + std::to_string(i));
    }
    queue.pushChat("PRIVMSG #r :after");
    EXPECT_EQ(queue.protocolWaiting(), 1u);
    host.advance(2000);
    EXPECT_EQ(out.at(2), "PONG :499\r\n");
    host.advance(4000);
    EXPECT_EQ(out.at(3), "PRIVMSG #r :more\r\n");
    EXPECT_EQ(out.at(4), "PRIVMSG #r :after\r\n");
}

TEST(IrcSendQueue, AFullQueueRefusesAndKeepsOrder) {
    VirtualTimerHost host;
    Lines out;
    SendQueue queue(host, SendPolicy{}, [&](std::string_view line) { out.emplace_back(line); });
    for (std::size_t i = 0; i < SendQueue::kMaxChatLines; ++i) {
        ASSERT_TRUE(queue.pushChat(std::to_string(i)));
    }
    EXPECT_FALSE(queue.pushChat("refused"));
    queue.setOpen(true, true);
    host.advance(static_cast<std::int64_t>(SendQueue::kMaxChatLines) * SendPolicy::kIntervalMs);
    ASSERT_EQ(out.size(), SendQueue::kMaxChatLines);
    for (std::size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out.at(i), std::to_string(i) + "\r\n");
    }
}

// A session on virtual time against a scripted server.
class IrcSession : public ::testing::Test {
  protected:
    IrcSession() { settings.channels = {"#Music", "#chat"}; }

    Session& make() {
        settings.endpoint = {"irc.test", 6667, false, {}};
        settings.nick = "me";
        Events events;
        events.memberLine = [this](const std::string& c, const std::string& n,
                                   const std::string& t) {
            lines.push_back(c + " <" + n + "> " + t);
        };
        events.roomLine = [this](const std::string& c, const std::string& t) {
            lines.push_back(c + " * " + t);
        };
        events.nickAccepted = [this](const std::string& n) { accepted.push_back(n); };
        session = std::make_unique<Session>(host, transport, settings, events);
        session->start();
        return *session;
    }
    // Connects and completes the registration.
    void signOn() {
        make();
        transport.accept();
        transport.serverSends(":irc.test 001 me :Welcome\r\n");
        host.advance(0);
    }
    Lines takeLines() { return std::exchange(lines, {}); }
    Lines written() { return transport.takeLines(); }

    VirtualTimerHost host;
    FakeLink transport;
    Settings settings;
    std::unique_ptr<Session> session;
    Lines lines;
    Lines accepted;
};

// Start-up on a network waits for the welcome: it goes on at the welcome, after the longest wait
// for a server that never answers, and at the first look for a session that stopped trying.
TEST_F(IrcSession, StartUpWaitsForTheWelcomeAndNoLonger) {
    using desktop::WelcomeWait;
    make();
    int started = 0;
    {
        const WelcomeWait wait(host, *session, [&started] { ++started; });
        host.advance(3 * WelcomeWait::kPollMs);
        EXPECT_EQ(started, 0);
        transport.accept();
        transport.serverSends(":irc.test 001 me :Welcome\r\n");
        host.advance(WelcomeWait::kPollMs);
        EXPECT_EQ(started, 1);
        host.advance(WelcomeWait::kWaitMs);
        EXPECT_EQ(started, 1);  // once
    }
    session.reset();
    make();
    {
        const WelcomeWait wait(host, *session, [&started] { ++started; });
        host.advance(WelcomeWait::kWaitMs - WelcomeWait::kPollMs);
        EXPECT_EQ(started, 1);
        host.advance(WelcomeWait::kPollMs);
        EXPECT_EQ(started, 2);
    }
    session->stop("bye");
    const WelcomeWait wait(host, *session, [&started] { ++started; });
    host.advance(0);
    EXPECT_EQ(started, 3);
}

TEST_F(IrcSession, RegistersJoinsAndAnswersPings) {
    settings.password = "pw";
    make();
    EXPECT_EQ(transport.opens, 1);
    EXPECT_TRUE(written().empty());
    transport.accept();
    EXPECT_EQ(written(), (Lines{"PASS :pw", "NICK me", "USER me 0 * :me"}));
    EXPECT_FALSE(session->registered());
    transport.serverSends(":irc.test 001 me :Welcome\r\n:irc.test 005 me X :y\r\nPING :tok");
    EXPECT_TRUE(session->registered());
    EXPECT_EQ(accepted, Lines{"me"});
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), (Lines{"JOIN #Music", "JOIN #chat"}));
    transport.serverSends("\r\n");  // ends the PING
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), (Lines{"PONG :tok"}));
}

TEST_F(IrcSession, NicknameInUseGetsUnderscores) {
    make();
    transport.accept();
    written();
    transport.serverSends(":irc.test 433 * me :in use\r\n:irc.test 433 * me_ :in use\r\n");
    host.advance(2 * SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), (Lines{"NICK me_", "NICK me__"}));
    transport.serverSends(":irc.test 001 me__ :Welcome\r\n");
    EXPECT_EQ(session->nick(), "me__");
    EXPECT_EQ(accepted, Lines{"me__"});
}

TEST_F(IrcSession, RoomEventsBecomeLines) {
    signOn();
    takeLines();
    struct Case {
        std::string line;
        std::string shown;  // "" : nothing shown
    };
    const Case cases[] = {
        {":me!u@h JOIN #music", "#Music * You have entered the room."},
        {":irc.test 332 me #music :\x02"
         "Top\x02 songs",
         "#Music * The topic is: Top songs"},
        {":irc.test 353 me = #music :@me +bob carol", ""},
        {":irc.test 366 me #music :End", "#Music * In the room: me bob carol"},
        {":dave!u@h JOIN :#chat", "#chat * dave has entered the room."},
        {":bob!u@h PRIVMSG #MUSIC :\x03"
         "4hi\x03 there",
         "#Music <bob> hi there"},
        {":bob!u@h PRIVMSG #music :\x01"
         "ACTION waves\x01",
         "#Music <bob> * waves"},
        {":bob!u@h PRIVMSG #music :\x01VERSION\x01", ""},
        {":bob!u@h PRIVMSG me :psst", " * bob whispers: psst"},
        {":bob!u@h PRIVMSG #other :elsewhere", " * [#other] bob: elsewhere"},
        {":b<o>b!u@h PRIVMSG #music :x", "#Music <b?o?b> x"},
        {":bob!u@h NICK :bobby", "#Music * bob is now known as bobby."},
        {":op!u@h TOPIC #music :new one", "#Music * op changes the topic to: new one"},
        {":op!u@h KICK #music carol :spam", "#Music * carol was kicked by op (spam)."},
        {":bobby!u@h PART #music", "#Music * bobby has left the room."},
        {":dave!u@h QUIT :gone home", "#chat * dave has quit (gone home)."},
        {":ghost!u@h QUIT :never here", ""},
        {":op!u@h NOTICE #music :hear ye", "#Music * Notice from op: hear ye"},
        {":irc.test 404 me #music :Cannot send", "#Music * The server says: #music: Cannot send"},
        {":irc.test 999 me :unknown numeric", ""},
        {":irc.test 400", " * The server says: "},
        {"garbage ! line", ""},
        {":", ""},
        {"@", ""},
        {":me!u@h NICK me2", "#Music * You are now known as me2."},
        {":op!u@h KICK #music me2 :bye", "#Music * You were kicked by op (bye)."},
    };
    for (const Case& c : cases) {
        transport.serverSends(c.line + "\r\n");
        const Lines got = takeLines();
        if (c.shown.empty()) {
            EXPECT_TRUE(got.empty()) << c.line << " → " << got.front();
        } else {
            ASSERT_FALSE(got.empty()) << c.line;
            EXPECT_EQ(got.front(), c.shown) << c.line;
        }
    }
    EXPECT_EQ(accepted, (Lines{"me", "me2"}));
}

TEST_F(IrcSession, NoChatLineCanInjectACommand) {
    signOn();
    written();
    host.advance(10 * SendPolicy::kIntervalMs);
    const std::string hostile =
        std::string("song\r\nQUIT :x\nJOIN #evil") + '\0' + "PRIVMSG #evil :y";
    session->say("#Music", hostile);
    const std::string ya = repeated("я", 2000);  // 4000 bytes: split
    session->say("#Music", ya);
    host.advance(30 * SendPolicy::kIntervalMs);
    const std::string bytes = transport.written;
    const Lines lines = written();
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')), lines.size());
    EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r')), lines.size());
    EXPECT_EQ(bytes.find('\0'), std::string::npos);
    EXPECT_EQ(lines.front(), "PRIVMSG #Music :song  QUIT :x JOIN #evil PRIVMSG #evil :y");
    std::string joined;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(lines.at(i).starts_with("PRIVMSG #Music :"));
        EXPECT_LE(lines.at(i).size() + 2, 512u - 1 - 2 - 1 - 10 - 1 - 63 - 1);
        joined += lines.at(i).substr(16);
    }
    EXPECT_EQ(joined, ya);
}

TEST_F(IrcSession, ReconnectsWithGrowingDelayAndSendsWhatWaited) {
    signOn();
    written();
    std::vector<int> delays;
    for (int i = 0; i < 8; ++i) {
        const int opens = transport.opens;
        const int delay = session->retryDelayMs();
        delays.push_back(delay);
        // Lost after the welcome, lost during the registration, or refused at once.
        transport.serverCloses("reset");
        session->say("#chat", "line " + std::to_string(i));
        host.advance(delay - 1);
        EXPECT_EQ(transport.opens, opens) << i;
        host.advance(1);
        EXPECT_EQ(transport.opens, opens + 1) << i;
        if (i % 2 == 0) {
            transport.accept();
            written();
        }
    }
    EXPECT_EQ(delays, (std::vector<int>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000}));
    transport.accept();
    written();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    // A welcome alone does not make the link a lasting one.
    EXPECT_EQ(session->retryDelayMs(), Session::kMaxRetryDelayMs);
    host.advance(20 * SendPolicy::kIntervalMs);
    Lines expected = {"JOIN #Music", "JOIN #chat"};
    for (int i = 0; i < 8; ++i) {
        expected.push_back("PRIVMSG #chat :line " + std::to_string(i));
    }
    EXPECT_EQ(written(), expected);
}

// A server that welcomes every link and drops it a few seconds later (or renegotiates) is tried
// ever less often; a link that stays signed on for kStableLinkMs starts the delays afresh.
TEST_F(IrcSession, ALinkDroppedSoonAfterEachWelcomeIsTriedEverLessOften) {
    constexpr int kUpMs = 6000;
    signOn();
    std::vector<int> delays;
    for (int i = 0; i < 6; ++i) {
        host.advance(kUpMs);
        const int delay = session->retryDelayMs();
        delays.push_back(delay);
        const int opens = transport.opens;
        transport.serverCloses("renegotiation");
        host.advance(delay - 1);
        EXPECT_EQ(transport.opens, opens) << i;
        host.advance(1);
        ASSERT_EQ(transport.opens, opens + 1) << i;
        transport.accept();
        transport.serverSends(":irc.test 001 me :Welcome\r\n");
        EXPECT_TRUE(session->registered());
    }
    EXPECT_EQ(delays, (std::vector<int>{1000, 2000, 4000, 8000, 16000, 32000}));
    // Up for a moment less than kStableLinkMs: still the long delay.
    host.advance(Session::kStableLinkMs - 1);
    transport.serverSends(":irc.test PING :x\r\n");
    transport.serverCloses("renegotiation");
    int opens = transport.opens;
    host.advance(Session::kMaxRetryDelayMs - 1);
    EXPECT_EQ(transport.opens, opens);
    host.advance(1);
    ASSERT_EQ(transport.opens, opens + 1);
    // Up for kStableLinkMs: the next loss is a new one.
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    for (int waited = 0; waited < Session::kStableLinkMs; waited += SendPolicy::kIntervalMs) {
        host.advance(SendPolicy::kIntervalMs);
        transport.serverSends(":irc.test PING :x\r\n");
    }
    opens = transport.opens;
    transport.serverCloses("reset");
    host.advance(Session::kFirstRetryDelayMs);
    EXPECT_EQ(transport.opens, opens + 1);
}

// At the end, the lines that wait leave at the send pace, then the QUIT; the link closes once the
// server has closed it, and nothing connects again.
TEST_F(IrcSession, QuitLetsWhatWaitsLeaveAtThePaceThenTheQuit) {
    signOn();
    host.advance(10 * SendPolicy::kIntervalMs);
    written();
    for (int i = 0; i <= SendPolicy::kBurst; ++i) {
        session->say("#chat", "line " + std::to_string(i));
    }
    EXPECT_EQ(written().size(), static_cast<std::size_t>(SendPolicy::kBurst));
    int done = 0;
    session->quit("bye", [&] { ++done; });
    EXPECT_TRUE(session->quitting());
    EXPECT_TRUE(transport.isOpen);
    EXPECT_TRUE(written().empty());
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), Lines{"PRIVMSG #chat :line 4"});
    // A PING meanwhile is answered before the QUIT.
    transport.serverSends("PING :tok\r\n");
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), Lines{"PONG :tok"});
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), Lines{"QUIT :bye"});
    EXPECT_EQ(done, 0);
    EXPECT_TRUE(transport.isOpen);
    transport.serverCloses("closing link");
    EXPECT_EQ(done, 1);
    EXPECT_FALSE(session->quitting());
    EXPECT_FALSE(session->live());
    EXPECT_EQ(session->status(), "Signed off");
    host.advance(2 * Session::kMaxRetryDelayMs);
    EXPECT_EQ(transport.opens, 1);
    EXPECT_TRUE(linesWith(takeLines(), "connection is lost").empty());
    session->stop("again");
    EXPECT_EQ(done, 1);
}

// A server that keeps the link after the QUIT, or a backlog longer than the pace lets go in
// kQuitDrainMs: the QUIT leaves and the link closes at the bound; what still waited is dropped.
TEST_F(IrcSession, QuitEndsWithinItsBound) {
    for (const int backlog : {1, 40}) {
        signOn();
        host.advance(10 * SendPolicy::kIntervalMs);
        written();
        for (int i = 0; i < backlog; ++i) {
            session->say("#chat", "line " + std::to_string(i));
        }
        bool done = false;
        session->quit("bye", [&] { done = true; });
        host.advance(Session::kQuitDrainMs - 1);
        EXPECT_FALSE(done) << backlog;
        EXPECT_TRUE(transport.isOpen) << backlog;
        host.advance(1);
        EXPECT_TRUE(done) << backlog;
        EXPECT_FALSE(transport.isOpen) << backlog;
        Lines out = written();
        ASSERT_FALSE(out.empty()) << backlog;
        EXPECT_EQ(out.back(), "QUIT :bye") << backlog;
        out.pop_back();
        // The lines that left did so in order, before the QUIT; with the long backlog not all.
        EXPECT_EQ(out.size() < static_cast<std::size_t>(backlog), backlog > 1) << backlog;
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i], "PRIVMSG #chat :line " + std::to_string(i)) << backlog;
        }
        session.reset();
    }
    // Not signed on: done at once.
    make();
    bool done = false;
    session->quit("bye", [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_FALSE(session->live());
}

TEST_F(IrcSession, TimeoutsDropTheLink) {
    // As a socket does, the transport reports its own close while closing: each loss is still
    // handled once.
    transport.reportsCloseAtOnce = true;
    const auto losses = [this] { return linesWith(takeLines(), "connection is lost"); };
    make();  // accepts, never answers
    host.advance(Session::kRegistrationTimeoutMs - Session::kWatchdogTickMs);
    EXPECT_EQ(transport.opens, 1);
    host.advance(Session::kWatchdogTickMs);
    EXPECT_FALSE(transport.isOpen);
    EXPECT_EQ(losses(), Lines{" * The connection is lost (no welcome from the server within "
                              "30 s); connecting again in 1 s."});
    host.advance(Session::kFirstRetryDelayMs);
    EXPECT_EQ(transport.opens, 2);
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    host.advance(Session::kQuietBeforePingMs);
    EXPECT_EQ(linesWith(written(), "PING :ruz"), Lines{"PING :ruz"});
    host.advance(Session::kPingTimeoutMs - Session::kWatchdogTickMs);
    EXPECT_TRUE(transport.isOpen);
    host.advance(Session::kWatchdogTickMs);
    EXPECT_FALSE(transport.isOpen);
    EXPECT_EQ(losses(), Lines{" * The connection is lost (the server stopped answering); "
                              "connecting again in 1 s."});
    // Attempts that find no welcome wait 2 s, then 4 s.
    for (const int seconds : {2, 4}) {
        host.advance(session->retryDelayMs() / 2);
        const int opens = transport.opens;
        host.advance(Session::kRegistrationTimeoutMs);
        EXPECT_EQ(transport.opens, opens);
        EXPECT_EQ(losses(), Lines{" * The connection is lost (no welcome from the server within "
                                  "30 s); connecting again in " +
                                  std::to_string(seconds) + " s."});
    }
}

TEST_F(IrcSession, AMegabyteWithoutLineEndIsDropped) {
    signOn();
    takeLines();
    const std::string chunk(64 * 1024, 'x');
    for (int i = 0; i < 16 && transport.isOpen; ++i) {
        transport.serverSends(chunk);
    }
    EXPECT_FALSE(transport.isOpen);
    EXPECT_NE(takeLines().back().find("more than"), std::string::npos);
    host.advance(Session::kFirstRetryDelayMs);
    EXPECT_EQ(transport.opens, 2);
    // A long line that ends in time is read, cut to the protocol's limit.
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    takeLines();
    transport.serverSends(":bob PRIVMSG #chat :" + std::string(9000, 'y') + "\r\n");
    const Lines got = takeLines();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_LT(got.front().size(), kMaxReadLine);
    EXPECT_TRUE(transport.isOpen);
}

TEST_F(IrcSession, AStormOfPingsQueuesOnePong) {
    signOn();
    host.advance(10 * SendPolicy::kIntervalMs);
    written();
    std::string storm;
    for (int i = 0; i < 10000; ++i) {
        storm += "PING :" + std::to_string(i) + "\r\n";
    }
    transport.serverSends(storm);
    host.advance(10 * SendPolicy::kIntervalMs);
    const Lines out = written();
    EXPECT_LE(out.size(), 6u);
    EXPECT_EQ(out.back(), "PONG :9999");
    // A token longer than a line: the answer is cut to fit.
    transport.serverSends("PING :" + std::string(5000, 't') + "\r\n");
    host.advance(SendPolicy::kIntervalMs);
    const Lines pong = written();
    ASSERT_EQ(pong.size(), 1u);
    EXPECT_EQ(pong.front().size(), kMaxLineBytes - 2);
}

TEST_F(IrcSession, APingFloodLeavesTheChatItsShareOfThePace) {
    signOn();
    host.advance(10 * SendPolicy::kIntervalMs);
    written();
    // The program has a dozen lines to say while the server pings four times a second for a
    // minute: one PONG waits at a time, with the newest token, and every other line is chat.
    constexpr int kChatLines = 12;
    for (int i = 0; i < kChatLines; ++i) {
        ASSERT_TRUE(session->say("#chat", "line " + std::to_string(i)));
    }
    constexpr int kPingEveryMs = 250;
    constexpr int kFloodMs = 60000;
    int chat = 0;
    int pongs = 0;
    for (int at = 0; at < kFloodMs; at += kPingEveryMs) {
        transport.serverSends("PING :" + std::to_string(at) + "\r\n");
        host.advance(kPingEveryMs);
        for (const std::string& line : written()) {
            chat += line.starts_with("PRIVMSG #chat :line ") ? 1 : 0;
            if (line.starts_with("PONG ")) {
                ++pongs;
                // The answer is to the newest ping at the moment it leaves.
                EXPECT_EQ(line, "PONG :" + std::to_string(at)) << at;
            }
        }
    }
    EXPECT_EQ(chat, kChatLines);
    EXPECT_LE(pongs, kFloodMs / SendPolicy::kIntervalMs + SendPolicy::kBurst);
    EXPECT_GE(pongs, kFloodMs / SendPolicy::kIntervalMs - kChatLines - 1);
}

TEST_F(IrcSession, TheConfiguredNickIsTakenBackOnceFree) {
    make();
    transport.accept();
    transport.serverSends(":irc.test 433 * me :in use\r\n:irc.test 001 me_ :Welcome\r\n");
    host.advance(SendPolicy::kIntervalMs);
    written();
    struct Step {
        std::string server;
        Lines sent;
        std::string nick;
    };
    const Step steps[] = {
        // The holder changes nick, but another takes it first: refused without a word.
        {":me!u@h NICK :other", {"NICK me"}, "me_"},
        {":irc.test 433 me_ me :Nickname already in use", {}, "me_"},
        // The holder quits: asked again, and granted.
        {":me!u@h QUIT :Ping timeout", {"NICK me"}, "me_"},
        {":me_!u@h NICK :me", {}, "me"},
        // Someone under a nick the program had asks nothing.
        {":me_!u@h QUIT :gone", {}, "me"},
        // The server renames the program.
        {":me!u@h NICK :Guest42", {}, "Guest42"},
    };
    for (const Step& step : steps) {
        transport.serverSends(step.server + "\r\n");
        host.advance(SendPolicy::kIntervalMs);
        EXPECT_EQ(written(), step.sent) << step.server;
        EXPECT_EQ(session->nick(), step.nick) << step.server;
    }
    // Nobody under the nick leaves where the program sees it: ISON asks now and then.
    host.advance(Session::kNickRegainCheckMs);
    EXPECT_EQ(written(), Lines{"ISON me"});
    transport.serverSends(":irc.test 303 Guest42 :ME\r\n");  // in use
    host.advance(Session::kNickRegainCheckMs);
    EXPECT_EQ(written(), Lines{"ISON me"});
    transport.serverSends(":irc.test 303 Guest42 :\r\n");
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), Lines{"NICK me"});
    // A nick the server refuses as a nickname is not asked for again.
    transport.serverSends(":irc.test 432 Guest42 me :Erroneous nickname\r\n");
    host.advance(2 * Session::kNickRegainCheckMs);
    EXPECT_TRUE(written().empty());
    EXPECT_EQ(accepted, (Lines{"me_", "me", "Guest42"}));
    EXPECT_TRUE(linesWith(takeLines(), "server says").empty());
}

TEST_F(IrcSession, AnUntrustedCertificateIsNotTriedAgainUntilStartedAgain) {
    make();
    transport.certificateFails("The certificate is self-signed, and untrusted");
    EXPECT_EQ(takeLines().back(),
              " * The server's certificate is not trusted (The certificate is self-signed, and "
              "untrusted); no more attempts until you sign on again.");
    host.advance(2 * Session::kMaxRetryDelayMs);
    EXPECT_EQ(transport.opens, 1);
    EXPECT_FALSE(session->live());
    session->start();
    EXPECT_EQ(transport.opens, 2);
    EXPECT_TRUE(session->live());
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    EXPECT_TRUE(session->registered());
}

TEST_F(IrcSession, ATlsHandshakeTheServerDoesNotAnswerEndsTheAttemptsAndDropsWhatWaited) {
    struct Case {
        const char* name;
        // The server's side once the handshake has begun: it closes the stream, or never
        // answers; "" for the second.
        const char* closes;
        std::string roomLine;
    };
    const Case cases[] = {
        {"closed", "the remote host closed the connection",
         " * The server did not answer TLS (the remote host closed the connection); is 6667 a "
         "plain port? No more attempts until you sign on again."},
        {"silent", "",
         " * The server did not answer TLS (no answer to the handshake within 10 s); is 6667 a "
         "plain port? No more attempts until you sign on again."},
    };
    for (const Case& c : cases) {
        session.reset();
        lines.clear();
        transport.opens = 0;
        make();
        session->say("#chat", "one");
        session->say("#Music", "two");
        session->say("#chat", "three");
        EXPECT_EQ(session->status(), "Connecting to irc.test:6667...") << c.name;
        transport.handshakeBegins();
        if (*c.closes != '\0') {
            transport.serverCloses(c.closes);
        } else {
            host.advance(Session::kTlsAnswerTimeoutMs - Session::kWatchdogTickMs);
            EXPECT_TRUE(session->live()) << c.name;
            host.advance(Session::kWatchdogTickMs);
        }
        EXPECT_FALSE(session->live()) << c.name;
        EXPECT_EQ(session->status(),
                  "Not connected: the server did not answer TLS (is 6667 a plain port?)")
            << c.name;
        EXPECT_EQ(session->channelState("#chat"), ChannelState::Down);
        const Lines shown = takeLines();
        EXPECT_EQ(linesWith(shown, "did not answer"), Lines{c.roomLine}) << c.name;
        EXPECT_EQ(linesWith(shown, "not sent"),
                  (Lines{"#Music * 1 line that waited was not sent.",
                         "#chat * 2 lines that waited were not sent."}))
            << c.name;
        host.advance(2 * Session::kMaxRetryDelayMs);
        EXPECT_EQ(transport.opens, 1) << c.name;
        // Signing on again tries once more, and nothing of the dropped lines goes.
        session->start();
        transport.accept();
        transport.serverSends(":irc.test 001 me :Welcome\r\n");
        host.advance(10 * SendPolicy::kIntervalMs);
        EXPECT_TRUE(linesWith(written(), "PRIVMSG").empty()) << c.name;
        EXPECT_EQ(session->status(), "Online as me") << c.name;
    }
}

TEST_F(IrcSession, TheStatusAndEachChannelFollowTheConnection) {
    make();
    struct Step {
        std::string server;  // what the server does: a line, or "close"
        std::string status;
        ChannelState music;
        ChannelState chat;
    };
    const Step steps[] = {
        {"", "Connecting to irc.test:6667...", ChannelState::Waiting, ChannelState::Waiting},
        {":irc.test 001 me :Welcome", "Online as me", ChannelState::Joining, ChannelState::Joining},
        {":me!u@h JOIN #music", "Online as me", ChannelState::Joined, ChannelState::Joining},
        {":irc.test 474 me #chat :Cannot join (+b)", "Online as me", ChannelState::Joined,
         ChannelState::Out},
        {":me!u@h NICK me2", "Online as me2", ChannelState::Joined, ChannelState::Out},
        {":op!u@h KICK #music me2 :bye", "Online as me2", ChannelState::Out, ChannelState::Out},
        {"close", "Not connected: reset; connecting again in 1 s", ChannelState::Waiting,
         ChannelState::Waiting},
    };
    for (const Step& step : steps) {
        if (step.server == "close") {
            transport.serverCloses("reset");
        } else if (!step.server.empty()) {
            if (step.server.find(" 001 ") != std::string::npos) {
                transport.accept();
            }
            transport.serverSends(step.server + "\r\n");
        }
        EXPECT_EQ(session->status(), step.status) << step.server;
        EXPECT_EQ(session->channelState("#MUSIC"), step.music) << step.server;
        EXPECT_EQ(session->channelState("#chat"), step.chat) << step.server;
    }
    // The lines said while away are announced when the link is back, and joining a channel
    // while signed on asks for it at once.
    session->say("#chat", "while away");
    host.advance(Session::kFirstRetryDelayMs);
    transport.accept();
    takeLines();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    EXPECT_EQ(linesWith(takeLines(), "waited"), Lines{"#chat * Sending the line that waited."});
    host.advance(10 * SendPolicy::kIntervalMs);
    written();
    session->join("#new");
    session->join("#NEW");
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), Lines{"JOIN #new"});
    EXPECT_EQ(session->channelState("#new"), ChannelState::Joining);
    session->stop("bye");
    EXPECT_EQ(session->status(), "Signed off");
    EXPECT_EQ(session->channelState("#new"), ChannelState::Down);
}

TEST_F(IrcSession, StopSaysQuitAndStaysDown) {
    transport.reportsCloseAtOnce = true;
    signOn();
    host.advance(10 * SendPolicy::kIntervalMs);
    written();
    session->stop("bye\r\nNICK x");
    EXPECT_EQ(written(), (Lines{"QUIT :bye  NICK x"}));
    host.advance(Session::kMaxRetryDelayMs * 2);
    EXPECT_EQ(transport.opens, 1);
    EXPECT_TRUE(linesWith(takeLines(), "connection is lost").empty());
}

}  // namespace
}  // namespace ruz::irc
