#include "irc/message.h"
#include "platform/scratch_folder.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::irc {
namespace {

struct ParseCase {
    std::string line;
    bool parsed;
    std::string prefix;
    std::string nick;
    std::string command;
    std::vector<std::string> params;
};

TEST(IrcParse, LinesIntoPrefixCommandAndParameters) {
    const ParseCase cases[] = {
        {"PING :abc", true, "", "", "PING", {"abc"}},
        {":bob!b@h PRIVMSG #r :hello there",
         true,
         "bob!b@h",
         "bob",
         "PRIVMSG",
         {"#r", "hello there"}},
        {":irc.test 001 me :Welcome", true, "irc.test", "irc.test", "001", {"me", "Welcome"}},
        {":bob@h JOIN #r", true, "bob@h", "bob", "JOIN", {"#r"}},
        {"  :bob   privmsg   #r   :x  ", true, "bob", "bob", "PRIVMSG", {"#r", "x  "}},
        {"PRIVMSG #r ::colon", true, "", "", "PRIVMSG", {"#r", ":colon"}},
        {"PRIVMSG #r :", true, "", "", "PRIVMSG", {"#r", ""}},
        {"A 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
         true,
         "",
         "",
         "A",
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15 16"}},
        {"", false, "", "", "", {}},
        {":only-prefix", false, "only-prefix", "only-prefix", "", {}},
        {"12 x", false, "", "", "", {}},
        {"1234 x", false, "", "", "", {}},
        {"PR!V x", false, "", "", "", {}},
        {"@a=b", false, "", "", "", {}},
        {std::string("PRIVMSG #r :a\0b", 15),
         true,
         "",
         "",
         "PRIVMSG",
         {"#r", std::string("a\0b", 3)}},
        // A byte order mark before a valid UTF-8 line is dropped, not read as the command.
        {"\xEF\xBB\xBFPING :x", true, "", "", "PING", {"x"}},
        // Commands are upper-cased as the whole of Unicode has it: "ı" is "I", "ﬁ" is "FI".
        {"pr\xC4\xB1vmsg #r :x", true, "", "", "PRIVMSG", {"#r", "x"}},
        {"\xEF\xAC\x81 x", true, "", "", "FI", {"x"}},
        {"PR\xC3\x89 x", false, "", "", "", {}},
        {" \xEF\xBB\xBF\xC4\xB1 x", false, "", "", "", {}},  // U+FEFF is no letter
        // Past the start of the line, a byte order mark is a character like any other.
        {"PRIVMSG #r :\xEF\xBB\xBFhi", true, "", "", "PRIVMSG", {"#r", "\xEF\xBB\xBFhi"}},
        // A line that is not UTF-8 is Latin-1 throughout, prefix and parameters alike.
        {":b\xE9 NOTICE #r :caf\xE9",
         true,
         "b\xC3\xA9",
         "b\xC3\xA9",
         "NOTICE",
         {"#r", "caf\xC3\xA9"}},
    };
    for (const ParseCase& c : cases) {
        const std::optional<Message> m = parseLine(c.line);
        ASSERT_EQ(m.has_value(), c.parsed) << c.line;
        if (!m) {
            continue;
        }
        EXPECT_EQ(m->prefix, c.prefix) << c.line;
        EXPECT_EQ(m->nick, c.nick) << c.line;
        EXPECT_EQ(m->command, c.command) << c.line;
        EXPECT_EQ(m->params, c.params) << c.line;
    }
}

TEST(IrcParse, TagsAreUnescaped) {
    const std::optional<Message> m =
        parseLine("@time=2026-12-07T10:00:00Z;msg\\:id=a\\:b\\sc\\\\d\\;flag :bob PRIVMSG #r :hi");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->tags.size(), 3u);
    EXPECT_EQ(m->tags[0].first, "time");
    EXPECT_EQ(m->tags[1].first, "msg\\:id");
    EXPECT_EQ(m->tags[1].second, "a;b c\\d");  // "\\;" ends the tag; a lone "\\" is dropped
    EXPECT_EQ(m->tags[2].first, "flag");
    EXPECT_EQ(m->nick, "bob");
    EXPECT_EQ(m->params, (std::vector<std::string>{"#r", "hi"}));
}

TEST(IrcParse, Utf8OrLatin1PerLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"Сплин", "Сплин"},
        {"caf\xe9", "caf\xC3\xA9"},
        {"\xc3\xa9 caf\xe9", "\xC3\x83\xC2\xA9 caf\xC3\xA9"},
        {"\xEF\xBB\xBF"
         "bom",
         "bom"},
        {"a\xEF\xBB\xBF", "a\xEF\xBB\xBF"},              // only at the start
        {"\xEF\xBB\xBF\xEF\xBB\xBFx", "\xEF\xBB\xBFx"},  // and only one
        {"\xEF\xBF\xBF", "\xEF\xBF\xBF"},                // a noncharacter is still UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},    // a surrogate is not
        {"\xC0\x80", "\xC3\x80\xC2\x80"},                // nor an overlong form
        {"a\xE2\x82", "a\xC3\xA2\xC2\x82"},              // nor a sequence cut short
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(decodeText(in), out) << in;
    }
    const std::optional<Message> m = parseLine(":b PRIVMSG #r :M\xfcller");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->param(1), "M\u00fcller");
}

TEST(IrcText, FormattingCodesAreRemoved) {
    const std::pair<std::string, std::string> cases[] = {
        {"\x02"
         "bold\x02 text",
         "bold text"},
        {"\x03"
         "4red\x03 and \x03"
         "04,12both\x03",
         "red and both"},
        {"\x03"
         "123",
         "3"},               // two digits at most
        {"\x03,5x", ",5x"},  // no foreground: the comma is text
        {"\x03"
         "5,x",
         ",x"},  // a comma without a background stays
        {"\x04"
         "ff0000,00ff00hex",
         "hex"},
        // A hex colour's digits are characters: digits of any script count, one each.
        {"\x04"
         "\u0663\u0663\u0663\u0663\u0663\u0663Ω",
         "Ω"},
        {"\x04"
         "ab\u0663,Ωx",
         ",Ωx"},
        {"\x03"
         "\u0663x",
         "\u0663x"},  // an mIRC colour's digits are ASCII
        {"\x1d"
         "it\x1f"
         "u\x1e"
         "s\x11m\x16r\x0f",
         "itusmr"},
        {"a\tb", "a b"},
        {"a\x07"
         "b",
         "a\ufffdb"},
        {std::string("a\0b", 3), "a\ufffdb"},
        {"a\x7f", "a\ufffd"},
        {"plain", "plain"},
        {"Сплин\x02!", "Сплин!"},
        {"\xEF\xBB\xBF\x04"
         "1Ω",
         "\xEF\xBB\xBFΩ"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(plainText(in), out) << in;
    }
}

TEST(IrcText, CtcpAction) {
    EXPECT_EQ(actionText("\x01"
                         "ACTION waves\x01"),
              std::optional<std::string>("waves"));
    EXPECT_EQ(actionText("\x01"
                         "ACTION waves"),
              std::optional<std::string>("waves"));
    EXPECT_EQ(actionText("\x01"
                         "ACTION\x01"),
              std::optional<std::string>(""));
    EXPECT_FALSE(actionText("\x01VERSION\x01"));
    EXPECT_FALSE(
        actionText("\x01"
                   "ACTIONS\x01"));
    EXPECT_FALSE(actionText("ACTION waves"));
    EXPECT_TRUE(isOtherCtcp("\x01VERSION\x01"));
    EXPECT_FALSE(
        isOtherCtcp("\x01"
                    "ACTION x\x01"));
    EXPECT_FALSE(isOtherCtcp("hi"));
}

TEST(IrcText, NicksAsShownAndCompared) {
    const std::pair<std::string, std::string> shown[] = {
        {"bob", "bob"},
        {"[b]ob_-^|`{}\\", "[b]ob_-^|`{}\\"},
        {"<i>me", "?i?me"},
        {"a:b", "a?b"},
        {"a&b c", "a?b?c"},
        {"", "?"},
        {"Ярослав", "Ярослав"},
        {"x\u0001", "x?"},
        {"e\u0301\u00aa\u0663", "e\u0301\u00aa\u0663"},  // marks, letters, digits of any script
        {"a\u2020\u00a0b", "a??b"},
        {"a\U0001F3B5b", "a??b"},  // beyond the BMP: two UTF-16 units, two "?"
        {"\xEF\xBB\xBFЯ", "?Я"},
    };
    for (const auto& [in, out] : shown) {
        EXPECT_EQ(displayNick(in), out) << in;
    }
    EXPECT_EQ(foldCase("Bob[]\\~"), "bob{}|^");
    EXPECT_EQ(foldCase("#Music"), foldCase("#mUSIC"));
    EXPECT_EQ(foldCase("ÄÖ"), "ÄÖ");  // the server's mapping is ASCII only
}

TEST(IrcText, OneLineAndSplitting) {
    EXPECT_EQ(oneLine(std::string("a\r\nb\0c", 6)), "a  b c");
    const std::string cyrillic = "Сплин - Романс";  // 2 bytes a letter
    for (const std::size_t limit : {1u, 2u, 3u, 5u, 8u, 100u}) {
        const std::vector<std::string> pieces = splitUtf8(cyrillic, limit);
        std::string joined;
        for (const std::string& piece : pieces) {
            joined += piece;
            // Within the limit, or a single character that is longer.
            EXPECT_TRUE(piece.size() <= limit || text::fromUtf8(piece).size() == 1) << limit;
            EXPECT_EQ(text::toUtf8(text::fromUtf8(piece)), piece) << limit;
        }
        EXPECT_EQ(joined, cyrillic) << limit;
    }
    const std::string emoji =
        "a\xf0\x9f\x8e\xb5"
        "b";  // four bytes, a surrogate pair in UTF-16
    EXPECT_EQ(splitUtf8(emoji, 4), (std::vector<std::string>{"a", "\xf0\x9f\x8e\xb5", "b"}));
    EXPECT_EQ(splitUtf8(emoji, 5), (std::vector<std::string>{"a\xf0\x9f\x8e\xb5", "b"}));
    EXPECT_TRUE(splitUtf8("", 10).empty());
    EXPECT_EQ(words(" a  b;c ", ' '), (std::vector<std::string_view>{"a", "b;c"}));
    EXPECT_EQ(words(";;x", ';'), (std::vector<std::string_view>{"x"}));
    EXPECT_TRUE(words("", ' ').empty());
    // Bytes that start no whole sequence are one character each.
    EXPECT_EQ(splitUtf8("\xf0\x9f"
                        "a\x80",
                        1),
              (std::vector<std::string>{"\xf0", "\x9f", "a", "\x80"}));
}

}  // namespace
}  // namespace ruz::irc
