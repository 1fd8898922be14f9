// The desktop views where they depart from a plain rendering of the controls: run on Qt's
// offscreen platform, which has no notification area.
#include "app/kept_settings.h"
#include "irc/command_line.h"
#include "platform/scripted_engine.h"
#include "scenario/headless_system.h"
#include "standin/transcript_markup.h"
#include "ui/desktop_program.h"
#include "ui/frmamp_view.h"
#include "ui/messenger_views.h"
#include "ui/qt_dialogs.h"
#include "ui/transcript_view.h"
#include "ui/usage.h"
#include "ui/view_binding.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>
#include <ctime>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace ruz::ui {
namespace {

using namespace Qt::StringLiterals;

constexpr int kCloseEveryMs = 20;

// Closes every notice as it appears, noting its text and whether another one was open beneath it.
class NoticeCloser {
  public:
    NoticeCloser() {
        timer_.setInterval(kCloseEveryMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { closeOpenNotice(); });
        timer_.start();
    }
    std::vector<QString> seen;
    int stackedAtMost = 0;
    std::function<void()> onFirst;

  private:
    void closeOpenNotice() {
        int open = 0;
        QMessageBox* top = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                ++open;
                top = box;
            }
        }
        stackedAtMost = std::max(stackedAtMost, open);
        if (top == nullptr) {
            return;
        }
        seen.push_back(top->text());
        if (seen.size() == 1 && onFirst) {
            onFirst();  // a notice raised while this one is open
        }
        top->accept();
    }
    QTimer timer_;
};

TEST(QtDialogs, ANoticeRaisedWhileAnotherIsOpenWaitsForIt) {
    QtDialogs dialogs;
    NoticeCloser closer;
    closer.onFirst = [&] { dialogs.notice(QStringLiteral("Your Chat Sends Are Now Enabled")); };
    dialogs.notice(QStringLiteral("Your Chat Sends Will Now Be Disabled"));
    EXPECT_EQ(closer.seen,
              (std::vector<QString>{QStringLiteral("Your Chat Sends Will Now Be Disabled"),
                                    QStringLiteral("Your Chat Sends Are Now Enabled")}));
    EXPECT_EQ(closer.stackedAtMost, 1);
}

// Notes the keys that reach it.
class KeyRecorder final : public QObject {
  public:
    std::vector<int> keys;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            keys.push_back(static_cast<QKeyEvent*>(event)->key());
        }
        return QObject::eventFilter(watched, event);
    }
};

TEST(OptionKeys, TheBoxReactsAndTheKeyGoesOn) {
    ControlRegistry window;
    CheckBox box({window, QStringLiteral("chkRepeat")}, 0);
    std::vector<int> codes;
    box.onKeyDown = [&](int code) { codes.push_back(code); };
    QCheckBox widget;
    KeyRecorder after;
    widget.installEventFilter(&after);  // filters run newest first: this one hears what is left
    widget.installEventFilter(new OptionKeyForwarder(box, &widget));
    const std::vector<int> keys = {Qt::Key_F3, Qt::Key_F8, Qt::Key_A, Qt::Key_F9};
    for (const int key : keys) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&widget, &press);
    }
    EXPECT_EQ(codes, (std::vector<int>{114, 119}));
    EXPECT_EQ(after.keys, keys);
}

TEST(FrmAmpView, WithoutANotificationAreaHidingMinimisesAndShowBringsItBack) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    HeadlessSystem system([](TimerHost&) { return std::make_unique<ScriptedEngine>(); });
    system.dialogs.queueYesNo(true);
    FrmAmp& amp = system.start();
    FrmAmpView view(amp);
    QApplication::processEvents();
    EXPECT_TRUE(view.isVisible());

    amp.window.setVisible(false);
    QApplication::processEvents();
    EXPECT_TRUE(view.isVisible());  // still on the taskbar
    EXPECT_TRUE(view.isMinimized());

    amp.window.setVisible(true);
    amp.window.setWindowState(kWindowNormal);
    QApplication::processEvents();
    EXPECT_TRUE(view.isVisible());
    EXPECT_FALSE(view.isMinimized());
}

TEST(FrmAmpView, AnEmptyListSaysWhatToDo) {
    HeadlessSystem system([](TimerHost&) { return std::make_unique<ScriptedEngine>(); });
    system.dialogs.queueYesNo(true);
    FrmAmp& amp = system.start();
    FrmAmpView view(amp);
    auto* hint = view.findChild<QLabel*>(QStringLiteral("emptyPlaylistHint"));
    ASSERT_NE(hint, nullptr);
    QTemporaryDir empty;
    ASSERT_TRUE(amp.File1.setPath(empty.path()));
    EXPECT_FALSE(hint->isHidden());
    EXPECT_TRUE(hint->text().contains(u"folder"));
    ASSERT_TRUE(amp.File1.setPath(QStringLiteral(RUZ_FIXTURES_DIR)));
    ASSERT_GT(amp.File1.count(), 0);
    EXPECT_TRUE(hint->isHidden());
}

// Runs the event loop until `done` holds or kLongestWaitMs have passed (a bound, never asserted
// on); whether `done` holds.
constexpr int kLongestWaitMs = 20000;
constexpr int kEventSliceMs = 20;
bool runUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < kLongestWaitMs) {
        QApplication::processEvents(QEventLoop::AllEvents, kEventSliceMs);
    }
    return done();
}

TEST(DesktopProgram, KeptSettingsComeBackAndASongGivenPlays) {
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString songs = scratch.filePath(u"songs"_s);
    ASSERT_TRUE(QDir().mkpath(songs));
    for (const QString& name : {u"Amy - One.mp3"_s, u"Bob - Two.mp3"_s, u"Cat - Three.mp3"_s}) {
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(RUZ_FIXTURES_DIR "/tone-3s.mp3"), songs + u'/' + name));
    }
    const std::string settingsFile =
        scratch.filePath(u"config/taviks-ruz/settings"_s).toStdString();
    {
        DiskSettingsFile file(settingsFile);
        SettingsStore kept;
        kept.set("word.ccomskip", "next");
        kept.set("box.chkRepeat", "1");
        kept.set(kVolumeSetting, "-1500");
        kept.set("place.room", "30 340");
        kept.set("place.Ccoms", "40 50");
        kept.set("place.buddies", "-30000 -30000");  // on no screen
        ASSERT_EQ(kept.save(file), "");
    }
    NoticeCloser closer;
    {
        DesktopOptions options;
        options.musicFolder = songs + u"/Bob - Two.mp3"_s;
        options.settingsFile = settingsFile;
        DesktopProgram program(std::move(options));
        FrmAmp& amp = program.mainWindow();
        program.start();
        EXPECT_TRUE(runUntil([&] {
            return amp.File1.fileName() == u"Bob - Two.mp3" && !amp.Timer2.enabled() &&
                   amp.MediaPlayer1.fileName().endsWith(u"Bob - Two.mp3");
        })) << amp.MediaPlayer1.fileName().toStdString();
        EXPECT_EQ(amp.ExplorerTree1.path(), songs);
        EXPECT_EQ(amp.ccoms().word(Word::Skip), u"next");
        EXPECT_EQ(amp.chkRepeat.value(), 1);
        EXPECT_EQ(amp.Slider1.value(), -1500);
        EXPECT_EQ(amp.ccoms().window.left(), 40 * kTwipsPerPixel);
        amp.chkRepeat.userClick();
        amp.ccoms().box(Word::Skip).setText(u"onward"_s);
    }
    // Kept at the end of the run.
    DiskSettingsFile file(settingsFile);
    SettingsStore read;
    ASSERT_EQ(read.load(file), "");
    EXPECT_EQ(read.values().at("box.chkRepeat"), "0");
    EXPECT_EQ(read.values().at("word.ccomskip"), "onward");
    EXPECT_EQ(read.values().at(kFolderSetting), songs.toStdString());
    EXPECT_EQ(read.values().at("place.Ccoms"), "40 50");
    EXPECT_NE(read.values().at("place.buddies"), "-30000 -30000");
    EXPECT_EQ(read.values().count("password"), 0u);
}

TEST(DesktopProgram, ADamagedSettingsFileAndAMissingFolderAreShownInTheWindow) {
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir scratch;
    const QString settingsFile = scratch.filePath(u"settings"_s);
    // A home of its own, with a music folder and no folder list of the desktop's.
    const QByteArray home = qgetenv("HOME");
    const bool configSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", scratch.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", scratch.filePath(u"config"_s).toUtf8());
    ASSERT_TRUE(QDir().mkpath(scratch.filePath(u"Music"_s)));
    {
        QFile damaged(settingsFile);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write("taviks-ruz settings 1\nbox.chkRepeat=1\nvolume=loud\n");
    }
    NoticeCloser closer;
    DesktopOptions options;
    options.musicFolder = scratch.filePath(u"nowhere"_s);
    options.settingsFile = settingsFile.toStdString();
    DesktopProgram program(std::move(options));
    FrmAmp& amp = program.mainWindow();
    EXPECT_EQ(amp.chkRepeat.value(), 0);  // the defaults, every one
    program.start();
    const auto shown = [&closer](QStringView text) {
        for (const QString& seen : closer.seen) {
            if (seen.contains(text)) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(runUntil([&] { return shown(u"nowhere"); }));
    EXPECT_TRUE(shown(u"damaged"));
    EXPECT_TRUE(shown(u"defaults"));
    // The music folder in its stead.
    EXPECT_EQ(amp.ExplorerTree1.path(), QDir::cleanPath(scratch.filePath(u"Music"_s)));
    qputenv("HOME", home);
    if (configSet) {
        qputenv("XDG_CONFIG_HOME", config);
    } else {
        qunsetenv("XDG_CONFIG_HOME");
    }
}

// The names an option row gives: "-h, --help" is two.
QStringList namesOf(const OptionRow& row) {
    return QString::fromUtf8(row.names).split(u", "_s);
}

std::string roffed(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '-' ? std::string("\\-") : std::string(1, c);
    }
    return out;
}

TEST(Usage, TheManualPageHoldsWhatTheHelpSays) {
    std::ifstream file(RUZ_MAN_PAGE, std::ios::binary);
    ASSERT_TRUE(file) << RUZ_MAN_PAGE;
    const std::string page((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    const std::string help = HelpText();
    EXPECT_EQ(page.find("@RUZ_"), std::string::npos);
    EXPECT_EQ(page.find("@PROJECT_VERSION@"), std::string::npos);
    std::vector<std::string> words;
    for (const OptionRow& row : Options()) {
        for (const QString& name : namesOf(row)) {
            words.push_back(name.toStdString());
        }
        words.emplace_back(row.value);
    }
    for (const CommandRow& row : Commands()) {
        words.emplace_back(row.typed);
    }
    for (const EnvironmentRow& row : Environment()) {
        words.emplace_back(row.name);
    }
    ASSERT_GT(words.size(), 30u);
    for (const std::string& word : words) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
        EXPECT_NE(page.find(roffed(word)), std::string::npos) << word;
    }
}

TEST(Usage, EveryOptionOfTheHelpIsOneTheCommandLineKnows) {
    int options = 0;
    for (const OptionRow& row : Options()) {
        for (const QString& name : namesOf(row)) {
            if (!name.startsWith(u"--") || name == u"--help" || name == u"--version") {
                continue;
            }
            ++options;
            QStringList arguments{name};
            if (*row.value != '\0') {
                arguments.append(u"x"_s);
            }
            const irc::CommandLine line = irc::parseCommandLine(arguments);
            EXPECT_FALSE(line.error.startsWith(u"unknown option")) << line.error.toStdString();
        }
    }
    EXPECT_EQ(options, 6);
    const std::string refused = UsageError("unknown option --bogus");
    EXPECT_EQ(refused, "ruz: unknown option --bogus; see ruz --help\n");
}

TEST(TranscriptView, NamesAndMessagesAreShownAsTextAndNothingIsLoaded) {
    TranscriptView view(nullptr);
    const std::string markup =
        standin::TranscriptLine("10:31:02 PM", "<img src=\"/dev/zero\">", "a>b & c<d") +
        standin::TranscriptLine("10:31:03 PM", "bob", "<img src=\"/dev/zero\">");
    view.show(QString::fromStdString(markup));
    EXPECT_EQ(view.toPlainText(),
              u"(10:31:02 PM) <img src=\"/dev/zero\">: a>b & c<d\n"
              u"(10:31:03 PM) bob: <img src=\"/dev/zero\">");
    // A line of the room's own, and text that is no line, are shown without their tags.
    view.show(QString::fromStdString(markup) + u"<BR><I>amy has entered the room.</I>"_qs);
    EXPECT_TRUE(view.toPlainText().endsWith(u"\namy has entered the room."));
}

TEST(TranscriptView, OnlyWhatIsNewIsAddedAndTheScrollbackIsBounded) {
    TranscriptView view(nullptr);
    QString markup;
    const int lines = TranscriptView::kScrollbackLines * 3;
    for (int i = 0; i < lines; ++i) {
        const QString line = QString::fromStdString(
            standin::TranscriptLine("10:31:02 PM", "amy", "line " + std::to_string(i % 10)));
        markup += line;
        view.show(markup);
        ASSERT_EQ(view.lastAdded(), line.size()) << i;
    }
    EXPECT_GE(view.document()->blockCount(), TranscriptView::kScrollbackLines);
    EXPECT_LE(view.document()->blockCount(), TranscriptView::kScrollbackLines + 500);
    EXPECT_TRUE(view.toPlainText().endsWith(u"amy: line 9"));
    view.show(markup);  // nothing new
    EXPECT_EQ(view.lastAdded(), 0);
    // Emptied: the view starts again with what the transcript holds now.
    view.show(QString::fromStdString(standin::TranscriptLine("10:40:00 PM", "bob", "again")));
    EXPECT_EQ(view.toPlainText(), u"(10:40:00 PM) bob: again");
}

// CPU time of this thread so far, in milliseconds, and its resident memory in KiB.
double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1.0e6;
}
long residentKiB() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// An hour of a room at two lines a second, as fast as the view takes it: the CPU the view spends
// (reading what is new, laying it out, painting) in the last tenth is that of the first, and its
// memory stays. The stand-in messenger's own work is not counted.
TEST(ChatRoomView, AnHourOfTalkCostsTheSameAtItsEndAsAtItsStart) {
    winsys::WindowModel model;
    model.setRecording(false);
    standin::MessengerStandIn messenger(model, [] { return std::string("10:31:02 PM"); });
    messenger.openRoom();
    ChatRoomView view(messenger, model);
    double viewMs = 0;
    const auto counted = [&viewMs](const auto& work) {
        const double start = cpuMs();
        work();
        viewMs += cpuMs() - start;
    };
    messenger.setChangeListener([&] { counted([&] { view.refresh(); }); });
    view.show();
    constexpr int kLines = 7200;
    constexpr int kTenth = kLines / 10;
    std::vector<double> cpu;
    std::vector<long> memory;
    for (int i = 0; i < kLines; ++i) {
        if (i % kTenth == 0) {
            cpu.push_back(viewMs);
            memory.push_back(residentKiB());
        }
        messenger.memberSays(i % 2 ? "amy" : "carol",
                             "a line of ordinary length, number " + std::to_string(i));
        counted([] { QApplication::processEvents(); });
    }
    cpu.push_back(viewMs);
    memory.push_back(residentKiB());
    const double first = cpu[1] - cpu[0];
    const double last = cpu[10] - cpu[9];
    std::printf(
        "chat view: CPU first tenth %.0f ms, last tenth %.0f ms; memory %ld KiB -> %ld KiB\n",
        first, last, memory[1], memory[10]);
    EXPECT_LE(last, first * 2 + 100);
    EXPECT_LE(memory[10] - memory[1], 16 * 1024);
}

}  // namespace
}  // namespace ruz::ui

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
