// ruz-irc-measure: the latency from the owner's command reaching the server to the announcement
// reaching another member (ngircd on loopback, the everyday send pace), and the program's memory
// while 10,000 lines of other members arrive in its room.
#include "fake_transport.h"
#include "harness.h"
#include "ngircd_server.h"

#include <QCoreApplication>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
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

long residentKiB() {
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int measureLatency() {
    NgircdServer server;
    if (const QString problem = server.start(); !problem.isEmpty()) {
        std::fprintf(stderr, "ruz-irc-measure: %s\n", qPrintable(problem));
        return 1;
    }
    Settings settings;
    settings.endpoint = {QStringLiteral("127.0.0.1"), server.port(), false, {}};
    settings.nick = QStringLiteral("owner");
    settings.channels = {QStringLiteral("#ruz")};
    Program program(settings);
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
    FakeTransport transport;
    Settings settings;
    settings.endpoint = {QStringLiteral("irc.test"), 6667, false, {}};
    settings.nick = QStringLiteral("owner");
    settings.channels = {QStringLiteral("#ruz")};
    Rooms rooms(world.standin, world.model, world.host, transport, settings);
    rooms.start();
    transport.accept();
    transport.serverSends(":irc.test 001 owner :Welcome\r\n:owner!u@h JOIN #ruz\r\n");
    world.dialogs.queueYesNo(true);
    world.start();
    world.wait(kLineSpacingMs);
    std::printf("resident memory: %ld KiB before the lines\n", residentKiB());
    for (int i = 1; i <= kMemberLines; ++i) {
        transport.serverSends(":member" + QByteArray::number(i % 7) + "!u@h PRIVMSG #ruz :line " +
                              QByteArray::number(i) + " of the room, " + QByteArray(40, 'x') +
                              "\r\n");
        world.wait(kLineSpacingMs);
        transport.takeLines();
        if (i % kReportEvery == 0) {
            std::printf("resident memory: %ld KiB after %d lines\n", residentKiB(), i);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const bool memoryOnly = argc > 1 && QByteArray(argv[1]) == "--memory";
    if (const int failed = measureMemory(); failed != 0 || memoryOnly) {
        return failed;
    }
    return measureLatency();
}
