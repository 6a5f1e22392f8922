#include "platform/rtl/DateUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QRegularExpression>

#include <cmath>

namespace kv {

namespace {
constexpr qint64 kMsPerDay = 86400000;
// Days of 0001-01-01 minus one and of 10000-01-01, both excluded.
constexpr double kMinDateTime = -693594;
constexpr double kMaxDateTime = 2958466;
qint64 BaseJulianDay()
{
    static const qint64 base = QDate(1899, 12, 30).toJulianDay();
    return base;
}
} // namespace

TDateTime QDateToDateTime(const QDate& value)
{
    if (!value.isValid())
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return static_cast<double>(value.toJulianDay() - BaseJulianDay());
}

TDateTime EncodeDate(int year, int month, int day)
{
    return QDateToDateTime(QDate(year, month, day));
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
    // Years 1 to 9999; anything else (NaN and infinities too) has no date.
    if (!(value > kMinDateTime && value < kMaxDateTime))
        return QDateTime();
    // Negative values keep the time of day as a positive fraction: -1.25 is 1899-12-29 06:00.
    double days = std::trunc(value);
    qint64 ms = std::llround(std::fabs(value - days) * kMsPerDay);
    if (ms >= kMsPerDay) { // the fraction rounds up to the next midnight
        ms = 0;
        days += value < 0 ? -1 : 1;
    }
    const QDate date = QDate::fromJulianDay(BaseJulianDay() + static_cast<qint64>(days));
    return QDateTime(date, QTime(0, 0).addMSecs(static_cast<int>(ms)), Qt::UTC);
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
    if (!dt.isValid())
        return FloatToStr(value);
    const QTime t = dt.time();
    if (t.msecsSinceStartOfDay() == 0)
        return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (t.msec() != 0)
        return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool TryStrToDateTime(const QString& text, TDateTime& out)
{
    // Date and time are read apart, as plain fields: no time zone can shift or reject them.
    static const QRegularExpression separator(QStringLiteral("[ T]"));
    const QString s = text.trimmed();
    const qsizetype sep = s.indexOf(separator);
    const QString datePart = sep < 0 ? s : s.left(sep);
    const QString timePart = sep < 0 ? QString() : s.mid(sep + 1).trimmed();
    QDate date;
    for (const char* f : {"yyyy-MM-dd", "yyyy/MM/dd"})
        if (!date.isValid())
            date = QDate::fromString(datePart, QLatin1String(f));
    // Years before 1 have no text form to write back.
    if (!date.isValid() || date.year() < 1)
        return false;
    QTime time(0, 0);
    if (sep >= 0) {
        time = QTime();
        for (const char* f : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm"})
            if (!time.isValid())
                time = QTime::fromString(timePart, QLatin1String(f));
        if (!time.isValid())
            return false;
    }
    out = QDateTimeToDateTime(QDateTime(date, time, Qt::UTC));
    return true;
}

} // namespace kv
