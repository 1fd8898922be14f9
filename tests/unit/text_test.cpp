// The text module on its own: plain C++, no Qt (the same file builds for Windows).

#include "text/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>

#include "text/unicode_tables.h"

namespace ruz::text {
namespace {

using std::u16string;
using std::u16string_view;

constexpr char32_t kLastCodePoint = 0x10FFFF;

// Titles as people name their songs, in the scripts the rooms use.
struct CaseRow {
    u16string_view text;
    u16string_view lower;
    u16string_view upper;
};
constexpr CaseRow kCaseRows[] = {
    {u"Blue Sky - Chords.mp3", u"blue sky - chords.mp3", u"BLUE SKY - CHORDS.MP3"},
    {u"Ça Va Déjà Über Ærø", u"ça va déjà über ærø", u"ÇA VA DÉJÀ ÜBER ÆRØ"},
    {u"Straße", u"straße", u"STRASSE"},
    {u"İstanbul", u"i\u0307stanbul", u"İSTANBUL"},
    {u"ıi", u"ıi", u"II"},
    {u"Σίσυφος ΟΔΟΣ", u"σίσυφος οδοσ", u"ΣΊΣΥΦΟΣ ΟΔΟΣ"},
    {u"Сплин - Романс", u"сплин - романс", u"СПЛИН - РОМАНС"},
    {u"Ёлка і Ґанок", u"ёлка і ґанок", u"ЁЛКА І ҐАНОК"},
    {u"東京 Tokyo ｔｏｋｙｏ", u"東京 tokyo ｔｏｋｙｏ", u"東京 TOKYO ＴＯＫＹＯ"},
    {u"😀 Party 🎵", u"😀 party 🎵", u"😀 PARTY 🎵"},
    {u"𐐀𐐨 Deseret", u"𐐨𐐨 deseret", u"𐐀𐐀 DESERET"},
    {u"ﬁle ŉ", u"ﬁle ŉ", u"FILE ʼN"},
    {u"ǅ ǆ Ǆ", u"ǆ ǆ ǆ", u"Ǆ Ǆ Ǆ"},
    {u"\u212A \u212B", u"k å", u"\u212A \u212B"},
    {u"\xD800"
     u"a\xDC00"
     u"B",
     u"\xD800"
     u"a\xDC00"
     u"b",
     u"\xD800"
     u"A\xDC00"
     u"B"},
    {u"", u"", u""},
};

TEST(TextCase, LowerAndUpperOfTitles) {
    for (const CaseRow& row : kCaseRows) {
        EXPECT_EQ(lower(row.text), row.lower) << toUtf8(row.text);
        EXPECT_EQ(upper(row.text), row.upper) << toUtf8(row.text);
    }
}

TEST(TextCase, IgnoringCase) {
    struct Row {
        u16string_view a;
        u16string_view b;
        int order;  // of a against b, ignoring case
    } rows[] = {
        {u"Blue Sky", u"BLUE SKY", 0},
        {u"ça va déjà", u"ÇA VA DÉJÀ", 0},
        {u"straße", u"STRASSE", 1},
        {u"ΣΊΣΥΦΟΣ", u"σίσυφος", 0},
        {u"Сплин", u"СПЛИН", 0},
        {u"𐐀", u"𐐨", 0},
        {u"\u212A", u"k", 0},
        {u"ſ", u"S", 0},
        {u"a", u"B", -1},
        {u"B", u"a", 1},
        {u"abc", u"AB", 1},
        {u"", u"", 0},
        {u"", u"a", -1},
        {u"東京", u"東京", 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(compareIgnoringCase(row.a, row.b), row.order) << toUtf8(row.a);
        EXPECT_EQ(compareIgnoringCase(row.b, row.a), -row.order) << toUtf8(row.a);
        EXPECT_EQ(equalsIgnoringCase(row.a, row.b), row.order == 0) << toUtf8(row.a);
    }
}

TEST(TextCase, SearchIgnoringCase) {
    struct Row {
        u16string_view haystack;
        u16string_view needle;
        Index first;
        Index last;
        bool starts;
        bool ends;
    } rows[] = {
        {u"Artist - Blue Sky.mp3", u"BLUE", 9, 9, false, false},
        {u"<BR>a<br>b<Br>", u"<br>", 0, 10, true, true},
        {u"Сплин - Романс", u"романс", 8, 8, false, true},
        {u"😀 Party", u"😀 PAR", 0, 0, true, false},
        {u"abc", u"", 0, 2, true, true},
        {u"", u"a", -1, -1, false, false},
        {u"ab", u"abc", -1, -1, false, false},
        {u"straße", u"SS", -1, -1, false, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(indexOfIgnoringCase(row.haystack, row.needle), row.first) << toUtf8(row.needle);
        EXPECT_EQ(lastIndexOfIgnoringCase(row.haystack, row.needle), row.last)
            << toUtf8(row.needle);
        EXPECT_EQ(containsIgnoringCase(row.haystack, row.needle), row.first >= 0);
        EXPECT_EQ(startsWithIgnoringCase(row.haystack, row.needle), row.starts);
        EXPECT_EQ(endsWithIgnoringCase(row.haystack, row.needle), row.ends);
    }
}

// Positions stay positions: every mapping keeps a character in its plane, so a text and its
// folded form have the same length and the searches ignoring case give positions in the text.
TEST(TextCase, SimpleMappingsKeepTheLength) {
    for (char32_t c = 0; c <= kLastCodePoint; ++c) {
        const bool supplementary = c > 0xFFFF;
        ASSERT_EQ(lower(c) > 0xFFFF, supplementary) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(upper(c) > 0xFFFF, supplementary) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(folded(c) > 0xFFFF, supplementary) << std::hex << static_cast<std::uint32_t>(c);
    }
}

TEST(TextCase, TablesAreSortedAndApart) {
    for (const auto& ranges : {detail::kLowerRanges, detail::kUpperRanges, detail::kFoldRanges}) {
        ASSERT_FALSE(ranges.empty());
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            EXPECT_LE(ranges[i].first, ranges[i].last);
            EXPECT_TRUE(ranges[i].stride == 1 || ranges[i].stride == 2);
            if (i > 0) {
                EXPECT_LT(ranges[i - 1].last, ranges[i].first);
            }
        }
    }
    for (const auto& specials : {detail::kLowerSpecial, detail::kUpperSpecial}) {
        for (std::size_t i = 1; i < specials.size(); ++i) {
            EXPECT_LT(specials[i - 1].code, specials[i].code);
        }
    }
    for (std::size_t i = 1; i < detail::kKinds.size(); ++i) {
        EXPECT_LT(detail::kKinds[i - 1].last, detail::kKinds[i].first);
    }
}

TEST(TextCharacters, Kinds) {
    struct Row {
        char32_t c;
        bool space;
        bool digit;
        bool letter;
        bool letterOrNumber;
        bool mark;
    } rows[] = {
        {U' ', true, false, false, false, false},    {U'\t', true, false, false, false, false},
        {0x00A0, true, false, false, false, false},  {0x3000, true, false, false, false, false},
        {0x200B, false, false, false, false, false}, {U'7', false, true, false, true, false},
        {0x0663, false, true, false, true, false},   {0x00B2, false, false, false, true, false},
        {0x2163, false, false, false, true, false},  {U'a', false, false, true, true, false},
        {U'Ж', false, false, true, true, false},     {U'東', false, false, true, true, false},
        {0x10400, false, false, true, true, false},  {0x0301, false, false, false, false, true},
        {U'_', false, false, false, false, false},   {0x1F600, false, false, false, false, false},
        {0xD800, false, false, false, false, false}, {0x110000, false, false, false, false, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isSpace(row.c), row.space) << std::hex << static_cast<std::uint32_t>(row.c);
        EXPECT_EQ(isDigit(row.c), row.digit) << std::hex << static_cast<std::uint32_t>(row.c);
        EXPECT_EQ(isLetter(row.c), row.letter) << std::hex << static_cast<std::uint32_t>(row.c);
        EXPECT_EQ(isLetterOrNumber(row.c), row.letterOrNumber)
            << std::hex << static_cast<std::uint32_t>(row.c);
        EXPECT_EQ(isMark(row.c), row.mark) << std::hex << static_cast<std::uint32_t>(row.c);
    }
}

TEST(TextEncoding, Utf8BothWays) {
    struct Row {
        std::string_view bytes;
        u16string_view text;
        std::string_view back;  // toUtf8(text)
        bool valid;
    } rows[] = {
        {"plain", u"plain", "plain", true},
        {"\xC3\xA7", u"ç", "\xC3\xA7", true},
        {"\xE2\x80\xA0", u"†", "\xE2\x80\xA0", true},
        {"\xF0\x9F\x98\x80", u"😀", "\xF0\x9F\x98\x80", true},
        {"\xEF\xBB\xBF", u"", "", true},
        {"A\xEF\xBB\xBF", u"A\uFEFF", "A\xEF\xBB\xBF", true},
        {std::string_view("a\0b", 3), u16string_view(u"a\0b", 3), std::string_view("a\0b", 3),
         true},
        // Each byte of an ill-formed sequence is one replacement.
        {"\xE2\x82", u"\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"\xF0\x9F\x98", u"\uFFFD\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"\xC0\x80", u"\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD",
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"\xFF", u"\uFFFD", "\xEF\xBF\xBD", false},
        {"", u"", "", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fromUtf8(row.bytes), row.text) << row.back;
        EXPECT_EQ(toUtf8(row.text), row.back) << row.back;
        EXPECT_EQ(isValidUtf8(row.bytes), row.valid) << row.back;
        EXPECT_EQ(fromUtf8OrLatin1(row.bytes), row.valid ? row.text : fromLatin1(row.bytes))
            << row.back;
    }
    // Only a leading byte order mark is dropped; bytes after an ill-formed sequence are read anew.
    EXPECT_EQ(fromUtf8("\xEF\xBB\xBF"
                       "A\xE2\x82"
                       "B"),
              u"A\uFFFD\uFFFDB");
    // A lone surrogate has no UTF-8: it becomes '?'.
    EXPECT_EQ(toUtf8(u"\xD800"
                     u"A\xDC00"),
              "?A?");
    EXPECT_EQ(toUtf8(u"\xDBFF"), "?");
}

TEST(TextEncoding, Cp1252AndLatin1) {
    struct Row {
        u16string_view text;
        std::string_view cp1252;
        std::string_view latin1;
    } rows[] = {
        {u"†- Loads -†", "\x86- Loads -\x86", "?- Loads -?"},
        {u"€ š Ÿ ™", "\x80 \x9A \x9F \x99", "? ? ? ?"},
        {u"café ÿ", "caf\xE9 \xFF", "caf\xE9 \xFF"},
        {u"\u0081\u008D\u008F\u0090\u009D", "\x81\x8D\x8F\x90\x9D", "\x81\x8D\x8F\x90\x9D"},
        {u"Сплин", "?????", "?????"},
        {u"😀", "?", "??"},
        {u"", "", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(toCp1252(row.text), row.cp1252) << toUtf8(row.text);
        EXPECT_EQ(toLatin1(row.text), row.latin1) << toUtf8(row.text);
        if (row.cp1252.find('?') == std::string_view::npos) {
            EXPECT_EQ(fromCp1252(row.cp1252), row.text) << toUtf8(row.text);
        }
        if (row.latin1.find('?') == std::string_view::npos) {
            EXPECT_EQ(fromLatin1(row.latin1), row.text) << toUtf8(row.text);
        }
    }
    // The C1 controls the code page gives other characters have no byte.
    EXPECT_EQ(toCp1252(u"\u0080\u0086"), "??");
}

TEST(TextPieces, MidLeftRightChopped) {
    struct Row {
        Index pos;
        Index n;
        u16string_view mid;
    } rows[] = {
        {0, -1, u"abcde"},
        {2, -1, u"cde"},
        {2, 2, u"cd"},
        {2, 99, u"cde"},
        {5, -1, u""},
        {6, -1, u""},
        {-1, -1, u"abcde"},
        {-2, 3, u"a"},
        {-2, 2, u""},
        {-9, 99, u"abcde"},
        {0, 0, u""},
        {4, 1, u"e"},
        {2, std::numeric_limits<Index>::max(), u"cde"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(mid(u"abcde", row.pos, row.n), row.mid) << row.pos << ' ' << row.n;
    }
    EXPECT_EQ(mid(u"", -1, 1), u"");
    struct EndRow {
        Index n;
        u16string_view left;
        u16string_view right;
        u16string_view chopped;
    } ends[] = {
        {-1, u"abc", u"abc", u"abc"}, {0, u"", u"", u"abc"},    {2, u"ab", u"bc", u"a"},
        {3, u"abc", u"abc", u""},     {9, u"abc", u"abc", u""},
    };
    for (const EndRow& row : ends) {
        EXPECT_EQ(left(u"abc", row.n), row.left) << row.n;
        EXPECT_EQ(right(u"abc", row.n), row.right) << row.n;
        EXPECT_EQ(chopped(u"abc", row.n), row.chopped) << row.n;
    }
}

TEST(TextPieces, Search) {
    struct Row {
        u16string_view haystack;
        u16string_view needle;
        Index from;
        Index first;
        Index lastFrom;  // from for lastIndexOf
        Index last;
    } rows[] = {
        {u"abcabc", u"bc", 0, 1, -1, 4},
        {u"abcabc", u"bc", 2, 4, 3, 1},
        {u"abcabc", u"bc", -2, 4, -3, 1},
        {u"abcabc", u"bc", -6, 1, -6, -1},
        {u"abcabc", u"bc", -7, -1, -7, -1},
        {u"abcabc", u"bc", 5, -1, 0, -1},
        {u"abcabc", u"bc", 99, -1, 99, 4},
        {u"abcabc", u"bc", -99, -1, -99, -1},
        {u"abc", u"", 3, 3, 3, 3},
        {u"abc", u"", 4, -1, 1, 1},
        {u"", u"", 0, 0, 0, 0},
        {u"", u"a", 0, -1, -1, -1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(indexOf(row.haystack, row.needle, row.from), row.first)
            << toUtf8(row.haystack) << ' ' << row.from;
        EXPECT_EQ(lastIndexOf(row.haystack, row.needle, row.lastFrom), row.last)
            << toUtf8(row.haystack) << ' ' << row.lastFrom;
    }
    EXPECT_EQ(indexOf(u"a.b.c", u'.', 2), 3);
    EXPECT_EQ(lastIndexOf(u"a.b.c", u'.'), 3);
    EXPECT_TRUE(contains(u"abc", u'b'));
    EXPECT_FALSE(contains(u"abc", u"B"));
    EXPECT_EQ(count(u"aaa", u"aa"), 2);
    EXPECT_EQ(count(u"abc", u""), 4);
}

TEST(TextPieces, SplitJoinReplace) {
    struct Row {
        u16string_view text;
        u16string_view separator;
        std::vector<u16string> kept;
        std::vector<u16string> skipped;
    } rows[] = {
        {u"a;b;;c", u";", {u"a", u"b", u"", u"c"}, {u"a", u"b", u"c"}},
        {u";a;", u";", {u"", u"a", u""}, {u"a"}},
        {u"", u";", {u""}, {}},
        {u"abc", u"", {u"abc"}, {u"abc"}},
        {u"a<br>b", u"<br>", {u"a", u"b"}, {u"a", u"b"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(split(row.text, row.separator), row.kept) << toUtf8(row.text);
        EXPECT_EQ(split(row.text, row.separator, Empty::Skip), row.skipped) << toUtf8(row.text);
        if (!row.separator.empty()) {
            EXPECT_EQ(join(row.kept, row.separator), row.text);
        }
    }
    EXPECT_EQ(split(u"a b", u' '), (std::vector<u16string>{u"a", u"b"}));

    struct HalvesRow {
        u16string_view text;
        u16string_view firstBefore;
        u16string_view firstAfter;
        u16string_view lastBefore;
        u16string_view lastAfter;
        bool found;
    } halves[] = {
        {u"song.name.mp3", u"song", u"name.mp3", u"song.name", u"mp3", true},
        {u"song", u"song", u"", u"song", u"", false},
        {u".mp3", u"", u"mp3", u"", u"mp3", true},
        {u"", u"", u"", u"", u"", false},
    };
    for (const HalvesRow& row : halves) {
        const Halves first = splitFirst(row.text, u'.');
        const Halves last = splitLast(row.text, u".");
        EXPECT_EQ(first.before, row.firstBefore);
        EXPECT_EQ(first.after, row.firstAfter);
        EXPECT_EQ(last.before, row.lastBefore);
        EXPECT_EQ(last.after, row.lastAfter);
        EXPECT_EQ(first.found, row.found);
        EXPECT_EQ(last.found, row.found);
    }

    struct ReplaceRow {
        u16string_view text;
        u16string_view from;
        u16string_view to;
        u16string_view result;
    } replacements[] = {
        {u"%s at %t", u"%s", u"Song", u"Song at %t"},
        {u"aaa", u"aa", u"b", u"ba"},
        {u"abc", u"", u"x", u"abc"},
        {u"a%sb%s", u"%s", u"", u"ab"},
        {u"", u"a", u"b", u""},
    };
    for (const ReplaceRow& row : replacements) {
        EXPECT_EQ(replaceAll(row.text, row.from, row.to), row.result) << toUtf8(row.text);
    }
    EXPECT_EQ(replaceAll(u"a\\b\\c", u'\\', u'/'), u"a/b/c");
    EXPECT_EQ(repeated(u"ab", 3), u"ababab");
    EXPECT_EQ(repeated(u"ab", -1), u"");
    EXPECT_EQ(rightJustified(u"7", 3, u'0'), u"007");
    EXPECT_EQ(rightJustified(u"1234", 3, u'0'), u"1234");
    EXPECT_EQ(rightJustified(u"ab", -1), u"ab");
    EXPECT_EQ(rightJustified(u"", 2), u"  ");
}

TEST(TextPieces, WhiteSpace) {
    struct Row {
        u16string_view text;
        u16string_view trimmed;
        u16string_view simplified;
    } rows[] = {
        {u"  a  b  ", u"a  b", u"a b"},
        {u"\t\r\na\u00A0\u3000b\u2029", u"a\u00A0\u3000b", u"a b"},
        {u"   ", u"", u""},
        {u"", u"", u""},
        {u"a", u"a", u"a"},
        {u"\u200Ba\u200B", u"\u200Ba\u200B", u"\u200Ba\u200B"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(trimmed(row.text), row.trimmed) << toUtf8(row.text);
        EXPECT_EQ(simplified(row.text), row.simplified) << toUtf8(row.text);
    }
}

TEST(TextPieces, Wildcards) {
    struct Row {
        u16string_view text;
        u16string_view pattern;
        bool matches;
    } rows[] = {
        {u"Blue Sky.mp3", u"*.mp3", true},
        {u"Blue Sky.MP3", u"*.mp3", true},
        {u"song.mp2", u"*.mp3", false},
        {u"song.mp3.txt", u"*.mp3", false},
        {u"x/y.mp3", u"*.mp3", false},
        {u"Сплин - Романс.mp3", u"СПЛИН*", true},
        {u"ΣΊΣΥΦΟΣ.mp3", u"σίσυφος.*", true},
        {u"straße.mp3", u"STRASSE.mp3", false},
        {u"\u212A.mp3", u"k.mp3", true},
        {u"\u212A.mp3", u"[A-Z].mp3", true},
        {u"abc", u"a?c", true},
        {u"ac", u"a?c", false},
        {u"a/c", u"a?c", false},
        {u"😀 party.mp3", u"? party.mp3", true},
        {u"B", u"[abc]", true},
        {u"d", u"[a-c]", false},
        {u"C", u"[a-c]", true},
        {u"a", u"[!a]", false},
        {u"b", u"[^a]", true},
        {u"]", u"[]a]", true},
        {u"-", u"[a-]", true},
        {u"a", u"[z-a]", false},
        {u"a[", u"a[", true},
        {u"", u"*", true},
        {u"", u"", true},
        {u"a", u"", false},
        {u"aaa", u"*a*a*a*", true},
        {u"aab", u"*a*a*a", false},
        {u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", u"*a*a*a*a*a*a*a*c", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(matchesWildcard(row.text, row.pattern), row.matches)
            << toUtf8(row.text) << ' ' << toUtf8(row.pattern);
    }
}

TEST(TextNumbers, Write) {
    EXPECT_EQ(number(0), u"0");
    EXPECT_EQ(number(-2000), u"-2000");
    EXPECT_EQ(number(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808");
    EXPECT_EQ(number(std::numeric_limits<std::uint64_t>::max()), u"18446744073709551615");
    EXPECT_EQ(number(std::size_t{42}), u"42");
    struct Row {
        double value;
        int decimals;
        u16string_view text;
    } rows[] = {
        {2.5, 3, u"2.500"},
        {-0.0005, 3, u"-0.001"},
        {1e20, 2, u"100000000000000000000.00"},
        {0.125, 2, u"0.13"},
        {2.675, 2, u"2.67"},
        {9.995, 0, u"10"},
        {99.5, 0, u"100"},
        {-2.5, 0, u"-3"},
        {-0.0001, 2, u"-0.00"},
        {-0.0, 3, u"0.000"},
        {123456789.125, 2, u"123456789.13"},
        {3.0, 0, u"3"},
        {3.0, -4, u"3"},
        {std::numeric_limits<double>::infinity(), 3, u"inf"},
        {-std::numeric_limits<double>::infinity(), 3, u"-inf"},
        {std::numeric_limits<double>::quiet_NaN(), 3, u"nan"},
        {-std::numeric_limits<double>::max(), 17, u""},
    };
    for (const Row& row : rows) {
        if (row.text.empty()) {
            EXPECT_EQ(number(row.value, row.decimals).size(), 1u + 309 + 1 + 17);
            continue;
        }
        EXPECT_EQ(number(row.value, row.decimals), row.text) << row.value;
    }
}

TEST(TextNumbers, Read) {
    struct Row {
        u16string_view text;
        std::optional<int> asInt;
        std::optional<unsigned> asUInt;
        std::optional<long long> asLongLong;
        std::optional<double> asDouble;
    } rows[] = {
        {u"12", 12, 12u, 12, 12.0},
        {u" 12 ", 12, 12u, 12, 12.0},
        {u"\t7\n", 7, 7u, 7, 7.0},
        {u"+5", 5, 5u, 5, 5.0},
        {u"-0", 0, std::nullopt, 0, -0.0},
        {u"007", 7, 7u, 7, 7.0},
        {u"-2147483648", INT_MIN, std::nullopt, INT_MIN, -2147483648.0},
        {u"2147483648", std::nullopt, 2147483648u, 2147483648LL, 2147483648.0},
        {u"9223372036854775808", std::nullopt, std::nullopt, std::nullopt, 9223372036854775808.0},
        {u"\u00A03", std::nullopt, std::nullopt, std::nullopt, 3.0},
        {u"1.5", std::nullopt, std::nullopt, std::nullopt, 1.5},
        {u".5", std::nullopt, std::nullopt, std::nullopt, 0.5},
        {u"5.", std::nullopt, std::nullopt, std::nullopt, 5.0},
        {u"1e3", std::nullopt, std::nullopt, std::nullopt, 1000.0},
        {u"1e", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u".", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"1e999", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"inf", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"nan", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"0x10", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"1 2", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"+-1", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"+", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"١٢", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {u"1,5", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(readInt(row.text), row.asInt) << toUtf8(row.text);
        EXPECT_EQ(readUInt(row.text), row.asUInt) << toUtf8(row.text);
        EXPECT_EQ(readLongLong(row.text), row.asLongLong) << toUtf8(row.text);
        EXPECT_EQ(readDouble(row.text), row.asDouble) << toUtf8(row.text);
    }
}

TEST(TextFormat, Placeholders) {
    EXPECT_EQ(format(u"Signed on to %1 as %2.", u"irc.example.net", u16string(u"bob")),
              u"Signed on to irc.example.net as bob.");
    EXPECT_EQ(format(u"%1 passed, %2 failed", 12, std::size_t{0}), u"12 passed, 0 failed");
    EXPECT_EQ(format(u"%2%1%2", u'a', u"b"), u"bab");
    EXPECT_EQ(format(u"100% %3 %0 %", u"a"), u"100% %3 %0 %");
    EXPECT_EQ(format(u"%1%", u"%2", u"x"), u"%2%");
    EXPECT_EQ(format(u"%10 %1", u"a"), u"%10 a");
    EXPECT_EQ(format(u"no placeholders"), u"no placeholders");
}

}  // namespace
}  // namespace ruz::text
