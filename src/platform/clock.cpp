#include "platform/clock.h"

#include "text/text.h"

namespace ruz {

namespace {
constexpr int kHoursPerHalfDay = 12;
constexpr int kYearDigits = 4;

// Where a virtual clock starts until it is set.
WallTime defaultWallClock() {
    return utcTime(2026, 12, 6, 22, 31, 2);
}

std::u16string twoDigits(long long value) {
    return text::rightJustified(text::number(value), 2, u'0');
}
}  // namespace

WallTime utcTime(int year, int month, int day, int hour, int minute, int second) {
    using namespace std::chrono;
    // Months beyond December carry into the years, days beyond a month's end into the months.
    const year_month carried = std::chrono::year(year) / std::chrono::month(1) + months(month - 1);
    const sys_days date = sys_days(carried / 1) + days(day - 1);
    return date + hours(hour) + minutes(minute) + seconds(second);
}

std::u16string usLongTime(WallTime at) {
    using namespace std::chrono;
    const auto sinceMidnight = floor<seconds>(at) - floor<days>(at);
    const hh_mm_ss<seconds> time(sinceMidnight);
    const long long hour24 = time.hours().count();
    const long long hour12 =
        hour24 % kHoursPerHalfDay == 0 ? kHoursPerHalfDay : hour24 % kHoursPerHalfDay;
    return text::number(hour12) + u':' + twoDigits(time.minutes().count()) + u':' +
           twoDigits(time.seconds().count()) + (hour24 < kHoursPerHalfDay ? u" AM" : u" PM");
}

std::u16string usShortDate(WallTime at) {
    using namespace std::chrono;
    const year_month_day date(floor<days>(at));
    const int year = static_cast<int>(date.year());
    const std::u16string digits =
        text::rightJustified(text::number(year < 0 ? -year : year), kYearDigits, u'0');
    return text::number(static_cast<unsigned>(date.month())) + u'/' +
           text::number(static_cast<unsigned>(date.day())) + u'/' + (year < 0 ? u"-" : u"") +
           digits;
}

VirtualClock::VirtualClock(const TimerHost& host) : host_(host), base_(defaultWallClock()) {
    baseMs_ = host_.nowMs();
}

void VirtualClock::set(WallTime at) {
    base_ = at;
    baseMs_ = host_.nowMs();
}

WallTime VirtualClock::now() const {
    return base_ + std::chrono::milliseconds(host_.nowMs() - baseMs_);
}

}  // namespace ruz
