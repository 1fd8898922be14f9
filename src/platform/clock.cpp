#include "platform/clock.h"

#include <QRegularExpression>

namespace ruz {

namespace {
const QDateTime kDefaultWallClock(QDate(2026, 12, 6), QTime(22, 31, 2), Qt::UTC);
}

QString usLongTime(const QDateTime& at) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(at.time(), u"h:mm:ss AP");
}

QString usShortDate(const QDateTime& at) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(at.date(), u"M/d/yyyy");
}

VirtualClock::VirtualClock(const TimerHost& host) : host_(host), base_(kDefaultWallClock) {
    baseMs_ = host_.nowMs();
}

void VirtualClock::set(const QDateTime& at) {
    base_ = at;
    baseMs_ = host_.nowMs();
}

QDateTime VirtualClock::now() const {
    return base_.addMSecs(host_.nowMs() - baseMs_);
}

namespace {
bool isPlainLocale(const QLocale& locale) {
    return locale.language() == QLocale::C;
}
}  // namespace

QString regionalLongTime(const QLocale& locale, const QDateTime& at) {
    if (isPlainLocale(locale)) {
        return usLongTime(at);
    }
    // Qt's long time format names the time zone; the regional long time format does not.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(u't').replace(QStringLiteral("  "), QStringLiteral(" "));
    return locale.toString(at.time(), format.trimmed());
}

QString regionalShortDate(const QLocale& locale, const QDateTime& at) {
    if (isPlainLocale(locale)) {
        return usShortDate(at);
    }
    // A two-digit year ("yy", not part of "yyyy") becomes four digits.
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    QString format = locale.dateFormat(QLocale::ShortFormat);
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return locale.toString(at.date(), format);
}

QString SystemClock::longTime(const QDateTime& at) const {
    return regionalLongTime(QLocale::system(), at);
}

QString SystemClock::shortDate(const QDateTime& at) const {
    return regionalShortDate(QLocale::system(), at);
}

}  // namespace ruz
