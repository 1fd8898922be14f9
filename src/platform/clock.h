#pragma once

#include "platform/timer_host.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace ruz {

// A moment on the wall clock, to the millisecond.
using WallTime = std::chrono::sys_time<std::chrono::milliseconds>;

// The system clock and the platform's conversion of a time and a date to text in the user's
// regional format.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual WallTime now() const = 0;
    // The time of day in the long time format ("10:31:02 PM" in the United States).
    virtual std::u16string longTime(WallTime at) const = 0;
    // The date in the short date format ("12/6/2026" in the United States).
    virtual std::u16string shortDate(WallTime at) const = 0;
};

// The moment of a date and a time of day in UTC; fields out of their range carry over as a
// calendar counts them (the 32nd of a month is the 1st of the next).
WallTime utcTime(int year, int month, int day, int hour, int minute, int second);

// United States formats of the moment as read in UTC, whatever the machine's settings.
std::u16string usLongTime(WallTime at);
std::u16string usShortDate(WallTime at);

// A wall clock that runs on virtual time, read in UTC with United States formats: scenarios and
// tests.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(const TimerHost& host);
    // The wall clock reads `at` at the current virtual time and runs on from there.
    void set(WallTime at);
    WallTime now() const override;
    std::u16string longTime(WallTime at) const override { return usLongTime(at); }
    std::u16string shortDate(WallTime at) const override { return usShortDate(at); }

  private:
    const TimerHost& host_;
    WallTime base_;
    std::int64_t baseMs_ = 0;
};

}  // namespace ruz
