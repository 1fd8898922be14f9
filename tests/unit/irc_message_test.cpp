#include "irc/message.h"
#include "ui/command_line.h"

#include <gtest/gtest.h>

#include <QTemporaryFile>

namespace ruz::irc {
namespace {

struct ParseCase {
    QByteArray line;
    bool parsed;
    QString prefix;
    QString nick;
    QString command;
    QStringList params;
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
        {QByteArray("PRIVMSG #r :a\0b", 15),
         true,
         "",
         "",
         "PRIVMSG",
         {"#r", (QString("a") + QChar(0) + QString("b"))}},
    };
    for (const ParseCase& c : cases) {
        const std::optional<Message> m = parseLine(c.line);
        ASSERT_EQ(m.has_value(), c.parsed) << c.line.toStdString();
        if (!m) {
            continue;
        }
        EXPECT_EQ(m->prefix, c.prefix) << c.line.toStdString();
        EXPECT_EQ(m->nick, c.nick) << c.line.toStdString();
        EXPECT_EQ(m->command, c.command) << c.line.toStdString();
        EXPECT_EQ(m->params, c.params) << c.line.toStdString();
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
    EXPECT_EQ(m->params, (QStringList{"#r", "hi"}));
}

TEST(IrcParse, Utf8OrLatin1PerLine) {
    EXPECT_EQ(decodeText("Сплин"), QString::fromUtf8("Сплин"));
    EXPECT_EQ(decodeText("caf\xe9"), QString::fromLatin1("caf\xe9"));
    EXPECT_EQ(decodeText("\xc3\xa9 caf\xe9"), QString::fromLatin1("\xc3\xa9 caf\xe9"));
    const std::optional<Message> m = parseLine(":b PRIVMSG #r :M\xfcller");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->param(1), QString::fromUtf8("M\u00fcller"));
}

TEST(IrcText, FormattingCodesAreRemoved) {
    const std::pair<QString, QString> cases[] = {
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
        {"\x1d"
         "it\x1f"
         "u\x1e"
         "s\x11m\x16r\x0f",
         "itusmr"},
        {"a\tb", "a b"},
        {"a\x07"
         "b",
         "a\ufffdb"},
        {(QString("a") + QChar(0) + QString("b")), "a\ufffdb"},
        {"a\x7f", "a\ufffd"},
        {"plain", "plain"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(plainText(in), out) << in.toStdString();
    }
}

TEST(IrcText, CtcpAction) {
    EXPECT_EQ(actionText("\x01"
                         "ACTION waves\x01"),
              std::optional<QString>("waves"));
    EXPECT_EQ(actionText("\x01"
                         "ACTION waves"),
              std::optional<QString>("waves"));
    EXPECT_EQ(actionText("\x01"
                         "ACTION\x01"),
              std::optional<QString>(""));
    EXPECT_FALSE(actionText("\x01VERSION\x01"));
    EXPECT_FALSE(actionText("ACTION waves"));
    EXPECT_TRUE(isOtherCtcp("\x01VERSION\x01"));
    EXPECT_FALSE(
        isOtherCtcp("\x01"
                    "ACTION x\x01"));
    EXPECT_FALSE(isOtherCtcp("hi"));
}

TEST(IrcText, NicksAsShownAndCompared) {
    const std::pair<QString, QString> shown[] = {
        {"bob", "bob"},         {"[b]ob_-^|`{}\\", "[b]ob_-^|`{}\\"},
        {"<i>me", "?i?me"},     {"a:b", "a?b"},
        {"a&b c", "a?b?c"},     {"", "?"},
        {"Ярослав", "Ярослав"}, {QString::fromUtf8("x\u0001"), "x?"},
    };
    for (const auto& [in, out] : shown) {
        EXPECT_EQ(displayNick(in), out) << in.toStdString();
    }
    EXPECT_EQ(foldCase("Bob[]\\~"), "bob{}|^");
    EXPECT_EQ(foldCase("#Music"), foldCase("#mUSIC"));
}

TEST(IrcText, OneLineAndSplitting) {
    EXPECT_EQ(oneLine(QString("a\r\nb") + QChar(0) + QString("c")), "a  b c");
    const QString cyrillic = QString::fromUtf8("Сплин - Романс");  // 2 bytes a letter
    for (const std::size_t limit : {1u, 2u, 3u, 5u, 8u, 100u}) {
        const QStringList pieces = splitUtf8(cyrillic, limit);
        EXPECT_EQ(pieces.join(QString()), cyrillic) << limit;
        for (const QString& piece : pieces) {
            EXPECT_TRUE(static_cast<std::size_t>(piece.toUtf8().size()) <= limit ||
                        piece.size() <= 1)
                << limit;
            EXPECT_FALSE(piece.toUtf8().contains("\xef\xbf\xbd")) << limit;
        }
    }
    const QString emoji = QString::fromUtf8(
        "a\xf0\x9f\x8e\xb5"
        "b");  // a surrogate pair
    EXPECT_EQ(splitUtf8(emoji, 4), (QStringList{"a", QString::fromUtf8("\xf0\x9f\x8e\xb5"), "b"}));
    EXPECT_TRUE(splitUtf8(QString(), 10).isEmpty());
}

struct CommandLineCase {
    QStringList arguments;
    QString error;  // "" : accepted
    QString host;
    quint16 port;
    bool tls;
    QStringList channels;
    QString folder;
};

TEST(IrcCommandLine, OptionsAndTheirFaults) {
    const CommandLineCase cases[] = {
        {{}, "", "", 0, false, {}, ""},
        {{"music"}, "", "", 0, false, {}, "music"},
        {{"--irc", "irc.example.org", "--nick", "me", "--channel", "music"},
         "",
         "irc.example.org",
         6667,
         false,
         {"#music"},
         ""},
        {{"--irc", "h:7000", "--tls", "--nick", "me", "--channel", "#a", "--channel", "&b", "f"},
         "",
         "h",
         7000,
         true,
         {"#a", "&b"},
         "f"},
        {{"--tls", "--irc", "h", "--nick", "me", "--channel", "#a", "--channel", "#a"},
         "",
         "h",
         6697,
         true,
         {"#a"},
         ""},
        {{"--irc", "[::1]:6000", "--nick", "me", "--channel", "a"},
         "",
         "::1",
         6000,
         false,
         {"#a"},
         ""},
        {{"--irc", "h", "--nick", "me"}, "x", "", 0, false, {}, ""},
        {{"--irc", "h", "--channel", "a"}, "x", "", 0, false, {}, ""},
        {{"--irc", "h:0", "--nick", "me", "--channel", "a"}, "x", "", 0, false, {}, ""},
        {{"--irc", "h:99999", "--nick", "me", "--channel", "a"}, "x", "", 0, false, {}, ""},
        {{"--irc", "h", "--nick", "m e", "--channel", "a"}, "x", "", 0, false, {}, ""},
        {{"--irc", "h", "--nick", "9me", "--channel", "a"}, "x", "", 0, false, {}, ""},
        {{"--irc", "h", "--nick", "me", "--channel", "a,b"}, "x", "", 0, false, {}, ""},
        {{"--irc", "h", "--nick", "me", "--channel", "#"}, "x", "", 0, false, {}, ""},
        {{"--irc"}, "x", "", 0, false, {}, ""},
        {{"--bogus"}, "x", "", 0, false, {}, ""},
        {{"a", "b"}, "x", "", 0, false, {}, ""},
        {{"--irc", "h", "--nick", "me", "--channel", "a", "--password-file", "/nonexistent/p"},
         "x",
         "",
         0,
         false,
         {},
         ""},
        {{"--irc", "h", "--tls", "--tls-ca", "/nonexistent/ca.pem", "--nick", "me", "--channel",
          "a"},
         "x",
         "",
         0,
         false,
         {},
         ""},
        {{"--irc", "h", "--tls-ca", RUZ_FIXTURES_DIR "/tone-3s.mp3", "--nick", "me", "--channel",
          "a"},
         "x",
         "",
         0,
         false,
         {},
         ""},
        {{"--irc", "h", "--tls", "--tls-ca", RUZ_FIXTURES_DIR "/tone-3s.mp3", "--nick", "me",
          "--channel", "a"},
         "x",
         "",
         0,
         false,
         {},
         ""},
    };
    for (const CommandLineCase& c : cases) {
        const ui::CommandLine line = ui::parseCommandLine(c.arguments);
        const std::string name = c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.error.isEmpty(), c.error.isEmpty())
            << name << ": " << line.error.toStdString();
        if (!line.error.isEmpty()) {
            continue;
        }
        EXPECT_EQ(line.folder, c.folder) << name;
        ASSERT_EQ(line.irc.has_value(), !c.host.isEmpty()) << name;
        if (line.irc) {
            EXPECT_EQ(line.irc->endpoint.host, c.host) << name;
            EXPECT_EQ(line.irc->endpoint.port, c.port) << name;
            EXPECT_EQ(line.irc->endpoint.tls, c.tls) << name;
            EXPECT_EQ(line.irc->channels, c.channels) << name;
        }
    }
}

TEST(IrcCommandLine, PasswordIsTheFileFirstLine) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("s3cret\r\nsecond line\n");
    file.flush();
    const ui::CommandLine line = ui::parseCommandLine(
        {"--irc", "h", "--nick", "me", "--channel", "a", "--password-file", file.fileName()});
    ASSERT_TRUE(line.irc);
    EXPECT_EQ(line.irc->password, "s3cret");
}

}  // namespace
}  // namespace ruz::irc
