#pragma once

#include "irc/session.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::irc {

inline constexpr std::uint16_t kPlainPort = 6667;
inline constexpr std::uint16_t kTlsPort = 6697;

// The desktop program's command line: [--irc HOST[:PORT] --nick NICK --channel CHANNEL
// [--channel ...] [--tls] [--tls-ca FILE] [--password-file FILE]] [FOLDER]. Text in UTF-8.
struct CommandLine {
    std::string folder;
    std::optional<Settings> irc;  // nullopt: the stand-in's own room
    std::string error;            // not empty: the line is refused, for this reason
};

// `arguments` (UTF-8) without the program's name. The password file's first line is the password;
// a file that cannot be read refuses the line.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

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
std::string signOnProblem(const Settings& settings);

// Whether `bytes` hold at least one certificate in PEM form: a "-----BEGIN CERTIFICATE-----" ...
// "-----END CERTIFICATE-----" block whose body is base64 (line breaks and blanks aside) of one
// DER SEQUENCE, its length just that of the data.
bool holdsPemCertificate(std::string_view bytes);

}  // namespace ruz::irc
