// ruz-irc-measure: the latency from the owner's command reaching the server to the announcement
// reaching another member (ngircd on loopback, the everyday send pace), and the program's memory
// while 10,000 lines of other members arrive in its room; with --flood, how the program keeps up
// with a server on loopback that sends 1,000 members entering and leaving a second for 20 s.
#include "fake_link.h"
#include "harness.h"
#include "ngircd_server.h"
#include "qt/qt_text.h"

#include <QCoreApplication>
#include <QTcpServer>

#include <sys/resource.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace ruz::irc;
using namespace ruz::irc::testing;

constexpr int kCommands = 50;
// A command every 4 to 4.5 s: two lines each (the command and the announcement), as the send pace
// allows without waiting; the spread puts the commands at every phase of the chat scanner's poll.
constexpr int kCommandSpacingMs = 4000;
constexpr int kSpreadMs = 500;
constexpr int kSpreadStepMs = 137;  // coprime to the spread: every phase in turn
constexpr int kWaitMs = 15000;
constexpr int kMemberLines = 10000;
constexpr int kLineSpacingMs = 100;
constexpr int kReportEvery = 2000;
constexpr long long kFloodPairsPerSecond = 1000;
constexpr long long kFloodMs = 20000;
constexpr int kFloodQuestions = 9;
constexpr long long kMsPerSecond = 1000;

// The owner in the channel #ruz of the server at `host`:`port`.
Settings ownerIn(const QString& host, quint16 port) {
    Settings settings;
    settings.endpoint = {host.toStdString(), port, false, {}};
    settings.nick = "owner";
    settings.channels = {"#ruz"};
    return settings;
}

int measureLatency() {
    NgircdServer server;
    if (const QString problem = server.start(); !problem.isEmpty()) {
        std::fprintf(stderr, "ruz-irc-measure: %s\n", qPrintable(problem));
        return 1;
    }
    Program program(ownerIn(QStringLiteral("127.0.0.1"), server.port()));
    program.addSong(QStringLiteral("A - One.mp3"), QStringLiteral("tone-60s.mp3"));
    program.addSong(QStringLiteral("B - Two.mp3"), QStringLiteral("tone-60s.mp3"));
    Member guest(server.port(), QStringLiteral("guest"), QStringLiteral("#ruz"));
    if (!guest.join(nullptr, kWaitMs) || !program.start(kWaitMs)) {
        std::fprintf(stderr, "ruz-irc-measure: could not sign on\n");
        return 1;
    }
    const auto heard = [&] { return guest.textsFrom(QStringLiteral("owner")).size(); };
    pumpUntil(
        &program.world, [&] { return heard() >= 2; }, kWaitMs);
    std::vector<qint64> latencies;
    for (int i = 0; i < kCommands; ++i) {
        pumpUntil(
            &program.world, [] { return false; }, kCommandSpacingMs);
        const qsizetype before = heard();
        program.type(i % 2 == 0 ? QStringLiteral(".skip") : QStringLiteral(".back"));
        if (!pumpUntil(
                &program.world, [&] { return heard() >= before + 2; }, kWaitMs)) {
            std::fprintf(stderr, "ruz-irc-measure: command %d got no announcement\n", i + 1);
            return 1;
        }
        qint64 command = 0;
        qint64 announcement = 0;
        qsizetype seen = 0;
        for (const Member::Line& line : guest.lines()) {
            if (line.command == u"PRIVMSG" && line.nick == u"owner") {
                ++seen;
                if (seen == before + 1) {
                    command = line.atMs;
                } else if (seen == before + 2) {
                    announcement = line.atMs;
                }
            }
        }
        latencies.push_back(announcement - command);
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies[static_cast<std::size_t>(q * static_cast<double>(latencies.size() - 1))];
    };
    std::printf(
        "latency over %d commands: median %lld ms, 95th percentile %lld ms, min %lld ms, "
        "max %lld ms\n",
        kCommands, static_cast<long long>(at(0.5)), static_cast<long long>(at(0.95)),
        static_cast<long long>(latencies.front()), static_cast<long long>(latencies.back()));
    return 0;
}

int measureMemory() {
    ruz::scenario::World world;
    FakeLink ircLink;
    Rooms rooms(world.standin, world.model, world.host, ircLink,
                ownerIn(QStringLiteral("irc.test"), 6667));
    rooms.start();
    ircLink.accept();
    ircLink.serverSends(":irc.test 001 owner :Welcome\r\n:owner!u@h JOIN #ruz\r\n");
    world.dialogs.queueYesNo(true);
    world.start();
    world.wait(kLineSpacingMs);
    std::printf("resident memory: %ld KiB before the lines\n", residentKiB());
    for (int i = 1; i <= kMemberLines; ++i) {
        ircLink.serverSends(":member" + std::to_string(i % 7) + "!u@h PRIVMSG #ruz :line " +
                            std::to_string(i) + " of the room, " + std::string(40, 'x') + "\r\n");
        world.wait(kLineSpacingMs);
        ircLink.takeLines();
        if (i % kReportEvery == 0) {
            std::printf("resident memory: %ld KiB after %d lines\n", residentKiB(), i);
        }
    }
    return 0;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The whole program on virtual time that follows the wall clock, a server of its own on loopback:
// the flood's lines as fast as the clock makes them due, the owner's questions typed into the
// room among them.
int measureFlood() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        return 1;
    }
    Program program(ownerIn(QStringLiteral("127.0.0.1"), server.serverPort()));
    program.addSong(QStringLiteral("A - One.mp3"), QStringLiteral("tone-60s.mp3"));
    program.rooms->start();
    if (!pumpUntil(
            &program.world, [&] { return server.hasPendingConnections(); }, kWaitMs)) {
        return 1;
    }
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    peer->write(":irc.test 001 owner :Welcome\r\n:owner!u@h JOIN #ruz\r\n");
    if (!program.start(kWaitMs)) {
        std::fprintf(stderr, "ruz-irc-measure: could not sign on\n");
        return 1;
    }
    pumpUntil(
        &program.world, [] { return false; }, kWaitMs / 3);
    QByteArray written = peer->readAll();
    const auto answers = [&] {
        written += peer->readAll();
        return static_cast<int>(written.count("PRIVMSG #ruz :Song Is "));
    };
    const long long pairs = kFloodPairsPerSecond * kFloodMs / kMsPerSecond;
    long long sent = 0;
    int asked = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    pumpUntil(
        &program.world,
        [&] {
            const long long due =
                std::min(clock.elapsed(), kFloodMs) * kFloodPairsPerSecond / kMsPerSecond;
            QByteArray bytes;
            for (; sent < due; ++sent) {
                if (asked < kFloodQuestions &&
                    sent == (asked + 1) * pairs / (kFloodQuestions + 1)) {
                    // The owner types the question into the room, between two members' lines.
                    peer->write(bytes);
                    bytes.clear();
                    program.type(QStringLiteral(".set?"));
                    ++asked;
                }
                const QByteArray who = ":guest" + QByteArray::number(sent) + "!u@h ";
                bytes += who + "JOIN #ruz\r\n" + who + "PART #ruz :bye\r\n";
            }
            peer->write(bytes);
            answers();
            return sent == pairs;
        },
        kFloodMs + kWaitMs);
    const qint64 floodEnd = clock.elapsed();
    const QString last = QStringLiteral("guest%1 has left").arg(pairs - 1);
    const bool caughtUp = pumpUntil(
        &program.world,
        [&] {
            answers();
            return ruz::toQString(program.world.app()->chat.oldlastlyne).contains(last);
        },
        kWaitMs);
    const qint64 caughtUpMs = clock.elapsed() - floodEnd;
    const double cpu = cpuSeconds() - cpuBefore;
    const int answeredByThen = answers();
    pumpUntil(
        &program.world, [&] { return answers() >= asked; },
        kFloodQuestions * SendPolicy::kIntervalMs + kWaitMs);
    std::printf(
        "flood of %lld room lines a second for %lld s: %s %lld ms after its end (CPU "
        "%.1f s in %.1f s); %d of %d questions answered by then, %d in all\n",
        2 * kFloodPairsPerSecond, kFloodMs / kMsPerSecond,
        caughtUp ? "the scanner heard the last line" : "not caught up",
        static_cast<long long>(caughtUpMs), cpu,
        static_cast<double>(floodEnd + caughtUpMs) / kMsPerSecond, answeredByThen, asked,
        answers());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--flood") {
        return measureFlood();
    }
    const bool memoryOnly = argc > 1 && QByteArray(argv[1]) == "--memory";
    if (const int failed = measureMemory(); failed != 0 || memoryOnly) {
        return failed;
    }
    return measureLatency();
}
