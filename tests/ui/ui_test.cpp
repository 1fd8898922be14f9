// The desktop views where they depart from a plain rendering of the controls: run on Qt's
// offscreen platform, which has no notification area.
#include "platform/scripted_engine.h"
#include "scenario/headless_system.h"
#include "standin/transcript_markup.h"
#include "ui/frmamp_view.h"
#include "ui/messenger_views.h"
#include "ui/qt_dialogs.h"
#include "ui/sign_on_dialog.h"
#include "ui/transcript_view.h"
#include "ui/view_binding.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>
#include <ctime>

#include <cstdio>

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
}

// The window offers the login name as the nick until one is stored, and its caption is whole.
TEST(SignOnDialog, TheLoginNameIsTheNickAndTheCaptionFits) {
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    qputenv("USER", "alice");
    SignOnDialog window(nullptr);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.settings().nick, u"alice");
    QFont captionFont = window.font();
    captionFont.setBold(true);
    const int caption = QFontMetrics(captionFont).horizontalAdvance(window.windowTitle());
    // Beside the caption, a title bar holds an icon and three buttons.
    constexpr int kTitleBarButtonsPx = 4 * 24;
    EXPECT_GE(window.width(), caption + kTitleBarButtonsPx);
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
