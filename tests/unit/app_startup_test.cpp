#include "system_fixture.h"

#include "platform/winsys/codepage.h"
#include "text/text.h"

namespace ruz::testing {
namespace {

using winsys::WindowModel;

TEST_F(SystemTest, DesignValuesOfTheMainWindow) {
    FrmAmp& a = create();
    struct TimerRow {
        Timer* timer;
        int interval;
        bool enabled;
    } timers[] = {
        {&a.Timer1, 50, true},   {&a.Timer2, 1, false},     {&a.tmrGetSong, 500, true},
        {&a.idle, 60000, false}, {&a.tmrALag, 1000, false}, {&a.chat.chat_tymer, 500, true},
    };
    for (const TimerRow& row : timers) {
        EXPECT_EQ(row.timer->interval(), row.interval) << text::toUtf8(row.timer->name());
        EXPECT_EQ(row.timer->enabled(), row.enabled) << text::toUtf8(row.timer->name());
    }
    struct BoxRow {
        CheckBox* box;
        int value;
    } boxes[] = {{&a.chatsendc, 1},      {&a.chkRandomSong, 0},     {&a.chkRepeat, 0},
                 {&a.chkAutoGetSong, 1}, {&a.chkKeepFromRating, 1}, {&a.chkAntiLag, 0}};
    for (const BoxRow& row : boxes) {
        EXPECT_EQ(row.box->value(), row.value) << text::toUtf8(row.box->name());
    }
    EXPECT_EQ(a.window.caption(), u" Taviks Ruz");
    EXPECT_FALSE(a.window.visible());
    EXPECT_EQ(a.minutes.caption(), u"0");
    EXPECT_EQ(a.idlereason.caption(), u"Label1");
    EXPECT_EQ(a.Text1.text(), u"Text1");
    EXPECT_EQ(a.File1.pattern(), u"*.MP3;*.MP2;*.M3U");
    EXPECT_EQ(a.Slider1.min(), -10000);
    EXPECT_EQ(a.Slider1.max(), 0);
    EXPECT_EQ(a.Slider2.max(), 180);
    EXPECT_EQ(a.mnuhelp.caption(), u"Ccoms");
    EXPECT_EQ(a.mnuMinimize.caption(), u"Minimize");
    EXPECT_EQ(a.mnuDefaults.caption(), u"Restore Defaults");
    EXPECT_FALSE(a.hasCcoms());
}

TEST_F(SystemTest, StartUpRunsInItsOrder) {
    standin.signOn("bob");
    standin.openDialog("bob's Buddy List");
    standin.openRoom();
    model.clearMessages();
    FrmAmp& a = start(true);

    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, u"Are you using messenger:mate?");
    EXPECT_EQ(a.lblsn.caption(), u"bob");
    EXPECT_EQ(a.window.caption(), u"\u2020- Taviks Ruz - User (bob) -\u2020");
    EXPECT_TRUE(a.window.visible());
    EXPECT_TRUE(tray.present());
    EXPECT_EQ(sent(), std::vector<std::u16string>{u"\u2020- Loads Taviks Ruz -\u2020"});

    // The caption is read first, then the baseline, then the announcement goes out.
    const auto& messages = model.messages();
    ASSERT_GE(messages.size(), 7u);
    EXPECT_EQ(messages[0].message, winsys::kWmGetTextLength);
    EXPECT_EQ(model.className(messages[0].window), "#32770");
    // scan_on's baseline: the room's view read from a character on, as the window model reads it.
    EXPECT_EQ(messages[2].message, winsys::WindowModel::kModelGetTextFrom);
    const auto setText = std::find_if(messages.begin(), messages.end(), [](const auto& m) {
        return m.message == winsys::kWmSetText;
    });
    ASSERT_NE(setText, messages.end());
    EXPECT_EQ(setText->text, "\x86- Loads Taviks Ruz -\x86");

    // The announcement is the first line the scanner hears after start-up.
    host.advance(500);
    EXPECT_TRUE(a.chat.oldlastlyne.ends_with(u": \u2020- Loads Taviks Ruz -\u2020</FONT"));
}

TEST_F(SystemTest, WhatTheEngineFindsWrongIsShownInANoticeWhileTheProgramRuns) {
    FrmAmp& a = start(true);
    const std::size_t before = dialogs.shown().size();
    engine.reportProblem("No sound device could be opened (none): playback continues silently.");
    ASSERT_EQ(dialogs.shown().size(), before + 1);
    EXPECT_EQ(dialogs.shown().back().text,
              u"No sound device could be opened (none): playback continues silently.");
    a.Form_Unload();
    engine.reportProblem("after the end");
    EXPECT_EQ(dialogs.shown().size(), before + 1);
}

TEST_F(SystemTest, ScreenNameFromTheFrontDialog) {
    struct Row {
        const char* caption;
        bool yes;
        const char16_t* name;
    } rows[] = {
        {"bob's list", true, u"bob"},  {"bob's list", false, u"bob's list"},
        {"bob", true, u"bob"},         {"bob", false, u"bob"},
        {"'s list", true, u""},        {"'s list", false, u"'s list"},
        {"o'neil's list", true, u"o"}, {"", true, u""},
    };
    for (const Row& row : rows) {
        WindowModel windows;
        standin::MessengerStandIn messenger(windows, [] { return std::string("1:00:00 PM"); });
        messenger.openDialog(row.caption);
        Platform p{host, windows, engine, dialogs, tray, clock};
        dialogs.queueYesNo(row.yes);
        FrmAmp a(p);
        a.Form_Load();
        EXPECT_EQ(a.lblsn.caption(), row.name) << row.caption << row.yes;
        a.Form_Unload();
    }
}

TEST_F(SystemTest, NoDialogAndNoRoomStillStarts) {
    FrmAmp& a = start(false);
    EXPECT_EQ(a.lblsn.caption(), u"");
    EXPECT_EQ(a.window.caption(), u"\u2020- Taviks Ruz - User () -\u2020");
    EXPECT_TRUE(a.window.visible());
    EXPECT_TRUE(sent().empty());
    for (const auto& m : model.messages()) {
        EXPECT_NE(m.window, 0u);
    }
}

TEST_F(SystemTest, AnotherProgramsDialogInFrontGivesItsCaption) {
    standin.openDialog("bob's Buddy List");
    standin.openDialog("Save As");
    EXPECT_EQ(start(true).lblsn.caption(), u"Save As");
}

TEST_F(SystemTest, TimersTickWhileTheQuestionIsOpen) {
    constexpr int kLineArrivesMs = 600;
    constexpr int kAnsweredMs = 1200;
    standin.openRoom();
    standin.memberSays("amy", "before");
    // A line that reaches the room while the question is open.
    TimerHost::TimerId later{};
    later = host.createTimer([&] {
        host.stopTimer(later);
        standin.memberSays("amy", "hello");
    });
    host.startTimer(later, kLineArrivesMs);
    dialogs.queueYesNo(true, kAnsweredMs);
    create().Form_Load();
    // The first poll read the room from its end; a later one, before the baseline, heard the
    // line that came since.
    EXPECT_TRUE(text::contains(system.app()->chat.oldlastlyne, u"hello"));
    EXPECT_EQ(host.nowMs(), kAnsweredMs);
    host.destroyTimer(later);
}

TEST_F(SystemTest, TrayRecordIsTheShellsFirstForm) {
    start();
    const NotifyIconData& r = tray.record();
    EXPECT_EQ(r.cbSize, 88u);
    EXPECT_EQ(r.uID, 1u);
    EXPECT_EQ(r.uFlags, 7u);
    EXPECT_EQ(r.uCallbackMessage, 0x0200u);
    EXPECT_STREQ(r.szTip.data(), "Click To Maximize");
    EXPECT_EQ(r.szTip[18], ' ');
    EXPECT_EQ(r.szTip[63], ' ');
}

TEST_F(SystemTest, ClosingEndsAtOnceAndRemovesTheIcon) {
    standin.openRoom();
    FrmAmp& a = start();
    bool endedCalled = false;
    a.onEnded = [&] { endedCalled = true; };
    a.Form_Unload();
    EXPECT_TRUE(a.ended());
    EXPECT_TRUE(endedCalled);
    EXPECT_FALSE(tray.present());
    const auto before = sent().size();
    standin.memberSays("me", ".skip");
    host.advance(120000);
    EXPECT_EQ(sent().size(), before);  // nothing more is sent
    for (Timer* t : {&a.Timer1, &a.tmrGetSong, &a.chat.chat_tymer}) {
        EXPECT_FALSE(t->enabled());
    }
}

TEST_F(SystemTest, DaggerCrossesAsByte0x86AndUnknownCharactersAsQuestionMarks) {
    standin.openRoom();
    FrmAmp& a = start();
    a.room().send(u"\u2020 caf\u00e9 \u4e2d");
    const std::string view =
        model.text(model.children(model.children(standin.frontRoomWindow())[0])[0]);
    EXPECT_NE(view.find("\x86 caf\xe9 ?"), std::string::npos);
}

TEST_F(SystemTest, CommandsAreHeardPastAnyTranscriptLength) {
    model.setRecording(false);
    standin.signOn("bob");
    standin.openDialog("bob's Buddy List");
    standin.openRoom();
    FrmAmp& a = start();
    // Ordinary posting, line after line, past the first read's length.
    const std::string longLine(std::size_t{1} << 18, 'x');
    const std::size_t lines = messenger::AimChat::kFirstReadLength / longLine.size() + 2;
    for (std::size_t i = 0; i < lines; ++i) {
        standin.memberSays("amy", longLine);
    }
    host.advance(RoomScanner::kPollIntervalMs);
    standin.memberSays("bob", ".hide");
    host.advance(RoomScanner::kPollIntervalMs);
    EXPECT_FALSE(a.window.visible());
    EXPECT_EQ(sent().back(), u"\u2020- Minimizes Ruz -\u2020");
}

}  // namespace
}  // namespace ruz::testing
