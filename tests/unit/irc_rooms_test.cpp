#include "../irc/fake_link.h"
#include "desktop/sign_on.h"
#include "irc/rooms.h"
#include "messenger/aimchat.h"
#include "platform/native_path.h"
#include "platform/winsys/codepage.h"
#include "scenario/world.h"
#include "text/text.h"

#include "scratch_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace ruz::irc {
namespace {

using desktop::askToJoin;
using desktop::kChannelsField;
using desktop::kNickField;
using desktop::kPortField;
using desktop::kServerField;
using desktop::kSignedOnField;
using desktop::kTlsField;
using desktop::resumedSignOn;
using testing::FakeLink;

// The lines go to the server in UTF-8.
const std::string kDagger = "\u2020";

// The whole program on virtual time, its rooms the channels of a scripted server.
class IrcRooms : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(world.ready());
        Settings settings;
        settings.endpoint = {"irc.test", 6667, false, {}};
        settings.nick = "me";
        settings.channels = {"#music", "#chat"};
        rooms = std::make_unique<Rooms>(world.standin, world.model, world.host, ircLink, settings);
        // As the desktop program does: the program follows the nick.
        rooms->setNickListener([this] {
            if (FrmAmp* app = world.app()) {
                app->screenNameChanged();
            }
        });
        rooms->start();
    }
    void TearDown() override { rooms.reset(); }

    void song(std::string_view path, std::u16string_view fixture) {
        const std::filesystem::path target = pathFromName(world.absolute(text::fromUtf8(path)));
        std::error_code error;
        std::filesystem::create_directories(target.parent_path(), error);
        ASSERT_TRUE(std::filesystem::copy_file(pathFromName(audioFixture(fixture)), target, error))
            << error.message();
    }
    void welcome(const std::string& nick = "me") {
        ircLink.accept();
        ircLink.serverSends(":irc.test 001 " + nick + " :Welcome\r\n");
        ircLink.serverSends(":" + nick + "!u@h JOIN #music\r\n:" + nick + "!u@h JOIN #chat\r\n");
    }
    // The program started, signed on and playing the one song of its folder; what it said so far
    // is forgotten.
    void startPlaying() {
        song("music/A - 1.mp3", u"tone-60s.mp3");
        world.dialogs.queueYesNo(true);
        world.start();
        welcome();
        world.app()->ExplorerTree1.userPick(world.absolute(u"music"));
        world.wait(5 * SendPolicy::kIntervalMs);
        said();
    }
    // The answers to the question for the song's length written to the server since last asked.
    int lengthAnswersSaid() {
        int answers = 0;
        for (const std::string& line : said()) {
            answers += line.starts_with("PRIVMSG #music :Song Is ") ? 1 : 0;
        }
        return answers;
    }
    // The chat lines written to the server so far, decoded.
    std::vector<std::string> said() {
        std::vector<std::string> lines;
        for (std::string& line : ircLink.takeLines()) {
            if (line.starts_with("PRIVMSG ")) {
                lines.push_back(std::move(line));
            }
        }
        return lines;
    }

    scenario::World world;
    FakeLink ircLink;
    std::unique_ptr<Rooms> rooms;
};

TEST_F(IrcRooms, RoomsPerChannelWithTheMessengerWindows) {
    const std::vector<int> numbers = world.standin.openRoomNumbers();
    ASSERT_EQ(numbers.size(), 2u);
    EXPECT_EQ(world.standin.frontRoomNumber(), rooms->roomOf("#music"));
    EXPECT_EQ(world.standin.roomCaption(rooms->roomOf("#chat")), "#chat");
    const winsys::Hwnd room = world.standin.frontRoomWindow();
    EXPECT_TRUE(world.model.isUnicode(room));
    std::vector<std::string> classes;
    for (const winsys::Hwnd child : world.model.children(room)) {
        classes.push_back(world.model.className(child));
    }
    EXPECT_EQ(classes, (std::vector<std::string>{"WndAte32Class", "WndAte32Class", "_Oscar_IconBtn",
                                                 "_Oscar_IconBtn", "_Oscar_IconBtn",
                                                 "_Oscar_IconBtn", "_Oscar_IconBtn"}));
    messenger::AimChat link(world.model);
    EXPECT_EQ(link.ReadFirstDialogCaption(), "me's Buddy List");
    ircLink.accept();
    ircLink.serverSends(":irc.test 433 * me :in use\r\n:irc.test 001 me_ :Welcome\r\n");
    EXPECT_EQ(link.ReadFirstDialogCaption(), "me_'s Buddy List");
    EXPECT_EQ(world.standin.screenName(), "me_");
}

TEST_F(IrcRooms, TheProgramTalksInTheFrontRoomAndObeysItsOwner) {
    song("music/Сплин - Романс.mp3", u"tone-60s.mp3");
    song("music/Zz - Second.mp3", u"tone-60s.mp3");
    song("music/Яя - Third.mp3", u"tone-60s.mp3");
    world.dialogs.queueYesNo(true);
    world.start();
    EXPECT_TRUE(said().empty());  // waiting for the server
    welcome();
    world.wait(SendPolicy::kIntervalMs);
    EXPECT_EQ(said(), std::vector<std::string>{"PRIVMSG #music :" + kDagger +
                                               "- Loads Taviks Ruz -" + kDagger});

    world.app()->ExplorerTree1.userPick(world.absolute(u"music"));
    world.wait(5 * SendPolicy::kIntervalMs);
    std::vector<std::string> lines = said();
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
    EXPECT_TRUE(lines.front().starts_with("PRIVMSG #music :" + kDagger + "-Zz  -  Second - "))
        << lines.front();

    // The owner types .skip into the room: it goes to the channel, and the next song follows.
    world.standin.typeInput(".skip");
    world.standin.pressSend();
    world.wait(5 * SendPolicy::kIntervalMs);
    lines = said();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines.at(0), "PRIVMSG #music :.skip");
    EXPECT_TRUE(lines.at(1).starts_with("PRIVMSG #music :" + kDagger + "-Сплин  -  Романс - "))
        << lines.at(1);

    // Another member's .end, and room lines whose text looks like the owner's, are refused.
    ircLink.serverSends(":bob!u@h PRIVMSG #music :.end\r\n");
    world.wait(1000);
    ircLink.serverSends(":bob!u@h PART #music :me: .end\r\n");
    world.wait(1000);
    ircLink.serverSends(":me:!u@h PRIVMSG #music :.end\r\n");
    world.wait(1000);
    ircLink.serverSends(":op!u@h TOPIC #music :x me: .end\r\n");
    world.wait(1000);
    EXPECT_FALSE(world.app()->ended());

    // The room brought to front gets the program's lines.
    world.standin.frontRoom(rooms->roomOf("#chat"));
    world.standin.typeInput(".skip");
    world.standin.pressSend();
    world.wait(5 * SendPolicy::kIntervalMs);
    lines = said();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines.at(0), "PRIVMSG #chat :.skip");
    EXPECT_TRUE(lines.at(1).starts_with("PRIVMSG #chat :" + kDagger + "-Яя  -  Third"))
        << lines.at(1);
}

TEST_F(IrcRooms, TheGateFollowsEveryNickTheServerAcceptsAndTheRoomsCloseWithTheConnection) {
    world.dialogs.queueYesNo(true);
    FrmAmp& app = world.start();  // before the welcome: the configured nick
    EXPECT_EQ(app.lblsn.caption(), u"me");
    ircLink.accept();
    ircLink.serverSends(":irc.test 433 * me :in use\r\n:irc.test 001 me_ :Welcome\r\n");
    EXPECT_EQ(app.lblsn.caption(), u"me_");
    EXPECT_EQ(text::toUtf8(app.window.caption()),
              kDagger + "- Taviks Ruz - User (me_) -" + kDagger);
    world.wait(5 * SendPolicy::kIntervalMs);
    said();
    struct Step {
        std::string server;  // "" : the user types `typed` instead
        std::string typed;
        std::u16string nick;  // the screen name afterwards
        std::string shown;    // what the transcript shows of the line
    };
    const Step steps[] = {
        // Another member under the configured nick, or under a nick the program had, is not
        // the user.
        {":me!u@h PRIVMSG #music :.vol -2000", {}, u"me_", "<B>me (not you)</B>"},
        {{}, ".vol -1500", u"me_", "<B>me_</B>"},
        {":me_!u@h NICK :Guest1", {}, u"Guest1", "You are now known as Guest1."},
        {":me_!u@h PRIVMSG #music :.vol -2000", {}, u"Guest1", "<B>me_ (not you)</B>"},
        {{}, ".vol -1000", u"Guest1", "<B>Guest1</B>"},
    };
    for (const Step& step : steps) {
        if (step.server.empty()) {
            world.standin.typeInput(step.typed);
            world.standin.pressSend();
        } else {
            ircLink.serverSends(step.server + "\r\n");
        }
        world.wait(5 * SendPolicy::kIntervalMs);
        EXPECT_EQ(app.lblsn.caption(), step.nick) << step.server;
        EXPECT_NE(world.standin.transcriptUtf8().find(step.shown), std::string::npos) << step.shown;
    }
    EXPECT_EQ(said(),
              (std::vector<std::string>{
                  "PRIVMSG #music :.vol -1500", "PRIVMSG #music :Changing volume to -1500",
                  "PRIVMSG #music :.vol -1000", "PRIVMSG #music :Changing volume to -1000"}));
    rooms.reset();
    EXPECT_TRUE(world.standin.openRoomNumbers().empty());
    EXPECT_EQ(messenger::AimChat(world.model).ReadFirstDialogCaption(), "");
}

TEST_F(IrcRooms, ALineShowsAsSaidOnlyWhereTheProgramIsInTheChannel) {
    struct Step {
        std::string server;  // what the server sends first; "" for nothing
        std::string typed;
        std::string shown;  // how the room shows the line
        bool sent;
    };
    const Step steps[] = {
        {"", "early", "<I>(waiting: not connected) early</I>", false},
        {":irc.test 001 me :Welcome", "joining",
         "<B>me</B></FONT><FONT COLOR=\"#000000\">: joining", true},
        {":me!u@h JOIN #music", "inside", "<B>me</B></FONT><FONT COLOR=\"#000000\">: inside", true},
        {":op!u@h KICK #music me :out", "kicked", "<I>(not sent: not in the channel) kicked</I>",
         false},
    };
    ircLink.accept();
    for (const Step& step : steps) {
        if (!step.server.empty()) {
            ircLink.serverSends(step.server + "\r\n");
        }
        world.standin.typeInput(step.typed);
        world.standin.pressSend();
        world.wait(5 * SendPolicy::kIntervalMs);
        EXPECT_NE(world.standin.transcriptUtf8().find(step.shown), std::string::npos)
            << step.typed << ": " << world.standin.transcriptUtf8();
        const std::vector<std::string> lines = said();
        const bool early = step.typed == "joining";  // the line that waited goes first
        EXPECT_EQ(lines, step.sent
                             ? (early ? std::vector<std::string>{"PRIVMSG #music :early",
                                                                 "PRIVMSG #music :joining"}
                                      : std::vector<std::string>{"PRIVMSG #music :" + step.typed})
                             : std::vector<std::string>{})
            << step.typed;
    }
    EXPECT_NE(world.standin.transcriptUtf8().find("<I>Sending the line that waited.</I>"),
              std::string::npos);
    // Once the connection is given up, nothing is sent.
    rooms->session().stop("bye");
    EXPECT_EQ(rooms->status(), "Signed off");
    world.standin.typeInput("gone");
    world.standin.pressSend();
    EXPECT_NE(world.standin.transcriptUtf8().find("<I>(not sent: not connected) gone</I>"),
              std::string::npos);
}

TEST_F(IrcRooms, ASignOnAfterStartGreetsItsRoomAndJoiningAsksForAChannel) {
    startPlaying();
    // Signed off, then on again to another channel: the new room hears the start-up line and
    // the song that plays once the program is in the channel, and nothing before.
    rooms.reset();
    Settings settings;
    settings.endpoint = {"irc.test", 6667, false, {}};
    settings.nick = "me";
    settings.channels = {"#new"};
    rooms = std::make_unique<Rooms>(world.standin, world.model, world.host, ircLink, settings);
    int greetings = 0;
    rooms->setGreetListener([&] {
        ++greetings;
        world.app()->greetNewRoom();
    });
    rooms->start();
    ircLink.accept();
    ircLink.serverSends(":irc.test 001 me :Welcome\r\n");
    world.wait(5 * SendPolicy::kIntervalMs);
    EXPECT_TRUE(said().empty());
    ircLink.serverSends(":me!u@h JOIN #new\r\n");
    world.wait(5 * SendPolicy::kIntervalMs);
    std::vector<std::string> lines = said();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines.at(0), "PRIVMSG #new :" + kDagger + "- Loads Taviks Ruz -" + kDagger);
    EXPECT_TRUE(lines.at(1).starts_with("PRIVMSG #new :" + kDagger + "-A  -  1 - ")) << lines.at(1);
    // Joining again after a reconnect greets no more.
    ircLink.serverCloses("reset");
    world.wait(Session::kFirstRetryDelayMs);
    welcome();
    ircLink.serverSends(":me!u@h JOIN #new\r\n");
    world.wait(5 * SendPolicy::kIntervalMs);
    EXPECT_EQ(greetings, 1);

    // "Join a chat room": a channel asked for opens in front and is joined; a name that cannot
    // be a channel is refused with a notice.
    said();
    world.dialogs.queuePrompt(u"jazz");
    askToJoin(*rooms, world.dialogs);
    EXPECT_EQ(world.standin.roomCaption(world.standin.frontRoomNumber()), "#jazz");
    world.wait(SendPolicy::kIntervalMs);
    EXPECT_NE(ircLink.written.find("JOIN #jazz\r\n"), std::string::npos);
    ircLink.serverSends(":me!u@h JOIN #jazz\r\n");
    world.wait(5 * SendPolicy::kIntervalMs);
    lines = said();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines.at(0), "PRIVMSG #jazz :" + kDagger + "- Loads Taviks Ruz -" + kDagger);
    world.dialogs.queuePrompt(u"bad\u0007name");
    askToJoin(*rooms, world.dialogs);
    EXPECT_EQ(world.dialogs.shown().back().text, u"Not a channel name: bad\u0007name");
    EXPECT_EQ(world.standin.roomCaption(world.standin.frontRoomNumber()), "#jazz");
    world.dialogs.queuePrompt(std::nullopt);
    askToJoin(*rooms, world.dialogs);
    EXPECT_EQ(world.standin.openRoomNumbers().size(), 2u);
}

TEST(IrcKeptSignOn, ResumedOnlyWhenSignedOnAtTheEndAndValid) {
    struct Case {
        std::map<std::string_view, std::string> kept;
        std::optional<Endpoint> resumed;  // nullopt: not signed on again
    };
    const std::map<std::string_view, std::string> good = {{kServerField, "irc.test"},
                                                          {kPortField, "6697"},
                                                          {kTlsField, "true"},
                                                          {kNickField, "me"},
                                                          {kChannelsField, "music, #chat"},
                                                          {kSignedOnField, "1"}};
    const auto with = [&good](std::string_view field, std::string value) {
        std::map<std::string_view, std::string> kept = good;
        kept[field] = std::move(value);
        return kept;
    };
    const Case cases[] = {
        {good, Endpoint{"irc.test", 6697, true, {}}},
        {with(kSignedOnField, "0"), std::nullopt},
        {with(kSignedOnField, ""), std::nullopt},
        {with(kTlsField, "0"), Endpoint{"irc.test", 6697, false, {}}},
        {with(kPortField, "99999"), Endpoint{"irc.test", 6697, true, {}}},
        {with(kPortField, "x"), Endpoint{"irc.test", 6697, true, {}}},
        {with(kServerField, ""), std::nullopt},
        {with(kNickField, "9bad"), std::nullopt},
        {with(kChannelsField, ""), std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<Settings> resumed = resumedSignOn([&c](std::string_view field) {
            const auto found = c.kept.find(field);
            return found == c.kept.end() ? std::string() : found->second;
        });
        ASSERT_EQ(resumed.has_value(), c.resumed.has_value()) << ::testing::PrintToString(c.kept);
        if (resumed) {
            EXPECT_EQ(resumed->endpoint.host, c.resumed->host);
            EXPECT_EQ(resumed->endpoint.port, c.resumed->port);
            EXPECT_EQ(resumed->endpoint.tls, c.resumed->tls);
            EXPECT_EQ(resumed->nick, "me");
            EXPECT_EQ(resumed->channels, (std::vector<std::string>{"#music", "#chat"}));
            EXPECT_EQ(resumed->password, "");
        }
    }
}

TEST_F(IrcRooms, LinesShowUnderTheirSenderAndTheTranscriptStaysBounded) {
    welcome();
    ircLink.serverSends(":bob!u@h JOIN #music\r\n:bob!u@h PRIVMSG #music :a < b & Ω\r\n");
    const std::string transcript = world.standin.transcriptUtf8();
    EXPECT_NE(transcript.find("<I>bob has entered the room.</I>"), std::string::npos);
    EXPECT_NE(transcript.find("<B>bob</B></FONT><FONT COLOR=\"#000000\">: a &lt; b &amp; Ω</FONT>"),
              std::string::npos);
    messenger::AimChat link(world.model);
    const std::string tail = link.ChatTranscriptTail();
    EXPECT_NE(tail.find("Ω"), std::string::npos);
    // The views read it by UTF-16 units, as the window counts them.
    std::size_t length = 0;
    EXPECT_EQ(world.standin.transcriptUtf8From(0, length), transcript);
    EXPECT_EQ(length, winsys::utf8ToUtf16(transcript).size());
    const std::size_t omega = winsys::utf8ToUtf16(transcript).find(u'Ω');
    EXPECT_EQ(world.standin.transcriptUtf8From(omega, length), "Ω</FONT>");
    for (int i = 0; i < 10000; ++i) {
        ircLink.serverSends(":carol!u@h PRIVMSG #music :line " + std::to_string(i) + "\r\n");
    }
    // Nobody read the room meanwhile: only the limit of unread lines cut it.
    std::string after = world.standin.transcriptUtf8();
    EXPECT_LE(after.size(), standin::MessengerStandIn::kUnreadLimitFactor * Rooms::kKeepBytes);
    EXPECT_GT(after.size(), standin::MessengerStandIn::kHardLimitFactor * Rooms::kKeepBytes);
    EXPECT_EQ(after.rfind("<BR>", 0), 0u);  // whole lines
    EXPECT_NE(after.find("line 9999</FONT>"), std::string::npos);
    // Read twice with nothing new in between: not cut yet, the reader may be reading on.
    link.ChatTranscriptTail();
    link.ChatTranscriptTail();
    EXPECT_EQ(world.standin.transcriptUtf8(), after);
    // Read again: everything has been read, the transcript is cut back to what a room keeps.
    link.ChatTranscriptTail();
    after = world.standin.transcriptUtf8();
    EXPECT_LE(after.size(), Rooms::kKeepBytes);
    EXPECT_EQ(after.rfind("<BR>", 0), 0u);
    EXPECT_NE(after.find("line 9999</FONT>"), std::string::npos);
    // Past the hard limit, no line goes before it has been read; once read, all but the last
    // keepBytes of it go at the next line.
    for (int i = 0; i < 5000; ++i) {
        ircLink.serverSends(":carol!u@h PRIVMSG #music :more Ω🎵 " + std::to_string(i) + "\r\n");
    }
    after = world.standin.transcriptUtf8();
    EXPECT_GT(after.size(), standin::MessengerStandIn::kHardLimitFactor * Rooms::kKeepBytes);
    EXPECT_NE(after.find(": more Ω🎵 0</FONT>"), std::string::npos);
    world.standin.transcriptUtf8From(0, length);
    link.ChatTranscriptTail();
    ircLink.serverSends(":carol!u@h PRIVMSG #music :the last\r\n");
    after = world.standin.transcriptUtf8();
    EXPECT_LE(after.size(), 2 * Rooms::kKeepBytes);
    EXPECT_GT(after.size(), Rooms::kKeepBytes / 2);
    EXPECT_EQ(after.rfind("<BR>", 0), 0u);
    EXPECT_NE(after.find("more Ω🎵 4999</FONT>"), std::string::npos);
    // The view still reads it by units, from the start and from any place.
    const std::u16string units = winsys::utf8ToUtf16(after);
    for (const std::size_t from : {std::size_t{0}, units.size() / 3, units.rfind(u'Ω') + 1}) {
        EXPECT_EQ(world.standin.transcriptUtf8From(from, length),
                  winsys::utf16ToUtf8(std::u16string_view(units).substr(from)));
        EXPECT_EQ(length, units.size());
    }
}

TEST_F(IrcRooms, NoCommandIsMissedWhileTheTranscriptIsCutBack) {
    startPlaying();
    // A busy room: a line every 100 ms, a pause of a second after every 50; the owner asks for
    // the song's length every 700 lines, right before another member's line.
    constexpr int kLines = 5000;
    constexpr int kAskEvery = 700;
    int asked = 0;
    for (int i = 1; i <= kLines; ++i) {
        if (i % kAskEvery == 0) {
            world.standin.typeInput(".set?");
            world.standin.pressSend();
            ++asked;
        }
        ircLink.serverSends(":carol!u@h PRIVMSG #music :a busy room, line " + std::to_string(i) +
                            " " + std::string(60, 'z') + "\r\n");
        world.wait(i % 50 == 0 ? 1000 : 100);
    }
    world.wait(10 * SendPolicy::kIntervalMs);
    EXPECT_EQ(lengthAnswersSaid(), asked);
    EXPECT_LE(world.standin.transcriptUtf8().size(),
              standin::MessengerStandIn::kHardLimitFactor * Rooms::kKeepBytes);
}

TEST_F(IrcRooms, AFloodOfRoomLinesLosesNoCommandAndIsCaughtUpAtOnce) {
    startPlaying();
    world.standin.takeSentByProgram();
    // A thousand members enter and leave each second for 20 s, never pausing; the owner asks for
    // the song's length nine times in the middle of it, between two of their lines.
    constexpr int kPairsPerSecond = 1000;
    constexpr int kSeconds = 20;
    constexpr int kSliceMs = 10;
    constexpr int kPairsPerSlice = kPairsPerSecond * kSliceMs / 1000;
    constexpr int kSlices = kSeconds * 1000 / kSliceMs;
    constexpr int kAsks = 9;
    // Not a whole number of polls apart: the questions fall at every point of a poll's half second.
    constexpr int kAskEverySlices = 213;
    int pair = 0;
    int asked = 0;
    for (int slice = 1; slice <= kSlices; ++slice) {
        for (int i = 0; i < kPairsPerSlice; ++i, ++pair) {
            if (i == kPairsPerSlice / 2 && slice % kAskEverySlices == 0 && asked < kAsks) {
                world.standin.typeInput(".set?");
                world.standin.pressSend();
                ++asked;
            }
            const std::string who = ":guest" + std::to_string(pair) + "!u@h ";
            ircLink.serverSends(who + "JOIN #music\r\n" + who + "PART #music :bye\r\n");
        }
        world.wait(kSliceMs);
    }
    ASSERT_EQ(asked, kAsks);
    // Within two polls of the flood's end every question has its answer and the scanner has
    // heard the last line.
    world.wait(2 * RoomScanner::kPollIntervalMs);
    int answers = 0;
    for (const std::string& line : world.standin.takeSentByProgram()) {
        answers += line.rfind("Song Is ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(answers, kAsks);
    EXPECT_TRUE(text::contains(world.app()->chat.oldlastlyne,
                               text::format(u"guest%1 has left the room", pair - 1)))
        << text::toUtf8(world.app()->chat.oldlastlyne);
    EXPECT_LE(world.standin.transcriptUtf8().size(),
              standin::MessengerStandIn::kHardLimitFactor * Rooms::kKeepBytes);
    // The owner's questions and the answers all reach the channel, at the send pace.
    world.wait(4 * kAsks * SendPolicy::kIntervalMs);
    EXPECT_EQ(lengthAnswersSaid(), kAsks);
}

TEST_F(IrcRooms, AFloodPastTheUnreadLimitBetweenTwoPollsKeepsEveryOwnersLine) {
    startPlaying();
    world.standin.takeSentByProgram();
    // Members enter and leave faster than the chat scanner polls: megabytes of the room's notices
    // and of another member's lines arrive between two polls, the owner's questions among them.
    constexpr int kPairsBetweenAsks = 12000;
    constexpr int kAsks = 3;
    int pair = 0;
    const auto flood = [&] {
        for (int i = 0; i < kPairsBetweenAsks; ++i, ++pair) {
            const std::string who = ":guest" + std::to_string(pair) + "!u@h ";
            ircLink.serverSends(who + "JOIN #music\r\n" + who + "PART #music :bye\r\n" +
                                ":carol!u@h PRIVMSG #music :line " + std::to_string(pair) + "\r\n");
        }
    };
    for (int asked = 0; asked < kAsks; ++asked) {
        flood();
        world.standin.typeInput(".set?");
        world.standin.pressSend();
    }
    flood();
    EXPECT_LE(world.standin.transcriptUtf8().size(),
              standin::MessengerStandIn::kUnreadLimitFactor * Rooms::kKeepBytes);
    world.wait(2 * RoomScanner::kPollIntervalMs);
    int answers = 0;
    for (const std::string& line : world.standin.takeSentByProgram()) {
        answers += line.rfind("Song Is ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(answers, kAsks);
    // The transcript keeps the flood's newest lines.
    const std::string transcript = world.standin.transcriptUtf8();
    EXPECT_NE(transcript.find(": line " + std::to_string(pair - 1) + "</FONT>"), std::string::npos);
    EXPECT_LE(transcript.size(), standin::MessengerStandIn::kUnreadLimitFactor * Rooms::kKeepBytes);
}

}  // namespace
}  // namespace ruz::irc
