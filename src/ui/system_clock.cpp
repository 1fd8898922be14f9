#include "ui/system_clock.h"

#include "qt/qt_text.h"

#include <QRegularExpression>

namespace ruz::ui {

namespace {
bool isPlainLocale(const QLocale& locale) {
    return locale.language() == QLocale::C;
}

// The moment in the machine's time zone.
QDateTime localTime(WallTime at) {
    return QDateTime::fromMSecsSinceEpoch(at.time_since_epoch().count());
}
}  // namespace

QString regionalLongTime(const QLocale& locale, const QDateTime& at) {
    if (isPlainLocale(locale)) {
        return QLocale(QLocale::English, QLocale::UnitedStates).toString(at.time(), u"h:mm:ss AP");
    }
    // Qt's long time format names the time zone; the regional long time format does not.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(u't').replace(QStringLiteral("  "), QStringLiteral(" "));
    return locale.toString(at.time(), format.trimmed());
}

QString regionalShortDate(const QLocale& locale, const QDateTime& at) {
    if (isPlainLocale(locale)) {
        return QLocale(QLocale::English, QLocale::UnitedStates).toString(at.date(), u"M/d/yyyy");
    }
    // A two-digit year ("yy", not part of "yyyy") becomes four digits.
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    QString format = locale.dateFormat(QLocale::ShortFormat);
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return locale.toString(at.date(), format);
}

std::u16string SystemClock::longTime(WallTime at) const {
    return fromQString(regionalLongTime(QLocale::system(), localTime(at)));
}

std::u16string SystemClock::shortDate(WallTime at) const {
    return fromQString(regionalShortDate(QLocale::system(), localTime(at)));
}

}  // namespace ruz::ui
