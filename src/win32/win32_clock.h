#pragma once

#include "platform/clock.h"

#include <string>
#include <string_view>

namespace ruz::win32 {

// A short date format with a two-digit year ("yy", not part of a longer run of "y") widened to
// four digits; text in single quotes stays as it is.
std::u16string withFourDigitYear(std::u16string_view dateFormat);

// The machine's clock in the user's regional formats (GetTimeFormatEx and GetDateFormatEx for the
// user's default locale), read in the machine's time zone; the short date always with the year in
// four digits. A moment the system cannot express (before 1601) is read in UTC with United States
// formats.
class Win32Clock final : public Clock {
  public:
    WallTime now() const override;
    std::u16string longTime(WallTime at) const override;
    std::u16string shortDate(WallTime at) const override;
};

}  // namespace ruz::win32
