#pragma once
// Dates in stored records: floating-point seconds since 2001-01-01 00:00:00 UTC.
#include <QDateTime>

#include <optional>

namespace ReferenceDate {

double secondsFrom(const QDateTime& date);
// nullopt for values no date can hold (NaN, infinities, beyond ±3 million years).
std::optional<QDateTime> dateFrom(double seconds);

} // namespace ReferenceDate
