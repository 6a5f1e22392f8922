// Date-time values as days since 1899-12-30 (the fraction is the time of day).
#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QString>

namespace kv {

using TDateTime = double;

TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec = 0);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec = 0);
// An invalid QDateTime for values outside the years 1 to 9999.
QDateTime DateTimeToQDateTime(TDateTime value);
TDateTime QDateTimeToDateTime(const QDateTime& value);
// Raises EConvertError for an invalid date.
TDateTime QDateToDateTime(const QDate& value);

// "yyyy-MM-dd" for a whole day, else "yyyy-MM-dd HH:mm:ss" (with ".zzz" when there are
// milliseconds); locale-independent. Values without a date give their number.
QString DateTimeToStr(TDateTime value);
// Reads the forms DateTimeToStr writes, ISO 8601 with a 'T', and "yyyy/MM/dd".
bool TryStrToDateTime(const QString& text, TDateTime& out);

} // namespace kv
