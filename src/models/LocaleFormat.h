#pragma once
// Dates and times as shown to the user, in the user's locale. Times show hours and
// minutes only, whatever the locale's short format carries.
#include <QDateTime>
#include <QString>

namespace LocaleFormat {

// The locale's short time without seconds: "2:05 PM", "14:05".
QString shortTime(const QTime& time);
// Numeric date, then the short time: "12/7/26, 2:05 PM".
QString numericDateTime(const QDateTime& when);
// Abbreviated month, day and year, then the short time: "Dec 7, 2026, 2:05 PM".
QString abbreviatedDateTime(const QDateTime& when);

} // namespace LocaleFormat
