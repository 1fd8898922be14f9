#pragma once

#include "common/settings_store.h"

#include <string>
#include <vector>

namespace ruz {

class FrmAmp;

// The main window's settings that are kept between runs, as the store's named texts: the command
// words and the announcement template ("word.BOX"), the option boxes ("box.NAME", 0 or 1), the
// volume ("volume", hundredths of a decibel) and the folder ("folder").
SettingsStore::Values keptValues(const FrmAmp& amp);
// Applies `values`: words, boxes and volume at once, as the user would set them; the folder is
// left to the caller. Names it does not know are passed over, and so is a value that does not
// fit, while the others apply: one line names those, "" when all applied.
std::string applyKeptValues(FrmAmp& amp, const SettingsStore::Values& values);

// Loads `store` from `file` and applies its values to `amp`: the problems found, one line each
// (a damaged file, values passed over), for the user to read.
std::vector<std::string> loadKeptSettings(SettingsStore& store, SettingsFile& file, FrmAmp& amp);
// Applies the values `store` has loaded from the file at `where` to `amp`; one line naming those
// that do not fit, "" when all applied.
std::string applyKeptSettings(const SettingsStore& store, const std::string& where, FrmAmp& amp);

inline constexpr const char* kFolderSetting = "folder";
inline constexpr const char* kVolumeSetting = "volume";

}  // namespace ruz
