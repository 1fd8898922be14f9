#pragma once

#include "common/settings_store.h"

#include <string>

namespace ruz {

class FrmAmp;

// The main window's settings that are kept between runs, as the store's named texts: the command
// words and the announcement template ("word.BOX"), the option boxes ("box.NAME", 0 or 1), the
// volume ("volume", hundredths of a decibel) and the folder ("folder").
SettingsStore::Values keptValues(const FrmAmp& amp);
// Applies `values`: words, boxes and volume at once, as the user would set them; the folder is
// left to the caller. Names it does not know are passed over. A value that does not fit applies
// nothing and returns one line naming it; "" when all applied.
std::string applyKeptValues(FrmAmp& amp, const SettingsStore::Values& values);

inline constexpr const char* kFolderSetting = "folder";
inline constexpr const char* kVolumeSetting = "volume";

}  // namespace ruz
