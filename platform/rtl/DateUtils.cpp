#include "platform/rtl/DateUtils.h"
#include "platform/rtl/SysUtils.h"

#include <QtCore/QTimeZone>

#include <cmath>

namespace kv {

namespace {
constexpr qint64 kMsPerDay = 86400000;
qint64 BaseJulianDay()
{
    static const qint64 base = QDate(1899, 12, 30).toJulianDay();
    return base;
}
} // namespace

TDateTime QDateToDateTime(const QDate& value)
{
    return static_cast<double>(value.toJulianDay() - BaseJulianDay());
}

TDateTime EncodeDate(int year, int month, int day)
{
    const QDate d(year, month, day);
    if (!d.isValid())
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return QDateToDateTime(d);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return ((hour * 3600.0 + minute * 60.0 + second) * 1000.0 + msec) / kMsPerDay;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec)
{
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, msec);
}

QDateTime DateTimeToQDateTime(TDateTime value)
{
    // Negative values keep the time of day as a positive fraction: -1.25 is 1899-12-29 06:00.
    const double days = std::trunc(value);
    const qint64 ms = std::llround(std::fabs(value - days) * kMsPerDay);
    const QDate date = QDate::fromJulianDay(BaseJulianDay() + static_cast<qint64>(days));
    return QDateTime(date, QTime(0, 0).addMSecs(static_cast<int>(std::min<qint64>(ms, kMsPerDay - 1))), Qt::UTC);
}

TDateTime QDateTimeToDateTime(const QDateTime& value)
{
    const double days = QDateToDateTime(value.date());
    const double frac = value.time().msecsSinceStartOfDay() / double(kMsPerDay);
    return days >= 0 ? days + frac : days - frac;
}

QString DateTimeToStr(TDateTime value)
{
    const QDateTime dt = DateTimeToQDateTime(value);
    const QTime t = dt.time();
    if (t.msecsSinceStartOfDay() == 0)
        return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (t.msec() != 0)
        return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool TryStrToDateTime(const QString& text, TDateTime& out)
{
    const QString s = text.trimmed();
    static const char* const formats[] = {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm",
                                          "yyyy-MM-ddTHH:mm:ss.zzz", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd",
                                          "yyyy/MM/dd HH:mm:ss",     "yyyy/MM/dd"};
    for (const char* f : formats) {
        const QDateTime dt = QDateTime::fromString(s, QString::fromLatin1(f));
        if (dt.isValid()) {
            out = QDateTimeToDateTime(dt);
            return true;
        }
    }
    return false;
}

} // namespace kv
