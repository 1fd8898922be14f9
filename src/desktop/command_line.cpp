#include "desktop/command_line.h"

#include "desktop/files.h"
#include "desktop/sign_on.h"
#include "text/text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ruz::desktop {

namespace {

constexpr OptionRow kOptions[] = {
    {"FOLDER", "",
     "Load the songs of FOLDER once the program has started. Without it: the folder in RUZ_MUSIC, "
     "else the folder of the last run, else the music folder of the desktop, else the home "
     "folder.",
     Slot::Folder},
    {"SONG", "", "A song instead of a folder: its folder is loaded and the song plays.",
     Slot::Folder},
    {"--irc", "HOST[:PORT]",
     "Sit in IRC channels instead of the stand-in's own room: one room per channel (port 6667, "
     "or 6697 with --tls).",
     Slot::Server},
    {"--nick", "NICK", "The nickname to sign on with (\"_\" is added while it is taken).",
     Slot::Nick},
    {"--channel", "NAME", "A channel to join; repeat for more (\"#\" is added when missing).",
     Slot::Channel},
    {"--tls", "", "Connect with TLS.", Slot::Tls},
    {"--tls-ca", "FILE",
     "Trust the certificates in FILE (PEM) besides the system's; with --tls only. A file that "
     "cannot be read or holds no certificate stops the start.",
     Slot::CaFile},
    {"--password-file", "FILE", "The server password: the first line of FILE. It is never kept.",
     Slot::PasswordFile},
    {"-h, --help", "", "Show this help and exit.", Slot::Help},
    {"-v, --version", "", "Show the version and exit.", Slot::Version},
};

constexpr std::size_t kSlots = static_cast<std::size_t>(Slot::Version) + 1;
// The options that ask for a chat network.
constexpr Slot kNetworkSlots[] = {Slot::Server, Slot::Nick,   Slot::Channel,
                                  Slot::Tls,    Slot::CaFile, Slot::PasswordFile};
constexpr std::string_view kNameSeparator = ", ";
constexpr std::uint32_t kHighestPort = 0xFFFF;
// The most of the password file that is read: its first line is the password.
constexpr std::size_t kMaxPasswordBytes = 4096;
// A certificate file larger than this is refused: a whole bundle of a system's authorities fits.
constexpr std::size_t kMaxCertificateBytes = std::size_t{4} << 20;

// What the line gave for each slot, in its order (a flag gives "").
class Given {
  public:
    void add(Slot slot, std::string value) { values_[index(slot)].push_back(std::move(value)); }
    bool has(Slot slot) const { return !values_[index(slot)].empty(); }
    // The last value given: a later option overrides an earlier one.
    std::string last(Slot slot) const { return has(slot) ? values_[index(slot)].back() : ""; }
    const std::vector<std::string>& all(Slot slot) const { return values_[index(slot)]; }

  private:
    static std::size_t index(Slot slot) { return static_cast<std::size_t>(slot); }
    std::array<std::vector<std::string>, kSlots> values_;
};

// The option row one of whose names is `argument`; nullptr for none.
const OptionRow* optionNamed(std::string_view argument) {
    for (const OptionRow& row : kOptions) {
        for (std::string_view names = row.names; !names.empty();) {
            const std::size_t end = std::min(names.find(kNameSeparator), names.size());
            if (names.substr(0, end) == argument && argument.starts_with('-')) {
                return &row;
            }
            names.remove_prefix(std::min(end + kNameSeparator.size(), names.size()));
        }
    }
    return nullptr;
}

// The line's words in their slots; the first fault met, "" for none.
std::string gather(const std::vector<std::string>& arguments, Given& given) {
    std::string fault;
    const auto refuse = [&fault](std::string problem) {
        if (fault.empty()) {
            fault = std::move(problem);
        }
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (const OptionRow* option = optionNamed(argument)) {
            if (*option->value == '\0') {
                given.add(option->slot, {});
            } else if (i + 1 < arguments.size()) {
                given.add(option->slot, arguments[++i]);
            } else {
                refuse(argument + " needs a value");
            }
        } else if (argument.empty()) {
            refuse("an empty argument");
        } else if (argument.size() > 1 && argument.starts_with('-')) {
            // A lone "-" names a folder of that name.
            refuse("unknown option " + argument);
        } else if (given.has(Slot::Folder)) {
            refuse("one folder only");
        } else {
            given.add(Slot::Folder, argument);
        }
    }
    return fault;
}

// HOST, HOST:PORT, [ADDRESS] or [ADDRESS]:PORT.
bool parseServer(std::string_view text, bool tls, irc::Endpoint& endpoint) {
    std::string_view host = text;
    std::string_view port;
    if (host.starts_with('[')) {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos) {
            return false;
        }
        const std::string_view rest = host.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            return false;
        }
        port = rest.empty() ? rest : rest.substr(1);
        host = host.substr(1, close - 1);
    } else if (std::count(host.begin(), host.end(), ':') == 1) {
        const std::size_t colon = host.find(':');
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    const bool control = std::any_of(host.begin(), host.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (host.empty() || control || host.find(' ') != std::string_view::npos) {
        return false;
    }
    endpoint.host = std::string(host);
    endpoint.port = tls ? kTlsPort : kPlainPort;
    if (!port.empty()) {
        const auto number = text::readUInt(text::fromUtf8(port));
        if (!number || *number == 0 || *number > kHighestPort) {
            return false;
        }
        endpoint.port = static_cast<std::uint16_t>(*number);
    }
    return true;
}

// Why the certificates of `path` cannot be trusted; "" when they can.
std::string certificateFileProblem(const std::string& path, bool tls) {
    if (!tls) {
        return "--tls-ca needs --tls";
    }
    const auto bytes = readRegularFile(path, kMaxCertificateBytes, Longer::Refused);
    if (!bytes) {
        return "cannot read the certificate file " + path;
    }
    if (!holdsPemCertificate(*bytes)) {
        return "no PEM certificate in " + path;
    }
    return {};
}

// The password: the file's first line, read as UTF-8 text (a malformed sequence is U+FFFD),
// without its '\r's. nullopt when the file cannot be read.
std::optional<std::string> passwordIn(const std::string& path) {
    const auto bytes = readRegularFile(path, kMaxPasswordBytes, Longer::Cut);
    if (!bytes) {
        return std::nullopt;
    }
    std::string password = text::toUtf8(text::fromUtf8(*bytes));
    password.resize(std::min(password.size(), password.find('\n')));
    std::erase(password, '\r');
    return password;
}

// The chat network the line asks for, into `settings`; the first fault, "" for none.
std::string networkOf(const Given& given, irc::Settings& settings) {
    const std::string server = given.last(Slot::Server);
    if (server.empty() || !given.has(Slot::Nick) || !given.has(Slot::Channel)) {
        return "--irc needs a server, --nick and at least one --channel";
    }
    const bool tls = given.has(Slot::Tls);
    if (!parseServer(server, tls, settings.endpoint)) {
        return "not a server: " + server;
    }
    settings.endpoint.tls = tls;
    settings.endpoint.caFile = given.last(Slot::CaFile);
    if (!settings.endpoint.caFile.empty()) {
        if (std::string problem = certificateFileProblem(settings.endpoint.caFile, tls);
            !problem.empty()) {
            return problem;
        }
    }
    settings.nick = given.last(Slot::Nick);
    if (!validNick(settings.nick)) {
        return "not a nickname: " + settings.nick;
    }
    for (const std::string& channel : given.all(Slot::Channel)) {
        const std::string name = channelName(channel);
        if (name.empty()) {
            return "not a channel: " + channel;
        }
        if (std::find(settings.channels.begin(), settings.channels.end(), name) ==
            settings.channels.end()) {
            settings.channels.push_back(name);
        }
    }
    if (const std::string file = given.last(Slot::PasswordFile); !file.empty()) {
        const std::optional<std::string> password = passwordIn(file);
        if (!password) {
            return "cannot read the password file " + file;
        }
        settings.password = *password;
    }
    return {};
}

}  // namespace

std::span<const OptionRow> optionRows() {
    return kOptions;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    Given given;
    const std::string fault = gather(arguments, given);
    line.folder = given.last(Slot::Folder);
    line.help = given.has(Slot::Help);
    line.version = given.has(Slot::Version);
    if (line.help || line.version) {
        return line;
    }
    line.error = fault;
    const bool network = std::any_of(std::begin(kNetworkSlots), std::end(kNetworkSlots),
                                     [&given](Slot slot) { return given.has(slot); });
    if (!line.error.empty() || !network) {
        return line;
    }
    irc::Settings settings;
    line.error = networkOf(given, settings);
    if (line.error.empty()) {
        line.irc = std::move(settings);
    }
    return line;
}

std::string usageError(const std::string& problem) {
    return "ruz: " + problem + "; see ruz --help\n";
}

}  // namespace ruz::desktop
