// The messenger link against the messenger stand-in: both sides of the window system together.
#include "messenger/aimchat.h"
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

}  // namespace
}  // namespace ruz::messenger
