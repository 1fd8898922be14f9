#pragma once

#include "irc/session.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ruz::ui {

inline constexpr quint16 kPlainPort = 6667;
inline constexpr quint16 kTlsPort = 6697;

// The desktop program's command line: [--irc HOST[:PORT] --nick NICK --channel CHANNEL
// [--channel ...] [--tls] [--tls-ca FILE] [--password-file FILE]] [FOLDER].
struct CommandLine {
    QString folder;
    std::optional<irc::Settings> irc;  // nullopt: the stand-in's own room
    QString error;                     // not empty: the line is refused, for this reason
};

// `arguments` without the program's name. The password file's first line is the password; a file
// that cannot be read refuses the line.
CommandLine parseCommandLine(const QStringList& arguments);

// A channel as the server expects it: "#" put before a name that starts with no channel prefix.
// "" for a name that a channel cannot have (empty, or holding a blank, a comma, a control
// character).
QString channelName(const QString& name);
// Whether `nick` can be sent as a nickname: not empty, no blank, comma, colon, "!", "@" or control
// character, and not starting with a digit, "-" or "#".
bool validNick(const QString& nick);

}  // namespace ruz::ui
