#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The protocol's text is UTF-8 in std::string throughout: it passes between the wire and the
// messenger stand-in, whose interface is UTF-8 too. Where a rule of the rooms counts characters as
// the windows do (UTF-16 units), the function says so.
namespace ruz::irc {

// A line of the protocol without its tags may hold 512 bytes, CR LF included; its tags another
// 8191. A longer line from the server is still read, up to kMaxReadLine bytes.
inline constexpr std::size_t kMaxLineBytes = 512;
inline constexpr std::size_t kMaxTagBytes = 8191;
inline constexpr std::size_t kMaxReadLine = kMaxLineBytes + kMaxTagBytes;
// At most this many parameters are kept; the rest of a line goes into the last one.
inline constexpr std::size_t kMaxParams = 15;

// One message from the server, decoded to UTF-8 (see decodeText).
struct Message {
    std::vector<std::pair<std::string, std::string>> tags;  // values unescaped
    std::string prefix;                                     // "nick!user@host" or a server name
    std::string nick;                                       // the prefix up to "!" or "@"
    std::string command;              // upper case; a numeric as its three digits
    std::vector<std::string> params;  // the trailing one included

    std::string param(std::size_t i) const { return i < params.size() ? params[i] : std::string(); }
};

// Parses one line (without CR LF). nullopt for a line without a command, or with a command that
// is neither letters nor three digits (after upper-casing: "prıvmsg" is PRIVMSG).
std::optional<Message> parseLine(std::string_view line);

// UTF-8 as UTF-16 units: an invalid sequence becomes U+FFFD; a byte order mark is a character like
// any other, at the start too.
std::u16string utf16Of(std::string_view utf8);

// The bytes as UTF-8: as they are when they are valid UTF-8 (a leading byte order mark dropped),
// otherwise read as Latin-1 (every byte one character).
std::string decodeText(std::string_view bytes);

// A chat text as a room shows it: bold, italics, underline, strike-through, monospace, reverse,
// colours (mIRC and hex) and reset removed; a tab becomes a blank and every other control
// character U+FFFD. A colour's arguments count characters as UTF-16 units; a hex colour's digits
// are hexadecimal or decimal digits of any script.
std::string plainText(std::string_view text);

// The text of a CTCP ACTION ("\1ACTION waves\1" → "waves"), nullopt for any other text. The
// closing \1 may be missing.
std::optional<std::string> actionText(std::string_view text);
// Whether the text is a CTCP message other than ACTION (a query that no room shows).
bool isOtherCtcp(std::string_view text);

// A nickname as a room shows it: any character that a nickname may not hold (a blank, a control
// character, ":", "<", ">", "&", "!", "@", ...) becomes "?", one for each of its UTF-16 units (a
// character beyond the Basic Multilingual Plane gives "??"); the empty nick becomes "?".
std::string displayNick(std::string_view nick);

// Names compared as the server compares them (RFC 1459 case mapping).
std::string foldCase(std::string_view name);

// A text made safe for one protocol line: CR, LF and NUL each become a blank.
std::string oneLine(std::string text);

// The pieces of `text` between `separator`s (a blank, a comma, ...), empty ones left out; views
// into `text`.
std::vector<std::string_view> words(std::string_view text, char separator);

// Cuts UTF-8 `text` into pieces of at most `maxBytes` bytes each, only between characters (a
// character longer than `maxBytes` is a piece of its own). The empty text gives no piece.
std::vector<std::string> splitUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace ruz::irc
