// The desktop views where they depart from a plain rendering of the controls: run on Qt's
// offscreen platform, which has no notification area.
#include "app/kept_settings.h"
#include "desktop/command_line.h"
#include "desktop/usage.h"
#include "harness.h"
#include "headless/headless_system.h"
#include "ngircd_server.h"
#include "platform/scripted_engine.h"
#include "qt/qt_text.h"
#include "standin/transcript_markup.h"
#include "ui/desktop_program.h"
#include "ui/end_on_signals.h"
#include "ui/frmamp_view.h"
#include "ui/messenger_views.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_tray.h"
#include "ui/sign_on_dialog.h"
#include "ui/system_clock.h"
#include "ui/transcript_view.h"
#include "ui/view_binding.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <unistd.h>
#include <csignal>
#include <ctime>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace ruz::ui {
namespace {

using namespace Qt::StringLiterals;

constexpr int kPollMs = 20;

// Runs `check` on the event loop until it returns true: for what happens inside a dialog's own
// loop.
class WhileOpen {
  public:
    explicit WhileOpen(std::function<bool()> check) : check_(std::move(check)) {
        timer_.setInterval(kPollMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (check_()) {
                timer_.stop();
            }
        });
        timer_.start();
    }

  private:
    std::function<bool()> check_;
    QTimer timer_;
};

QStringList dialogTexts(const QtDialogs& dialogs) {
    QStringList texts;
    for (QDialog* dialog : dialogs.openDialogs()) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            texts.append(box->text());
        }
    }
    return texts;
}

bool transientFor(const QWidget& dialog, const QWidget& owner) {
    return dialog.windowHandle() != nullptr &&
           dialog.windowHandle()->transientParent() == owner.windowHandle();
}

constexpr int kCloseEveryMs = 20;

// Closes every notice as it appears (a question answered Yes), noting its text and whether another
// one was open beneath it.
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
        // A question is answered Yes.
        if (QAbstractButton* yes = top->button(QMessageBox::Yes); yes != nullptr) {
            yes->click();
            return;
        }
        top->accept();
    }
    QTimer timer_;
};

TEST(QtDialogs, NoticesHoldNothingBackAndStayAboveTheProgramsWindowsWithTheFocus) {
    QWidget player;
    player.show();
    QtDialogs dialogs;
    dialogs.setOwner(&player);
    // Both return at once: the program goes on while they are open.
    dialogs.notice(u"Your Chat Sends Will Now Be Disabled");
    dialogs.notice(u"<b>Your Chat Sends Are Now Enabled</b>");
    QApplication::processEvents();
    EXPECT_EQ(dialogTexts(dialogs), (QStringList{u"Your Chat Sends Will Now Be Disabled"_s,
                                                 u"<b>Your Chat Sends Are Now Enabled</b>"_s}));
    for (QDialog* notice : dialogs.openDialogs()) {
        EXPECT_TRUE(notice->isVisible());
        EXPECT_EQ(notice->windowModality(), Qt::NonModal);
        EXPECT_TRUE(transientFor(*notice, player));
        EXPECT_EQ(qobject_cast<QMessageBox*>(notice)->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(QApplication::activeWindow(), dialogs.openDialogs().back());

    // The program shows and raises a window of its own: the newest notice comes back on top.
    player.raise();
    player.activateWindow();
    QWidget room;
    room.show();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), dialogs.openDialogs().back());

    // A notice stays until dismissed.
    dialogs.openDialogs().front()->accept();
    QApplication::processEvents();
    EXPECT_EQ(dialogTexts(dialogs), QStringList{u"<b>Your Chat Sends Are Now Enabled</b>"_s});

    // Notices about one subject: each closes the one before it, whether the user closed that one
    // already or not; other notices stay.
    const struct {
        const char16_t* text;
        QStringList open;
    } about[] = {
        {u"Off", {u"<b>Your Chat Sends Are Now Enabled</b>"_s, u"Off"_s}},
        {u"On", {u"<b>Your Chat Sends Are Now Enabled</b>"_s, u"On"_s}},
        {u"Off", {u"<b>Your Chat Sends Are Now Enabled</b>"_s, u"Off"_s}},
    };
    for (const auto& row : about) {
        dialogs.noticeAbout(u"sends", row.text);
        QApplication::processEvents();
        EXPECT_EQ(dialogTexts(dialogs), row.open) << toQString(row.text).toStdString();
        EXPECT_EQ(QApplication::activeWindow(), dialogs.openDialogs().back());
    }
    dialogs.openDialogs().back()->accept();
    QApplication::processEvents();
    dialogs.noticeAbout(u"sends", u"On");
    QApplication::processEvents();
    EXPECT_EQ(dialogTexts(dialogs),
              (QStringList{u"<b>Your Chat Sends Are Now Enabled</b>"_s, u"On"_s}));
}

TEST(QtDialogs, AQuestionWaitsForItsAnswerAboveItsOwnerWithTheFocus) {
    QWidget player;
    player.show();
    QtDialogs dialogs;
    dialogs.setOwner(&player);
    bool seen = false;
    WhileOpen answer([&] {
        const std::vector<QDialog*> open = dialogs.openDialogs();
        if (open.size() != 1 || QApplication::activeWindow() != open.front()) {
            return false;
        }
        seen = true;
        EXPECT_TRUE(transientFor(*open.front(), player));
        EXPECT_EQ(open.front()->windowModality(), Qt::WindowModal);
        qobject_cast<QMessageBox*>(open.front())->button(QMessageBox::No)->click();
        return true;
    });
    EXPECT_FALSE(dialogs.askYesNo(u"Are you using messenger:mate?"));
    EXPECT_TRUE(seen);
    EXPECT_TRUE(dialogs.openDialogs().empty());
}

TEST(QtDialogs, ThePickerOpensAtTheCurrentFolderAndCancelGivesNothing) {
    const QString current = QDir::tempPath();
    QtDialogs dialogs;
    dialogs.currentFolder = [&current] { return current; };
    QString openedAt;
    WhileOpen cancel([&] {
        const std::vector<QDialog*> open = dialogs.openDialogs();
        if (open.empty()) {
            return false;
        }
        openedAt = qobject_cast<QFileDialog*>(open.front())->directory().absolutePath();
        open.front()->reject();
        return true;
    });
    // The Windows drive the program asks for does not exist here.
    EXPECT_EQ(dialogs.pickFolder(u" ", u"C:/"), u"");
    EXPECT_EQ(openedAt, QDir(current).absolutePath());
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

TEST(RegionalFormats, ShortDateHasAFourDigitYearAndCIsTheUnitedStates) {
    const QDateTime at(QDate(2026, 12, 6), QTime(22, 31, 2), Qt::UTC);
    struct Row {
        QLocale locale;
        const char16_t* date;
    } rows[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), u"12/6/2026"},
        {QLocale::c(), u"12/6/2026"},
        {QLocale(QLocale::German, QLocale::Germany), u"06.12.2026"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), u"06/12/2026"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(regionalShortDate(row.locale, at), QString::fromUtf16(row.date))
            << row.locale.name().toStdString();
        EXPECT_TRUE(regionalLongTime(row.locale, at).contains(u"31:02"))
            << row.locale.name().toStdString();
    }
    EXPECT_EQ(regionalLongTime(QLocale::c(), at), u"10:31:02 PM");
    // The desktop's clock reads the same moment in the machine's time zone.
    const SystemClock clock;
    const WallTime moment = utcTime(2026, 12, 6, 22, 31, 2);
    EXPECT_EQ(toQString(clock.longTime(moment)),
              regionalLongTime(QLocale::system(), at.toLocalTime()));
    EXPECT_EQ(toQString(clock.shortDate(moment)),
              regionalShortDate(QLocale::system(), at.toLocalTime()));
}

TEST(OptionKeys, TheBoxReactsAndTheKeyGoesOn) {
    ControlRegistry window;
    CheckBox box({window, u"chkRepeat"}, 0);
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
    ASSERT_TRUE(amp.File1.setPath(fromQString(empty.path())));
    EXPECT_FALSE(hint->isHidden());
    EXPECT_TRUE(hint->text().contains(u"folder"));
    ASSERT_TRUE(amp.File1.setPath(fromQString(QStringLiteral(RUZ_FIXTURES_DIR))));
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
                   amp.MediaPlayer1.fileName().ends_with(u"Bob - Two.mp3");
        })) << toQString(amp.MediaPlayer1.fileName()).toStdString();
        EXPECT_EQ(toQString(amp.ExplorerTree1.path()), songs);
        EXPECT_EQ(amp.ccoms().word(Word::Skip), u"next");
        EXPECT_EQ(amp.chkRepeat.value(), 1);
        EXPECT_EQ(amp.Slider1.value(), -1500);
        EXPECT_EQ(amp.ccoms().window.left(), 40 * kTwipsPerPixel);
        amp.chkRepeat.userClick();
        amp.ccoms().box(Word::Skip).setText(u"onward");
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

// The user's own room holds commands the program has obeyed; the program signs on to a channel
// and off again, and the own room in front again replays none of them, while what reaches it
// from then on is heard.
TEST(DesktopProgram, SigningOnAndOffReplaysNothingOfTheOwnRoom) {
    qputenv("SDL_AUDIODRIVER", "dummy");
    irc::testing::NgircdServer server;
    const QString problem = server.start();
    ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    QTemporaryDir scratch;
    for (const QString& name : {u"Amy - One.mp3"_s, u"Bob - Two.mp3"_s}) {
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(RUZ_FIXTURES_DIR "/tone-60s.mp3"), scratch.filePath(name)));
    }
    NoticeCloser closer;
    DesktopOptions options;
    options.musicFolder = scratch.path();
    DesktopProgram program(std::move(options));
    FrmAmp& amp = program.mainWindow();
    standin::MessengerStandIn& messenger = program.messenger();
    program.start();
    ASSERT_TRUE(runUntil([&] { return !amp.Timer2.enabled() && amp.Song.caption() != u""; }));
    const auto type = [&messenger](const char* line) {
        messenger.typeInput(line);
        messenger.pressSend();
    };
    for (const char* line : {".vol -2000", ".mute", ".idle lunch"}) {
        type(line);
    }
    ASSERT_TRUE(runUntil([&] { return amp.idle.enabled(); }));
    ASSERT_TRUE(runUntil([&] { return amp.MediaPlayer1.mute(); }));
    amp.Slider1.userScroll(-100);
    const int ownRoom = messenger.frontRoomNumber();

    irc::testing::Member guest(server.port(), u"guest"_s, u"#ruz"_s);
    ASSERT_TRUE(guest.join(nullptr, kLongestWaitMs));
    irc::Settings network;
    network.endpoint = {"127.0.0.1", server.port(), false, {}};
    network.nick = "owner";
    network.channels = {"#ruz"};
    program.signOn(network);
    const auto guestSaw = [&guest](QStringView command) {
        for (const irc::testing::Member::Line& line : guest.lines()) {
            if (line.command == command && line.nick == u"owner") {
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(runUntil([&] { return guestSaw(u"JOIN"); }));
    program.signOff();
    ASSERT_TRUE(runUntil([&] { return guestSaw(u"QUIT"); }));
    EXPECT_EQ(messenger.frontRoomNumber(), ownRoom);
    messenger.takeSentByProgram();
    // Time for several polls of the scanner: nothing of the room's past runs again.
    QElapsedTimer waited;
    waited.start();
    runUntil([&] { return waited.elapsed() >= 4 * RoomScanner::kPollIntervalMs; });
    EXPECT_EQ(messenger.takeSentByProgram(), std::vector<std::string>());
    EXPECT_EQ(amp.Slider1.value(), -100);
    EXPECT_TRUE(amp.MediaPlayer1.mute());
    type(".mute");
    EXPECT_TRUE(runUntil([&] { return !amp.MediaPlayer1.mute(); }));
}

// A signal that asks the program to end reaches it on its event loop, once for each, while the
// catcher lives; then the default action is back.
TEST(EndOnSignals, TheSignalsThatEndAProgramEndItThroughItsLoop) {
    int ended = 0;
    {
        const EndOnSignals catcher([&ended] { ++ended; });
        ASSERT_TRUE(catcher.catching());
        int expected = 0;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            ASSERT_EQ(::raise(signal), 0);
            ++expected;
            EXPECT_TRUE(runUntil([&] { return ended == expected; })) << signal;
        }
    }
    struct sigaction action {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &action), 0);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
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
        damaged.write("taviks-ruz settings 1\nbox.chkRepeat=1\nvolume=loud\nno line\n");
    }
    NoticeCloser closer;
    DesktopOptions options;
    options.musicFolder = scratch.filePath(u"nowhere"_s);
    options.settingsFile = settingsFile.toStdString();
    DesktopProgram program(std::move(options));
    FrmAmp& amp = program.mainWindow();
    EXPECT_EQ(amp.chkRepeat.value(), 1);  // the good values, every one
    EXPECT_EQ(amp.Slider1.value(), 0);
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
    EXPECT_TRUE(shown(u"damaged (line 4)"));
    EXPECT_TRUE(shown(u"volume is loud"));
    EXPECT_TRUE(QFile::exists(settingsFile + u".damaged"_s));
    // The music folder in its stead.
    EXPECT_EQ(toQString(amp.ExplorerTree1.path()), QDir::cleanPath(scratch.filePath(u"Music"_s)));
    qputenv("HOME", home);
    if (configSet) {
        qputenv("XDG_CONFIG_HOME", config);
    } else {
        qunsetenv("XDG_CONFIG_HOME");
    }
}

using desktop::CommandRow;
using desktop::EnvironmentRow;
using desktop::OptionRow;

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
    const std::string help = desktop::helpText();
    EXPECT_EQ(page.find("@RUZ_"), std::string::npos);
    EXPECT_EQ(page.find("@PROJECT_VERSION@"), std::string::npos);
    std::vector<std::string> words;
    for (const OptionRow& row : desktop::optionRows()) {
        for (const QString& name : namesOf(row)) {
            words.push_back(name.toStdString());
        }
        words.emplace_back(row.value);
    }
    for (const CommandRow& row : desktop::commandRows()) {
        words.emplace_back(row.typed);
    }
    for (const EnvironmentRow& row : desktop::environmentRows()) {
        words.emplace_back(row.name);
    }
    ASSERT_GT(words.size(), 30u);
    for (const std::string& word : words) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
        EXPECT_NE(page.find(roffed(word)), std::string::npos) << word;
    }
    // The Windows program's help box names the same options, and nothing of the toolkit's.
    const std::string windowsHelp = desktop::windowsHelpText();
    for (const OptionRow& row : desktop::optionRows()) {
        for (const QString& name : namesOf(row)) {
            EXPECT_NE(windowsHelp.find(name.toStdString()), std::string::npos) << row.names;
        }
        EXPECT_NE(windowsHelp.find(row.value), std::string::npos) << row.names;
    }
    EXPECT_EQ(windowsHelp.find("Qt"), std::string::npos);
}

TEST(Usage, EveryOptionOfTheHelpIsOneTheCommandLineKnows) {
    int options = 0;
    for (const OptionRow& row : desktop::optionRows()) {
        for (const QString& name : namesOf(row)) {
            if (!name.startsWith(u"--") || name == u"--help" || name == u"--version") {
                continue;
            }
            ++options;
            std::vector<std::string> arguments{name.toStdString()};
            if (*row.value != '\0') {
                arguments.emplace_back("x");
            }
            const desktop::CommandLine line = desktop::parseCommandLine(arguments);
            EXPECT_FALSE(line.error.starts_with("unknown option")) << line.error;
        }
    }
    EXPECT_EQ(options, 6);
    const std::string refused = desktop::usageError("unknown option --bogus");
    EXPECT_EQ(refused, "ruz: unknown option --bogus; see ruz --help\n");
}

// Another member's line can be posted in the stand-in's own room only: a chat network's channel
// would never see it. The buddy list signs on and off.
TEST(ChatRoomView, PostAsOnlyInTheStandInsOwnRoomAndTheBuddyListSignsOff) {
    winsys::WindowModel model;
    standin::MessengerStandIn messenger(model, [] { return std::string("10:31:02 PM"); });
    const int own = messenger.openRoom();
    ChatRoomView view(messenger, model);
    view.refresh();
    auto* postAs = view.findChild<QWidget*>(QStringLiteral("postAs"));
    ASSERT_NE(postAs, nullptr);
    EXPECT_TRUE(postAs->isVisible());
    messenger.openLinkedRoom(
        "#chat", [](const std::string&) {}, 1024);
    view.refresh();
    EXPECT_FALSE(postAs->isVisible());
    messenger.frontRoom(own);
    view.refresh();
    EXPECT_TRUE(postAs->isVisible());

    BuddyListView buddies(messenger, model, messenger.openDialog("me's Buddy List"));
    int signedOff = 0;
    buddies.onSignOff = [&signedOff] { ++signedOff; };
    QPushButton* signOff = nullptr;
    QPushButton* signOn = nullptr;
    for (QPushButton* button : buddies.findChildren<QPushButton*>()) {
        (button->text() == u"Sign off" ? signOff : signOn) = button;
    }
    ASSERT_NE(signOff, nullptr);
    EXPECT_FALSE(signOff->isEnabled());
    // Signed on, or refused by a certificate: signing off is offered; signing on again only
    // once the network is no longer tried.
    buddies.setSignedOn(true, true);
    EXPECT_TRUE(signOff->isEnabled());
    EXPECT_FALSE(signOn->isEnabled());
    buddies.setSignedOn(true, false);
    EXPECT_TRUE(signOn->isEnabled());
    signOff->click();
    EXPECT_EQ(signedOff, 1);
    // The state line shows what it is given; "Join a chat room" goes to the program once it
    // listens, and opens a room of the stand-in's own before.
    auto* status = buddies.findChild<QLabel*>(QStringLiteral("status"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), u"Online");
    buddies.setStatus(u"Not connected: the server did not answer TLS (is 6667 a plain port?)"_s);
    EXPECT_EQ(status->text(),
              u"Not connected: the server did not answer TLS (is 6667 a plain port?)");
    QPushButton* join = nullptr;
    for (QPushButton* button : buddies.findChildren<QPushButton*>()) {
        join = button->text() == u"Join a chat room" ? button : join;
    }
    ASSERT_NE(join, nullptr);
    const int rooms = messenger.openRoomCount();
    join->click();
    EXPECT_EQ(messenger.openRoomCount(), rooms + 1);
    int joins = 0;
    buddies.onJoin = [&joins] { ++joins; };
    join->click();
    EXPECT_EQ(joins, 1);
    EXPECT_EQ(messenger.openRoomCount(), rooms + 1);
}

// The window offers the login name as the nick until one is kept, and its caption is whole.
TEST(SignOnDialog, TheLoginNameIsTheNickAndTheCaptionFits) {
    qputenv("USER", "alice");
    SignOnDialog window(nullptr, desktop::keptSignOnFields({}, loginName().toStdString()));
    window.show();
    QApplication::processEvents();
    const auto* nick = window.findChildren<QLineEdit*>().value(2);
    ASSERT_NE(nick, nullptr);
    EXPECT_EQ(nick->text(), u"alice"_s);
    QFont captionFont = window.font();
    captionFont.setBold(true);
    const int caption = QFontMetrics(captionFont).horizontalAdvance(window.windowTitle());
    // Beside the caption, a title bar holds an icon and three buttons.
    constexpr int kTitleBarButtonsPx = 4 * 24;
    EXPECT_GE(window.width(), caption + kTitleBarButtonsPx);

    // The fields an earlier version kept beside the window come into the settings once, with
    // whether the user was signed on; fields the settings keep themselves win.
    QTemporaryDir earlier;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, earlier.path());
    {
        QSettings stored(u"taviks-ruz"_s, u"sign-on"_s);
        stored.setValue(u"irc/server"_s, u"irc.test"_s);
        stored.setValue(u"irc/port"_s, 6697);
        stored.setValue(u"irc/tls"_s, true);
        stored.setValue(u"irc/nick"_s, u"alice"_s);
        stored.setValue(u"irc/channels"_s, u"#music chat"_s);
        stored.setValue(u"irc/signedOn"_s, u"1"_s);
    }
    SettingsStore settings;
    adoptEarlierSignOn(settings);
    const std::optional<irc::Settings> resumed = desktop::resumedSignOn(settings.values());
    ASSERT_TRUE(resumed.has_value());
    EXPECT_EQ(resumed->endpoint.host, "irc.test");
    EXPECT_EQ(resumed->endpoint.port, 6697);
    EXPECT_TRUE(resumed->endpoint.tls);
    EXPECT_EQ(resumed->channels, (std::vector<std::string>{"#music", "#chat"}));
    SettingsStore own;
    own.set("irc.server", "irc.own");
    adoptEarlierSignOn(own);
    EXPECT_EQ(own.values(), (SettingsStore::Values{{"irc.server", "irc.own"}}));
}

// Built as the desktop builds it, while the start-up question is open, before the window shows.
TEST(FrmAmpView, TheWindowStartsShownAndNormalAndShowBringsItToTheFrontFromAnyState) {
    HeadlessSystem system([](TimerHost&) { return std::make_unique<ScriptedEngine>(); });
    system.standin.signOn("bob");
    system.standin.openDialog("bob's Buddy List");
    system.standin.openRoom();
    system.dialogs.queueYesNo(true);
    FrmAmp& amp = system.create();
    FrmAmpView view(amp);
    QApplication::processEvents();
    EXPECT_FALSE(view.isVisible());  // nothing on the screen before start-up shows it
    system.start();
    QApplication::processEvents();
    EXPECT_TRUE(view.isVisible());
    EXPECT_FALSE(view.isMinimized());
    EXPECT_EQ(QApplication::activeWindow(), &view);

    // The ".show" command, minimised by the user, behind another window, hidden.
    QWidget other;
    const std::function<void()> states[] = {
        [&] { view.showMinimized(); },
        [&] {
            other.show();
            other.activateWindow();
        },
        [&] { amp.window.setVisible(false); },
    };
    for (const auto& putAway : states) {
        putAway();
        QApplication::processEvents();
        ASSERT_TRUE(!view.isVisible() || view.isMinimized() ||
                    QApplication::activeWindow() != &view);
        system.standin.memberSays("bob", ".show");
        system.wait(1000);
        QApplication::processEvents();
        EXPECT_TRUE(view.isVisible());
        EXPECT_FALSE(view.isMinimized());
        EXPECT_EQ(QApplication::activeWindow(), &view);
    }
    // The tray icon's double-click: a window in front is the core's to hide; one behind another
    // window of the program, or minimised, comes forward.
    EXPECT_FALSE(view.comeForward());
    for (const auto& putAway : {states[0], states[1]}) {
        putAway();
        QApplication::processEvents();
        EXPECT_TRUE(view.comeForward());
        QApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), &view);
        EXPECT_FALSE(view.isMinimized());
    }
}

TEST(QtTray, ANotificationAreaThatComesLaterGetsTheIconAndADoubleClickBringsThePlayerForward) {
    bool trayThere = false;
    QtTray tray(QIcon(), [&trayThere] { return trayThere; });
    std::vector<int> messages;
    tray.onIconMessage = [&messages](int message) { messages.push_back(message); };
    NotifyIconData record;
    record.uID = 1;
    EXPECT_TRUE(tray.notifyIcon(kNimAdd, record));
    EXPECT_FALSE(tray.shown());
    trayThere = true;
    tray.lookForTray();  // as the search every kLookForTrayMs does
    EXPECT_TRUE(tray.shown());

    // A player shown but not in front comes forward; one in front is handed the double-click.
    bool inFront = false;
    tray.bringForward = [&inFront] { return !std::exchange(inFront, true); };
    tray.doubleClick();
    EXPECT_TRUE(messages.empty());
    tray.doubleClick();
    EXPECT_EQ(messages, std::vector<int>{static_cast<int>(kWmLButtonDblClk)});
}

TEST(FrmAmpView, QuitOpenFolderAndPlayPauseHaveKeysAndToolTipsAndTheOptionBoxesTellTheirKeys) {
    HeadlessSystem system([](TimerHost&) { return std::make_unique<ScriptedEngine>(); });
    system.dialogs.queueYesNo(true);
    FrmAmp& amp = system.start();
    FrmAmpView view(amp);
    const auto action = [&view](const QKeySequence& keys) -> QAction* {
        for (QAction* a : view.actions()) {
            if (a->shortcut() == keys) {
                return a;
            }
        }
        return nullptr;
    };
    struct Row {
        QKeySequence keys;
        QString text;
    };
    const Row rows[] = {{QKeySequence(Qt::Key_Space), u"&Play or pause"_s},
                        {QKeySequence(Qt::CTRL | Qt::Key_O), u"&Open Folder..."_s},
                        {QKeySequence(Qt::CTRL | Qt::Key_Q), u"&Quit"_s}};
    for (const Row& row : rows) {
        QAction* a = action(row.keys);
        ASSERT_NE(a, nullptr) << row.text.toStdString();
        EXPECT_EQ(a->text(), row.text);
        EXPECT_TRUE(a->toolTip().contains(row.keys.toString(QKeySequence::NativeText)));
    }
    // Space plays a stopped song and pauses a playing one.
    static_cast<ScriptedEngine&>(*system.engine).addSong(u"song.mp3", 3);
    system.engine->open(u"song.mp3");
    system.engine->stop();
    action(QKeySequence(Qt::Key_Space))->trigger();
    EXPECT_EQ(system.engine->playState(), PlayState::Playing);
    action(QKeySequence(Qt::Key_Space))->trigger();
    EXPECT_EQ(system.engine->playState(), PlayState::Paused);
    // Ctrl+O opens the picker.
    system.dialogs.queuePick(u"");
    action(QKeySequence(Qt::CTRL | Qt::Key_O))->trigger();
    EXPECT_EQ(system.dialogs.shown().back().kind, ScriptedDialogs::Kind::Picker);

    QStringList tips;
    for (QCheckBox* box : view.findChildren<QCheckBox*>()) {
        tips.append(box->toolTip());
    }
    for (int key = 1; key <= 8; ++key) {
        EXPECT_TRUE(tips.join(u'\n').contains(u"F%1 "_s.arg(key))) << key;
    }
    // Quit ends the program, as closing the window does.
    action(QKeySequence(Qt::CTRL | Qt::Key_Q))->trigger();
    EXPECT_TRUE(amp.ended());
}

// What a label or a tool tip puts on the screen.
QString shownText(const QString& text, Qt::TextFormat format) {
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text))) {
        return text;
    }
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// Every text the widgets of `window` show on the screen, tool tips included.
QStringList shownTexts(QWidget& window) {
    QStringList texts{window.windowTitle()};
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.append(&window);
    for (QWidget* widget : widgets) {
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            texts.append(shownText(label->text(), label->textFormat()));
        }
        texts.append(shownText(widget->toolTip(), Qt::AutoText));
    }
    return texts;
}

// A hostile server or folder names a client, a song and a room with markup that loads a file: it
// is shown as typed, and nothing is loaded.
TEST(Views, NamesFromRoomsServersAndFilesAreShownAsTyped) {
    const QString name = u"<img src=\"/nonexistent/ruz\"> x"_s;
    const QString song = u"<b>bold</b> <img src=\"/nonexistent/song\">"_s;
    HeadlessSystem system([](TimerHost&) { return std::make_unique<ScriptedEngine>(); });
    system.standin.signOn(name.toStdString());
    system.standin.openDialog((name + u"'s Buddy List"_s).toStdString());
    system.dialogs.queueYesNo(true);
    FrmAmp& amp = system.start();
    FrmAmpView view(amp);
    amp.Song.setCaption(fromQString(song));
    amp.Artist.setCaption(fromQString(song));
    view.resize(360, 600);
    QApplication::processEvents();
    const QStringList player = shownTexts(view);
    EXPECT_TRUE(player.contains(u"User: "_s + name)) << player.join(u'|').toStdString();
    EXPECT_TRUE(player.contains(song)) << player.join(u'|').toStdString();  // the full title's tip

    const int room = system.standin.openLinkedRoom(
        u"#<img src=\"/nonexistent/room\">"_s.toStdString(), [](const std::string&) {}, 4096);
    system.standin.openRoom();
    ChatRoomView roomView(system.standin, system.model);
    roomView.refresh();
    system.standin.frontRoom(room);
    roomView.refresh();
    EXPECT_TRUE(shownTexts(roomView).contains(u"#<img src=\"/nonexistent/room\">"_s));
    BuddyListView buddies(system.standin, system.model, system.model.findWindow("#32770"));
    EXPECT_TRUE(shownTexts(buddies).contains(name));
}

// Long lines wrap: the view keeps the newest one in sight while the user is at the bottom, and
// leaves a user who scrolled up to read where they are.
TEST(TranscriptView, FollowsTheNewestLineUnlessTheUserScrolledUp) {
    TranscriptView view(nullptr);
    view.resize(220, 120);
    static_cast<QWidget&>(view).show();
    QString markup;
    const auto say = [&](int i) {
        markup += QString::fromStdString(standin::transcriptLine(
            "10:31:02 PM", "amy",
            "a line long enough to wrap in a narrow window, number " + std::to_string(i)));
        view.show(markup);
        QApplication::processEvents();
    };
    QScrollBar* bar = view.verticalScrollBar();
    const auto lastLineInSight = [&view, bar] {
        QTextCursor end(view.document());
        end.movePosition(QTextCursor::End);
        return bar->value() == bar->maximum() &&
               view.cursorRect(end).bottom() <= view.viewport()->height();
    };
    for (int i = 0; i < 40; ++i) {
        say(i);
        ASSERT_TRUE(lastLineInSight()) << i;
    }
    bar->setValue(bar->maximum() / 2);
    const int reading = bar->value();
    for (int i = 40; i < 60; ++i) {
        say(i);
    }
    EXPECT_EQ(bar->value(), reading);
    EXPECT_FALSE(lastLineInSight());
    bar->setValue(bar->maximum());  // back at the bottom: following again
    say(60);
    EXPECT_TRUE(lastLineInSight());
}

TEST(TranscriptView, NamesAndMessagesAreShownAsTextAndNothingIsLoaded) {
    TranscriptView view(nullptr);
    const std::string markup =
        standin::transcriptLine("10:31:02 PM", "<img src=\"/dev/zero\">", "a>b & c<d") +
        standin::transcriptLine("10:31:03 PM", "bob", "<img src=\"/dev/zero\">");
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
            standin::transcriptLine("10:31:02 PM", "amy", "line " + std::to_string(i % 10)));
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
    view.show(QString::fromStdString(standin::transcriptLine("10:40:00 PM", "bob", "again")));
    EXPECT_EQ(view.toPlainText(), u"(10:40:00 PM) bob: again");
}

// The room's window as the desktop shows it: lines that wrap anew when the window narrows, and
// announcements that wrap, keep coming into sight.
TEST(ChatRoomView, TheNewestLineIsInSightWhileTheUserIsAtTheBottom) {
    winsys::WindowModel model;
    standin::MessengerStandIn messenger(model, [] { return std::string("10:31:02 PM"); });
    messenger.openRoom();
    ChatRoomView view(messenger, model);
    messenger.setChangeListener([&view] { view.refresh(); });
    view.show();
    auto* transcript = view.findChild<TranscriptView*>();
    ASSERT_NE(transcript, nullptr);
    QScrollBar* bar = transcript->verticalScrollBar();
    const int width = view.width();
    for (int i = 0; i < 30; ++i) {
        messenger.memberSays("ruzcheck",
                             "\u2020-Drone Club  -  Low Hum, a title long enough to wrap "
                             "in the room's window - 4:31:44 PM - 12/7/2026-\u2020 " +
                                 std::to_string(i));
        if (i % 10 == 5) {
            view.resize(width * 2 / 3 - i, view.height());
        }
        QApplication::processEvents();
        QTextCursor end(transcript->document());
        end.movePosition(QTextCursor::End);
        ASSERT_EQ(bar->value(), bar->maximum()) << i;
        ASSERT_LE(transcript->cursorRect(end).bottom(), transcript->viewport()->height()) << i;
    }
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
