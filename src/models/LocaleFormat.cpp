#include "models/LocaleFormat.h"

#include <QLocale>
#include <QRegularExpression>

namespace LocaleFormat {

namespace {

QString tidy(QString text) {
    // Newer locale data puts a narrow no-break space before AM/PM, which the standard PDF
    // fonts cannot show.
    text.replace(QChar(0x202F), QLatin1Char(' '));
    return text;
}

} // namespace

QString shortTime(const QTime& time) {
    const QLocale locale;
    QString format = locale.timeFormat(QLocale::ShortFormat);
    static const QRegularExpression seconds(QStringLiteral("[:.]?s{1,2}(\\.z+)?"));
    format.remove(seconds);
    return tidy(locale.toString(time, format.trimmed()));
}

QString numericDateTime(const QDateTime& when) {
    const QDateTime local = when.toLocalTime();
    return tidy(QLocale().toString(local.date(), QLocale::ShortFormat)) + ", " +
           shortTime(local.time());
}

QString abbreviatedDateTime(const QDateTime& when) {
    const QLocale locale;
    // The locale's long date without the weekday and with the month abbreviated.
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("(?<!d)dddd?(?!d)[,.\\s]*"));
    format.remove(weekday);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    format = format.trimmed();
    while (format.endsWith(','))
        format.chop(1);
    const QDateTime local = when.toLocalTime();
    return tidy(locale.toString(local.date(), format)) + ", " + shortTime(local.time());
}

} // namespace LocaleFormat
