#include "win32/win32_clock.h"

#include "win32/wide.h"

#include <windows.h>

#include <optional>

namespace ruz::win32 {

namespace {
// 100-nanosecond intervals between 1601-01-01 (FILETIME's start) and 1970-01-01.
constexpr std::int64_t kFileTimeAtUnixEpoch = 116444736000000000LL;
constexpr std::int64_t kFileTimePerMs = 10000;
constexpr int kTwoDigitYear = 2;

// The moment in the machine's time zone, or nullopt where the system cannot express it.
std::optional<SYSTEMTIME> localTime(WallTime at) {
    const std::int64_t ms = at.time_since_epoch().count();
    if (ms < -kFileTimeAtUnixEpoch / kFileTimePerMs) {
        return std::nullopt;
    }
    const auto fileTicks = static_cast<std::uint64_t>(ms * kFileTimePerMs + kFileTimeAtUnixEpoch);
    FILETIME fileTime{};
    fileTime.dwLowDateTime = static_cast<DWORD>(fileTicks);
    fileTime.dwHighDateTime = static_cast<DWORD>(fileTicks >> 32);
    SYSTEMTIME utc{};
    if (!FileTimeToSystemTime(&fileTime, &utc)) {
        return std::nullopt;
    }
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return utc;
    }
    return local;
}

// A text a format function writes: asked for its length first, then written.
template <typename Format>
std::u16string formatted(Format format) {
    const int length = format(nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring buffer(static_cast<std::size_t>(length), L'\0');
    const int written = format(buffer.data(), length);
    if (written <= 0) {
        return {};
    }
    buffer.resize(static_cast<std::size_t>(written - 1));  // without the NUL
    return fromWide(buffer);
}

std::wstring userShortDateFormat() {
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring format(static_cast<std::size_t>(length), L'\0');
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, format.data(), length) <= 0) {
        return {};
    }
    format.resize(static_cast<std::size_t>(length - 1));
    return format;
}
}  // namespace

std::u16string withFourDigitYear(std::u16string_view dateFormat) {
    std::u16string result;
    bool quoted = false;
    for (std::size_t i = 0; i < dateFormat.size();) {
        const char16_t c = dateFormat[i];
        if (c == u'\'') {
            quoted = !quoted;
        }
        if (quoted || c != u'y') {
            result += c;
            ++i;
            continue;
        }
        std::size_t run = 0;
        while (i + run < dateFormat.size() && dateFormat[i + run] == u'y') {
            ++run;
        }
        result.append(run == kTwoDigitYear ? 2 * kTwoDigitYear : run, u'y');
        i += run;
    }
    return result;
}

WallTime Win32Clock::now() const {
    return std::chrono::time_point_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now());
}

std::u16string Win32Clock::longTime(WallTime at) const {
    const std::optional<SYSTEMTIME> local = localTime(at);
    if (!local) {
        return usLongTime(at);
    }
    // No flags and no format: the user's long time format.
    return formatted([&](wchar_t* buffer, int size) {
        return GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &*local, nullptr, buffer, size);
    });
}

std::u16string Win32Clock::shortDate(WallTime at) const {
    const std::optional<SYSTEMTIME> local = localTime(at);
    if (!local) {
        return usShortDate(at);
    }
    const std::wstring userFormat = userShortDateFormat();
    const std::wstring format = wide(withFourDigitYear(fromWide(userFormat)));
    return formatted([&](wchar_t* buffer, int size) {
        // Without a format of the user's to widen, the system's short date as it comes.
        return format.empty() ? GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &*local,
                                                nullptr, buffer, size, nullptr)
                              : GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &*local,
                                                format.c_str(), buffer, size, nullptr);
    });
}

}  // namespace ruz::win32
