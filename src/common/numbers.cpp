#include "common/numbers.h"

#include <QRegularExpression>

#include <cfenv>
#include <cmath>
#include <cstdlib>

namespace ruz {

std::optional<double> readNumber(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        "^[ \\t]*([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?)[ \\t]*\\z"));
    const auto match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QByteArray digits = match.captured(1).toLatin1();
    const double value = std::strtod(digits.constData(), nullptr);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
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
