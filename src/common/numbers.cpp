#include "common/numbers.h"

#include "text/text.h"

#include <cfenv>
#include <cmath>

namespace ruz {

namespace {
// What may stand around a number: blanks and tabs, no other white space.
constexpr std::u16string_view kPadding = u" \t";
}  // namespace

std::optional<double> readNumber(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(kPadding);
    if (first == std::u16string_view::npos) {
        return std::nullopt;
    }
    const std::u16string_view number =
        text.substr(first, text.find_last_not_of(kPadding) + 1 - first);
    // The number's own reading allows any white space around it; here only the padding does.
    if (text::isSpace(number.front()) || text::isSpace(number.back())) {
        return std::nullopt;
    }
    return text::readDouble(number);
}

std::optional<int> roundHalfEven(double value, int min, int max) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    // nearbyint rounds halves to even under the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (rounded < min || rounded > max) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

}  // namespace ruz
