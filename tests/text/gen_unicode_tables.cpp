// Prints src/text/unicode_tables.cpp: the text module's case mappings and character kinds, read
// from QtCore, which the system used before and whose results the module keeps. Run by
// scripts/gen-unicode-tables.sh.

#include <QChar>
#include <QString>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;

struct Range {
    char32_t first;
    char32_t last;
    long delta;
    int stride;
};

// Runs of one delta: consecutive code points (stride 1), or every other one with the ones in
// between unchanged (stride 2), whichever covers more.
std::vector<Range> compress(const std::function<char32_t(char32_t)>& map) {
    std::vector<Range> ranges;
    const auto delta = [&](char32_t c) { return static_cast<long>(map(c)) - static_cast<long>(c); };
    char32_t c = 0;
    while (c <= kLastCodePoint) {
        const long d = delta(c);
        if (d == 0) {
            ++c;
            continue;
        }
        char32_t one = c;
        while (one + 1 <= kLastCodePoint && delta(one + 1) == d) {
            ++one;
        }
        char32_t two = c;
        while (two + 2 <= kLastCodePoint && delta(two + 1) == 0 && delta(two + 2) == d) {
            two += 2;
        }
        if (two - c > one - c) {
            ranges.push_back({c, two, d, 2});
            c = two + 1;
        } else {
            ranges.push_back({c, one, d, 1});
            c = one + 1;
        }
    }
    return ranges;
}

void printRanges(const char* name, const std::vector<Range>& ranges) {
    std::printf("constexpr CaseRange k%sRangeTable[] = {\n", name);
    for (const Range& r : ranges) {
        std::printf("    {0x%04X, 0x%04X, %ld, %d},\n", static_cast<unsigned>(r.first),
                    static_cast<unsigned>(r.last), r.delta, r.stride);
    }
    std::printf("};\n\n");
}

QString single(char32_t c) {
    return QString::fromUcs4(&c, 1);
}

// Code points whose whole-text mapping differs from the simple one.
void printSpecial(const char* name, QString (QString::*wholeText)() const&,
                  char32_t (*simple)(char32_t)) {
    std::printf("constexpr SpecialCase k%sSpecialTable[] = {\n", name);
    for (char32_t c = 0; c <= kLastCodePoint; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const QString whole = (single(c).*wholeText)();
        if (whole == single(simple(c))) {
            continue;
        }
        std::printf("    {0x%04X, %d, {", static_cast<unsigned>(c), static_cast<int>(whole.size()));
        for (qsizetype i = 0; i < whole.size(); ++i) {
            std::printf("%s0x%04X", i ? ", " : "", whole[i].unicode());
        }
        std::printf("}},\n");
    }
    std::printf("};\n\n");
}

int kindOf(char32_t c) {
    switch (QChar::category(c)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
            return 0;
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            return 1;
        case QChar::Number_DecimalDigit:
            return 2;
        case QChar::Number_Letter:
        case QChar::Number_Other:
            return 3;
        default:
            return -1;
    }
}

void printKinds() {
    static const char* const kNames[] = {"Letter", "Mark", "DecimalDigit", "OtherNumber"};
    std::printf("constexpr KindRange kKindTable[] = {\n");
    char32_t c = 0;
    while (c <= kLastCodePoint) {
        const int kind = kindOf(c);
        char32_t last = c;
        while (last + 1 <= kLastCodePoint && kindOf(last + 1) == kind) {
            ++last;
        }
        if (kind >= 0) {
            std::printf("    {0x%04X, 0x%04X, Kind::%s},\n", static_cast<unsigned>(c),
                        static_cast<unsigned>(last), kNames[kind]);
        }
        c = last + 1;
    }
    std::printf("};\n\n");
}

char32_t simpleLower(char32_t c) {
    return QChar::toLower(c);
}
char32_t simpleUpper(char32_t c) {
    return QChar::toUpper(c);
}

}  // namespace

int main() {
    std::printf(
        "// Written by scripts/gen-unicode-tables.sh from QtCore %s: do not edit.\n\n"
        "#include \"text/unicode_tables.h\"\n\nnamespace ruz::text::detail {\n\nnamespace {\n\n",
        QT_VERSION_STR);
    printRanges("Lower", compress(simpleLower));
    printRanges("Upper", compress(simpleUpper));
    printRanges("Fold", compress([](char32_t c) { return QChar::toCaseFolded(c); }));
    printSpecial("Lower", &QString::toLower, simpleLower);
    printSpecial("Upper", &QString::toUpper, simpleUpper);
    printKinds();
    std::printf(
        "}  // namespace\n\n"
        "const std::span<const CaseRange> kLowerRanges(kLowerRangeTable);\n"
        "const std::span<const CaseRange> kUpperRanges(kUpperRangeTable);\n"
        "const std::span<const CaseRange> kFoldRanges(kFoldRangeTable);\n"
        "const std::span<const SpecialCase> kLowerSpecial(kLowerSpecialTable);\n"
        "const std::span<const SpecialCase> kUpperSpecial(kUpperSpecialTable);\n"
        "const std::span<const KindRange> kKinds(kKindTable);\n\n"
        "}  // namespace ruz::text::detail\n");
    return 0;
}
