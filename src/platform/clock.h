#pragma once

#include "platform/timer_host.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace ruz {

// The system clock and the platform's conversion of a time and a date to text in the user's
// regional format.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // The time of day in the long time format ("10:31:02 PM" in the United States).
    virtual QString longTime(const QDateTime& at) const = 0;
    // The date in the short date format ("12/6/2026" in the United States).
    virtual QString shortDate(const QDateTime& at) const = 0;
};

// United States formats, whatever the machine's settings.
QString usLongTime(const QDateTime& at);
QString usShortDate(const QDateTime& at);

// The regional formats of `locale`, as announcements use them: the short date always with the
// year in four digits; United States formats where the locale is C or POSIX.
QString regionalLongTime(const QLocale& locale, const QDateTime& at);
QString regionalShortDate(const QLocale& locale, const QDateTime& at);

// A wall clock that runs on virtual time, with United States formats: scenarios and tests.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(const TimerHost& host);
    // The wall clock reads `at` at the current virtual time and runs on from there.
    void set(const QDateTime& at);
    QDateTime now() const override;
    QString longTime(const QDateTime& at) const override { return usLongTime(at); }
    QString shortDate(const QDateTime& at) const override { return usShortDate(at); }

  private:
    const TimerHost& host_;
    QDateTime base_;
    std::int64_t baseMs_ = 0;
};

// The machine's clock in the user's regional formats: the desktop program.
class SystemClock final : public Clock {
  public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    QString longTime(const QDateTime& at) const override;
    QString shortDate(const QDateTime& at) const override;
};

}  // namespace ruz
