#include "platform/virtual_timer_host.h"
#include "scanner/room_scanner.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace ruz {
namespace {

const std::u16string kStandInLine =
    u"<BR><!-- (12:01:02 PM)--><FONT COLOR=\"#0000ff\"><B>bob</B></FONT>"
    u"<FONT COLOR=\"#000000\">: .play</FONT>";

TEST(ExtractLastChatLine, CutsFromTheLastBreakToTheLastButOneCharacter) {
    struct Row {
        std::u16string tail;
        std::u16string line;
    } rows[] = {
        {u"<BR>a: b<BR>c: d!", u"<BR>c: d"},
        {u"x<br>lower: case!", u"<br>lower: case"},
        {u"no break at all", std::u16string()},
        {u"<BR>one: two<BR>", u"<BR"},
        {u"<bR>", u"<bR"},
        {u"<Br>x: \U0001F600!", u"<Br>x: \U0001F600"},
        {std::u16string(), std::u16string()},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ExtractLastChatLine(row.tail), row.line) << text::toUtf8(row.tail);
    }
}

TEST(decodeCharacterReferences, DecodesOnceAndLeavesTheUnknownAsWritten) {
    struct Row {
        const char16_t* text;
        const char16_t* decoded;
    } rows[] = {
        {u"rock &amp; roll", u"rock & roll"},
        {u"a &lt;b&gt; &quot;c&quot;", u"a <b> \"c\""},
        {u"&amp;lt; stays a reference once decoded", u"&lt; stays a reference once decoded"},
        {u"&#65;&#8224;&#128512;", u"A\u2020\U0001F600"},
        {u"&#0; &#55296; &#1114112; &#12345678; &#;", u"&#0; &#55296; &#1114112; &#12345678; &#;"},
        {u"&#65 no semicolon, &nbsp; unknown, & alone, at the end &",
         u"&#65 no semicolon, &nbsp; unknown, & alone, at the end &"},
        {u"&#x41; hex is not the messenger's", u"&#x41; hex is not the messenger's"},
        {u"", u""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(decodeCharacterReferences(row.text), row.decoded) << text::toUtf8(row.text);
    }
}

TEST(StripChatTags, DropsTagsAndEveryClosingBracket) {
    struct Row {
        std::u16string line;
        std::u16string cleaned;
    } rows[] = {
        {u"<BR><B>bob</B>: hi!", u"bob: hi"}, {u"<BR>bob: a>b!", u"bob: ab"},
        {u"<BR>bob: a<b", u"bob: a"},  // unterminated tag
        {u"<BR", std::u16string()},           {u"<", std::u16string()},
        {u">>>", std::u16string()},           {u"bob: &amp;&lt;x", u"bob: &amp;&lt;"},
        {u"<a><b>", std::u16string()},        {std::u16string(), std::u16string()},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(StripChatTags(row.line), row.cleaned) << text::toUtf8(row.line);
    }
}

TEST(cutChatLine, WorkedExample) {
    const std::u16string raw = ExtractLastChatLine(kStandInLine);
    const ChatLine line = cutChatLine(raw);
    EXPECT_EQ(line.whosaid, u"bob");
    EXPECT_EQ(line.whatsaid, u".play");
    EXPECT_EQ(line.datesaid, u"{12:01:02 PM}");
}

TEST(cutChatLine, EdgeShapes) {
    struct Row {
        std::u16string raw;
        std::u16string who, what, date;
    } rows[] = {
        // Without a stamp the time is a fragment from the sixth character on.
        {u"<BR><B>bob</B>: hi)x!", u"bob", u"hi)x", u"{B>bob</B>: hi}"},
        // No colon: no sender, the message loses its first character.
        {u"<BR>hello!", std::u16string(), u"ello", u"{ello}"},
        // A colon first: empty sender.
        {u"<BR>: x!", std::u16string(), u"x", u"{ x}"},
        // A colon at the end: empty message.
        {u"<BR>bob:!", u"bob", std::u16string(), u"{ob:}"},
        {u"<BR", std::u16string(), std::u16string(), u"{}"},
        {std::u16string(), std::u16string(), std::u16string(), u"{}"},
        // An unclosed stamp stops at the last-but-one character.
        {u"<BR><!-- (10:00 PM", std::u16string(), std::u16string(), u"{10:00 P}"},
    };
    for (const Row& row : rows) {
        const ChatLine line = cutChatLine(row.raw);
        EXPECT_EQ(line.whosaid, row.who) << text::toUtf8(row.raw);
        EXPECT_EQ(line.whatsaid, row.what) << text::toUtf8(row.raw);
        EXPECT_EQ(line.datesaid, row.date) << text::toUtf8(row.raw);
    }
}

// The chat control polling the transcripts of rooms that the test writes; `transcript` is room
// 1's, which is alone in front until a test opens others.
class ChatPoll : public ::testing::Test {
  protected:
    ChatPoll()
        : chat(host, RoomScanner::Views{
                         [this] { return order; },
                         [this](RoomScanner::ViewId view, text::Index from, text::Index& length) {
                             const std::u16string& text = rooms[view];
                             length = static_cast<text::Index>(text.size());
                             return std::u16string(text::mid(text, from));
                         },
                         [this] {
                             const RoomScanner::ViewId view = order.empty() ? 0 : order.front();
                             rooms[view].clear();
                             return view;
                         }}) {
        chat.aimchatscan = [this](std::u16string& who, std::u16string& what, std::u16string& date) {
            heard.push_back({who, what, date});
        };
        chat.passedOver = [this](RoomScanner::ViewId view) { passed.push_back(view); };
    }
    void sayIn(RoomScanner::ViewId room, std::u16string_view who, std::u16string_view what) {
        rooms[room] += text::format(u"<BR><B>%1</B>: %2</FONT>", who, what);
    }
    void say(std::u16string_view who, std::u16string_view what) { sayIn(order.front(), who, what); }
    // Room `room` comes in front of the others.
    void front(RoomScanner::ViewId room) {
        std::erase(order, room);
        order.insert(order.begin(), room);
    }

    VirtualTimerHost host;
    std::map<RoomScanner::ViewId, std::u16string> rooms;
    std::vector<RoomScanner::ViewId> order{1};
    std::u16string& transcript = rooms[1];
    RoomScanner chat;
    std::vector<ChatLine> heard;
    std::vector<RoomScanner::ViewId> passed;
};

TEST_F(ChatPoll, DeliversEachNewLastLineOnce) {
    say(u"bob", u".skip");
    chat.scan_on();
    host.advance(500);
    EXPECT_TRUE(heard.empty());  // the baseline is not delivered

    say(u"bob", u".vol -2000");
    host.advance(500);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].whosaid, u"bob");
    EXPECT_EQ(heard[0].whatsaid, u".vol -2000");

    host.advance(2000);
    EXPECT_EQ(heard.size(), 1u);
}

std::vector<std::u16string> messages(const std::vector<ChatLine>& heard) {
    std::vector<std::u16string> texts;
    for (const ChatLine& line : heard) {
        texts.push_back(line.whatsaid);
    }
    return texts;
}

// The first poll, before the baseline too, reads the room from its end: an earlier session's
// lines are history; what comes after it is heard.
TEST_F(ChatPoll, PollsBeforeScanOnReadTheRoomFromItsEnd) {
    say(u"amy", u".end");
    host.advance(500);
    EXPECT_TRUE(heard.empty());
    say(u"amy", u"hello");
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<std::u16string>{u"hello"});
}

TEST_F(ChatPoll, EveryLineBetweenPollsIsHeardOldestFirst) {
    chat.scan_on();
    say(u"bob", u".skip");
    say(u"amy", u"hi");
    say(u"bob", u".skip");
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u".skip", u"hi", u".skip"}));
}

TEST_F(ChatPoll, ABurstLongerThanTheTailIsHeardWhole) {
    chat.scan_on();
    std::vector<std::u16string> said;
    for (int i = 0; i < 60; ++i) {
        said.push_back(text::format(u"line %1", i));
        say(u"amy", said.back());
    }
    ASSERT_GT(transcript.size(), std::size_t{2} * RoomScanner::kTailLength);
    host.advance(500);
    EXPECT_EQ(messages(heard), said);
}

TEST_F(ChatPoll, TheSameLineAgainIsHeardAgain) {
    chat.scan_on();
    say(u"bob", u"again");
    host.advance(500);
    say(u"bob", u"again");
    host.advance(500);
    EXPECT_EQ(heard.size(), 2u);
}

TEST_F(ChatPoll, AfterTheProgramEmptiesTheViewEveryNewLineIsHeard) {
    chat.scan_on();
    say(u"bob", u"before");
    host.advance(500);
    transcript.clear();
    chat.viewEmptied();
    say(u"bob", u"before");
    say(u"bob", u"after");
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u"before", u"before", u"after"}));
}

// Anti-lag: what reached the view since the last poll is heard before the view is emptied, and a
// line handled then may ask for another poll (a command that lets timers tick) without hearing
// anything twice.
TEST_F(ChatPoll, ReadThenEmptyHearsWhatCameFirstAndEveryLineAfter) {
    chat.scan_on();
    chat.aimchatscan = [this](std::u16string& who, std::u16string& what, std::u16string& date) {
        heard.push_back({who, what, date});
        chat.readThenEmpty();
    };
    say(u"bob", u"one");
    say(u"bob", u"two");
    chat.readThenEmpty();
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u"one", u"two"}));
    EXPECT_TRUE(transcript.empty());
    say(u"bob", u"two");
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u"one", u"two", u"two"}));
    say(u"amy", u"kept");
    order.clear();
    chat.readThenEmpty();  // no room: nothing read, nothing emptied
    order = {1};
    EXPECT_FALSE(transcript.empty());
    host.advance(500);
    say(u"amy", u"three");
    host.advance(500);
    EXPECT_EQ(messages(heard).back(), u"three");
}

TEST_F(ChatPoll, AViewEmptiedFromOutsideGivesOnlyANewLastLine) {
    chat.scan_on();
    say(u"bob", u"again");
    host.advance(500);
    transcript.clear();
    host.advance(500);
    say(u"bob", u"again");
    host.advance(500);
    EXPECT_EQ(heard.size(), 1u);  // the same last line as before
    say(u"amy", u"one");
    say(u"amy", u"two");
    transcript.erase(0, 10);  // not the view read last
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u"again", u"two"}));
}

TEST_F(ChatPoll, ATranscriptThatLosesLinesFromItsStartIsFollowedOn) {
    chat.scan_on();
    for (int i = 0; i < 60; ++i) {
        say(u"amy", text::format(u"line %1", i));
    }
    host.advance(500);
    heard.clear();
    say(u"bob", u".skip");
    say(u"amy", u"line 60");
    // The room keeps only its last lines: whole lines that were read go from its start.
    transcript.erase(0, transcript.find(u"<BR>", transcript.size() / 2));
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u".skip", u"line 60"}));
}

TEST_F(ChatPoll, TextWithoutABreakExtendsTheLastLine) {
    chat.scan_on();
    say(u"bob", u".sk");
    host.advance(500);
    transcript += u"ip!";
    host.advance(500);
    EXPECT_EQ(messages(heard).back(), u".ski");  // a line never keeps its last character
}

TEST_F(ChatPoll, ShortTailsAndNoRoomRaiseNothing) {
    chat.scan_on();
    transcript = u"ab";
    host.advance(500);
    transcript.clear();
    host.advance(500);
    EXPECT_TRUE(heard.empty());
}

TEST_F(ChatPoll, AMegabyteWithoutABreakIsNoLine) {
    chat.scan_on();
    transcript = std::u16string(1 << 20, u'x');
    host.advance(1000);
    EXPECT_TRUE(heard.empty());
}

TEST_F(ChatPoll, ARoomHopHearsNothingThatWasInTheRoomBefore) {
    front(2);
    sayIn(1, u"bob", u".vol -3000");
    sayIn(2, u"bob", u".mute");
    chat.scan_on();
    sayIn(2, u"bob", u".skip");
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<std::u16string>{u".skip"});
    // Room 1, room 2 again: the skip is not heard twice, room 1's old line not at all.
    front(1);
    host.advance(500);
    front(2);
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<std::u16string>{u".skip"});
    // A line said in the room behind is passed over; one said in front once it is there is heard.
    sayIn(1, u"bob", u"behind");
    host.advance(500);
    front(1);
    sayIn(1, u"bob", u"in front");
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u".skip", u"in front"}));
    EXPECT_NE(std::find(passed.begin(), passed.end(), 1), passed.end());
}

TEST_F(ChatPoll, AViewCutInFrontAfterAHopDoesNotGiveItsOldLastLineAgain) {
    chat.scan_on();
    say(u"amy", u"hello");
    say(u"bob", u".skip");
    host.advance(500);
    front(2);
    host.advance(500);
    sayIn(2, u"bob", u".mute");
    host.advance(500);
    front(1);
    host.advance(500);
    transcript.erase(0, 10);  // its start dropped
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u"hello", u".skip", u".mute"}));
}

TEST_F(ChatPoll, EmptyingAViewPutsBackThatViewsPlaceAlone) {
    front(2);
    sayIn(1, u"bob", u".vol -3000");
    chat.scan_on();
    sayIn(2, u"bob", u".clear");
    host.advance(500);
    rooms[2].clear();
    chat.viewEmptied(2);
    // The next room to the front is read on from where it stood, not from its start.
    front(1);
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<std::u16string>{u".clear"});
    // Room 2 emptied and read again: what reaches it in front is heard, from its start.
    front(2);
    host.advance(500);
    sayIn(2, u"bob", u"after");
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<std::u16string>{u".clear", u"after"}));
}

TEST_F(ChatPoll, ARoomOpenedInFrontIsReadFromItsEndAndAClosedOneIsForgotten) {
    chat.scan_on();
    host.advance(500);
    sayIn(3, u"bob", u".end");
    front(3);
    host.advance(500);
    EXPECT_TRUE(heard.empty());
    sayIn(3, u"bob", u".skip");
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<std::u16string>{u".skip"});
    std::erase(order, 3);
    passed.clear();
    host.advance(500);
    EXPECT_EQ(passed, std::vector<RoomScanner::ViewId>{3});
    // No room open: nothing is read.
    order.clear();
    host.advance(500);
    EXPECT_EQ(heard.size(), 1u);
}

// The rooms go out of sight and come back (signed on to a chat network, whose rooms alone are
// seen, and off again): nothing the room held, nor what reached it meanwhile, is heard again.
TEST_F(ChatPoll, ARoomBackFromOutOfSightReplaysNothing) {
    chat.scan_on();
    for (const std::u16string_view line : {u".vol -2000", u".mute", u".end"}) {
        say(u"bob", line);
    }
    host.advance(500);
    ASSERT_EQ(heard.size(), 3u);
    order = {2};
    host.advance(500);
    sayIn(1, u"bob", u"meanwhile");
    order = {1};
    host.advance(1000);
    EXPECT_EQ(heard.size(), 3u);
    say(u"bob", u".skip");
    host.advance(500);
    EXPECT_EQ(messages(heard).back(), u".skip");
    EXPECT_EQ(heard.size(), 4u);
}

TEST_F(ChatPoll, ScanOffStopsPollingAndKeepsTheState) {
    chat.scan_on();
    say(u"bob", u"one");
    host.advance(500);
    chat.scan_off();
    say(u"bob", u"two");
    host.advance(5000);
    EXPECT_EQ(heard.size(), 1u);
    EXPECT_FALSE(chat.chat_tymer.enabled());
    EXPECT_FALSE(chat.oldlastlyne.empty());
}

}  // namespace
}  // namespace ruz
