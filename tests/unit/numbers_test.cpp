#include "common/numbers.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace ruz {
namespace {

TEST(ReadNumber, AcceptsDecimalNumbersOnly) {
    struct Row {
        const char* text;
        std::optional<double> value;
    } rows[] = {
        {"-2000", -2000},
        {" 12.5 ", 12.5},
        {"+3", 3},
        {"1e3", 1000},
        {".5", 0.5},
        {"5.", 5},
        {"\t7\t", 7},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"-inf", std::nullopt},
        {"loud", std::nullopt},
        {"1 2", std::nullopt},
        {"0x10", std::nullopt},
        {"1e999", std::nullopt},
        {"-2000 .set 30", std::nullopt},
        {"1,5", std::nullopt},
        {"e5", std::nullopt},
        {"-", std::nullopt},
        {"3\n", std::nullopt},
        {"\xC2\xA0"
         "7",
         std::nullopt},
        {"7\xE2\x80\x83", std::nullopt},
        {"\xEF\xBC\x97", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(readNumber(text::fromUtf8(row.text)), row.value) << '"' << row.text << '"';
    }
}

TEST(RoundHalfEven, RoundsHalvesToEvenWithinRange) {
    struct Row {
        double value;
        std::optional<int> rounded;
    } rows[] = {
        {12.5, 12},
        {13.5, 14},
        {-12.5, -12},
        {186.5, 186},
        {187.5, 188},
        {0.49, 0},
        {2147483647.0, INT_MAX},
        {2147483648.0, std::nullopt},
        {-2147483649.0, std::nullopt},
        {1e300, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(roundHalfEven(row.value, INT_MIN, INT_MAX), row.rounded) << row.value;
    }
    EXPECT_EQ(roundHalfEven(5, 0, 4), std::nullopt);
}

}  // namespace
}  // namespace ruz
