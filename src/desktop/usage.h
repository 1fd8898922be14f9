#pragma once

// What `ruz --help` says and what the manual page ruz(1) holds, from one set of tables: the
// options (with the command line's parser), the chat commands and the environment.

#include <span>
#include <string>

namespace ruz::desktop {

struct CommandRow {
    const char* typed;
    const char* effect;
    const char* answer;  // what the room hears, its texts quoted; "" for nothing
};
struct EnvironmentRow {
    const char* name;
    const char* help;
};

std::span<const CommandRow> commandRows();
std::span<const EnvironmentRow> environmentRows();

// The text of `ruz --help`.
std::string helpText();
// The text of the Windows program's help box: the same usage and options, without the chat
// commands and the environment of the Linux build.
std::string windowsHelpText();
// The manual page from its template: "@RUZ_OPTIONS@", "@RUZ_COMMANDS@" and
// "@RUZ_ENVIRONMENT@" on lines of their own become those sections' bodies, "@PROJECT_VERSION@"
// the version.
std::string manPage(const std::string& pageTemplate, const std::string& version);

}  // namespace ruz::desktop
