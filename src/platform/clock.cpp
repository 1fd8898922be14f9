#include "platform/clock.h"

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

QString SystemClock::longTime(const QDateTime& at) const {
    // Qt's long time format names the time zone; the regional long time format does not.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(u't').replace(QStringLiteral("  "), QStringLiteral(" "));
    return QLocale::system().toString(at.time(), format.trimmed());
}

QString SystemClock::shortDate(const QDateTime& at) const {
    return QLocale::system().toString(at.date(), QLocale::ShortFormat);
}

}  // namespace ruz
