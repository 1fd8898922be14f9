#include "../irc/fake_link.h"
#include "irc/rooms.h"
#include "irc/send_queue.h"
#include "irc/session.h"
#include "platform/virtual_timer_host.h"

#include <gtest/gtest.h>

#include <vector>

namespace ruz::irc {
namespace {

using testing::FakeLink;

TEST(IrcSendQueue, BurstOfFourThenOneEveryTwoSeconds) {
    VirtualTimerHost host;
    std::vector<std::int64_t> sentAt;
    SendQueue queue(host, SendPolicy{}, [&](const QByteArray&) { sentAt.push_back(host.nowMs()); });
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
    QList<QByteArray> out;
    SendQueue queue(host, SendPolicy{}, [&](const QByteArray& line) { out.append(line); });
    queue.pushChat("PRIVMSG #r :early");  // waits while the link is down
    queue.pushProtocol("NICK lost");      // forgotten: the link is down
    queue.setOpen(true, false);
    queue.pushProtocol("NICK me");
    EXPECT_EQ(out, (QList<QByteArray>{"NICK me\r\n"}));
    queue.setOpen(true, true);
    EXPECT_EQ(out.last(), "PRIVMSG #r :early\r\n");
    out.clear();
    for (int i = 0; i < 3; ++i) {
        queue.pushChat("PRIVMSG #r :more");
    }
    ASSERT_EQ(out.size(), 2);  // the burst is spent: one waits
    for (int i = 0; i < 500; ++i) {
        queue.pushPong("PONG :" + QByteArray::number(i));
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
    QList<QByteArray> out;
    SendQueue queue(host, SendPolicy{}, [&](const QByteArray& line) { out.append(line); });
    for (std::size_t i = 0; i < SendQueue::kMaxChatLines; ++i) {
        ASSERT_TRUE(queue.pushChat(QByteArray::number(static_cast<qulonglong>(i))));
    }
    EXPECT_FALSE(queue.pushChat("refused"));
    queue.setOpen(true, true);
    host.advance(static_cast<std::int64_t>(SendQueue::kMaxChatLines) * SendPolicy::kIntervalMs);
    ASSERT_EQ(static_cast<std::size_t>(out.size()), SendQueue::kMaxChatLines);
    for (int i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out.at(i), QByteArray::number(i) + "\r\n");
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
        events.memberLine = [this](const QString& c, const QString& n, const QString& t) {
            lines.append(c + " <" + n + "> " + t);
        };
        events.roomLine = [this](const QString& c, const QString& t) {
            lines.append(c + " * " + t);
        };
        events.nickAccepted = [this](const QString& n) { accepted.append(n); };
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
    QStringList takeLines() { return std::exchange(lines, {}); }
    QList<QByteArray> written() { return transport.takeLines(); }

    VirtualTimerHost host;
    FakeLink transport;
    Settings settings;
    std::unique_ptr<Session> session;
    QStringList lines;
    QStringList accepted;
};

TEST_F(IrcSession, RegistersJoinsAndAnswersPings) {
    settings.password = "pw";
    make();
    EXPECT_EQ(transport.opens, 1);
    EXPECT_TRUE(written().isEmpty());
    transport.accept();
    EXPECT_EQ(written(), (QList<QByteArray>{"PASS :pw", "NICK me", "USER me 0 * :me"}));
    EXPECT_FALSE(session->registered());
    transport.serverSends(":irc.test 001 me :Welcome\r\n:irc.test 005 me X :y\r\nPING :tok");
    EXPECT_TRUE(session->registered());
    EXPECT_EQ(accepted, QStringList{"me"});
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), (QList<QByteArray>{"JOIN #Music", "JOIN #chat"}));
    transport.serverSends("\r\n");  // ends the PING
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), (QList<QByteArray>{"PONG :tok"}));
}

TEST_F(IrcSession, NicknameInUseGetsUnderscores) {
    make();
    transport.accept();
    written();
    transport.serverSends(":irc.test 433 * me :in use\r\n:irc.test 433 * me_ :in use\r\n");
    host.advance(2 * SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), (QList<QByteArray>{"NICK me_", "NICK me__"}));
    transport.serverSends(":irc.test 001 me__ :Welcome\r\n");
    EXPECT_EQ(session->nick(), "me__");
    EXPECT_EQ(accepted, QStringList{"me__"});
}

TEST_F(IrcSession, RoomEventsBecomeLines) {
    signOn();
    takeLines();
    struct Case {
        QByteArray line;
        QString shown;  // "" : nothing shown
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
        const QStringList got = takeLines();
        if (c.shown.isEmpty()) {
            EXPECT_TRUE(got.isEmpty())
                << c.line.toStdString() << " → " << got.join('|').toStdString();
        } else {
            ASSERT_FALSE(got.isEmpty()) << c.line.toStdString();
            EXPECT_EQ(got.first(), c.shown) << c.line.toStdString();
        }
    }
    EXPECT_EQ(accepted, (QStringList{"me", "me2"}));
}

TEST_F(IrcSession, NoChatLineCanInjectACommand) {
    signOn();
    written();
    host.advance(10 * SendPolicy::kIntervalMs);
    const QString hostile =
        QString("song\r\nQUIT :x\nJOIN #evil") + QChar(0) + QString("PRIVMSG #evil :y");
    session->say("#Music", hostile);
    session->say("#Music", QString(2000, QChar(0x044F)));  // 4000 bytes: split
    host.advance(30 * SendPolicy::kIntervalMs);
    const QByteArray bytes = transport.written;
    const QList<QByteArray> lines = written();
    ASSERT_GE(lines.size(), 10);
    EXPECT_EQ(bytes.count('\n'), lines.size());
    EXPECT_EQ(bytes.count('\r'), lines.size());
    EXPECT_FALSE(bytes.contains('\0'));
    EXPECT_EQ(lines.first(), "PRIVMSG #Music :song  QUIT :x JOIN #evil PRIVMSG #evil :y");
    QString joined;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(lines.at(i).startsWith("PRIVMSG #Music :"));
        EXPECT_LE(lines.at(i).size() + 2, 512 - 1 - 2 - 1 - 10 - 1 - 63 - 1);
        joined += QString::fromUtf8(lines.at(i).mid(16));
    }
    EXPECT_EQ(joined, QString(2000, QChar(0x044F)));
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
        session->say("#chat", QStringLiteral("line %1").arg(i));
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
    EXPECT_EQ(session->retryDelayMs(), Session::kFirstRetryDelayMs);
    host.advance(20 * SendPolicy::kIntervalMs);
    QList<QByteArray> expected = {"JOIN #Music", "JOIN #chat"};
    for (int i = 0; i < 8; ++i) {
        expected.append(QStringLiteral("PRIVMSG #chat :line %1").arg(i).toUtf8());
    }
    EXPECT_EQ(written(), expected);
}

TEST_F(IrcSession, TimeoutsDropTheLink) {
    // As a socket does, the transport reports its own close while closing: each loss is still
    // handled once.
    transport.reportsCloseAtOnce = true;
    const auto losses = [this] { return takeLines().filter("connection is lost"); };
    make();  // accepts, never answers
    host.advance(Session::kRegistrationTimeoutMs - Session::kWatchdogTickMs);
    EXPECT_EQ(transport.opens, 1);
    host.advance(Session::kWatchdogTickMs);
    EXPECT_FALSE(transport.isOpen);
    EXPECT_EQ(losses(), QStringList{" * The connection is lost (no welcome from the server within "
                                    "30 s); connecting again in 1 s."});
    host.advance(Session::kFirstRetryDelayMs);
    EXPECT_EQ(transport.opens, 2);
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    host.advance(Session::kQuietBeforePingMs);
    EXPECT_TRUE(written().contains("PING :ruz"));
    host.advance(Session::kPingTimeoutMs - Session::kWatchdogTickMs);
    EXPECT_TRUE(transport.isOpen);
    host.advance(Session::kWatchdogTickMs);
    EXPECT_FALSE(transport.isOpen);
    EXPECT_EQ(losses(), QStringList{" * The connection is lost (the server stopped answering); "
                                    "connecting again in 1 s."});
    // Attempts that find no welcome wait 2 s, then 4 s.
    for (const int seconds : {2, 4}) {
        host.advance(session->retryDelayMs() / 2);
        const int opens = transport.opens;
        host.advance(Session::kRegistrationTimeoutMs);
        EXPECT_EQ(transport.opens, opens);
        EXPECT_EQ(losses(), QStringList{QStringLiteral(" * The connection is lost (no welcome from "
                                                       "the server within 30 s); connecting again "
                                                       "in %1 s.")
                                            .arg(seconds)});
    }
}

TEST_F(IrcSession, AMegabyteWithoutLineEndIsDropped) {
    signOn();
    takeLines();
    const QByteArray chunk(64 * 1024, 'x');
    for (int i = 0; i < 16 && transport.isOpen; ++i) {
        transport.serverSends(chunk);
    }
    EXPECT_FALSE(transport.isOpen);
    EXPECT_TRUE(takeLines().last().contains("more than"));
    host.advance(Session::kFirstRetryDelayMs);
    EXPECT_EQ(transport.opens, 2);
    // A long line that ends in time is read, cut to the protocol's limit.
    transport.accept();
    transport.serverSends(":irc.test 001 me :Welcome\r\n");
    takeLines();
    transport.serverSends(":bob PRIVMSG #chat :" + QByteArray(9000, 'y') + "\r\n");
    const QStringList got = takeLines();
    ASSERT_EQ(got.size(), 1);
    EXPECT_LT(got.first().size(), static_cast<qsizetype>(kMaxReadLine));
    EXPECT_TRUE(transport.isOpen);
}

TEST_F(IrcSession, AStormOfPingsQueuesOnePong) {
    signOn();
    host.advance(10 * SendPolicy::kIntervalMs);
    written();
    QByteArray storm;
    for (int i = 0; i < 10000; ++i) {
        storm += "PING :" + QByteArray::number(i) + "\r\n";
    }
    transport.serverSends(storm);
    host.advance(10 * SendPolicy::kIntervalMs);
    const QList<QByteArray> out = written();
    EXPECT_LE(out.size(), 6);
    EXPECT_EQ(out.last(), "PONG :9999");
    // A token longer than a line: the answer is cut to fit.
    transport.serverSends("PING :" + QByteArray(5000, 't') + "\r\n");
    host.advance(SendPolicy::kIntervalMs);
    const QList<QByteArray> pong = written();
    ASSERT_EQ(pong.size(), 1);
    EXPECT_EQ(pong.first().size(), static_cast<qsizetype>(kMaxLineBytes) - 2);
}

TEST_F(IrcSession, APingFloodLeavesTheChatItsShareOfThePace) {
    signOn();
    host.advance(10 * SendPolicy::kIntervalMs);
    written();
    // The program has a dozen lines to say while the server pings four times a second for a
    // minute: one PONG waits at a time, with the newest token, and every other line is chat.
    constexpr int kChatLines = 12;
    for (int i = 0; i < kChatLines; ++i) {
        ASSERT_TRUE(session->say("#chat", "line " + QString::number(i)));
    }
    constexpr int kPingEveryMs = 250;
    constexpr int kFloodMs = 60000;
    int chat = 0;
    int pongs = 0;
    QByteArray lastPong;
    for (int at = 0; at < kFloodMs; at += kPingEveryMs) {
        transport.serverSends("PING :" + QByteArray::number(at) + "\r\n");
        host.advance(kPingEveryMs);
        for (const QByteArray& line : written()) {
            chat += line.startsWith("PRIVMSG #chat :line ") ? 1 : 0;
            if (line.startsWith("PONG ")) {
                ++pongs;
                // The answer is to the newest ping at the moment it leaves.
                EXPECT_EQ(line, "PONG :" + QByteArray::number(at)) << at;
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
        QByteArray server;
        QList<QByteArray> sent;
        QString nick;
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
        EXPECT_EQ(written(), step.sent) << step.server.toStdString();
        EXPECT_EQ(session->nick(), step.nick) << step.server.toStdString();
    }
    // Nobody under the nick leaves where the program sees it: ISON asks now and then.
    host.advance(Session::kNickRegainCheckMs);
    EXPECT_EQ(written(), QList<QByteArray>{"ISON me"});
    transport.serverSends(":irc.test 303 Guest42 :ME\r\n");  // in use
    host.advance(Session::kNickRegainCheckMs);
    EXPECT_EQ(written(), QList<QByteArray>{"ISON me"});
    transport.serverSends(":irc.test 303 Guest42 :\r\n");
    host.advance(SendPolicy::kIntervalMs);
    EXPECT_EQ(written(), QList<QByteArray>{"NICK me"});
    // A nick the server refuses as a nickname is not asked for again.
    transport.serverSends(":irc.test 432 Guest42 me :Erroneous nickname\r\n");
    host.advance(2 * Session::kNickRegainCheckMs);
    EXPECT_TRUE(written().isEmpty());
    EXPECT_EQ(accepted, (QStringList{"me_", "me", "Guest42"}));
    EXPECT_TRUE(takeLines().filter("server says").isEmpty());
}

TEST_F(IrcSession, AnUntrustedCertificateIsNotTriedAgainUntilStartedAgain) {
    make();
    transport.certificateFails("The certificate is self-signed, and untrusted");
    EXPECT_EQ(takeLines().last(),
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

TEST_F(IrcSession, StopSaysQuitAndStaysDown) {
    transport.reportsCloseAtOnce = true;
    signOn();
    host.advance(10 * SendPolicy::kIntervalMs);
    written();
    session->stop("bye\r\nNICK x");
    EXPECT_EQ(written(), (QList<QByteArray>{"QUIT :bye  NICK x"}));
    host.advance(Session::kMaxRetryDelayMs * 2);
    EXPECT_EQ(transport.opens, 1);
    EXPECT_TRUE(takeLines().filter("connection is lost").isEmpty());
}

}  // namespace
}  // namespace ruz::irc
