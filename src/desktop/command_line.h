#pragma once

// The desktop programs' command line, the same on both systems: [--irc HOST[:PORT] --nick NICK
// --channel CHANNEL [--channel ...] [--tls] [--tls-ca FILE] [--password-file FILE]]
// [FOLDER | SONG], or --help, or --version. One table holds the options with their help: the
// parser walks it, and so do `ruz --help` and the manual page. Each program only turns its
// system's arguments into UTF-8.

#include "irc/session.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ruz::desktop {

// The exit status of a refused command line, on both systems (the usual one for a usage fault).
inline constexpr int kRefusedStatus = 2;

struct CommandLine {
    std::string folder;                // FOLDER or SONG as given, UTF-8; "" for none
    std::optional<irc::Settings> irc;  // nullopt: the messenger's (or the stand-in's) own room
    bool help = false;
    bool version = false;
    std::string error;  // not empty: the line is refused, for this reason
};

// Where an option's value goes.
enum class Slot { Folder, Server, Nick, Channel, Tls, CaFile, PasswordFile, Help, Version };

struct OptionRow {
    const char* names;  // "-h, --help"; "FOLDER" for the argument
    const char* value;  // the option's value, "" for none
    const char* help;
    Slot slot;
};

std::span<const OptionRow> optionRows();

// `arguments` (UTF-8) without the program's name. --help and --version win over everything else on
// the line; otherwise the first fault refuses it. The password file's first line is the password;
// a password or certificate file that cannot be read refuses the line.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// A refused command line: one line naming the problem and where to read more.
std::string usageError(const std::string& problem);

}  // namespace ruz::desktop
