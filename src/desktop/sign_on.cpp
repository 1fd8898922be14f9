#include "desktop/sign_on.h"

#include "text/text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ruz::desktop {

namespace {
constexpr unsigned kMaxPort = 0xFFFF;
constexpr std::string_view kChannelPrefixes = "#&+!";
constexpr std::string_view kNeverInChannel = " ,\a";
constexpr std::string_view kNeverInNick = " ,:!@*?";
constexpr std::string_view kNeverFirstInNick = "-#&+0123456789";
// Where a typed list of channels is split.
constexpr std::string_view kChannelSeparators = " \t\n\r\f\v,";
constexpr std::array<std::string_view, 2> kTrueValues = {"1", "true"};
constexpr char16_t kJoinTitle[] = u"Join a chat room";
constexpr char16_t kJoinQuestion[] = u"Channel to join (for example #music):";
constexpr char16_t kNotAChannel[] = u"Not a channel name: ";
constexpr char kPortProblem[] = "Enter a port from 1 to 65535.";
constexpr std::string_view kBlanks = " \t\r\n\f\v";

std::string setting(std::string_view field) {
    return std::string(kSignOnPrefix) + std::string(field);
}

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

bool hasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

bool containsAny(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

}  // namespace

std::string channelName(std::string_view name) {
    if (name.empty() || hasControl(name) || containsAny(name, kNeverInChannel)) {
        return {};
    }
    if (kChannelPrefixes.find(name.front()) != std::string_view::npos) {
        return name.size() > 1 ? std::string(name) : std::string();
    }
    return '#' + std::string(name);
}

bool validNick(std::string_view nick) {
    return !nick.empty() && !hasControl(nick) &&
           kNeverFirstInNick.find(nick.front()) == std::string_view::npos &&
           !containsAny(nick, kNeverInNick);
}

std::vector<std::string> channelList(std::string_view text) {
    std::vector<std::string> channels;
    for (std::size_t at = text.find_first_not_of(kChannelSeparators); at != std::string_view::npos;
         at = text.find_first_not_of(kChannelSeparators, at)) {
        const std::size_t end = std::min(text.find_first_of(kChannelSeparators, at), text.size());
        channels.push_back(channelName(text.substr(at, end - at)));
        at = end;
    }
    return channels;
}

std::string signOnProblem(const irc::Settings& settings) {
    // The checks in the order the window shows its fields, with what the user is told.
    struct Check {
        bool (*fails)(const irc::Settings&);
        const char* problem;
    };
    static constexpr Check kChecks[] = {
        {[](const irc::Settings& s) {
             return s.endpoint.host.empty() || containsAny(s.endpoint.host, " ");
         },
         "Enter the server's name."},
        {[](const irc::Settings& s) { return !validNick(s.nick); },
         "Enter a nickname without blanks."},
        {[](const irc::Settings& s) {
             return s.channels.empty() ||
                    std::find(s.channels.begin(), s.channels.end(), "") != s.channels.end();
         },
         "Enter one or more channels, such as #music."},
    };
    for (const Check& check : kChecks) {
        if (check.fails(settings)) {
            return check.problem;
        }
    }
    return {};
}

std::optional<std::uint16_t> typedPort(std::string_view typed) {
    const std::optional<unsigned> port = text::readUInt(text::fromUtf8(trimmed(typed)));
    if (!port || *port == 0 || *port > kMaxPort) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*port);
}

std::optional<std::uint16_t> flippedPort(std::string_view typed, bool tls) {
    const std::optional<std::uint16_t> port = typedPort(typed);
    const std::uint16_t usual = tls ? kTlsPort : kPlainPort;
    if (port && *port != usual && (*port == kTlsPort || *port == kPlainPort)) {
        return usual;
    }
    return std::nullopt;
}

std::optional<irc::Settings> resumedSignOn(
    const std::function<std::string(std::string_view field)>& kept) {
    if (kept(kSignedOnField) != kSignedOn) {
        return std::nullopt;
    }
    irc::Settings settings;
    settings.endpoint.host = kept(kServerField);
    const std::string tls = kept(kTlsField);
    settings.endpoint.tls =
        std::find(kTrueValues.begin(), kTrueValues.end(), tls) != kTrueValues.end();
    const std::optional<unsigned> port = text::readUInt(text::fromUtf8(kept(kPortField)));
    settings.endpoint.port = port && *port > 0 && *port <= kMaxPort
                                 ? static_cast<std::uint16_t>(*port)
                                 : (settings.endpoint.tls ? kTlsPort : kPlainPort);
    settings.nick = kept(kNickField);
    settings.channels = channelList(kept(kChannelsField));
    if (!signOnProblem(settings).empty()) {
        return std::nullopt;
    }
    return settings;
}

std::optional<irc::Settings> resumedSignOn(const SettingsStore::Values& kept) {
    return resumedSignOn([&kept](std::string_view field) {
        const auto found = kept.find(setting(field));
        return found == kept.end() ? std::string() : found->second;
    });
}

std::string signedOnSetting() {
    return setting(kSignedOnField);
}

std::string signedOnValue(bool signedOn) {
    return std::string(signedOn ? kSignedOn : kSignedOff);
}

void addSignOnValues(const SettingsStore::Values& kept, SettingsStore::Values& values) {
    for (const auto& [name, value] : kept) {
        if (name.starts_with(kSignOnPrefix)) {
            values[name] = value;
        }
    }
}

SignOnFields keptSignOnFields(const SettingsStore::Values& kept, const std::string& nick) {
    const auto keptText = [&kept](std::string_view field) {
        const auto found = kept.find(setting(field));
        return found == kept.end() ? std::string() : found->second;
    };
    SignOnFields fields;
    fields.server = keptText(kServerField);
    const std::string tls = keptText(kTlsField);
    if (!tls.empty()) {
        fields.tls = std::find(kTrueValues.begin(), kTrueValues.end(), tls) != kTrueValues.end();
    }
    fields.port = typedPort(keptText(kPortField)).value_or(fields.tls ? kTlsPort : kPlainPort);
    fields.nick = keptText(kNickField);
    if (fields.nick.empty()) {
        fields.nick = nick;
    }
    fields.channels = keptText(kChannelsField);
    return fields;
}

SettingsStore::Values signOnSettings(const SignOnFields& fields) {
    return {{setting(kServerField), fields.server},
            {setting(kPortField), std::to_string(fields.port)},
            {setting(kTlsField), fields.tls ? "1" : "0"},
            {setting(kNickField), fields.nick},
            {setting(kChannelsField), fields.channels}};
}

SignOnAnswer takeSignOn(const TypedSignOn& typed) {
    SignOnAnswer answer;
    answer.fields.server = trimmed(typed.server);
    answer.fields.tls = typed.tls;
    answer.fields.nick = trimmed(typed.nick);
    answer.fields.channels = trimmed(typed.channels);
    irc::Settings& settings = answer.settings;
    settings.endpoint.host = answer.fields.server;
    settings.endpoint.tls = typed.tls;
    settings.nick = answer.fields.nick;
    settings.channels = channelList(answer.fields.channels);
    settings.password = typed.password;
    answer.problem = signOnProblem(settings);
    const std::optional<std::uint16_t> port = typedPort(typed.port);
    if (answer.problem.empty() && !port) {
        answer.problem = kPortProblem;
    }
    answer.fields.port = port.value_or(typed.tls ? kTlsPort : kPlainPort);
    settings.endpoint.port = answer.fields.port;
    return answer;
}

void askToJoin(irc::Rooms& rooms, Dialogs& dialogs) {
    const std::optional<std::u16string> typed = dialogs.prompt(kJoinQuestion, kJoinTitle);
    if (!typed) {
        return;
    }
    const std::vector<std::string> channels = channelList(text::toUtf8(*typed));
    if (channels.empty() || std::find(channels.begin(), channels.end(), "") != channels.end()) {
        dialogs.notice(kNotAChannel + *typed);
        return;
    }
    for (const std::string& channel : channels) {
        rooms.join(channel);
    }
}

}  // namespace ruz::desktop
