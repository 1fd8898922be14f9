#pragma once

#include "scenario/world.h"

#include <QString>

#include <optional>

namespace ruz::scenario {

// How an expected value is compared with a property's value.
enum class Compare { Text, Number, Seconds };

struct PropertyValue {
    QString text;
    Compare compare = Compare::Text;
};

// Reads property `prop` of the control `name`; nullopt when there is no such property (or no such
// control yet).
std::optional<PropertyValue> readProperty(World& world, const QString& name, const QString& prop);

// Whether `expected` matches `actual` under its comparison.
bool matches(const PropertyValue& actual, const QString& expected);

}  // namespace ruz::scenario
