#pragma once

#include <optional>
#include <string_view>

namespace ruz {

// A text read as a number: an optional sign, digits, an optional fraction and exponent, with
// blanks allowed around it. Anything else (empty, "nan", "inf", words, two numbers, a value too
// large for a double) is no number.
std::optional<double> readNumber(std::u16string_view text);

// Rounds to the nearest whole number, a half going to the even neighbour; nullopt when the result
// lies outside `min` .. `max`.
std::optional<int> roundHalfEven(double value, int min, int max);

}  // namespace ruz
