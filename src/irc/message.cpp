#include "irc/message.h"

#include "text/text.h"

#include <algorithm>
#include <array>
#include <type_traits>

namespace ruz::irc {

namespace {

constexpr char kCtcpDelimiter = 0x01;
constexpr char32_t kColour = 0x03;
constexpr char32_t kHexColour = 0x04;
constexpr char32_t kTab = 0x09;
constexpr char32_t kDelete = 0x7F;
constexpr char32_t kFirstNonAscii = 0x80;
constexpr std::size_t kColourDigits = 2;
constexpr std::size_t kHexColourDigits = 6;
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD
constexpr char16_t kReplacement = 0xFFFD;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char16_t kByteOrderMarkUnit = 0xFEFF;
constexpr std::string_view kAction = "ACTION";
constexpr std::size_t kNumericDigits = 3;

// The formatting codes that stand alone: bold, monospace, reverse, italics, strike-through,
// underline, reset.
constexpr std::array<char32_t, 7> kToggles = {0x02, 0x11, 0x16, 0x1D, 0x1E, 0x1F, 0x0F};

// How a tag value writes the characters that a tag cannot hold.
struct TagEscape {
    char written;
    char meant;
};
constexpr std::array<TagEscape, 5> kTagEscapes = {
    {{':', ';'}, {'s', ' '}, {'\\', '\\'}, {'r', '\r'}, {'n', '\n'}}};

// The characters besides letters and digits that a nickname may hold, RFC 2812 and common use.
constexpr std::string_view kNickSpecials = "[]\\`_^{|}-";

// RFC 1459 case mapping: these four are the upper case of "{|}~".
constexpr std::array<std::pair<char, char>, 4> kFolds = {
    {{'[', '{'}, {']', '}'}, {'\\', '|'}, {'~', '^'}}};

// How a UTF-8 sequence announces its length in its first byte.
struct Lead {
    unsigned char mask;
    unsigned char value;
    std::size_t length;
};
constexpr std::array<Lead, 3> kLeads = {{{0xE0, 0xC0, 2}, {0xF0, 0xE0, 3}, {0xF8, 0xF0, 4}}};
constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kContinuation = 0x80;

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < kFirstNonAscii; });
}

bool isAsciiLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// The bytes of the character at `i`: a sequence's length when it is complete, else 1.
std::size_t characterBytes(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    for (const Lead& l : kLeads) {
        if ((lead & l.mask) != l.value) {
            continue;
        }
        if (i + l.length > text.size()) {
            return 1;
        }
        for (std::size_t k = 1; k < l.length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & kContinuationMask) != kContinuation) {
                return 1;
            }
        }
        return l.length;
    }
    return 1;
}

std::string unescapeTagValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 1 >= value.size()) {
            break;  // a lone backslash at the end is dropped
        }
        const char next = value[++i];
        char meant = next;  // an unknown escape stands for the character itself
        for (const TagEscape& e : kTagEscapes) {
            if (next == e.written) {
                meant = e.meant;
            }
        }
        out += meant;
    }
    return out;
}

// A command word in upper case, as the whole of Unicode has it ("ı" is "I").
std::string upperCommand(std::string_view word) {
    if (!isAscii(word)) {
        return text::toUtf8(text::upper(utf16Of(word)));
    }
    std::string out(word);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

bool isCommand(std::string_view word) {
    if (word.empty()) {
        return false;
    }
    bool letters = true;
    bool digits = word.size() == kNumericDigits;
    for (const char c : word) {
        letters = letters && isAsciiLetter(static_cast<unsigned char>(c));
        digits = digits && text::isAsciiDigit(static_cast<unsigned char>(c));
    }
    return letters || digits;
}

std::size_t skipBlanks(std::string_view s, std::size_t i) {
    while (i < s.size() && s[i] == ' ') {
        ++i;
    }
    return i;
}

// The next word from `i` up to a blank; `i` moves past it.
std::string_view takeWord(std::string_view s, std::size_t& i) {
    const std::size_t end = s.find(' ', i);
    const std::size_t stop = end == std::string_view::npos ? s.size() : end;
    const std::string_view word = s.substr(i, stop - i);
    i = stop;
    return word;
}

// One UTF-16 unit or one byte of an ASCII text, as a number.
template <typename Char>
char32_t unitAt(std::basic_string_view<Char> s, std::size_t i) {
    return static_cast<std::make_unsigned_t<Char>>(s[i]);
}

void appendReplacement(std::string& out) {
    out += kReplacementUtf8;
}
void appendReplacement(std::u16string& out) {
    out += kReplacement;
}

bool isHexDigit(char32_t c) {
    return text::isDigit(c) || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}

bool isDecimal(char32_t c) {
    return text::isAsciiDigit(c);
}

// How many of the units from `i` match `accept`, at most `max`.
template <typename Char>
std::size_t countRun(std::basic_string_view<Char> s, std::size_t i, std::size_t max,
                     bool (*accept)(char32_t)) {
    std::size_t n = 0;
    while (n < max && i + n < s.size() && accept(unitAt(s, i + n))) {
        ++n;
    }
    return n;
}

// The length of a colour code's arguments from `i`: FG[,BG].
template <typename Char>
std::size_t colourArguments(std::basic_string_view<Char> s, std::size_t i, std::size_t digits,
                            bool (*accept)(char32_t)) {
    std::size_t n = countRun(s, i, digits, accept);
    if (n > 0 && i + n < s.size() && unitAt(s, i + n) == U',') {
        const std::size_t background = countRun(s, i + n + 1, digits, accept);
        if (background > 0) {
            n += 1 + background;
        }
    }
    return n;
}

// plainText over UTF-16 units, or over the bytes of a text whose hex colours (if any) have only
// ASCII around them: every other rule is one of ASCII characters.
template <typename Char>
std::basic_string<Char> plainUnits(std::basic_string_view<Char> text) {
    std::basic_string<Char> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = unitAt(text, i);
        if (c == kColour) {
            i += colourArguments(text, i + 1, kColourDigits, isDecimal);
        } else if (c == kHexColour) {
            i += colourArguments(text, i + 1, kHexColourDigits, isHexDigit);
        } else if (std::find(kToggles.begin(), kToggles.end(), c) != kToggles.end()) {
            // dropped
        } else if (c == kTab) {
            out += Char(' ');
        } else if (c < 0x20 || c == kDelete) {
            appendReplacement(out);
        } else {
            out += text[i];
        }
    }
    return out;
}

// displayNick over UTF-16 units, or over the bytes of an ASCII nick.
template <typename Char>
std::basic_string<Char> nickUnits(std::basic_string_view<Char> nick) {
    std::basic_string<Char> out;
    out.reserve(nick.size());
    for (std::size_t i = 0; i < nick.size(); ++i) {
        const char32_t c = unitAt(nick, i);
        const bool allowed =
            c < kFirstNonAscii
                ? (isAsciiLetter(c) || text::isAsciiDigit(c) ||
                   kNickSpecials.find(static_cast<char>(c)) != std::string_view::npos)
                : (text::isLetterOrNumber(c) || text::isMark(c));
        out += allowed ? nick[i] : Char('?');
    }
    return out;
}

}  // namespace

std::vector<std::string_view> words(std::string_view text, char separator) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i <= text.size()) {
        const std::size_t end = std::min(text.find(separator, i), text.size());
        if (end > i) {
            out.push_back(text.substr(i, end - i));
        }
        i = end + 1;
    }
    return out;
}

std::u16string utf16Of(std::string_view utf8) {
    // Reading UTF-8 may take a byte order mark at the start for a mark and drop it: kept here.
    std::u16string units;
    while (utf8.starts_with(kByteOrderMark)) {
        units += kByteOrderMarkUnit;
        utf8.remove_prefix(kByteOrderMark.size());
    }
    return units + text::fromUtf8(utf8);
}

std::string decodeText(std::string_view bytes) {
    if (isAscii(bytes)) {
        return std::string(bytes);
    }
    std::string_view body = bytes;
    if (body.starts_with(kByteOrderMark)) {
        body.remove_prefix(kByteOrderMark.size());
    }
    // Valid UTF-8 is what comes back unchanged from UTF-16.
    if (text::toUtf8(utf16Of(body)) == body) {
        return std::string(body);
    }
    return text::toUtf8(text::fromLatin1(bytes));
}

std::optional<Message> parseLine(std::string_view line) {
    const std::string decoded = decodeText(line);
    const std::string_view s = decoded;
    Message m;
    std::size_t i = 0;
    if (s.starts_with('@')) {
        i = 1;
        for (const std::string_view tag : words(takeWord(s, i), ';')) {
            const std::size_t eq = tag.find('=');
            if (eq == std::string_view::npos) {
                m.tags.emplace_back(tag, std::string());
            } else {
                m.tags.emplace_back(tag.substr(0, eq), unescapeTagValue(tag.substr(eq + 1)));
            }
        }
    }
    i = skipBlanks(s, i);
    if (i < s.size() && s[i] == ':') {
        ++i;
        m.prefix = takeWord(s, i);
        const std::size_t end = m.prefix.find_first_of("!@");
        m.nick = m.prefix.substr(0, end);
    }
    i = skipBlanks(s, i);
    m.command = upperCommand(takeWord(s, i));
    if (!isCommand(m.command)) {
        return std::nullopt;
    }
    while (true) {
        i = skipBlanks(s, i);
        if (i >= s.size()) {
            break;
        }
        if (s[i] == ':' || m.params.size() == kMaxParams - 1) {
            m.params.emplace_back(s.substr(s[i] == ':' ? i + 1 : i));
            break;
        }
        m.params.emplace_back(takeWord(s, i));
    }
    return m;
}

std::string plainText(std::string_view text) {
    // Only a hex colour's digits may be characters beyond ASCII: such a text is read by units.
    if (text.find(static_cast<char>(kHexColour)) == std::string_view::npos || isAscii(text)) {
        return plainUnits(text);
    }
    const std::u16string units = utf16Of(text);
    return text::toUtf8(plainUnits(std::u16string_view(units)));
}

std::optional<std::string> actionText(std::string_view text) {
    if (!text.starts_with(kCtcpDelimiter)) {
        return std::nullopt;
    }
    std::string_view body = text.substr(1);
    if (body.ends_with(kCtcpDelimiter)) {
        body.remove_suffix(1);
    }
    if (body == kAction) {
        return std::string();
    }
    if (!body.starts_with(kAction) || body.size() == kAction.size() ||
        body[kAction.size()] != ' ') {
        return std::nullopt;
    }
    return std::string(body.substr(kAction.size() + 1));
}

bool isOtherCtcp(std::string_view text) {
    return text.starts_with(kCtcpDelimiter) && !actionText(text);
}

std::string displayNick(std::string_view nick) {
    if (nick.empty()) {
        return "?";
    }
    if (isAscii(nick)) {
        return nickUnits(nick);
    }
    const std::u16string units = utf16Of(nick);
    return text::toUtf8(nickUnits(std::u16string_view(units)));
}

std::string foldCase(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        for (const auto& [upper, lower] : kFolds) {
            if (c == upper) {
                c = lower;
            }
        }
    }
    return out;
}

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return text;
}

std::vector<std::string> splitUtf8(std::string_view text, std::size_t maxBytes) {
    std::vector<std::string> pieces;
    std::string piece;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t size = characterBytes(text, i);
        if (piece.size() + size > maxBytes && !piece.empty()) {
            pieces.push_back(std::move(piece));
            piece.clear();
        }
        piece += text.substr(i, size);
        i += size;
    }
    if (!piece.empty()) {
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

}  // namespace ruz::irc
