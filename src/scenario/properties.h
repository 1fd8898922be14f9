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

// The control `name` of the main window, or of the `Ccoms` window once it is made. Looking never
// makes a window.
Control* findControl(const FrmAmp& app, QStringView name);
// Whether `name` is a control of the `Ccoms` window, made or not.
bool isWordsControl(QStringView name);

// Reads property `prop` of the control `name`; nullopt when there is no such property (or no such
// control yet). The controls of a `Ccoms` window not yet made read as it would be made.
std::optional<PropertyValue> readProperty(World& world, const QString& name, const QString& prop);

// Whether `expected` matches `actual` under its comparison.
bool matches(const PropertyValue& actual, const QString& expected);

}  // namespace ruz::scenario
