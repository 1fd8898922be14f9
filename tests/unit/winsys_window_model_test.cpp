#include "platform/winsys/forwarding_window_system.h"
#include "platform/winsys/window_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruz::winsys {
namespace {

LParam ptr(const char* text) {
    return reinterpret_cast<LParam>(text);
}

TEST(WindowModel, NewTopLevelWindowGoesInFrontAndCanBeBroughtForward) {
    WindowModel m;
    const Hwnd a = m.createWindow("Room", "a");
    const Hwnd b = m.createWindow("room", "b");
    EXPECT_EQ(m.topLevelWindows(), (std::vector<Hwnd>{b, a}));
    EXPECT_EQ(m.findWindow("ROOM"), b);
    EXPECT_TRUE(m.bringToFront(a));
    EXPECT_EQ(m.findWindow("rOOm"), a);
    EXPECT_EQ(m.findWindow("Roo"), 0u);
}

TEST(WindowModel, FindWindowExWalksChildrenInCreationOrder) {
    WindowModel m;
    const Hwnd top = m.createWindow("Top", "");
    const Hwnd c1 = m.createWindow("Btn", "", top);
    const Hwnd other = m.createWindow("Edit", "", top);
    const Hwnd c2 = m.createWindow("BTN", "", top);
    EXPECT_EQ(m.findWindowEx(top, 0, "btn"), c1);
    EXPECT_EQ(m.findWindowEx(top, c1, "btn"), c2);
    EXPECT_EQ(m.findWindowEx(top, c2, "btn"), 0u);
    EXPECT_EQ(m.findWindowEx(top, c1, "edit"), other);
    EXPECT_EQ(m.findWindowEx(top, top, "btn"), 0u);  // not a child
    EXPECT_EQ(m.findWindowEx(c1, 0, "btn"), 0u);
    EXPECT_FALSE(m.bringToFront(c1));
}

struct GetTextCase {
    WParam size;
    LResult copied;
    std::string buffer;  // what the buffer holds afterwards, as far as written
};

TEST(WindowModel, GetTextCopiesAtMostSizeMinusOneAndNul) {
    const GetTextCase cases[] = {
        {0, 0, "#####"},
        {1, 0, std::string("\0####", 5)},
        {3, 2, std::string("ab\0##", 5)},
        {4, 3, std::string("abc\0#", 5)},
        {5, 3, std::string("abc\0#", 5)},
    };
    for (const GetTextCase& c : cases) {
        WindowModel m;
        const Hwnd w = m.createWindow("X", "abc");
        std::string buffer = "#####";
        EXPECT_EQ(m.sendMessage(w, kWmGetText, c.size, ptr(buffer.data())), c.copied) << c.size;
        EXPECT_EQ(buffer, c.buffer) << c.size;
    }
}

TEST(WindowModel, DefaultHandlingAndRecording) {
    WindowModel m;
    const Hwnd w = m.createWindow("X", "old");
    EXPECT_EQ(m.sendMessage(w, kWmSetText, 0, ptr("\x86new")), 1);
    EXPECT_EQ(m.text(w), "\x86new");
    EXPECT_EQ(m.sendMessage(w, kWmGetTextLength, 0, 0), 4);
    EXPECT_EQ(m.sendMessage(w, kWmLButtonDown, 13, 0), 0);
    ASSERT_EQ(m.messages().size(), 3u);
    EXPECT_EQ(m.messages()[0].text, "\x86new");
    EXPECT_EQ(m.messages()[1], (WindowModel::Message{w, kWmGetTextLength, 0, 0, ""}));
    EXPECT_EQ(m.messages()[2], (WindowModel::Message{w, kWmLButtonDown, 13, 0, ""}));
    m.clearMessages();
    EXPECT_TRUE(m.messages().empty());
}

TEST(WindowModel, MessageToMissingWindowIsRecordedAndReturnsZero) {
    WindowModel m;
    EXPECT_EQ(m.sendMessage(0, kWmGetTextLength, 0, 0), 0);
    EXPECT_EQ(m.sendMessage(12345, kWmSetText, 0, ptr("x")), 0);
    EXPECT_EQ(m.messages().size(), 2u);
}

TEST(WindowModel, CloseDestroysTreeAndHandlesAreNeverReused) {
    WindowModel m;
    const Hwnd top = m.createWindow("Top", "");
    const Hwnd child = m.createWindow("C", "", top);
    const Hwnd grandchild = m.createWindow("G", "", child);
    EXPECT_EQ(m.sendMessage(top, kWmClose, 0, 0), 0);
    EXPECT_FALSE(m.exists(top) || m.exists(child) || m.exists(grandchild));
    EXPECT_TRUE(m.topLevelWindows().empty());
    const Hwnd next = m.createWindow("Top", "");
    EXPECT_NE(next, top);
    EXPECT_NE(next, child);
    EXPECT_NE(next, grandchild);
    EXPECT_EQ(m.createWindow("C", "", top), 0u);  // parent gone
}

TEST(WindowModel, HandlerOverridesOrFallsThroughAndMayDestroyItsWindow) {
    WindowModel m;
    const Hwnd w = m.createWindow("X", "abc");
    m.setHandler(w, [](Hwnd, unsigned msg, WParam, LParam) -> std::optional<LResult> {
        if (msg == kWmGetTextLength) {
            return -7;
        }
        return std::nullopt;
    });
    EXPECT_EQ(m.sendMessage(w, kWmGetTextLength, 0, 0), -7);
    EXPECT_EQ(m.sendMessage(w, kWmSetText, 0, ptr("z")), 1);
    EXPECT_EQ(m.text(w), "z");

    m.setHandler(w, [&m](Hwnd self, unsigned, WParam, LParam) -> std::optional<LResult> {
        m.destroyWindow(self);
        return 5;
    });
    EXPECT_EQ(m.sendMessage(w, kWmLButtonUp, 0, 0), 5);
    EXPECT_FALSE(m.exists(w));
}

TEST(ForwardingWindowSystem, EveryCallReachesTheWindowSystemItForwardsToNow) {
    // Two window systems whose windows differ in every answer a call gives.
    WindowModel first;
    WindowModel second;
    const Hwnd firstTop = first.createWindow("Room", "one");
    const Hwnd firstChild = first.createWindow("Edit", "hello", firstTop);
    second.createWindow("Other", "");
    const Hwnd secondTop = second.createWindow("Room", "two words", 0, true);
    const Hwnd secondChild = second.createWindow("Edit", "hi", secondTop);
    ASSERT_NE(firstTop, secondTop);

    ForwardingWindowSystem windows(first);
    struct Row {
        WindowModel* target;
        Hwnd top, child;
        LResult titleLength;
        bool unicode;
    };
    const Row rows[] = {{&first, firstTop, firstChild, 3, false},
                        {&second, secondTop, secondChild, 9, true},
                        {&first, firstTop, firstChild, 3, false}};
    for (const Row& row : rows) {
        windows.forwardTo(*row.target);
        EXPECT_TRUE(windows.forwardsTo(*row.target));
        EXPECT_FALSE(windows.forwardsTo(row.target == &first ? second : first));
        EXPECT_EQ(windows.findWindow("room"), row.top);
        EXPECT_EQ(windows.findWindowEx(row.top, 0, "edit"), row.child);
        EXPECT_EQ(windows.sendMessage(row.top, kWmGetTextLength, 0, 0), row.titleLength);
        EXPECT_EQ(windows.sendMessageW(row.top, kWmGetTextLength, 0, 0), row.titleLength);
        EXPECT_EQ(windows.isWindowUnicode(row.top), row.unicode);
    }
    // A message sent through it changes the window system it forwards to, and no other.
    windows.forwardTo(second);
    EXPECT_EQ(windows.sendMessage(secondChild, kWmSetText, 0, ptr("new")), 1);
    EXPECT_EQ(second.text(secondChild), "new");
    EXPECT_EQ(first.text(firstChild), "hello");
}

}  // namespace
}  // namespace ruz::winsys
