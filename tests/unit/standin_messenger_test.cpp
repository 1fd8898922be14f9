#include "platform/winsys/codepage.h"
#include "standin/messenger_standin.h"
#include "standin/transcript_markup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruz::standin {
namespace {

using winsys::Hwnd;
using winsys::WindowModel;

std::string line(const std::string& sender, const std::string& message) {
    return "<BR><!-- (10:31:02 PM)--><FONT COLOR=\"#0000ff\"><B>" + sender +
           "</B></FONT><FONT COLOR=\"#000000\">: " + message + "</FONT>";
}

class StandIn : public testing::Test {
  protected:
    // The fifth button of the frontmost room, found the way the messenger lays its room out.
    Hwnd sendButton() {
        Hwnd b = 0;
        for (int i = 0; i < 5; ++i) {
            b = model.findWindowEx(standIn.frontRoomWindow(), b, "_oscar_iconbtn");
        }
        return b;
    }
    Hwnd inputBox() {
        const Hwnd room = standIn.frontRoomWindow();
        const Hwnd frame =
            model.findWindowEx(room, model.findWindowEx(room, 0, "wndate32class"), "wndate32class");
        return model.findWindowEx(frame, 0, "ate32class");
    }
    void click(Hwnd button) {
        model.sendMessage(button, winsys::kWmLButtonDown, 13, 0);
        model.sendMessage(button, winsys::kWmLButtonUp, 13, 0);
    }

    WindowModel model;
    MessengerStandIn standIn{model, [] { return std::string("10:31:02 PM"); }};
};

TEST_F(StandIn, MemberLineMarkupAndEscaping) {
    standIn.openRoom();
    ASSERT_TRUE(standIn.memberSays("bob", "a & b <i>x</i> > \u2020"));
    EXPECT_EQ(standIn.transcriptUtf8(), line("bob", "a &amp; b &lt;i>x&lt;/i> > \u2020"));
    ASSERT_TRUE(standIn.appendRaw("<BR>raw & \u2020"));
    EXPECT_EQ(
        model.text(model.children(model.children(standIn.frontRoomWindow())[0])[0]),
        winsys::utf8ToCp1252(line("bob", "a &amp; b &lt;i>x&lt;/i> > \u2020")) + "<BR>raw & \x86");
    // In a name ">" is written as a reference too: the reader, which drops ">", keeps it.
    ASSERT_TRUE(standIn.memberSays("b>ob <&>", "a>b"));
    EXPECT_NE(standIn.transcriptUtf8().find(line("b&gt;ob &lt;&amp;&gt;", "a>b")),
              std::string::npos);
}

// What the writer puts into the transcript, the reader gives back unchanged: tags, references
// typed as text, colons, and characters beyond ASCII.
TEST(TranscriptMarkup, EveryLineReadsBackAsItWasWritten) {
    struct Row {
        const char* sender;
        const char* message;
    };
    const Row rows[] = {
        {"bob", "hello"},
        {"b>ob <&>", "a>b"},
        {"amy", "&lt; is how a \"<\" is written"},
        {"amy", "&amp;amp; &#65; &gt;"},
        {"a:b", "x: y"},
        {"<img src=\"/dev/zero\">", "</FONT><FONT COLOR=\"#000000\">: <BR>"},
        {"\u00e9\u00e8", "\u2020 \U0001F600"},
        {"eve", ""},
    };
    std::string markup;
    for (const Row& row : rows) {
        markup += transcriptLine("10:31:02 PM", row.sender, row.message);
        const ReadBack read =
            readTranscriptLine(transcriptLine("10:31:02 PM", row.sender, row.message));
        EXPECT_EQ(read.kind, ReadBack::Kind::Member) << row.sender;
        EXPECT_EQ(read.time, "10:31:02 PM");
        EXPECT_EQ(read.sender, row.sender);
        EXPECT_EQ(read.text, row.message);
        const ReadBack room = readTranscriptLine(roomLine("10:31:03 PM", row.message));
        EXPECT_EQ(room.kind, ReadBack::Kind::Room) << row.message;
        EXPECT_EQ(room.sender, "");
        EXPECT_EQ(room.text, row.message);
    }
    const std::vector<ReadBack> all = readTranscript("before the first line" + markup);
    ASSERT_EQ(all.size(), std::size(rows));
    EXPECT_EQ(all.back().sender, "eve");
    // Markup of another writer keeps its text without the tags.
    const ReadBack other = readTranscriptLine("<BR><I>amy &amp; bob entered</I>");
    EXPECT_EQ(other.kind, ReadBack::Kind::Other);
    EXPECT_EQ(other.text, "amy & bob entered");
}

TEST_F(StandIn, ProgramPressPostsInputAsOwnLineAndIsRecorded) {
    standIn.signOn("bob");
    standIn.openRoom();
    model.sendMessage(inputBox(), winsys::kWmSetText, 0,
                      reinterpret_cast<winsys::LParam>("\x86 hi <3"));
    EXPECT_EQ(standIn.inputUtf8(), "\u2020 hi <3");
    click(sendButton());
    click(sendButton());  // empty box: recorded, posts nothing
    EXPECT_EQ(standIn.sentByProgram(), (std::vector<std::string>{"\u2020 hi <3", ""}));
    EXPECT_EQ(standIn.transcriptUtf8(), line("bob", "\u2020 hi &lt;3"));
    EXPECT_EQ(standIn.inputUtf8(), "");
}

TEST_F(StandIn, TheRecordOfProgramSendsIsHandedOverInPortions) {
    standIn.openRoom();
    model.sendMessage(inputBox(), winsys::kWmSetText, 0, reinterpret_cast<winsys::LParam>("one"));
    click(sendButton());
    EXPECT_EQ(standIn.takeSentByProgram(), std::vector<std::string>{"one"});
    EXPECT_TRUE(standIn.sentByProgram().empty());
    model.sendMessage(inputBox(), winsys::kWmSetText, 0, reinterpret_cast<winsys::LParam>("two"));
    click(sendButton());
    EXPECT_EQ(standIn.sentByProgram(), std::vector<std::string>{"two"});
}

TEST_F(StandIn, UserPressAndIncompleteClicksAreNotProgramSends) {
    standIn.openRoom();
    standIn.typeInput("one");
    EXPECT_TRUE(standIn.pressSend());
    standIn.pressSend();  // empty box
    EXPECT_EQ(standIn.transcriptUtf8(), line("me", "one"));
    standIn.typeInput("two");
    model.sendMessage(sendButton(), winsys::kWmLButtonUp, 13, 0);  // up without down
    const Hwnd fourth = model.children(standIn.frontRoomWindow())[5];
    click(fourth);
    EXPECT_TRUE(standIn.sentByProgram().empty());
    EXPECT_EQ(standIn.inputUtf8(), "two");
}

TEST_F(StandIn, RoomsOpenFrontAndClose) {
    int changes = 0;
    standIn.setChangeListener([&] { ++changes; });
    EXPECT_FALSE(standIn.memberSays("x", "y"));
    EXPECT_FALSE(standIn.leaveFrontRoom());
    EXPECT_EQ(standIn.transcriptUtf8(), "");
    const int one = standIn.openRoom();
    const int two = standIn.openRoom();
    EXPECT_EQ(two, 2);
    standIn.memberSays("x", "in two");
    standIn.openDialog("bob's Buddy List");  // a dialog in front does not hide the rooms
    EXPECT_TRUE(standIn.frontRoom(one));
    EXPECT_EQ(standIn.transcriptUtf8(), "");
    // Every open room's transcript reads, in front or behind.
    EXPECT_EQ(standIn.roomTranscriptUtf8(two), line("x", "in two"));
    EXPECT_EQ(standIn.roomTranscriptUtf8(one), "");
    EXPECT_EQ(standIn.roomTranscriptUtf8(99), "");
    EXPECT_TRUE(standIn.leaveFrontRoom());
    EXPECT_EQ(standIn.roomTranscriptUtf8(two), line("x", "in two"));
    EXPECT_EQ(standIn.openRoomCount(), 1);
    EXPECT_EQ(standIn.transcriptUtf8(), line("x", "in two"));
    EXPECT_FALSE(standIn.frontRoom(one));
    model.sendMessage(standIn.frontRoomWindow(), winsys::kWmClose, 0, 0);
    EXPECT_EQ(standIn.openRoomCount(), 0);
    EXPECT_EQ(standIn.roomTranscriptUtf8(two), "");
    EXPECT_EQ(standIn.openRoom(), 3);
    const int before = changes;
    model.sendMessage(inputBox(), winsys::kWmSetText, 0, reinterpret_cast<winsys::LParam>("z"));
    EXPECT_EQ(changes, before + 1);
}

TEST(StandInLifetime, WindowsOutlivingTheStandInKeepDefaultHandling) {
    WindowModel model;
    Hwnd room = 0;
    {
        MessengerStandIn standIn(model, [] { return std::string(); });
        standIn.openRoom();
        room = standIn.frontRoomWindow();
    }
    const Hwnd button = model.children(room).back();
    model.sendMessage(button, winsys::kWmLButtonDown, 13, 0);
    model.sendMessage(button, winsys::kWmLButtonUp, 13, 0);
    EXPECT_EQ(model.sendMessage(room, winsys::kWmClose, 0, 0), 0);
    EXPECT_FALSE(model.exists(room));
}

}  // namespace
}  // namespace ruz::standin
