#include "irc/command_line.h"

#include "text/text.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ruz::irc {

namespace {

constexpr std::string_view kChannelPrefixes = "#&+!";
constexpr std::string_view kNeverInChannel = " ,\a";
constexpr std::string_view kNeverInNick = " ,:!@*?";
constexpr std::string_view kNeverFirstInNick = "-#&+0123456789";
// Where a typed list of channels is split.
constexpr std::string_view kChannelSeparators = " \t\n\r\f\v,";
constexpr std::uint32_t kHighestPort = 0xFFFF;
// The most of the password file that is read: its first line is the password.
constexpr std::size_t kMaxPasswordBytes = 4096;
// A certificate file larger than this is refused: a whole bundle of a system's authorities fits.
constexpr std::size_t kMaxCertificateBytes = std::size_t{4} << 20;

bool hasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

bool containsAny(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

// A file named in UTF-8.
std::filesystem::path pathOf(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

enum class Longer { Cut, Refused };

// The first `limit` bytes of a regular file (a link to one too); a longer file is cut there or
// refused. nullopt when it cannot be read: a folder, a device (which may never end) and a pipe
// (which may never open) are not read at all.
std::optional<std::string> readFile(const std::string& name, std::size_t limit, Longer longer) {
    std::error_code error;
    const std::filesystem::path path = pathOf(name);
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    std::istreambuf_iterator<char> it(file);
    for (const std::istreambuf_iterator<char> end; it != end && bytes.size() < limit; ++it) {
        bytes.push_back(*it);
    }
    if (longer == Longer::Refused && it != std::istreambuf_iterator<char>()) {
        return std::nullopt;
    }
    return bytes;
}

// HOST, HOST:PORT, [ADDRESS] or [ADDRESS]:PORT.
bool parseServer(std::string_view text, bool tls, Endpoint& endpoint) {
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
    if (host.empty() || hasControl(host) || containsAny(host, " ")) {
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
    const auto bytes = readFile(path, kMaxCertificateBytes, Longer::Refused);
    if (!bytes) {
        return "cannot read the certificate file " + path;
    }
    if (!holdsPemCertificate(*bytes)) {
        return "no PEM certificate in " + path;
    }
    return {};
}

// ---- PEM

constexpr std::string_view kPemBegin = "-----BEGIN CERTIFICATE-----";
constexpr std::string_view kPemEnd = "-----END CERTIFICATE-----";
constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kPemSpace = " \t\r\n";
constexpr std::size_t kBase64Quantum = 4;
constexpr std::size_t kMaxPadding = 2;
constexpr unsigned char kDerSequence = 0x30;
constexpr unsigned char kDerLongLength = 0x80;
// The most length bytes a DER length in the long form takes here.
constexpr std::size_t kMaxDerLengthBytes = 4;

// The bytes of a base64 body (blanks and line breaks between its characters); nullopt when it is
// not base64: another character, a length that is not a multiple of four, padding other than one
// or two '=' at the very end.
std::optional<std::string> decodeBase64(std::string_view body) {
    std::string digits;
    for (const char c : body) {
        if (kPemSpace.find(c) == std::string_view::npos) {
            digits.push_back(c);
        }
    }
    const std::size_t firstPad = digits.find('=');
    const std::size_t padding = firstPad == std::string::npos ? 0 : digits.size() - firstPad;
    if (digits.empty() || digits.size() % kBase64Quantum != 0 || padding > kMaxPadding ||
        (padding > 0 && digits.find_first_not_of('=', firstPad) != std::string::npos)) {
        return std::nullopt;
    }
    std::string bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : std::string_view(digits).substr(0, digits.size() - padding)) {
        const std::size_t value = kBase64Alphabet.find(c);
        if (value == std::string_view::npos) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return bytes;
}

// Whether `der` is one DER SEQUENCE whose length is that of the data after its header.
bool isDerSequence(std::string_view der) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(der[i]); };
    if (der.size() < 2 || byte(0) != kDerSequence) {
        return false;
    }
    std::size_t header = 2;
    std::size_t length = byte(1);
    if (byte(1) >= kDerLongLength) {
        const std::size_t lengthBytes = byte(1) - kDerLongLength;
        if (lengthBytes == 0 || lengthBytes > kMaxDerLengthBytes || der.size() < 2 + lengthBytes) {
            return false;
        }
        length = 0;
        for (std::size_t i = 0; i < lengthBytes; ++i) {
            length = (length << 8) | byte(2 + i);
        }
        header += lengthBytes;
    }
    return der.size() - header == length;
}

}  // namespace

bool holdsPemCertificate(std::string_view bytes) {
    for (std::size_t from = 0;;) {
        const std::size_t begin = bytes.find(kPemBegin, from);
        if (begin == std::string_view::npos) {
            return false;
        }
        const std::size_t bodyStart = begin + kPemBegin.size();
        const std::size_t end = bytes.find(kPemEnd, bodyStart);
        if (end == std::string_view::npos) {
            return false;
        }
        const auto der = decodeBase64(bytes.substr(bodyStart, end - bodyStart));
        if (der && isDerSequence(*der)) {
            return true;
        }
        from = end + kPemEnd.size();
    }
}

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

std::string signOnProblem(const Settings& settings) {
    // The checks in the order the window shows its fields, with what the user is told.
    struct Check {
        bool (*fails)(const Settings&);
        const char* problem;
    };
    static constexpr Check kChecks[] = {
        {[](const Settings& s) {
             return s.endpoint.host.empty() || containsAny(s.endpoint.host, " ");
         },
         "Enter the server's name."},
        {[](const Settings& s) { return !validNick(s.nick); }, "Enter a nickname without blanks."},
        {[](const Settings& s) {
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

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::string server;
    std::string nick;
    std::string passwordFile;
    std::string caFile;
    std::vector<std::string> channels;
    bool tls = false;
    bool ircAsked = false;

    // The options that take a value, and where it goes.
    struct Valued {
        std::string_view name;
        std::string* single;
        std::vector<std::string>* repeated;
    };
    const std::array<Valued, 5> valued = {{{"--irc", &server, nullptr},
                                           {"--nick", &nick, nullptr},
                                           {"--channel", nullptr, &channels},
                                           {"--tls-ca", &caFile, nullptr},
                                           {"--password-file", &passwordFile, nullptr}}};
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--tls") {
            tls = true;
            continue;
        }
        const auto option = std::find_if(valued.begin(), valued.end(),
                                         [&](const Valued& v) { return argument == v.name; });
        if (option != valued.end()) {
            if (i + 1 >= arguments.size()) {
                line.error = argument + " needs a value";
                return line;
            }
            const std::string& value = arguments[++i];
            if (option->single != nullptr) {
                *option->single = value;
            } else {
                option->repeated->push_back(value);
            }
            ircAsked = true;
            continue;
        }
        // A lone "-" names a folder of that name.
        if (argument.size() > 1 && argument.starts_with('-')) {
            line.error = "unknown option " + argument;
            return line;
        }
        if (!line.folder.empty()) {
            line.error = "one folder only";
            return line;
        }
        line.folder = argument;
    }
    if (!ircAsked && !tls) {
        return line;
    }
    if (server.empty() || nick.empty() || channels.empty()) {
        line.error = "--irc needs a server, --nick and at least one --channel";
        return line;
    }
    Settings settings;
    if (!parseServer(server, tls, settings.endpoint)) {
        line.error = "not a server: " + server;
        return line;
    }
    settings.endpoint.tls = tls;
    if (!caFile.empty()) {
        line.error = certificateFileProblem(caFile, tls);
        if (!line.error.empty()) {
            return line;
        }
    }
    settings.endpoint.caFile = caFile;
    if (!validNick(nick)) {
        line.error = "not a nickname: " + nick;
        return line;
    }
    settings.nick = nick;
    for (const std::string& channel : channels) {
        const std::string name = channelName(channel);
        if (name.empty()) {
            line.error = "not a channel: " + channel;
            return line;
        }
        if (std::find(settings.channels.begin(), settings.channels.end(), name) ==
            settings.channels.end()) {
            settings.channels.push_back(name);
        }
    }
    if (!passwordFile.empty()) {
        const auto bytes = readFile(passwordFile, kMaxPasswordBytes, Longer::Cut);
        if (!bytes) {
            line.error = "cannot read the password file " + passwordFile;
            return line;
        }
        // Read as UTF-8 text (a malformed sequence is U+FFFD), the first line without its '\r's.
        std::string password = text::toUtf8(text::fromUtf8(*bytes));
        password.resize(std::min(password.size(), password.find('\n')));
        std::erase(password, '\r');
        settings.password = password;
    }
    line.irc = settings;
    return line;
}

}  // namespace ruz::irc
