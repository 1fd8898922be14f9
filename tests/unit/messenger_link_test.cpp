// The messenger link against the messenger stand-in: both sides of the window system together.
#include "messenger/aimchat.h"
#include "platform/virtual_timer_host.h"
#include "scanner/room_scanner.h"
#include "standin/messenger_standin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruz::messenger {
namespace {

class Link : public testing::Test {
  protected:
    std::string line(const std::string& sender, const std::string& message) {
        return "<BR><!-- (10:31:02 PM)--><FONT COLOR=\"#0000ff\"><B>" + sender +
               "</B></FONT><FONT COLOR=\"#000000\">: " + message + "</FONT>";
    }

    winsys::WindowModel model;
    standin::MessengerStandIn standIn{model, [] { return std::string("10:31:02 PM"); }};
    AimChat chat{model};
};

TEST_F(Link, SentLineKeepsUnsentInputAndComesBackInTheTranscript) {
    standIn.signOn("bob");
    standIn.openRoom();
    standIn.typeInput("half typed");
    chat.SendChatText("\u2020- Loads Taviks Ruz -\u2020");
    chat.SendChatText("");
    EXPECT_EQ(standIn.sentByProgram(),
              (std::vector<std::string>{"\u2020- Loads Taviks Ruz -\u2020", ""}));
    EXPECT_EQ(standIn.inputUtf8(), "half typed");
    EXPECT_EQ(chat.ReadChatTranscript(), line("bob", "\u2020- Loads Taviks Ruz -\u2020"));
    EXPECT_EQ(chat.ChatTranscriptTail(), chat.ReadChatTranscript());
}

TEST_F(Link, TwoRoomsFrontmostFirstAndClearedViewKeepsFilling) {
    const int one = standIn.openRoom();
    standIn.openRoom();
    chat.SendChatText("to two");
    standIn.frontRoom(one);
    chat.CloseChatRoom();
    EXPECT_EQ(chat.ReadChatTranscript(), line("me", "to two"));
    chat.ClearChatTranscript();
    standIn.memberSays("amy", "later");
    EXPECT_EQ(chat.ReadChatTranscript(), line("amy", "later"));
}

// A poll of the chat scanner through the link reads the transcript's tail, not the whole of it:
// the characters it takes out of the window model stay near the scanner's kept end and the new
// line however long the transcript is, in the messenger's own (code page) rooms and in linked
// (Unicode) rooms alike.
TEST_F(Link, AScannerPollReadsTheTranscriptsTailNotTheWhole) {
    constexpr std::size_t kTranscriptBytes = std::size_t{4} << 20;
    // The kept end, the new line and its markup, with room: far below the transcript's length.
    constexpr std::size_t kMostReadPerPoll = 4 * RoomScanner::kTailLength;
    const std::string filler = line("amy", "Сплин — Романс, a line of ordinary chat");
    std::string transcript;
    while (transcript.size() < kTranscriptBytes) {
        transcript += filler;
    }
    struct Row {
        const char* name;
        bool linked;
    };
    for (const Row row : {Row{"own room", false}, Row{"linked room", true}}) {
        winsys::WindowModel windows;
        standin::MessengerStandIn messenger(windows, [] { return std::string("10:31:02 PM"); });
        AimChat link(windows);
        const int room =
            row.linked ? messenger.openLinkedRoom("#big", {}, 0) : messenger.openRoom();
        windows.setRecording(false);
        messenger.appendRaw(transcript);
        VirtualTimerHost host;
        RoomScanner scanner(
            host, RoomScanner::Views{
                      [&] {
                          std::vector<RoomScanner::ViewId> views;
                          for (const winsys::Hwnd view : link.chatTranscriptViews()) {
                              views.push_back(view);
                          }
                          return views;
                      },
                      [&](RoomScanner::ViewId view, text::Index from, text::Index& length) {
                          std::size_t whole = 0;
                          const std::string utf8 = link.readTranscriptViewFrom(
                              view, static_cast<std::size_t>(from), &whole);
                          length = static_cast<text::Index>(whole);
                          return text::fromUtf8(utf8);
                      },
                      [] { return RoomScanner::ViewId{0}; }});
        std::vector<std::u16string> heard;
        scanner.aimchatscan = [&](std::u16string&, std::u16string& whatsaid, std::u16string&) {
            heard.push_back(whatsaid);
        };
        scanner.scan_on();
        for (int i = 0; i < 3; ++i) {
            const std::string said = "Émile, line " + std::to_string(i);
            ASSERT_TRUE(messenger.memberSaysIn(room, "bob", said)) << row.name;
            const std::size_t before = windows.charactersRead();
            scanner.poll();
            EXPECT_LE(windows.charactersRead() - before, kMostReadPerPoll) << row.name << " " << i;
            ASSERT_EQ(heard.size(), static_cast<std::size_t>(i + 1)) << row.name;
            EXPECT_NE(text::toUtf8(heard.back()).find(said), std::string::npos) << row.name;
        }
        // A poll with nothing new reads as little.
        const std::size_t before = windows.charactersRead();
        scanner.poll();
        EXPECT_LE(windows.charactersRead() - before, kMostReadPerPoll) << row.name;
        EXPECT_EQ(heard.size(), 3U) << row.name;
    }
}

}  // namespace
}  // namespace ruz::messenger
