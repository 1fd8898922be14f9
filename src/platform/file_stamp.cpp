#include "platform/file_stamp.h"

#include "platform/native_name.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#else
#include <sys/stat.h>
#endif

namespace ruz {

#ifdef _WIN32
FileStamp fileStamp(std::u16string_view name) {
    const std::wstring wide(name.begin(), name.end());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) == 0) {
        return {};
    }
    const auto wide64 = [](DWORD high, DWORD low) {
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
    };
    const bool regular = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return {regular ? wide64(data.nFileSizeHigh, data.nFileSizeLow) : -1,
            wide64(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}
#else
FileStamp fileStamp(std::u16string_view name) {
    constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
    struct stat status {};
    if (::stat(nativeFromName(name).c_str(), &status) != 0) {
        return {};
    }
    return {S_ISREG(status.st_mode) ? static_cast<std::int64_t>(status.st_size) : -1,
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * kNanosecondsPerSecond +
                status.st_mtim.tv_nsec};
}
#endif

}  // namespace ruz
