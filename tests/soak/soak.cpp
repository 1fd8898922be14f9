// ruz-soak: the whole program on virtual time for a day (or HOURS) against the messenger stand-in
// and the real engine with its silent output. Three members talk, one line every 500 ms; the user
// works the player and the room from the chat (volume, skip, idle and back, chat sends off and on,
// clear, the song length); anti-lag is switched on and off; songs play out and change.
//
// It checks that every line the program sends reaches the room exactly once and in order (each
// is predicted from what the program heard and the state it was in), that the memory in use at
// the end is within a few percent of the memory after the first hour, and that the program still
// answers ".set?" at the end.
//
// Usage: ruz-soak [HOURS]   (default 24). Prints the figures and "1 passed, 0 failed" or
// "0 passed, 1 failed"; exits 0 or 1.

#include "qt/qt_text.h"
#include "scenario/world.h"

#include <QDir>
#include <QFile>

#include <malloc.h>
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <string>

namespace ruz::soak {
namespace {

constexpr std::int64_t kLineMs = 500;
constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kHour = 60 * kMinute;
// The memory at the end may exceed the memory after the first hour by this much.
constexpr double kMemoryTolerance = 0.05;
const QString kUser = QStringLiteral("bob");
// Under AddressSanitizer freed memory waits in a quarantine of up to 256 MiB before it is reused,
// so the resident size says nothing about what the program holds; the leak checker watches instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasured = false;
#else
constexpr bool kMemoryIsMeasured = true;
#endif

// Resident memory in bytes, after the allocator has handed back what it can.
std::int64_t residentBytes() {
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0;
    std::int64_t resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

QString fixture(const QString& name) {
    return QDir(QStringLiteral(RUZ_FIXTURES_DIR)).filePath(name);
}

class Soak {
  public:
    explicit Soak(std::int64_t hours) : hours_(hours) {}

    bool run() {
        if (!world_.ready() || !setUp()) {
            return fail("could not set up the scratch folder");
        }
        const std::int64_t end = hours_ * kHour;
        std::int64_t line = 0;
        while (world_.host.nowMs() < end && failure_.isEmpty()) {
            talk(line++);
            world_.wait(kLineMs);
            compareSent();
            if (world_.host.nowMs() == kHour) {
                afterFirstHour_ = residentBytes();
            }
        }
        if (!failure_.isEmpty()) {
            return false;
        }
        return finish();
    }

  private:
    bool setUp() {
        world_.standin.signOn(kUser.toStdString());
        world_.standin.openDialog(kUser.toStdString() + "'s Buddy List");
        world_.standin.openRoom();
        const QString music = toQString(world_.absolute(u"music"));
        QDir().mkpath(music);
        const char* const songs[][2] = {
            {"tone-1s.mp3", "Quick One - Blink"},   {"tone-3s.mp3", "Three Tones - Triad"},
            {"tone-5s.mp3", "Fiver - High Five"},   {"tone-10s.mp3", "Ten Count - Long Tone"},
            {"tone-2.4s.mp2", "Layer Two - Deuce"}, {"tagged-3s.mp3", "Tagged - Labelled"},
        };
        for (const auto& song : songs) {
            const QString suffix = QString::fromLatin1(song[0]).section(u'.', -1);
            if (!QFile::copy(fixture(QString::fromLatin1(song[0])),
                             music + u'/' + QString::fromLatin1(song[1]) + u'.' + suffix)) {
                return false;
            }
        }
        world_.dialogs.queueYesNo(true);
        world_.start();
        FrmAmp& app = *world_.app();
        expected_.push_back(QStringLiteral("\u2020- Loads Taviks Ruz -\u2020"));
        observe(app);
        app.ExplorerTree1.userPick(fromQString(music));
        return app.File1.count() == 6;
    }

    // Wraps the program's own reactions to predict each line it sends from the state it is in.
    void observe(FrmAmp& app) {
        auto announce = app.Song.onChange.take();
        app.Song.onChange = [this, &app, announce] {
            if (app.chatsendc.value() == 1) {
                expected_.push_back(toQString(
                    app.announcer().ExpandAnnouncement(app.ccoms().word(Word::Announcement))));
            }
            ++songChanges_;
            announce();
        };
        auto remind = app.idle.onTick.take();
        app.idle.onTick = [this, &app, remind] {
            remind();
            expected_.push_back(QStringLiteral("Idle for (") + toQString(app.minutes.caption()) +
                                QStringLiteral(" Minutes) Reason (") +
                                toQString(app.idlereason.caption()) + u')');
            ++reminders_;
        };
        auto dispatch = app.chat.aimchatscan;
        app.chat.aimchatscan = [this, &app, dispatch](std::u16string& who, std::u16string& what,
                                                      std::u16string& when) {
            if (toQString(who).endsWith(app.lblsn.caption())) {
                predictAnswer(app, toQString(what));
            }
            dispatch(who, what, when);
        };
    }

    void predictAnswer(FrmAmp& app, const QString& what) {
        const bool sends = app.chatsendc.value() == 1;
        if (what.startsWith(QStringLiteral(".vol "))) {
            ++commands_;
            if (sends) {
                expected_.push_back(QStringLiteral("Changing volume to ") + what.mid(5));
            }
        } else if (what == QStringLiteral(".set?")) {
            ++commands_;
            expected_.push_back(QStringLiteral("Song Is ") + QString::number(app.Slider2.max()) +
                                QStringLiteral(" Secounds Long"));
        } else if (what.startsWith(QStringLiteral(".idle "))) {
            ++commands_;
            if (sends) {
                expected_.push_back(
                    app.idle.enabled()
                        ? kUser + QStringLiteral(" You're Already Set Idle")
                        : toQString(goneIdleNotice(fromQString(kUser), fromQString(what.mid(6)))));
            }
        } else if (what == QStringLiteral(",idle")) {
            ++commands_;
            expected_.push_back(kUser + QStringLiteral(" Is Back From Afk"));
        } else if (what == QStringLiteral(".skip") || what == QStringLiteral(".clear") ||
                   what == QStringLiteral(",cs") || what == QStringLiteral(".cs")) {
            ++commands_;  // nothing is sent (".cs" holds its announcement back)
        }
    }

    // One line from one of the members; the user's lines are commands at their times.
    void talk(std::int64_t line) {
        const std::int64_t t = world_.host.nowMs();
        FrmAmp& app = *world_.app();
        QString command;
        if (t % (15 * kMinute) == 7 * kMinute) {
            app.chkAntiLag.userClick();  // on for about a quarter of an hour, then off again
        }
        if (t % (10 * kMinute) == 2 * kMinute) {
            command = QStringLiteral(".idle lunch ") + QString::number(line % 7);
        } else if (t % (10 * kMinute) == 7 * kMinute) {
            command = QStringLiteral(",idle");
        } else if (t % (20 * kMinute) == 11 * kMinute + kLineMs) {
            command = QStringLiteral(",cs");
        } else if (t % (20 * kMinute) == 13 * kMinute + kLineMs) {
            command = QStringLiteral(".cs");
        } else if (t % kMinute == 15000) {
            command = QStringLiteral(".clear");
        } else if (t % (2 * kMinute) == 40000) {
            command = QStringLiteral(".skip");
        } else if (t % 30000 == 5000) {
            command = QStringLiteral(".vol -") + QString::number((line * 37) % 3000);
        } else if (t % (5 * kMinute) == 20000) {
            command = QStringLiteral(".set?");
        }
        if (!command.isEmpty()) {
            world_.standin.memberSays(kUser.toStdString(), command.toStdString());
            return;
        }
        static const char* const members[] = {"carol", "dave", "erin"};
        world_.standin.memberSays(members[line % 3],
                                  "line " + std::to_string(line) + " of the day, all fine");
    }

    // The lines the room got from the program since the last look, against the prediction.
    void compareSent() {
        for (const std::string& got : world_.standin.takeSentByProgram()) {
            ++sent_;
            const QString text = QString::fromStdString(got);
            if (expected_.empty()) {
                fail("unexpected line at " + QString::number(world_.host.nowMs()) + " ms: " + text);
                return;
            }
            if (expected_.front() != text) {
                fail("at " + QString::number(world_.host.nowMs()) + " ms the room got \"" + text +
                     "\", expected \"" + expected_.front() + "\"");
                return;
            }
            expected_.pop_front();
        }
        if (!expected_.empty()) {  // a line the program should have sent by now never came
            fail("lines not sent at " + QString::number(world_.host.nowMs()) +
                 " ms, the first: " + expected_.front());
        }
    }

    bool finish() {
        FrmAmp& app = *world_.app();
        // Whatever the last minutes left behind is handed over first.
        world_.wait(kLineMs);
        compareSent();
        if (!failure_.isEmpty()) {
            return false;
        }
        const std::int64_t atEnd = residentBytes();

        // The program still answers.
        const std::int64_t answeredBefore = sent_;
        world_.standin.memberSays(kUser.toStdString(), ".set?");
        world_.wait(kLineMs);
        compareSent();
        const bool answered = sent_ == answeredBefore + 1 && expected_.empty();

        std::printf(
            "soak: %lld h of virtual time, %lld song changes, %lld commands heard, "
            "%lld idle reminders, %lld lines sent, %lld held back (pending)\n",
            static_cast<long long>(hours_), static_cast<long long>(songChanges_),
            static_cast<long long>(commands_), static_cast<long long>(reminders_),
            static_cast<long long>(sent_),
            static_cast<long long>(app.announcer().pending().size()));
        std::printf(
            "soak: resident memory after the first hour %.1f KiB, at the end %.1f KiB "
            "(%+.2f %%)\n",
            afterFirstHour_ / 1024.0, atEnd / 1024.0,
            afterFirstHour_ > 0 ? 100.0 * (atEnd - afterFirstHour_) / afterFirstHour_ : 0.0);
        if (!failure_.isEmpty()) {
            return false;
        }
        if (!answered) {
            return fail("the program did not answer .set? at the end");
        }
        if (kMemoryIsMeasured && hours_ >= 2 &&
            atEnd > afterFirstHour_ * (1.0 + kMemoryTolerance)) {
            return fail("memory grew by more than 5 % after the first hour");
        }
        if (songChanges_ < hours_ * 60 || commands_ == 0 || reminders_ == 0) {
            return fail("the day was too quiet: no songs, commands or reminders");
        }
        return true;
    }

    bool fail(const QString& why) {
        if (failure_.isEmpty()) {
            failure_ = why;
        }
        return false;
    }

  public:
    const QString& failure() const { return failure_; }

  private:
    std::int64_t hours_;
    scenario::World world_;
    std::deque<QString> expected_;
    QString failure_;
    std::int64_t afterFirstHour_ = 0;
    std::int64_t songChanges_ = 0;
    std::int64_t commands_ = 0;
    std::int64_t reminders_ = 0;
    std::int64_t sent_ = 0;
};

}  // namespace
}  // namespace ruz::soak

int main(int argc, char** argv) {
    const long long hours = argc > 1 ? std::atoll(argv[1]) : 24;
    if (hours <= 0) {
        std::fprintf(stderr, "usage: ruz-soak [HOURS]\n");
        return 2;
    }
    ruz::soak::Soak soak(hours);
    if (!soak.run()) {
        std::printf("soak: FAIL %s\n0 passed, 1 failed\n", qPrintable(soak.failure()));
        return 1;
    }
    std::printf("1 passed, 0 failed\n");
    return 0;
}
