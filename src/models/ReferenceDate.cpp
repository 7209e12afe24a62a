#include "models/ReferenceDate.h"

#include <cmath>

namespace ReferenceDate {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 kEpochMs = 978307200000LL;

double secondsFrom(const QDateTime& date) {
    return double(date.toMSecsSinceEpoch() - kEpochMs) / 1000.0;
}

std::optional<QDateTime> dateFrom(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e14)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(kEpochMs + qint64(std::llround(seconds * 1000.0)),
                                          Qt::UTC);
}

} // namespace ReferenceDate
