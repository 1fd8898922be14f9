// The text module against QtCore, whose text the system used before: the same letter cases,
// character kinds, encodings and pieces, code point for code point.

#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "qt/qt_text.h"
#include "text/text.h"

namespace ruz::text {
namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
// Seeded, so every run feeds the same texts.
constexpr unsigned kSeed = 20261207;
constexpr int kRandomTexts = 100000;
constexpr int kMaxRandomLength = 12;

QString qt(std::u16string_view s) {
    return toQString(s);
}

std::u16string plain(const QString& s) {
    return fromQString(s);
}

std::u16string single(char32_t c) {
    std::u16string s;
    appendCodePoint(s, c);
    return s;
}

// How chat lines and song lists were read: UTF-8 when it is valid, else Latin-1.
std::u16string decodedAsBefore(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(bytes.data(), bytes.size()));
    return plain(utf8.hasError() ? QString::fromLatin1(bytes.data(), bytes.size()) : text);
}

TEST(TextQt, EveryCodePointInLowerAndUpperCase) {
    for (char32_t c = 0; c <= kLastCodePoint; ++c) {
        const std::u16string s = single(c);
        ASSERT_EQ(lower(s), plain(qt(s).toLower())) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(upper(s), plain(qt(s).toUpper())) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(lower(c), QChar::toLower(c)) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(upper(c), QChar::toUpper(c)) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(folded(c), QChar::toCaseFolded(c)) << std::hex << static_cast<std::uint32_t>(c);
    }
}

TEST(TextQt, EveryCodePointsKind) {
    for (char32_t c = 0; c <= kLastCodePoint; ++c) {
        ASSERT_EQ(isSpace(c), QChar::isSpace(c)) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(isDigit(c), QChar::isDigit(c)) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(isLetter(c), QChar::isLetter(c)) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(isLetterOrNumber(c), QChar::isLetterOrNumber(c))
            << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(isMark(c), QChar::isMark(c)) << std::hex << static_cast<std::uint32_t>(c);
    }
}

// Texts of a few units drawn from ASCII, Latin, Greek, the surrogates and the private planes.
std::u16string randomText(std::mt19937& random) {
    static constexpr char16_t kPool[] = {u'a',   u'Z',   u' ',   u'.',   0x00DF, 0x0130,
                                         0x03A3, 0x03C2, 0x0418, 0x1E9E, 0x212A, 0xFB01,
                                         0xD801, 0xDC00, 0xDC28, 0xD83D, 0xDE00, 0xFFFD};
    std::uniform_int_distribution<int> length(0, kMaxRandomLength);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPool) - 1);
    std::u16string s(static_cast<std::size_t>(length(random)), u'\0');
    for (char16_t& unit : s) {
        unit = kPool[pick(random)];
    }
    return s;
}

TEST(TextQt, TextsInCaseAndIgnoringCase) {
    std::mt19937 random(kSeed);
    for (int i = 0; i < kRandomTexts; ++i) {
        const std::u16string a = randomText(random);
        const std::u16string b = randomText(random);
        if (!qt(a).isValidUtf16()) {
            // QString turned lone surrogates into U+FFFD once a character had changed case.
            ASSERT_EQ(lower(a).size(), plain(qt(a).toLower()).size());
        } else {
            ASSERT_EQ(lower(a), plain(qt(a).toLower()));
            ASSERT_EQ(upper(a), plain(qt(a).toUpper()));
        }
        const int order = QString::compare(qt(a), qt(b), Qt::CaseInsensitive);
        ASSERT_EQ(compareIgnoringCase(a, b), (order > 0) - (order < 0))
            << qt(a).toUcs4().size() << ' ' << testing::PrintToString(a) << ' '
            << testing::PrintToString(b);
        ASSERT_EQ(equalsIgnoringCase(a, upper(a)),
                  qt(a).compare(qt(upper(a)), Qt::CaseInsensitive) == 0);
        // A needle that starts with the low half of a surrogate pair: QString found a one-unit
        // needle inside a pair, the system's text finds none there.
        if (b.empty() || b[0] < 0xDC00 || b[0] > 0xDFFF) {
            ASSERT_EQ(indexOfIgnoringCase(a, b), qt(a).indexOf(qt(b), 0, Qt::CaseInsensitive))
                << testing::PrintToString(a) << ' ' << testing::PrintToString(b);
            ASSERT_EQ(lastIndexOfIgnoringCase(a, b),
                      qt(a).lastIndexOf(qt(b), -1, Qt::CaseInsensitive))
                << testing::PrintToString(a) << ' ' << testing::PrintToString(b);
        }
        ASSERT_EQ(startsWithIgnoringCase(a, b), qt(a).startsWith(qt(b), Qt::CaseInsensitive));
        ASSERT_EQ(endsWithIgnoringCase(a, b), qt(a).endsWith(qt(b), Qt::CaseInsensitive));
    }
}

TEST(TextQt, Utf8AsQString) {
    // Every sequence of one and two bytes, then seeded random ones of up to 12.
    for (int first = 0; first < 256; ++first) {
        for (int second = -1; second < 256; ++second) {
            std::string bytes(1, static_cast<char>(first));
            if (second >= 0) {
                bytes += static_cast<char>(second);
            }
            ASSERT_EQ(fromUtf8(bytes), plain(QString::fromUtf8(bytes.data(), bytes.size())))
                << first << ' ' << second;
            ASSERT_EQ(fromUtf8OrLatin1(bytes), decodedAsBefore(bytes)) << first << ' ' << second;
        }
    }
    std::mt19937 random(kSeed);
    std::uniform_int_distribution<int> length(0, kMaxRandomLength);
    std::uniform_int_distribution<int> byte(0, 255);
    static constexpr unsigned char kLeads[] = {0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5};
    for (int i = 0; i < kRandomTexts; ++i) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& b : bytes) {
            const int r = byte(random);
            // Half of them continuation bytes and lead bytes, where the decoding goes wrong.
            b = static_cast<char>(r < 64 ? 0x80 + r : r < 128 ? kLeads[r % std::size(kLeads)] : r);
        }
        ASSERT_EQ(fromUtf8(bytes), plain(QString::fromUtf8(bytes.data(), bytes.size())));
        ASSERT_EQ(fromUtf8OrLatin1(bytes), decodedAsBefore(bytes));
    }
    for (int i = 0; i < kRandomTexts; ++i) {
        const std::u16string text = randomText(random);
        ASSERT_EQ(toUtf8(text), qt(text).toUtf8().toStdString());
    }
}

TEST(TextQt, Cp1252AsWindows1252) {
    QStringDecoder decoder("windows-1252");
    ASSERT_TRUE(decoder.isValid());
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        ASSERT_EQ(fromCp1252(byte), plain(decoder.decode(QByteArray(byte.data(), 1)))) << b;
        ASSERT_EQ(fromLatin1(byte), plain(QString::fromLatin1(byte.data(), 1))) << b;
    }
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    for (char32_t c = 0; c <= kLastCodePoint; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const std::u16string s = single(c);
        QByteArray expected = encoder.encode(qt(s));
        // Qt's encoder puts 0x1A where the code page has no byte, and nothing for a character
        // that is to be ignored; the system's texts put '?' for both.
        if ((expected == "\x1A" && c != 0x1A) || expected.isEmpty()) {
            expected = "?";
        }
        ASSERT_EQ(toCp1252(s), expected.toStdString()) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(toLatin1(s), qt(s).toLatin1().toStdString())
            << std::hex << static_cast<std::uint32_t>(c);
    }
}

TEST(TextQt, PiecesAsQString) {
    const std::u16string texts[] = {u"", u"a", u"abcde"};
    for (const std::u16string& text : texts) {
        const QString q = qt(text);
        for (Index pos = -8; pos <= 8; ++pos) {
            for (Index n = -8; n <= 8; ++n) {
                ASSERT_EQ(mid(text, pos, n), plain(q.mid(pos, n))) << pos << ' ' << n;
            }
            ASSERT_EQ(left(text, pos), plain(q.left(pos))) << pos;
            ASSERT_EQ(right(text, pos), plain(q.right(pos))) << pos;
            if (pos >= 0) {
                ASSERT_EQ(chopped(text, pos),
                          plain(q.first(std::max<qsizetype>(q.size() - pos, 0))));
            }
        }
    }
    const std::u16string haystack = u"abcabcab";
    const std::u16string needles[] = {u"", u"a", u"bc", u"cab", u"x"};
    for (const std::u16string& needle : needles) {
        // From the text's start, counted from the end, to past its end.
        for (Index from = -static_cast<Index>(haystack.size()); from <= 10; ++from) {
            ASSERT_EQ(indexOf(haystack, needle, from), qt(haystack).indexOf(qt(needle), from))
                << from;
            // Past the end, QString searched the whole text for one character, and nothing for
            // more; the system's text searches the whole text.
            if (!needle.empty() && from <= static_cast<Index>(haystack.size())) {
                ASSERT_EQ(lastIndexOf(haystack, needle, from),
                          qt(haystack).lastIndexOf(qt(needle), from))
                    << from;
            }
        }
        ASSERT_EQ(count(haystack, needle), qt(haystack).count(qt(needle)));
    }
}

TEST(TextQt, WhiteSpaceAndSplitAsQString) {
    std::mt19937 random(kSeed);
    static constexpr char16_t kPool[] = {u'a', u' ', u'\t', u'\n', 0x00A0, 0x2029, 0x200B, u';'};
    std::uniform_int_distribution<int> length(0, kMaxRandomLength);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPool) - 1);
    for (int i = 0; i < kRandomTexts; ++i) {
        std::u16string s(static_cast<std::size_t>(length(random)), u'\0');
        for (char16_t& unit : s) {
            unit = kPool[pick(random)];
        }
        ASSERT_EQ(trimmed(s), plain(qt(s).trimmed()));
        ASSERT_EQ(simplified(s), plain(qt(s).simplified()));
        std::vector<std::u16string> kept;
        for (const QString& piece : qt(s).split(u';')) {
            kept.push_back(plain(piece));
        }
        ASSERT_EQ(split(s, u';'), kept);
        std::vector<std::u16string> skipped;
        for (const QString& piece : qt(s).split(u';', Qt::SkipEmptyParts)) {
            skipped.push_back(plain(piece));
        }
        ASSERT_EQ(split(s, u';', Empty::Skip), skipped);
    }
}

TEST(TextQt, WildcardsAsQRegularExpression) {
    const std::u16string names[] = {
        u"Blue Sky.mp3", u"blue sky.MP3", u"a.mp2",      u"x/y.mp3", u"Сплин.mp3",
        u"ΣΊΣΥΦΟΣ.mp3",  u"straße.mp3",   u"\u212A.mp3", u"ſ.mp3",   u"😀 b.mp3",
        u"abc",          u"a]c",          u"a-c",        u"",        u"[",
        u"ǅ.mp3",        u"ﬁ.mp3"};
    const std::u16string patterns[] = {
        u"*.mp3",  u"*.MP3",       u"*.mp?",       u"?",      u"? b.mp3", u"*",     u"",
        u"сплин*", u"σίσυφος.mp3", u"STRASSE.mp3", u"k.mp3",  u"s.mp3",   u"S.MP3", u"[a-c]*",
        u"[!a]*",  u"[^a-z]*",     u"a[]-]c",      u"[[]",    u"*/*",     u"a?c",   u"*[0-9]*",
        u"[A-Z]*", u"ǆ.mp3",       u"Ǆ.MP3",       u"FI.mp3", u"*a*b*c*"};
    for (const std::u16string& pattern : patterns) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(qt(pattern)),
                                    QRegularExpression::CaseInsensitiveOption);
        ASSERT_TRUE(re.isValid()) << toUtf8(pattern);
        for (const std::u16string& name : names) {
            EXPECT_EQ(matchesWildcard(name, pattern), re.match(qt(name)).hasMatch())
                << toUtf8(name) << ' ' << toUtf8(pattern);
        }
    }
}

TEST(TextQt, NumbersAsQString) {
    const double values[] = {0,     -0.0,    0.125, 2.5,       -2.5,   2.675,   9.995,
                             1e-7,  -0.0001, 0.5,   1234.5678, 1e20,   1e300,   -1e-300,
                             1.005, 99.5,    3.0,   0.045,     -0.045, 6.02e23, 123456789.125};
    for (const double v : values) {
        for (int decimals = 0; decimals <= 6; ++decimals) {
            ASSERT_EQ(number(v, decimals), plain(QString::number(v, 'f', decimals)))
                << v << ' ' << decimals;
        }
    }
    // "inf" and "nan", which QString::toDouble took, are no numbers to the system
    // (TextNumbers.Read).
    const char* const texts[] = {"12",
                                 " 12 ",
                                 "\t7\n",
                                 "+5",
                                 "-0",
                                 "007",
                                 "1 2",
                                 "0x10",
                                 "",
                                 " ",
                                 "+",
                                 "-",
                                 "+-1",
                                 "1.5",
                                 "1e3",
                                 "2147483647",
                                 "2147483648",
                                 "-2147483648",
                                 "-2147483649",
                                 "4294967295",
                                 "4294967296",
                                 "9223372036854775807",
                                 "9223372036854775808",
                                 "\xC2\xA0"
                                 "3",
                                 "3\xE2\x80\x83",
                                 "\xD9\xA1",
                                 "1e-320",
                                 "2e-324",
                                 "1e999",
                                 ".5",
                                 "5.",
                                 "1e"};
    for (const char* t : texts) {
        const QString q = QString::fromUtf8(t);
        const std::u16string s = plain(q);
        bool ok = false;
        const int i = q.toInt(&ok);
        ASSERT_EQ(readInt(s), ok ? std::optional<int>(i) : std::nullopt) << t;
        const uint u = q.toUInt(&ok);
        ASSERT_EQ(readUInt(s), ok ? std::optional<unsigned>(u) : std::nullopt) << t;
        const qlonglong ll = q.toLongLong(&ok);
        ASSERT_EQ(readLongLong(s), ok ? std::optional<long long>(ll) : std::nullopt) << t;
        const double d = q.toDouble(&ok);
        ASSERT_EQ(readDouble(s), ok ? std::optional<double>(d) : std::nullopt) << t;
        ASSERT_EQ(number(static_cast<long long>(i)), plain(QString::number(i)));
    }
}

TEST(TextQt, BridgeCopiesTheUnits) {
    const std::u16string texts[] = {u"", u"Сплин - Романс",
                                    u"\xD800"
                                    u" 😀 \xDC00",
                                    std::u16string(u"a\0b", 3)};
    for (const std::u16string& text : texts) {
        const QString q = toQString(text);
        EXPECT_EQ(q.size(), static_cast<qsizetype>(text.size()));
        EXPECT_EQ(fromQString(q), text);
        EXPECT_EQ(fromQString(QStringView(q)), text);
    }
    const std::vector<std::u16string> list(std::begin(texts), std::end(texts));
    EXPECT_EQ(fromQStringList(toQStringList(list)), list);
    EXPECT_EQ(toQStringList(list).join(u'|'),
              QString::fromUtf8("|Сплин - Романс|") + QChar(0xD800) + QString::fromUtf8(" 😀 ") +
                  QChar(0xDC00) + QStringLiteral("|a") + QChar(0) + QStringLiteral("b"));
}

}  // namespace
}  // namespace ruz::text
