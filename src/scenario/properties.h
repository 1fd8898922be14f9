#pragma once

#include "scenario/world.h"

#include <optional>
#include <string>
#include <string_view>

namespace ruz::scenario {

// How an expected value is compared with a property's value.
enum class Compare { Text, Number, Seconds };

struct PropertyValue {
    std::u16string text;
    Compare compare = Compare::Text;
};

// The control `name` of the main window, or of the `Ccoms` window once it is made. Looking never
// makes a window.
Control* findControl(const FrmAmp& app, std::u16string_view name);
// Whether `name` is a control of the `Ccoms` window, made or not.
bool isWordsControl(std::u16string_view name);

// Reads property `prop` of the control `name`; nullopt when there is no such property (or no such
// control yet). The controls of a `Ccoms` window not yet made read as it would be made.
std::optional<PropertyValue> readProperty(World& world, std::u16string_view name,
                                          std::u16string_view prop);

// Whether `expected` matches `actual` under its comparison.
bool matches(const PropertyValue& actual, std::u16string_view expected);

}  // namespace ruz::scenario
