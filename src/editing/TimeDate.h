#pragma once
// The texts of the Time/ Date command: the locale's short date with a
// four-digit year and its long time without a time zone.

#include <QDate>
#include <QLocale>
#include <QTime>

namespace timedate {

// The locale's short date format with every year field widened to four
// digits ("M/d/yy" -> "M/d/yyyy").
QString shortDateFormat(const QLocale &locale);
// The locale's long time format without its time-zone fields
// ("h:mm:ss AP t" -> "h:mm:ss AP").
QString longTimeFormat(const QLocale &locale);

QString dateText(const QDate &date, const QLocale &locale);
QString timeText(const QTime &time, const QLocale &locale);

} // namespace timedate
