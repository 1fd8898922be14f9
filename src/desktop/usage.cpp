#include "desktop/usage.h"

#include "desktop/command_line.h"

#include <cstddef>
#include <string_view>

namespace ruz::desktop {

namespace {

constexpr CommandRow kCommands[] = {
    {".vol N", "volume N, in hundredths of a decibel from -10000 to 0", "\"Changing volume to N\""},
    {".set N", "go to second N of the song", "\"Set To N Secounds\""},
    {".set?", "the song's length", "\"Song Is N Secounds Long\""},
    {".p TEXT", "the first song whose title holds TEXT, in any letter case", "its announcement"},
    {".skip, .back, .first, .last",
     "the next (shuffled while Shuffle is on), previous, first or last song", "its announcement"},
    {".r", "a song drawn from the shuffled order", "its announcement"},
    {".play", "start a stopped song, resume a paused one", "\"\u2020- Plays Song -\u2020\""},
    {".pause, .resume, .stop", "pause, resume, stop",
     "\"\u2020- Pauses Song ...\", \"\u2020- Resumes Song ...\", \"\u2020- Stops "
     "Song -\u2020\""},
    {".fwd, .rev", "5 seconds forward, back",
     "\"\u2020- Forwards Song -\u2020\", \"\u2020- Rewinds Song -\u2020\""},
    {".mute", "mute on or off", "\"\u2020- Mutes ...\", \"\u2020- Un Mutes ...\""},
    {".idle REASON, ,idle", "away with a reason and a reminder every minute; back",
     "\"NAME Has Gone Idle Reason (REASON)\", \"NAME Is Back From Afk\""},
    {",cs, .cs", "the program's lines in the room off, on", ""},
    {".clear, .close", "empty the room's view; close the room", "\"\u2020- Closes Room -\u2020\""},
    {".hide, .show, .help", "hide or show the player; show the command words",
     "\"\u2020- Minimizes Ruz -\u2020\", \"\u2020- Shows Ruz -\u2020\""},
    {".end", "end the program", "\"\u2020- Closes Ruz -\u2020\""},
};

constexpr EnvironmentRow kEnvironment[] = {
    {"RUZ_MUSIC", "The folder to load when no FOLDER is given."},
    {"RUZ_TRANSCRIPT_DUMP",
     "A file that receives the front chat room's lines, \"SENDER: MESSAGE\" (UTF-8), after every "
     "change."},
    {"XDG_CONFIG_HOME",
     "Where the settings are kept between runs: taviks-ruz/settings in it (default "
     "~/.config). The command words, the announcement template, the option boxes, the folder, "
     "the volume and the windows' places; \"Options, Restore Defaults\" puts them back."},
    {"SDL_AUDIODRIVER",
     "The sound driver SDL uses (pulseaudio, alsa, dummy, or disk to write the samples to a "
     "file). Where no sound device opens, the program says so once and plays on silently."},
};

constexpr std::size_t kHelpWidth = 96;
constexpr std::size_t kHelpIndent = 26;

// `text` in lines of at most `width` characters after `indent` blanks; the first line goes on
// after `lead` when it is shorter than the indent.
std::string wrapped(const std::string& lead, std::string_view text, std::size_t indent,
                    std::size_t width) {
    std::string out = lead;
    std::size_t column = lead.size();
    if (!lead.empty() && column + 1 >= indent) {
        out += '\n';
        column = 0;
    }
    bool lineStart = true;
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
        if (!lineStart && column + 1 + word.size() > width) {
            out += '\n';
            column = 0;
            lineStart = true;
        }
        if (lineStart) {
            out.append(indent - column, ' ');
            column = indent;
        } else {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineStart = false;
    }
    return out + '\n';
}

std::string optionHead(const OptionRow& row) {
    std::string head = row.names;
    if (*row.value != '\0') {
        head += ' ';
        head += row.value;
    }
    return head;
}

// Text for the formatter: a backslash and a minus as its own escapes, a line that would start
// with a control character guarded.
std::string roff(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) {
        out.insert(0, "\\&");
    }
    return out;
}

std::string manOptions() {
    std::string out;
    for (const OptionRow& row : optionRows()) {
        out += ".TP\n";
        if (row.names[0] != '-') {
            out += ".I " + roff(row.names);  // the argument
        } else if (*row.value != '\0') {
            out += ".BI \"" + roff(row.names) + " \" \"" + roff(row.value) + '"';
        } else {
            out += ".B \"" + roff(row.names) + '"';
        }
        out += '\n' + roff(row.help) + '\n';
    }
    return out;
}

std::string manCommands() {
    std::string out;
    for (const CommandRow& row : kCommands) {
        out += ".TP\n.B \"" + roff(row.typed) + "\"\n" + roff(row.effect);
        if (*row.answer != '\0') {
            out += "; the room hears " + roff(row.answer);
        }
        out += ".\n";
    }
    return out;
}

std::string manEnvironment() {
    std::string out;
    for (const EnvironmentRow& row : kEnvironment) {
        out += ".TP\n.B " + roff(row.name) + '\n' + roff(row.help) + '\n';
    }
    return out;
}

void replaceAll(std::string& text, std::string_view from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

std::string usageLines() {
    return "Usage: ruz [OPTIONS] [FOLDER | SONG]\n"
           "       ruz --irc HOST[:PORT] --nick NICK --channel CHANNEL [--channel ...] [--tls]\n"
           "           [--tls-ca FILE] [--password-file FILE] [FOLDER | SONG]\n"
           "\n";
}

std::string optionLines() {
    std::string out;
    for (const OptionRow& row : optionRows()) {
        out += wrapped("  " + optionHead(row), row.help, kHelpIndent, kHelpWidth);
    }
    return out;
}

}  // namespace

std::span<const CommandRow> commandRows() {
    return kCommands;
}

std::span<const EnvironmentRow> environmentRows() {
    return kEnvironment;
}

std::string helpText() {
    std::string out = usageLines();
    out += wrapped("",
                   "Taviks Ruz, a small MP3 player for people who sit in chat rooms. It announces "
                   "the current song in the messenger's open chat room and obeys commands typed "
                   "there. This desktop build runs beside a messenger stand-in: a chat-room "
                   "window and a buddy list, signed on as your login name.",
                   0, kHelpWidth);
    out += '\n' + optionLines();
    out += "\nChat commands (the words can be changed in the command-words window):\n";
    for (const CommandRow& row : kCommands) {
        std::string help = row.effect;
        if (*row.answer != '\0') {
            help += "; the room hears " + std::string(row.answer);
        }
        out += wrapped("  " + std::string(row.typed), help, kHelpIndent, kHelpWidth);
    }
    out += "\nEnvironment:\n";
    for (const EnvironmentRow& row : kEnvironment) {
        out += wrapped("  " + std::string(row.name), row.help, kHelpIndent, kHelpWidth);
    }
    out += "\nQt's own options (-platform, -style, ...) are accepted too.\n";
    return out;
}

std::string windowsHelpText() {
    std::string out = usageLines();
    out += wrapped("",
                   "Taviks Ruz announces the current song in the messenger's open chat room and "
                   "obeys commands typed there. With --irc, or after \"Chat, Sign on to a chat "
                   "network...\", it sits in IRC channels instead, one window a channel.",
                   0, kHelpWidth);
    return out + '\n' + optionLines();
}

std::string manPage(const std::string& pageTemplate, const std::string& version) {
    std::string page = pageTemplate;
    replaceAll(page, "@RUZ_OPTIONS@\n", manOptions());
    replaceAll(page, "@RUZ_COMMANDS@\n", manCommands());
    replaceAll(page, "@RUZ_ENVIRONMENT@\n", manEnvironment());
    replaceAll(page, "@PROJECT_VERSION@", version);
    return page;
}

}  // namespace ruz::desktop
