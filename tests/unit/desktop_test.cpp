// The desktop programs' shared decisions: the command line (options, files it names, help and
// version) and the sign-on form's rules.
#include "desktop/command_line.h"
#include "desktop/player_window.h"
#include "desktop/sign_on.h"
#include "desktop/start_place.h"
#include "platform/scratch_folder.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::desktop {
namespace {

using irc::Settings;

struct CommandLineCase {
    std::vector<std::string> arguments;
    std::string error;  // "" : accepted
    std::string host;
    std::uint16_t port;
    bool tls;
    std::vector<std::string> channels;
    std::string folder;
};

// A certificate of the test's own (self-signed, "ruz.test").
constexpr std::string_view kCertificate =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIBfDCCASOgAwIBAgIUIo4uXZrEf43XQC8JCh2W3YyzjPQwCgYIKoZIzj0EAwIw\n"
    "EzERMA8GA1UEAwwIcnV6LnRlc3QwIBcNMjYxMjA3MjIyOTI5WhgPMjEyNjExMTMy\n"
    "MjI5MjlaMBMxETAPBgNVBAMMCHJ1ei50ZXN0MFkwEwYHKoZIzj0CAQYIKoZIzj0D\n"
    "AQcDQgAETuHbXA15nOseu1Ay28G2zOsmXN9wdedOAq4b6Q047UkDO/vKbyQaKOS6\n"
    "fC3pQY/YYtgkDjQs0vWOVPaAmAJxXqNTMFEwHQYDVR0OBBYEFMNFveZaouhM7g/S\n"
    "gVRn7P6jFhl7MB8GA1UdIwQYMBaAFMNFveZaouhM7g/SgVRn7P6jFhl7MA8GA1Ud\n"
    "EwEB/wQFMAMBAf8wCgYIKoZIzj0EAwIDRwAwRAIgK8a/W4X00QaL1GwV75LHUUYj\n"
    "1audvUagnxRVs+LW0+4CIHcLgYhAu2fILtNWLXayeEKl0HN73tXzh1cQCuXpRMfF\n"
    "-----END CERTIFICATE-----\n";

std::string block(std::string_view body) {
    return "-----BEGIN CERTIFICATE-----\n" + std::string(body) + "\n-----END CERTIFICATE-----\n";
}

// Writes `content` to the file `name` of `folder` and gives its path (UTF-8).
std::string fileIn(const ScratchFolder& folder, const std::string& name,
                   const std::string& content) {
    const std::filesystem::path path = folder.path() / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

TEST(DesktopCommandLine, OptionsAndTheirFaults) {
    const ScratchFolder folder("ruz-command-line-");
    ASSERT_TRUE(folder.valid());
    const std::string good = fileIn(folder, "good.pem", "a bundle\r\n" + std::string(kCertificate));
    const std::string none = fileIn(folder, "none.pem", "no certificate here\n");
    const std::string badBase64 = fileIn(folder, "bad64.pem", block("MIIB*fDCC"));
    const std::string badPadding = fileIn(folder, "pad.pem", block("MAUB=AQ="));
    const std::string notDer = fileIn(folder, "text.pem", block("aGVsbG8gd29ybGQ="));
    const std::string badLength = fileIn(folder, "length.pem", block("MAUBAQ=="));
    const std::string unended =
        fileIn(folder, "unended.pem", "-----BEGIN CERTIFICATE-----\nMAA=\n");
    const std::string secondGood =
        fileIn(folder, "second.pem", block("MAUBAQ==") + std::string(kCertificate));
    const std::string emptySequence = fileIn(folder, "empty.pem", block("MAA="));
    const std::string huge = fileIn(
        folder, "huge.pem", std::string(kCertificate) + std::string(std::size_t{5} << 20, '\n'));
    const auto withCa = [](const std::string& file) {
        return std::vector<std::string>{"--irc",  "h",  "--tls",     "--tls-ca", file,
                                        "--nick", "me", "--channel", "a"};
    };
    const std::string mp3 = RUZ_FIXTURES_DIR "/tone-3s.mp3";
    const auto refused = [](std::vector<std::string> arguments, std::string error) {
        return CommandLineCase{std::move(arguments), std::move(error), "", 0, false, {}, ""};
    };
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
        refused({"--irc", "h", "--nick", "me"},
                "--irc needs a server, --nick and at least one --channel"),
        refused({"--irc", "h", "--channel", "a"},
                "--irc needs a server, --nick and at least one --channel"),
        refused({"--irc", "h:0", "--nick", "me", "--channel", "a"}, "not a server: h:0"),
        refused({"--irc", "h:99999", "--nick", "me", "--channel", "a"}, "not a server: h:99999"),
        refused({"--irc", "[::1", "--nick", "me", "--channel", "a"}, "not a server: [::1"),
        refused({"--irc", "h", "--nick", "m e", "--channel", "a"}, "not a nickname: m e"),
        refused({"--irc", "h", "--nick", "9me", "--channel", "a"}, "not a nickname: 9me"),
        refused({"--irc", "h", "--nick", "me", "--channel", "a,b"}, "not a channel: a,b"),
        refused({"--irc", "h", "--nick", "me", "--channel", "#"}, "not a channel: #"),
        refused({"--irc"}, "--irc needs a value"),
        refused({"--bogus"}, "unknown option --bogus"),
        refused({""}, "an empty argument"),
        refused({"a", "--nick"}, "--nick needs a value"),
        refused({"a", "b"}, "one folder only"),
        {{"-"}, "", "", 0, false, {}, "-"},
        refused(
            {"--irc", "h", "--nick", "me", "--channel", "a", "--password-file", "/nonexistent/p"},
            "cannot read the password file /nonexistent/p"),
        refused({"--irc", "h", "--tls", "--tls-ca", "/nonexistent/ca.pem", "--nick", "me",
                 "--channel", "a"},
                "cannot read the certificate file /nonexistent/ca.pem"),
        refused({"--irc", "h", "--tls-ca", mp3, "--nick", "me", "--channel", "a"},
                "--tls-ca needs --tls"),
        refused(withCa(mp3), "no PEM certificate in " + mp3),
        // The certificate file: a block of base64 that holds one DER SEQUENCE, of its length.
        {withCa(good), "", "h", 6697, true, {"#a"}, ""},
        {withCa(secondGood), "", "h", 6697, true, {"#a"}, ""},
        refused(withCa(none), "no PEM certificate in " + none),
        refused(withCa(badBase64), "no PEM certificate in " + badBase64),
        refused(withCa(badPadding), "no PEM certificate in " + badPadding),
        refused(withCa(notDer), "no PEM certificate in " + notDer),
        refused(withCa(badLength), "no PEM certificate in " + badLength),
        refused(withCa(unended), "no PEM certificate in " + unended),
        {withCa(emptySequence), "", "h", 6697, true, {"#a"}, ""},
        refused(withCa(folder.path().string()),
                "cannot read the certificate file " + folder.path().string()),
        // A device that never ends, and a file past any bundle's size, are not read through.
        refused(withCa("/dev/zero"), "cannot read the certificate file /dev/zero"),
        refused(withCa(huge), "cannot read the certificate file " + huge),
        refused({"--irc", "h", "--nick", "me", "--channel", "a", "--password-file", "/dev/zero"},
                "cannot read the password file /dev/zero"),
    };
    for (const CommandLineCase& c : cases) {
        const CommandLine line = parseCommandLine(c.arguments);
        std::string name;
        for (const std::string& argument : c.arguments) {
            name += argument + ' ';
        }
        EXPECT_EQ(line.error, c.error) << name;
        if (!line.error.empty()) {
            continue;
        }
        EXPECT_EQ(line.folder, c.folder) << name;
        ASSERT_EQ(line.irc.has_value(), !c.host.empty()) << name;
        if (line.irc) {
            EXPECT_EQ(line.irc->endpoint.host, c.host) << name;
            EXPECT_EQ(line.irc->endpoint.port, c.port) << name;
            EXPECT_EQ(line.irc->endpoint.tls, c.tls) << name;
            EXPECT_EQ(line.irc->channels, c.channels) << name;
        }
    }
}

TEST(DesktopCommandLine, HelpAndVersionWinOverTheRestOfTheLine) {
    const std::vector<std::string> help[] = {
        {"--help"}, {"-h", "music"}, {"--bogus", "-h"}, {"-h", "--irc", "h"}, {"", "--help"}};
    for (const std::vector<std::string>& arguments : help) {
        const CommandLine line = parseCommandLine(arguments);
        EXPECT_TRUE(line.help) << arguments.front();
        EXPECT_EQ(line.error, "") << arguments.front();
        EXPECT_FALSE(line.irc.has_value()) << arguments.front();
    }
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-v"}, {"--version", "a", "b"}}) {
        EXPECT_TRUE(parseCommandLine(arguments).version) << arguments.front();
    }
    EXPECT_EQ(usageError("unknown option --bogus"),
              "ruz: unknown option --bogus; see ruz --help\n");
}

TEST(DesktopSignOn, TheListOfChannelsItsProblemsAndThePortThatFollowsTls) {
    struct ListRow {
        std::string typed;
        std::vector<std::string> channels;
    };
    const ListRow lists[] = {
        {"", {}},
        {" \t, ", {}},
        {"music", {"#music"}},
        {"#a, &b\tc\r\nd", {"#a", "&b", "#c", "#d"}},
        {",,a,,b,", {"#a", "#b"}},
        {"# ok", {"", "#ok"}},
        {"a\ab", {""}},
    };
    for (const ListRow& row : lists) {
        EXPECT_EQ(channelList(row.typed), row.channels) << row.typed;
    }

    const std::string kServer = "Enter the server's name.";
    const std::string kNick = "Enter a nickname without blanks.";
    const std::string kChannels = "Enter one or more channels, such as #music.";
    struct ProblemRow {
        std::string host, nick, channels, problem;
    };
    const ProblemRow rows[] = {
        {"irc.example.org", "me", "#a b", ""},
        {"", "me", "#a", kServer},
        {"irc example", "me", "#a", kServer},
        {"", "", "", kServer},  // the first problem in the window's order
        {"h", "", "#a", kNick},
        {"h", "m e", "#a", kNick},
        {"h", "9me", "#a", kNick},
        {"h", "me", "", kChannels},
        {"h", "me", "#a #", kChannels},
    };
    for (const ProblemRow& row : rows) {
        Settings settings;
        settings.endpoint.host = row.host;
        settings.nick = row.nick;
        settings.channels = channelList(row.channels);
        EXPECT_EQ(signOnProblem(settings), row.problem) << row.host << '/' << row.nick;
    }

    // OK: the fields trimmed, the port checked after the others, the password as typed.
    const SignOnAnswer taken =
        takeSignOn({" irc.example.net ", " 7000 ", true, " me ", "music, #a ", " s3cret"});
    EXPECT_EQ(taken.problem, "");
    EXPECT_EQ(taken.settings.endpoint.host, "irc.example.net");
    EXPECT_EQ(taken.settings.endpoint.port, 7000);
    EXPECT_EQ(taken.settings.nick, "me");
    EXPECT_EQ(taken.settings.channels, (std::vector<std::string>{"#music", "#a"}));
    EXPECT_EQ(taken.settings.password, " s3cret");
    EXPECT_EQ(taken.fields.channels, "music, #a");
    EXPECT_EQ(takeSignOn({"h", "0", true, "me", "#a", ""}).problem,
              "Enter a port from 1 to 65535.");
    EXPECT_EQ(takeSignOn({"", "0", true, "me", "#a", ""}).problem, kServer);

    // The usual port of the other kind follows the TLS switch; a port of one's own stays.
    struct PortRow {
        std::string typed;
        bool tls;
        std::optional<std::uint16_t> after;
    };
    const PortRow ports[] = {{"6667", true, 6697},         {" 6697 ", false, 6667},
                             {"6697", true, std::nullopt}, {"7000", true, std::nullopt},
                             {"x", true, std::nullopt},    {"99999", false, std::nullopt}};
    for (const PortRow& row : ports) {
        EXPECT_EQ(flippedPort(row.typed, row.tls), row.after) << row.typed;
    }
}

TEST(DesktopCommandLine, PasswordIsTheFileFirstLine) {
    const ScratchFolder folder("ruz-command-line-");
    ASSERT_TRUE(folder.valid());
    const CommandLine line =
        parseCommandLine({"--irc", "h", "--nick", "me", "--channel", "a", "--password-file",
                          fileIn(folder, "password", "s3cret\r\nsecond line\n")});
    ASSERT_TRUE(line.irc);
    EXPECT_EQ(line.irc->password, "s3cret");
}

// A file system of a few names, "/" between folders.
class ScriptedPlaces final : public Places {
  public:
    std::map<std::u16string, Kind> kinds;
    std::u16string music = u"/home/me/Music";

    Kind kindOf(const std::u16string& path) const override {
        const auto found = kinds.find(path);
        return found == kinds.end() ? Kind::Missing : found->second;
    }
    std::u16string absolute(const std::u16string& path) const override {
        return path.starts_with(u'/') ? path : u"/work/" + path;
    }
    std::pair<std::u16string, std::u16string> split(const std::u16string& file) const override {
        const std::size_t cut = file.rfind(u'/');
        return {file.substr(0, cut), file.substr(cut + 1)};
    }
    std::u16string musicFolder() const override { return music; }
    std::u16string homeFolder() const override { return u"/home/me"; }
};

TEST(DesktopSignOn, OffersTheLastFieldsUsedElseTlsOnItsUsualPort) {
    struct Row {
        SettingsStore::Values kept;
        SignOnFields offered;
    };
    const Row rows[] = {
        {{}, {"", 6697, true, "winuser", ""}},
        {{{"irc.tls", "0"}}, {"", 6667, false, "winuser", ""}},
        {{{"irc.server", "irc.libera.chat"},
          {"irc.port", "7000"},
          {"irc.tls", "0"},
          {"irc.nick", "n\u00e9"},
          {"irc.channels", "#a, b"}},
         {"irc.libera.chat", 7000, false, "n\u00e9", "#a, b"}},
        {{{"irc.port", "99999"}, {"irc.tls", "yes"}, {"irc.nick", ""}},
         {"", 6667, false, "winuser", ""}},
        {{{"irc.port", "x"}, {"irc.tls", "1"}}, {"", 6697, true, "winuser", ""}},
    };
    for (const Row& row : rows) {
        const SignOnFields got = keptSignOnFields(row.kept, "winuser");
        EXPECT_EQ(got.server, row.offered.server);
        EXPECT_EQ(got.port, row.offered.port);
        EXPECT_EQ(got.tls, row.offered.tls);
        EXPECT_EQ(got.nick, row.offered.nick);
        EXPECT_EQ(got.channels, row.offered.channels);
        // What is kept comes back as it was.
        const SignOnFields again = keptSignOnFields(signOnSettings(got), "other");
        EXPECT_EQ(again.server, got.server);
        EXPECT_EQ(again.port, got.port);
        EXPECT_EQ(again.tls, got.tls);
        EXPECT_EQ(again.nick, got.nick);
        EXPECT_EQ(again.channels, got.channels);
    }
    // A fresh window: TLS, and the port that goes with it.
    EXPECT_TRUE(SignOnFields{}.tls);
    EXPECT_EQ(SignOnFields{}.port, 6697);
}

TEST(DesktopStartPlace, TheGivenThenTheKeptThenTheMusicThenTheHomeFolder) {
    ScriptedPlaces places;
    places.kinds = {{u"/work/tunes", Places::Kind::Folder},
                    {u"/work/tunes/A - One.mp3", Places::Kind::File},
                    {u"/kept", Places::Kind::Folder},
                    {u"/home/me/Music", Places::Kind::Folder}};
    struct Row {
        std::u16string given;
        std::string kept;
        bool musicGone;
        std::u16string folder, song;
        std::vector<std::string> problems;
    };
    const Row rows[] = {
        {u"tunes", "/kept", false, u"/work/tunes", u"", {}},
        {u"tunes/A - One.mp3", "/kept", false, u"/work/tunes", u"A - One.mp3", {}},
        {u"", "/kept", false, u"/kept", u"", {}},
        {u"gone", "/kept", false, u"/kept", u"", {"no such folder or song: gone"}},
        {u"", "", false, u"/home/me/Music", u"", {}},
        {u"", "/old", false, u"/home/me/Music", u"", {"the folder of the last run is gone: /old"}},
        {u"x",
         "/old",
         true,
         u"/home/me",
         u"",
         {"no such folder or song: x", "the folder of the last run is gone: /old"}},
    };
    for (const Row& row : rows) {
        places.music = row.musicGone ? u"/nowhere" : u"/home/me/Music";
        const StartPlace start = startPlace(row.given, row.kept, places);
        EXPECT_EQ(start.folder, row.folder) << row.kept;
        EXPECT_EQ(start.song, row.song) << row.kept;
        EXPECT_EQ(start.problems, row.problems) << row.kept;
    }
}

TEST(DesktopStartPlace, TheSongGivenIsItsEntryOrTheOnlyOneOfItsNameInAnyCase) {
    const std::vector<std::u16string> entries = {u"a.mp3", u"A.mp3", u"Blue Sky.mp3", u"c.mp3"};
    struct Row {
        std::u16string name;
        std::optional<std::size_t> entry;
    };
    const Row rows[] = {
        {u"A.mp3", 1},
        {u"a.mp3", 0},  // both exist: each is itself
        {u"BLUE SKY.MP3", 2},
        {u"c.MP3", 3},
        {u"d.mp3", std::nullopt},
        {u"", std::nullopt},
        {u"A.MP3", std::nullopt},  // two differ from it in case alone: neither is guessed
    };
    for (const Row& row : rows) {
        EXPECT_EQ(entryNamed(entries, row.name), row.entry) << text::toUtf8(row.name);
    }
    EXPECT_EQ(notASong(u"x.mp3"), u"not a song this player plays: x.mp3");
}

TEST(DesktopPlayerWindow, TheTimeTheKeysOfTheBoxesAndTheMenusAccessKeys) {
    struct ClockRow {
        int seconds;
        std::u16string text;
    };
    for (const ClockRow& row : {ClockRow{0, u"0:00"}, ClockRow{65, u"1:05"}, ClockRow{-5, u"-0:05"},
                                ClockRow{3600, u"60:00"}}) {
        EXPECT_EQ(clockText(row.seconds), row.text) << row.seconds;
    }
    EXPECT_EQ(optionKeysTip(0), u"Auto get song: F1 on, F2 off, while an option box has the focus");
    EXPECT_EQ(optionKeysTip(3),
              u"Keep from rating: F7 on, F8 off, while an option box has the focus");
    EXPECT_EQ(optionKeysTip(4), u"");
    EXPECT_EQ(optionKeysTip(99), u"");
    EXPECT_EQ(withAccessKey(u"Restore Defaults", u'R'), u"&Restore Defaults");
    EXPECT_EQ(withAccessKey(u"Open Folder...", u'f'), u"Open &Folder...");
    EXPECT_EQ(withAccessKey(u"Rock & Roll", u'o'), u"R&ock && Roll");
    EXPECT_EQ(withAccessKey(u"Quit", u'x'), u"Quit");
    EXPECT_EQ(keyName(actionRows()[0]), u"Space");
    EXPECT_EQ(keyName(actionRows()[1]), u"Ctrl+O");
    // One menu, no key twice.
    std::set<char16_t> keys;
    for (const OptionEntry& entry : optionEntries()) {
        EXPECT_TRUE(keys.insert(entry.key).second) << static_cast<int>(entry.key);
    }
    for (const ActionRow& row : actionRows()) {
        EXPECT_TRUE(keys.insert(row.accessKey).second) << static_cast<int>(row.accessKey);
    }
}

TEST(DesktopPlayerWindow, AWordBoxCaptionIsItsTipBeforeAnyColonWithoutTheWordCcom) {
    struct Row {
        std::u16string tip, caption;
    };
    const Row rows[] = {
        {u"Skip ccom", u"Skip"},
        {u"Chat Send: the announcement, %s the song", u"Chat Send"},
        {u"Hide Ruz CCOM  ", u"Hide Ruz"},
        {u"Trigger", u"Trigger"},
        {u"ccom", u"box"},
        {u"", u"box"},
        {u": only an explanation", u"box"},
    };
    for (const Row& row : rows) {
        TextBox box(u"box");
        box.setToolTip(row.tip);
        EXPECT_EQ(boxCaption(box), row.caption);
    }
}

}  // namespace
}  // namespace ruz::desktop
