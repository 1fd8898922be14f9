#include "irc/message.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace ruz::irc {

namespace {

constexpr char16_t kCtcpDelimiter = 0x01;
constexpr char16_t kColour = 0x03;
constexpr char16_t kHexColour = 0x04;
constexpr char16_t kTab = 0x09;
constexpr char16_t kDelete = 0x7F;
constexpr int kColourDigits = 2;
constexpr int kHexColourDigits = 6;
constexpr QChar kReplacement(0xFFFD);
const QString kAction = QStringLiteral("ACTION");

// The formatting codes that stand alone: bold, monospace, reverse, italics, strike-through,
// underline, reset.
constexpr std::array<char16_t, 7> kToggles = {0x02, 0x11, 0x16, 0x1D, 0x1E, 0x1F, 0x0F};

// How a tag value writes the characters that a tag cannot hold.
struct TagEscape {
    char written;
    char meant;
};
constexpr std::array<TagEscape, 5> kTagEscapes = {
    {{':', ';'}, {'s', ' '}, {'\\', '\\'}, {'r', '\r'}, {'n', '\n'}}};

// The characters besides letters and digits that a nickname may hold, RFC 2812 and common use.
const QString kNickSpecials = QStringLiteral("[]\\`_^{|}-");

// RFC 1459 case mapping: these four are the upper case of "{|}~".
constexpr std::array<std::pair<char16_t, char16_t>, 4> kFolds = {
    {{u'[', u'{'}, {u']', u'}'}, {u'\\', u'|'}, {u'~', u'^'}}};

QString unescapeTagValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (i + 1 >= value.size()) {
            break;  // a lone backslash at the end is dropped
        }
        const QChar next = value.at(++i);
        QChar meant = next;  // an unknown escape stands for the character itself
        for (const TagEscape& e : kTagEscapes) {
            if (next == QLatin1Char(e.written)) {
                meant = QLatin1Char(e.meant);
            }
        }
        out += meant;
    }
    return out;
}

bool isCommand(const QString& word) {
    if (word.isEmpty()) {
        return false;
    }
    bool letters = true;
    bool digits = word.size() == 3;
    for (const QChar c : word) {
        letters = letters && c.isLetter() && c.unicode() < 0x80;
        digits = digits && c.isDigit() && c.unicode() < 0x80;
    }
    return letters || digits;
}

qsizetype skipBlanks(const QString& s, qsizetype i) {
    while (i < s.size() && s.at(i) == u' ') {
        ++i;
    }
    return i;
}

// The next word from `i` up to a blank; `i` moves past it.
QString takeWord(const QString& s, qsizetype& i) {
    const qsizetype end = s.indexOf(u' ', i);
    const qsizetype stop = end < 0 ? s.size() : end;
    QString word = s.mid(i, stop - i);
    i = stop;
    return word;
}

bool isHexDigit(QChar c) {
    return c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f');
}

// How many of the characters from `i` match `accept`, at most `max`.
template <typename Accept>
qsizetype countRun(const QString& s, qsizetype i, int max, Accept accept) {
    qsizetype n = 0;
    while (n < max && i + n < s.size() && accept(s.at(i + n))) {
        ++n;
    }
    return n;
}

// The length of a colour code's arguments from `i`: FG[,BG].
qsizetype colourArguments(const QString& s, qsizetype i, int digits, bool (*accept)(QChar)) {
    qsizetype n = countRun(s, i, digits, accept);
    if (n > 0 && i + n < s.size() && s.at(i + n) == u',') {
        const qsizetype background = countRun(s, i + n + 1, digits, accept);
        if (background > 0) {
            n += 1 + background;
        }
    }
    return n;
}

bool isDecimal(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

QString decodeText(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    return QString::fromLatin1(bytes);
}

std::optional<Message> parseLine(QByteArrayView line) {
    const QString s = decodeText(line);
    Message m;
    qsizetype i = 0;
    if (s.startsWith(u'@')) {
        i = 1;
        const QString tags = takeWord(s, i);
        for (const QString& tag : tags.split(u';', Qt::SkipEmptyParts)) {
            const qsizetype eq = tag.indexOf(u'=');
            if (eq < 0) {
                m.tags.emplace_back(tag, QString());
            } else {
                m.tags.emplace_back(tag.left(eq), unescapeTagValue(tag.mid(eq + 1)));
            }
        }
    }
    i = skipBlanks(s, i);
    if (i < s.size() && s.at(i) == u':') {
        ++i;
        m.prefix = takeWord(s, i);
        const qsizetype bang = m.prefix.indexOf(u'!');
        const qsizetype at = m.prefix.indexOf(u'@');
        const qsizetype end = bang < 0 ? at : (at < 0 ? bang : std::min(bang, at));
        m.nick = end < 0 ? m.prefix : m.prefix.left(end);
    }
    i = skipBlanks(s, i);
    m.command = takeWord(s, i).toUpper();
    if (!isCommand(m.command)) {
        return std::nullopt;
    }
    while (true) {
        i = skipBlanks(s, i);
        if (i >= s.size()) {
            break;
        }
        if (s.at(i) == u':' || m.params.size() == kMaxParams - 1) {
            m.params.append(s.mid(s.at(i) == u':' ? i + 1 : i));
            break;
        }
        m.params.append(takeWord(s, i));
    }
    return m;
}

QString plainText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == kColour) {
            i += colourArguments(text, i + 1, kColourDigits, isDecimal);
        } else if (c == kHexColour) {
            i += colourArguments(text, i + 1, kHexColourDigits, isHexDigit);
        } else if (std::find(kToggles.begin(), kToggles.end(), c) != kToggles.end()) {
            // dropped
        } else if (c == kTab) {
            out += u' ';
        } else if (c < 0x20 || c == kDelete) {
            out += kReplacement;
        } else {
            out += QChar(c);
        }
    }
    return out;
}

std::optional<QString> actionText(const QString& text) {
    if (!text.startsWith(QChar(kCtcpDelimiter))) {
        return std::nullopt;
    }
    QString body = text.mid(1);
    if (body.endsWith(QChar(kCtcpDelimiter))) {
        body.chop(1);
    }
    if (body == kAction) {
        return QString();
    }
    if (!body.startsWith(kAction + u' ')) {
        return std::nullopt;
    }
    return body.mid(kAction.size() + 1);
}

bool isOtherCtcp(const QString& text) {
    return text.startsWith(QChar(kCtcpDelimiter)) && !actionText(text);
}

QString displayNick(const QString& nick) {
    if (nick.isEmpty()) {
        return QStringLiteral("?");
    }
    QString out;
    out.reserve(nick.size());
    for (const QChar c : nick) {
        const bool ascii = c.unicode() < 0x80;
        const bool allowed = ascii ? (c.isLetterOrNumber() || kNickSpecials.contains(c))
                                   : (c.isLetterOrNumber() || c.isMark());
        out += allowed ? c : QChar(u'?');
    }
    return out;
}

QString foldCase(const QString& name) {
    QString out = name;
    for (QChar& c : out) {
        if (c.unicode() < 0x80) {
            c = c.toLower();
        }
        for (const auto& [upper, lower] : kFolds) {
            if (c == QChar(upper)) {
                c = QChar(lower);
            }
        }
    }
    return out;
}

QString oneLine(QString text) {
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == QChar(0)) {
            c = u' ';
        }
    }
    return text;
}

QStringList splitUtf8(const QString& text, std::size_t maxBytes) {
    QStringList pieces;
    QString piece;
    std::size_t bytes = 0;
    for (qsizetype i = 0; i < text.size();) {
        // One character: a surrogate pair stays together.
        const qsizetype units =
            (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ? 2
                : 1;
        const QString character = text.mid(i, units);
        const std::size_t size = static_cast<std::size_t>(character.toUtf8().size());
        if (bytes + size > maxBytes && !piece.isEmpty()) {
            pieces.append(piece);
            piece.clear();
            bytes = 0;
        }
        piece += character;
        bytes += size;
        i += units;
    }
    if (!piece.isEmpty()) {
        pieces.append(piece);
    }
    return pieces;
}

}  // namespace ruz::irc
