#include "messenger/aimchat.h"
#include "platform/winsys/codepage.h"
#include "platform/winsys/window_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruz::messenger {
namespace {

using winsys::Hwnd;
using winsys::LParam;
using winsys::LResult;
using winsys::WindowModel;
using winsys::WParam;
using Message = WindowModel::Message;

// A chat room built by hand, so that every message the link sends can be checked exactly.
struct Room {
    Hwnd window = 0, view = 0, input = 0;
    std::vector<Hwnd> buttons;
};

Room makeRoom(WindowModel& m, int buttons = 5, bool withInput = true) {
    Room r;
    r.window = m.createWindow("AIM_ChatWnd", "Chat Room");
    r.view = m.createWindow("Ate32Class", "", m.createWindow("WndAte32Class", "", r.window));
    // Buttons and frames interleave: only the order within a class counts.
    r.buttons.push_back(m.createWindow("_Oscar_IconBtn", "", r.window));
    if (withInput) {
        r.input = m.createWindow("Ate32Class", "", m.createWindow("WndAte32Class", "", r.window));
    }
    for (int i = 1; i < buttons; ++i) {
        r.buttons.push_back(m.createWindow("_Oscar_IconBtn", "", r.window));
    }
    return r;
}

std::vector<Message> pressOf(Hwnd button) {
    return {{button, winsys::kWmLButtonDown, 0x0D, 0, ""},
            {button, winsys::kWmLButtonUp, 0x0D, 0, ""}};
}

// The messages of one send: the input box read, the text set, the button pressed, and what the
// box held put back when it held anything.
std::vector<Message> sendOf(const Room& r, const std::string& bytes, const std::string& unsent) {
    std::vector<Message> expected = {
        {r.input, winsys::kWmGetTextLength, 0, 0, ""},
        {r.input, winsys::kWmGetText, unsent.size() + 1, 0, ""},
        {r.input, winsys::kWmSetText, 0, 0, bytes},
    };
    for (const Message& press : pressOf(r.buttons[4])) {
        expected.push_back(press);
    }
    if (!unsent.empty()) {
        expected.push_back({r.input, winsys::kWmSetText, 0, 0, unsent});
    }
    return expected;
}

TEST(AimChat, SendSetsInputPressesFifthButtonAndPutsTheUnsentTextBack) {
    const std::pair<std::string, std::string> texts[] = {
        {"\u2020- Loads Taviks Ruz -\u2020", "\x86- Loads Taviks Ruz -\x86"},
        {"na\u00efve \u4e2d", "na\xefve ?"},
        {"", ""},  // the empty text still presses the button
    };
    for (const std::string unsent : {"typed by the user, unsent", ""}) {
        for (const auto& [utf8, bytes] : texts) {
            WindowModel m;
            const Room r = makeRoom(m);
            m.setText(r.input, unsent);
            std::vector<Message> seen;
            // The text in the box at the moment the button goes down.
            m.setHandler(r.buttons[4], [&](Hwnd, unsigned message, WParam, LParam) {
                if (message == winsys::kWmLButtonDown) {
                    seen.push_back({r.input, 0, 0, 0, m.text(r.input)});
                }
                return std::optional<LResult>{};
            });
            AimChat(m).SendChatText(utf8);
            std::vector<Message> got = m.messages();
            for (Message& message : got) {
                message.lParam = 0;  // the text pointers are gone; the bytes were recorded
            }
            EXPECT_EQ(got, sendOf(r, bytes, unsent)) << utf8;
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(seen[0].text, bytes);
            EXPECT_EQ(m.text(r.input), unsent.empty() ? bytes : unsent);
        }
    }
}

TEST(AimChat, NoRoomSendsNothingAndReadsEmpty) {
    WindowModel m;
    m.createWindow("Ate32Class", "stray top-level edit");
    m.createWindow("_Oscar_IconBtn", "");
    AimChat chat(m);
    EXPECT_EQ(chat.SendChatText("hi"), 0u);  // no room took it
    EXPECT_EQ(chat.ClearChatTranscript(), 0u);
    chat.CloseChatRoom();
    EXPECT_TRUE(chat.chatTranscriptViews().empty());
    EXPECT_EQ(chat.ReadChatTranscript(), "");
    EXPECT_EQ(chat.ChatTranscriptTail(), "");
    EXPECT_EQ(chat.ReadFirstDialogCaption(), "");
    EXPECT_TRUE(m.messages().empty());
}

TEST(AimChat, MissingChildrenSkipOnlyTheStepsThatNeedThem) {
    WindowModel m;
    const Room fourButtons = makeRoom(m, 4);
    EXPECT_EQ(AimChat(m).SendChatText("hi"), 0u);  // no send button: no room took it
    ASSERT_EQ(m.messages().size(), 3u);            // read, set
    EXPECT_EQ(m.messages()[2].window, fourButtons.input);
    EXPECT_EQ(m.text(fourButtons.input), "hi");  // set, never sent

    WindowModel m2;
    const Room noInput = makeRoom(m2, 5, false);
    AimChat(m2).SendChatText("hi");
    EXPECT_EQ(m2.messages(), pressOf(noInput.buttons[4]));
}

TEST(AimChat, ActsOnTheFrontmostRoomLookedUpAfresh) {
    WindowModel m;
    const Room first = makeRoom(m);
    const Room second = makeRoom(m);
    m.setText(first.view, "first");
    m.setText(second.view, "second");
    AimChat chat(m);
    EXPECT_EQ(chat.ReadChatTranscript(), "second");
    EXPECT_EQ(chat.chatTranscriptViews(), (std::vector<Hwnd>{second.view, first.view}));
    m.bringToFront(first.window);
    EXPECT_EQ(chat.ReadChatTranscript(), "first");
    EXPECT_EQ(chat.chatTranscriptViews(), (std::vector<Hwnd>{first.view, second.view}));
    std::size_t length = 0;
    EXPECT_EQ(chat.readTranscriptViewFrom(second.view, 2, &length), "cond");
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(chat.SendChatText("to first"), first.view);
    m.createWindow("#32770", "dialog in front");
    EXPECT_EQ(chat.ClearChatTranscript(), first.view);
    EXPECT_EQ(m.text(first.view), "");
    EXPECT_EQ(m.text(second.view), "second");
    chat.CloseChatRoom();
    EXPECT_FALSE(m.exists(first.window));
    EXPECT_EQ(chat.ReadChatTranscript(), "second");
}

TEST(AimChat, SendLooksTheRoomUpAgainForTheButton) {
    WindowModel m;
    const Room other = makeRoom(m);
    const Room front = makeRoom(m);
    // The input box's owner brings the other room forward while handling the text.
    m.setHandler(front.input, [&](Hwnd, unsigned, WParam, LParam) -> std::optional<LResult> {
        m.bringToFront(other.window);
        return std::nullopt;
    });
    AimChat(m).SendChatText("x");
    ASSERT_EQ(m.messages().size(), 5u);
    EXPECT_EQ(m.messages()[2].window, front.input);
    EXPECT_EQ(m.messages()[3].window, other.buttons[4]);
}

TEST(AimChat, ReadAsksLengthThenTextWithRoomForNul) {
    WindowModel m;
    const Room r = makeRoom(m);
    m.setText(r.view, "<BR>\x86 caf\xe9");
    EXPECT_EQ(AimChat(m).ReadChatTranscript(), "<BR>\u2020 caf\u00e9");
    ASSERT_EQ(m.messages().size(), 2u);
    EXPECT_EQ(m.messages()[0], (Message{r.view, winsys::kWmGetTextLength, 0, 0, ""}));
    EXPECT_EQ(m.messages()[1].message, winsys::kWmGetText);
    EXPECT_EQ(m.messages()[1].wParam, 11u);
}

TEST(AimChat, TailKeepsTheLast500Bytes) {
    for (const std::size_t length : {0u, 499u, 500u, 501u, 2000u}) {
        WindowModel m;
        const Room r = makeRoom(m);
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text += i % 2 == 0 ? '\x86' : static_cast<char>('a' + i % 26);
        }
        m.setText(r.view, text);
        const std::string tail = AimChat(m).ChatTranscriptTail();
        const std::string expected = text.substr(length > 500 ? length - 500 : 0);
        EXPECT_EQ(winsys::utf8ToCp1252(tail), expected) << length;
    }
}

TEST(AimChat, AbsurdLengthsNeverCrash) {
    for (const LResult reported : {LResult{-5}, LResult{1} << 40}) {
        WindowModel m;
        const Room r = makeRoom(m);
        m.setText(r.view, "abc");
        m.setHandler(r.view, [reported](Hwnd, unsigned msg, WParam, LParam) {
            return msg == winsys::kWmGetTextLength ? std::optional<LResult>(reported)
                                                   : std::nullopt;
        });
        const std::string text = AimChat(m).ReadChatTranscript();
        EXPECT_EQ(text, reported < 0 ? "" : "abc");
        EXPECT_LE(m.messages().back().wParam, AimChat::kFirstReadLength + 1);
    }
}

// A window that claims an endless text and fills every room it is given is read as far as the
// link reads any window, no further.
TEST(AimChat, AWindowThatFillsEveryRoomIsReadToTheLinksLimit) {
    WindowModel m;
    m.setRecording(false);
    const Room r = makeRoom(m);
    std::size_t largest = 0;
    m.setHandler(r.view, [&largest](Hwnd, unsigned msg, WParam wParam, LParam lParam) {
        if (msg == winsys::kWmGetTextLength) {
            return std::optional<LResult>(LResult{1} << 40);
        }
        if (msg == winsys::kWmGetText && wParam > 0) {
            largest = std::max<std::size_t>(largest, wParam);
            auto* buffer = reinterpret_cast<char*>(lParam);
            std::fill(buffer, buffer + wParam - 1, 'x');
            buffer[wParam - 1] = '\0';
            return std::optional<LResult>(static_cast<LResult>(wParam - 1));
        }
        return std::optional<LResult>();
    });
    std::size_t length = 0;
    AimChat(m).readChatTranscriptFrom(AimChat::kMaxReadLength - 3, &length);
    EXPECT_EQ(length, AimChat::kMaxReadLength);
    EXPECT_EQ(largest, AimChat::kMaxReadLength + 1);
}

TEST(AimChat, TheTailIsTheRealEndOfATranscriptOfAnyLength) {
    WindowModel m;
    m.setRecording(false);
    const Room r = makeRoom(m);
    std::string text(AimChat::kFirstReadLength + 4096, 'x');
    text.replace(text.size() - 9, 9, "<BR>later");
    m.setText(r.view, text);
    AimChat chat(m);
    const std::string tail = chat.ChatTranscriptTail();
    ASSERT_EQ(tail.size(), AimChat::kTailLength);
    EXPECT_EQ(tail.substr(tail.size() - 9), "<BR>later");
    std::size_t length = 0;
    EXPECT_EQ(chat.readChatTranscriptFrom(text.size() - 5, &length), "later");
    EXPECT_EQ(length, text.size());
}

TEST(AimChat, FirstDialogCaption) {
    WindowModel m;
    AimChat chat(m);
    makeRoom(m);
    EXPECT_EQ(chat.ReadFirstDialogCaption(), "");
    m.createWindow("#32770", "bob's Buddy List");
    const Hwnd front = m.createWindow("#32770", "\x86 o'neil's list");
    m.bringToFront(m.findWindow("aim_chatwnd"));
    EXPECT_EQ(chat.ReadFirstDialogCaption(), "\u2020 o'neil's list");
    EXPECT_EQ(m.messages().front().window, front);
}

}  // namespace
}  // namespace ruz::messenger
