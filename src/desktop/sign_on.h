#pragma once

// The sign-on to a chat network as both desktop programs take it: the form's rules (the server,
// the nickname, the channels and the port that follows the TLS switch), what is kept of a sign-on
// between runs, and joining a channel while signed on.

#include "common/settings_store.h"
#include "irc/rooms.h"
#include "irc/session.h"
#include "platform/dialogs.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::desktop {

inline constexpr std::uint16_t kPlainPort = 6667;
inline constexpr std::uint16_t kTlsPort = 6697;

// A channel as the server expects it: "#" put before a name that starts with no channel prefix.
// "" for a name that a channel cannot have (empty, or holding a blank, a comma, a control
// character).
std::string channelName(std::string_view name);
// Whether `nick` can be sent as a nickname: not empty, no blank, comma, colon, "!", "@" or control
// character, and not starting with a digit, "-" or "#".
bool validNick(std::string_view nick);

// The channels of a list typed in one line, split at blanks (spaces, tabs, line breaks) and
// commas, each as channelName gives it ("" for a word that cannot be a channel).
std::vector<std::string> channelList(std::string_view text);
// What is wrong with the settings of the sign-on window, as the user is told it; "" when nothing
// is: a server's name without blanks, a valid nickname and one or more channels, every one valid.
std::string signOnProblem(const irc::Settings& settings);

// A port as typed (blanks around it aside); nullopt for a text that is no port from 1 to 65535.
std::optional<std::uint16_t> typedPort(std::string_view typed);
// The port the form shows once the TLS switch is turned to `tls`, where it changes: a port left
// at the usual one of the other setting follows the switch; a port of the user's own, or a text
// that is no port, stays (nullopt).
std::optional<std::uint16_t> flippedPort(std::string_view typed, bool tls);

// What the program keeps of a sign-on between runs, by field: the sign-on window's server, port,
// TLS switch, nickname and channels (never the password), and whether the program was signed on
// at the end of its run. The settings file keeps them under the prefix "irc.".
inline constexpr std::string_view kSignOnPrefix = "irc.";
inline constexpr std::string_view kServerField = "server";
inline constexpr std::string_view kPortField = "port";
inline constexpr std::string_view kTlsField = "tls";
inline constexpr std::string_view kNickField = "nick";
inline constexpr std::string_view kChannelsField = "channels";
inline constexpr std::string_view kSignedOnField = "signedOn";
// The signed-on field's values: the user signed on from the sign-on window, or signed off.
inline constexpr std::string_view kSignedOn = "1";
inline constexpr std::string_view kSignedOff = "0";

// The network to sign on to again at start: the kept fields (`kept` gives a field's value, "" when
// none is kept) when the program was signed on at the end of the last run and they make a sign-on
// the sign-on window would take; nullopt otherwise. A port that is no port gives the TLS switch's
// usual one; a TLS switch reads "1" or "true" as on.
std::optional<irc::Settings> resumedSignOn(
    const std::function<std::string(std::string_view field)>& kept);

// The same from the kept settings.
std::optional<irc::Settings> resumedSignOn(const SettingsStore::Values& kept);
// The setting that keeps whether the user was signed on, and its value for `signedOn`.
std::string signedOnSetting();
std::string signedOnValue(bool signedOn);
// The kept settings of the sign-on, taken from `kept` into `values` (what the program keeps at
// its end).
void addSignOnValues(const SettingsStore::Values& kept, SettingsStore::Values& values);

// What the sign-on window shows at its start and what is kept of it between runs: everything but
// the password. A fresh window offers TLS, on its usual port. Texts in UTF-8.
struct SignOnFields {
    std::string server;
    std::uint16_t port = kTlsPort;
    bool tls = true;
    std::string nick;
    std::string channels;  // as typed
};

// The fields as they were last accepted, from the kept settings; where none are kept, the fresh
// window's, with `nick` (the user's login name) as the nickname. A kept value that cannot be read
// counts as none.
SignOnFields keptSignOnFields(const SettingsStore::Values& kept, const std::string& nick);
// The settings that keep `fields`.
SettingsStore::Values signOnSettings(const SignOnFields& fields);

// The sign-on window as the user filled it in, before any check. UTF-8.
struct TypedSignOn {
    std::string server;
    std::string port;
    bool tls = true;
    std::string nick;
    std::string channels;
    std::string password;
};
// What the window's OK makes of `typed`: the first problem in the window's order, as the user is
// told it, or the settings to sign on with and the fields to keep (blanks around each field
// trimmed; the password is not among the fields).
struct SignOnAnswer {
    std::string problem;
    irc::Settings settings;
    SignOnFields fields;
};
SignOnAnswer takeSignOn(const TypedSignOn& typed);

// "Join a chat room" while signed on: asks for a channel (or several, separated by blanks or
// commas) and joins each; a name that cannot be a channel is refused with a notice naming it.
void askToJoin(irc::Rooms& rooms, Dialogs& dialogs);

}  // namespace ruz::desktop
