#pragma once

#include "irc/rooms.h"
#include "irc/session.h"
#include "platform/dialogs.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ruz::irc {

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
std::optional<Settings> resumedSignOn(
    const std::function<std::string(std::string_view field)>& kept);

// "Join a chat room" while signed on: asks for a channel (or several, separated by blanks or
// commas) and joins each; a name that cannot be a channel is refused with a notice naming it.
void askToJoin(Rooms& rooms, Dialogs& dialogs);

}  // namespace ruz::irc
