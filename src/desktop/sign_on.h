#pragma once

// The sign-on to a chat network as both desktop programs take it: the form's rules (the server,
// the nickname, the channels and the port that follows the TLS switch), what is kept of a sign-on
// between runs, and joining a channel while signed on.

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

// The port the form shows after the TLS switch is turned to `tls`: a port left at the usual one of
// the other setting follows the switch, a port the user typed stays.
std::uint16_t portAfterTlsSwitch(std::uint16_t port, bool tls);

// What the program keeps of a sign-on between runs, by field: the sign-on window's server, port,
// TLS switch, nickname and channels (never the password), and whether the program was signed on
// at the end of its run. Each front end keeps them under a prefix of its own ("irc." in the
// settings file, "irc/" in the sign-on window's QSettings).
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

// "Join a chat room" while signed on: asks for a channel (or several, separated by blanks or
// commas) and joins each; a name that cannot be a channel is refused with a notice naming it.
void askToJoin(irc::Rooms& rooms, Dialogs& dialogs);

}  // namespace ruz::desktop
