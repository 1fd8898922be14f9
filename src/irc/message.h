#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace ruz::irc {

// A line of the protocol without its tags may hold 512 bytes, CR LF included; its tags another
// 8191. A longer line from the server is still read, up to kMaxReadLine bytes.
inline constexpr std::size_t kMaxLineBytes = 512;
inline constexpr std::size_t kMaxTagBytes = 8191;
inline constexpr std::size_t kMaxReadLine = kMaxLineBytes + kMaxTagBytes;
// At most this many parameters are kept; the rest of a line goes into the last one.
inline constexpr int kMaxParams = 15;

// One message from the server, decoded: UTF-8, or Latin-1 when the line is not valid UTF-8.
struct Message {
    std::vector<std::pair<QString, QString>> tags;  // values unescaped
    QString prefix;                                 // "nick!user@host" or a server name
    QString nick;                                   // the prefix up to "!" or "@"
    QString command;                                // upper case; a numeric as its three digits
    QStringList params;                             // the trailing one included

    QString param(int i) const { return i < params.size() ? params.at(i) : QString(); }
};

// Parses one line (without CR LF). nullopt for a line without a command, or with a command that
// is neither letters nor three digits.
std::optional<Message> parseLine(QByteArrayView line);

// UTF-8 when the bytes are valid UTF-8, otherwise Latin-1 (every byte one character).
QString decodeText(QByteArrayView bytes);

// A chat text as a room shows it: bold, italics, underline, strike-through, monospace, reverse,
// colours (mIRC and hex) and reset removed; a tab becomes a blank and every other control
// character U+FFFD.
QString plainText(const QString& text);

// The text of a CTCP ACTION ("\1ACTION waves\1" → "waves"), nullopt for any other text. The
// closing \1 may be missing.
std::optional<QString> actionText(const QString& text);
// Whether the text is a CTCP message other than ACTION (a query that no room shows).
bool isOtherCtcp(const QString& text);

// A nickname as a room shows it: any character that a nickname may not hold (a blank, a control
// character, ":", "<", ">", "&", "!", "@", ...) becomes "?"; the empty nick becomes "?".
QString displayNick(const QString& nick);

// Names compared as the server compares them (RFC 1459 case mapping).
QString foldCase(const QString& name);

// A text made safe for one protocol line: CR, LF and NUL each become a blank.
QString oneLine(QString text);

// Cuts `text` into pieces of at most `maxBytes` UTF-8 bytes each, only between characters (never
// inside a character or a surrogate pair). The empty text gives no piece.
QStringList splitUtf8(const QString& text, std::size_t maxBytes);

}  // namespace ruz::irc
