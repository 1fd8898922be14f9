#pragma once

#include "platform/native_name.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace ruz {

// Names (see native_name.h) and the standard library's paths. On Windows a path is a wide name,
// the same UTF-16 units as the system's text, with "/" as the separator the system writes; on
// other systems it is the name's bytes.
inline std::filesystem::path pathFromName(std::u16string_view name) {
#ifdef _WIN32
    return std::filesystem::path(std::wstring(name.begin(), name.end()));
#else
    return std::filesystem::path(nativeFromName(name));
#endif
}

inline std::u16string nameFromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::wstring wide = path.generic_wstring();
    return std::u16string(wide.begin(), wide.end());
#else
    return nameFromNative(path.native());
#endif
}

}  // namespace ruz
