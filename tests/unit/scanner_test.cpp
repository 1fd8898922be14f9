#include "platform/virtual_timer_host.h"
#include "scanner/room_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace ruz {
namespace {

const QString kStandInLine = QStringLiteral(
    "<BR><!-- (12:01:02 PM)--><FONT COLOR=\"#0000ff\"><B>bob</B></FONT>"
    "<FONT COLOR=\"#000000\">: .play</FONT>");

TEST(ExtractLastChatLine, CutsFromTheLastBreakToTheLastButOneCharacter) {
    struct Row {
        QString tail;
        QString line;
    } rows[] = {
        {QStringLiteral("<BR>a: b<BR>c: d!"), QStringLiteral("<BR>c: d")},
        {QStringLiteral("x<br>lower: case!"), QStringLiteral("<br>lower: case")},
        {QStringLiteral("no break at all"), QString()},
        {QStringLiteral("<BR>one: two<BR>"), QStringLiteral("<BR")},
        {QStringLiteral("<bR>"), QStringLiteral("<bR")},
        {QString(), QString()},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ExtractLastChatLine(row.tail), row.line) << row.tail.toStdString();
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
        EXPECT_EQ(decodeCharacterReferences(QString::fromUtf16(row.text)),
                  QString::fromUtf16(row.decoded))
            << QString::fromUtf16(row.text).toStdString();
    }
}

TEST(StripChatTags, DropsTagsAndEveryClosingBracket) {
    struct Row {
        QString line;
        QString cleaned;
    } rows[] = {
        {QStringLiteral("<BR><B>bob</B>: hi!"), QStringLiteral("bob: hi")},
        {QStringLiteral("<BR>bob: a>b!"), QStringLiteral("bob: ab")},
        {QStringLiteral("<BR>bob: a<b"), QStringLiteral("bob: a")},  // unterminated tag
        {QStringLiteral("<BR"), QString()},
        {QStringLiteral("<"), QString()},
        {QStringLiteral(">>>"), QString()},
        {QStringLiteral("bob: &amp;&lt;x"), QStringLiteral("bob: &amp;&lt;")},
        {QStringLiteral("<a><b>"), QString()},
        {QString(), QString()},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(StripChatTags(row.line), row.cleaned) << row.line.toStdString();
    }
}

TEST(cutChatLine, WorkedExample) {
    const QString raw = ExtractLastChatLine(kStandInLine);
    const ChatLine line = cutChatLine(raw);
    EXPECT_EQ(line.whosaid, u"bob");
    EXPECT_EQ(line.whatsaid, u".play");
    EXPECT_EQ(line.datesaid, u"{12:01:02 PM}");
}

TEST(cutChatLine, EdgeShapes) {
    struct Row {
        QString raw;
        QString who, what, date;
    } rows[] = {
        // Without a stamp the time is a fragment from the sixth character on.
        {QStringLiteral("<BR><B>bob</B>: hi)x!"), QStringLiteral("bob"), QStringLiteral("hi)x"),
         QStringLiteral("{B>bob</B>: hi}")},
        // No colon: no sender, the message loses its first character.
        {QStringLiteral("<BR>hello!"), QString(), QStringLiteral("ello"), QStringLiteral("{ello}")},
        // A colon first: empty sender.
        {QStringLiteral("<BR>: x!"), QString(), QStringLiteral("x"), QStringLiteral("{ x}")},
        // A colon at the end: empty message.
        {QStringLiteral("<BR>bob:!"), QStringLiteral("bob"), QString(), QStringLiteral("{ob:}")},
        {QStringLiteral("<BR"), QString(), QString(), QStringLiteral("{}")},
        {QString(), QString(), QString(), QStringLiteral("{}")},
        // An unclosed stamp stops at the last-but-one character.
        {QStringLiteral("<BR><!-- (10:00 PM"), QString(), QString(), QStringLiteral("{10:00 P}")},
    };
    for (const Row& row : rows) {
        const ChatLine line = cutChatLine(row.raw);
        EXPECT_EQ(line.whosaid, row.who) << row.raw.toStdString();
        EXPECT_EQ(line.whatsaid, row.what) << row.raw.toStdString();
        EXPECT_EQ(line.datesaid, row.date) << row.raw.toStdString();
    }
}

// The chat control polling the transcripts of rooms that the test writes; `transcript` is room
// 1's, which is alone in front until a test opens others.
class ChatPoll : public ::testing::Test {
  protected:
    ChatPoll()
        : chat(host, RoomScanner::Views{
                         [this] { return order; },
                         [this](RoomScanner::ViewId view, qsizetype from, qsizetype& length) {
                             const QString& text = rooms[view];
                             length = text.size();
                             return text.mid(from);
                         },
                         [this] {
                             const RoomScanner::ViewId view = order.empty() ? 0 : order.front();
                             rooms[view].clear();
                             return view;
                         }}) {
        chat.aimchatscan = [this](QString& who, QString& what, QString& date) {
            heard.push_back({who, what, date});
        };
        chat.passedOver = [this](RoomScanner::ViewId view) { passed.push_back(view); };
    }
    void sayIn(RoomScanner::ViewId room, const QString& who, const QString& what) {
        rooms[room] += QStringLiteral("<BR><B>") + who + QStringLiteral("</B>: ") + what +
                       QStringLiteral("</FONT>");
    }
    void say(const QString& who, const QString& what) { sayIn(order.front(), who, what); }
    // Room `room` comes in front of the others.
    void front(RoomScanner::ViewId room) {
        std::erase(order, room);
        order.insert(order.begin(), room);
    }

    VirtualTimerHost host;
    std::map<RoomScanner::ViewId, QString> rooms;
    std::vector<RoomScanner::ViewId> order{1};
    QString& transcript = rooms[1];
    RoomScanner chat;
    std::vector<ChatLine> heard;
    std::vector<RoomScanner::ViewId> passed;
};

TEST_F(ChatPoll, DeliversEachNewLastLineOnce) {
    say(u"bob"_qs, u".skip"_qs);
    chat.scan_on();
    host.advance(500);
    EXPECT_TRUE(heard.empty());  // the baseline is not delivered

    say(u"bob"_qs, u".vol -2000"_qs);
    host.advance(500);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].whosaid, u"bob");
    EXPECT_EQ(heard[0].whatsaid, u".vol -2000");

    host.advance(2000);
    EXPECT_EQ(heard.size(), 1u);
}

TEST_F(ChatPoll, PollsBeforeScanOnDeliverTheCurrentLastLine) {
    say(u"amy"_qs, u"hello"_qs);
    host.advance(500);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].whatsaid, u"hello");
}

std::vector<QString> messages(const std::vector<ChatLine>& heard) {
    std::vector<QString> texts;
    for (const ChatLine& line : heard) {
        texts.push_back(line.whatsaid);
    }
    return texts;
}

TEST_F(ChatPoll, EveryLineBetweenPollsIsHeardOldestFirst) {
    chat.scan_on();
    say(u"bob"_qs, u".skip"_qs);
    say(u"amy"_qs, u"hi"_qs);
    say(u"bob"_qs, u".skip"_qs);
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<QString>{u".skip"_qs, u"hi"_qs, u".skip"_qs}));
}

TEST_F(ChatPoll, ABurstLongerThanTheTailIsHeardWhole) {
    chat.scan_on();
    std::vector<QString> said;
    for (int i = 0; i < 60; ++i) {
        said.push_back(QStringLiteral("line %1").arg(i));
        say(u"amy"_qs, said.back());
    }
    ASSERT_GT(transcript.size(), 2 * RoomScanner::kTailLength);
    host.advance(500);
    EXPECT_EQ(messages(heard), said);
}

TEST_F(ChatPoll, TheSameLineAgainIsHeardAgain) {
    chat.scan_on();
    say(u"bob"_qs, u"again"_qs);
    host.advance(500);
    say(u"bob"_qs, u"again"_qs);
    host.advance(500);
    EXPECT_EQ(heard.size(), 2u);
}

TEST_F(ChatPoll, AfterTheProgramEmptiesTheViewEveryNewLineIsHeard) {
    chat.scan_on();
    say(u"bob"_qs, u"before"_qs);
    host.advance(500);
    transcript.clear();
    chat.viewEmptied();
    say(u"bob"_qs, u"before"_qs);
    say(u"bob"_qs, u"after"_qs);
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<QString>{u"before"_qs, u"before"_qs, u"after"_qs}));
}

// Anti-lag: what reached the view since the last poll is heard before the view is emptied, and a
// line handled then may ask for another poll (a command that lets timers tick) without hearing
// anything twice.
TEST_F(ChatPoll, ReadThenEmptyHearsWhatCameFirstAndEveryLineAfter) {
    chat.scan_on();
    chat.aimchatscan = [this](QString& who, QString& what, QString& date) {
        heard.push_back({who, what, date});
        chat.readThenEmpty();
    };
    say(u"bob"_qs, u"one"_qs);
    say(u"bob"_qs, u"two"_qs);
    chat.readThenEmpty();
    EXPECT_EQ(messages(heard), (std::vector<QString>{u"one"_qs, u"two"_qs}));
    EXPECT_TRUE(transcript.isEmpty());
    say(u"bob"_qs, u"two"_qs);
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<QString>{u"one"_qs, u"two"_qs, u"two"_qs}));
    order.clear();
    chat.readThenEmpty();  // no room: nothing read, nothing emptied
    order = {1};
    say(u"amy"_qs, u"three"_qs);
    host.advance(500);
    EXPECT_EQ(messages(heard).back(), u"three"_qs);
}

TEST_F(ChatPoll, AViewEmptiedFromOutsideGivesOnlyANewLastLine) {
    chat.scan_on();
    say(u"bob"_qs, u"again"_qs);
    host.advance(500);
    transcript.clear();
    host.advance(500);
    say(u"bob"_qs, u"again"_qs);
    host.advance(500);
    EXPECT_EQ(heard.size(), 1u);  // the same last line as before
    say(u"amy"_qs, u"one"_qs);
    say(u"amy"_qs, u"two"_qs);
    transcript.remove(0, 10);  // not the view read last
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<QString>{u"again"_qs, u"two"_qs}));
}

TEST_F(ChatPoll, ATranscriptThatLosesLinesFromItsStartIsFollowedOn) {
    chat.scan_on();
    for (int i = 0; i < 60; ++i) {
        say(u"amy"_qs, QStringLiteral("line %1").arg(i));
    }
    host.advance(500);
    heard.clear();
    say(u"bob"_qs, u".skip"_qs);
    say(u"amy"_qs, u"line 60"_qs);
    // The room keeps only its last lines: whole lines that were read go from its start.
    transcript.remove(0, transcript.indexOf(u"<BR>"_qs, transcript.size() / 2));
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<QString>{u".skip"_qs, u"line 60"_qs}));
}

TEST_F(ChatPoll, TextWithoutABreakExtendsTheLastLine) {
    chat.scan_on();
    say(u"bob"_qs, u".sk"_qs);
    host.advance(500);
    transcript += u"ip!"_qs;
    host.advance(500);
    EXPECT_EQ(messages(heard).back(), u".ski");  // a line never keeps its last character
}

TEST_F(ChatPoll, ShortTailsAndNoRoomRaiseNothing) {
    chat.scan_on();
    transcript = u"ab"_qs;
    host.advance(500);
    transcript.clear();
    host.advance(500);
    EXPECT_TRUE(heard.empty());
}

TEST_F(ChatPoll, AMegabyteWithoutABreakIsNoLine) {
    chat.scan_on();
    transcript = QString(1 << 20, u'x');
    host.advance(1000);
    EXPECT_TRUE(heard.empty());
}

TEST_F(ChatPoll, ARoomHopHearsNothingThatWasInTheRoomBefore) {
    front(2);
    sayIn(1, u"bob"_qs, u".vol -3000"_qs);
    sayIn(2, u"bob"_qs, u".mute"_qs);
    chat.scan_on();
    sayIn(2, u"bob"_qs, u".skip"_qs);
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<QString>{u".skip"_qs});
    // Room 1, room 2 again: the skip is not heard twice, room 1's old line not at all.
    front(1);
    host.advance(500);
    front(2);
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<QString>{u".skip"_qs});
    // A line said in the room behind is passed over; one said in front once it is there is heard.
    sayIn(1, u"bob"_qs, u"behind"_qs);
    host.advance(500);
    front(1);
    sayIn(1, u"bob"_qs, u"in front"_qs);
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<QString>{u".skip"_qs, u"in front"_qs}));
    EXPECT_NE(std::find(passed.begin(), passed.end(), 1), passed.end());
}

TEST_F(ChatPoll, AViewCutInFrontAfterAHopDoesNotGiveItsOldLastLineAgain) {
    chat.scan_on();
    say(u"amy"_qs, u"hello"_qs);
    say(u"bob"_qs, u".skip"_qs);
    host.advance(500);
    front(2);
    sayIn(2, u"bob"_qs, u".mute"_qs);
    host.advance(500);
    front(1);
    host.advance(500);
    transcript.remove(0, 10);  // its start dropped
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<QString>{u"hello"_qs, u".skip"_qs, u".mute"_qs}));
}

TEST_F(ChatPoll, EmptyingAViewPutsBackThatViewsPlaceAlone) {
    front(2);
    sayIn(1, u"bob"_qs, u".vol -3000"_qs);
    chat.scan_on();
    sayIn(2, u"bob"_qs, u".clear"_qs);
    host.advance(500);
    rooms[2].clear();
    chat.viewEmptied(2);
    // The next room to the front is read on from where it stood, not from its start.
    front(1);
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<QString>{u".clear"_qs});
    // Room 2 emptied and read again: what reaches it in front is heard, from its start.
    front(2);
    host.advance(500);
    sayIn(2, u"bob"_qs, u"after"_qs);
    host.advance(500);
    EXPECT_EQ(messages(heard), (std::vector<QString>{u".clear"_qs, u"after"_qs}));
}

TEST_F(ChatPoll, ARoomOpenedInFrontIsReadFromItsStartAndAClosedOneIsForgotten) {
    chat.scan_on();
    host.advance(500);
    sayIn(3, u"bob"_qs, u".end"_qs);
    front(3);
    host.advance(500);
    EXPECT_EQ(messages(heard), std::vector<QString>{u".end"_qs});
    std::erase(order, 3);
    passed.clear();
    host.advance(500);
    EXPECT_EQ(passed, std::vector<RoomScanner::ViewId>{3});
    // No room open: nothing is read.
    order.clear();
    host.advance(500);
    EXPECT_EQ(heard.size(), 1u);
}

TEST_F(ChatPoll, ScanOffStopsPollingAndKeepsTheState) {
    chat.scan_on();
    say(u"bob"_qs, u"one"_qs);
    host.advance(500);
    chat.scan_off();
    say(u"bob"_qs, u"two"_qs);
    host.advance(5000);
    EXPECT_EQ(heard.size(), 1u);
    EXPECT_FALSE(chat.chat_tymer.enabled());
    EXPECT_FALSE(chat.oldlastlyne.isEmpty());
}

}  // namespace
}  // namespace ruz
