#pragma once

#include "platform/clock.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace ruz::ui {

// The regional formats of `locale`, as announcements use them: the short date always with the
// year in four digits; United States formats where the locale is C or POSIX.
QString regionalLongTime(const QLocale& locale, const QDateTime& at);
QString regionalShortDate(const QLocale& locale, const QDateTime& at);

// The machine's clock in the user's regional formats, read in the machine's time zone: the
// desktop program.
class SystemClock final : public Clock {
  public:
    WallTime now() const override {
        return std::chrono::time_point_cast<std::chrono::milliseconds>(
            std::chrono::system_clock::now());
    }
    std::u16string longTime(WallTime at) const override;
    std::u16string shortDate(WallTime at) const override;
};

}  // namespace ruz::ui
