#include "platform/winsys/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace ruz::winsys {
namespace {

struct Case {
    const char* name;
    std::string utf8;
    std::string cp1252;
};

class ToCp1252 : public testing::TestWithParam<Case> {};

TEST_P(ToCp1252, Converts) {
    EXPECT_EQ(utf8ToCp1252(GetParam().utf8), GetParam().cp1252);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToCp1252,
    testing::Values(Case{"Ascii", "Hello, <b>&", "Hello, <b>&"},
                    Case{"Dagger", "\u2020- Loads -\u2020", "\x86- Loads -\x86"},
                    Case{"EuroAndQuotes", "\u20ac\u201c\u201d\u0178", "\x80\x93\x94\x9f"},
                    Case{"Latin1", "caf\u00e9 \u00a0\u00ff", "caf\xe9 \xa0\xff"},
                    Case{"UndefinedBytesRoundTrip", "\u0081\u008d\u008f\u0090\u009d",
                         "\x81\x8d\x8f\x90\x9d"},
                    Case{"OtherC1ControlsMissing", "\u0080\u009f", "??"},
                    Case{"MissingCharacters", "\u0100\u4e2d\U0001F3B5x", "???x"},
                    Case{"LoneContinuation", "a\x80z", "a?z"},
                    Case{"TruncatedSequence",
                         "\xe2\x80"
                         "A",
                         "?A"},
                    Case{"TruncatedAtEnd", "A\xf0\x9f\x8e", "A?"},
                    Case{"Overlong", "\xc0\xaf", "??"}, Case{"Surrogate", "\xed\xa0\x80", "???"},
                    Case{"AboveUnicode", "\xf4\x90\x80\x80", "????"},
                    Case{"EmbeddedNul", std::string("a\0b", 3), std::string("a\0b", 3)}),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(Cp1252ToUtf8, HighRangeFollowsWindowsTable) {
    EXPECT_EQ(cp1252ToUtf8("\x80\x86\x8a\x99\x9f"), "\u20ac\u2020\u0160\u2122\u0178");
    EXPECT_EQ(cp1252ToUtf8("\x81\x8d\x8f\x90\x9d"), "\u0081\u008d\u008f\u0090\u009d");
    EXPECT_EQ(cp1252ToUtf8("\xa0\xe9\xff"), "\u00a0\u00e9\u00ff");
}

TEST(Cp1252ToUtf8, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(byte)), byte) << "byte " << b;
    }
}

}  // namespace
}  // namespace ruz::winsys
