#pragma once
// Dates as PDF files write them: "D:YYYYMMDDHHmmSSOHH'mm'", every part after the year
// optional. An invalid QDateTime for text that is not one.
#include <QDateTime>
#include <QString>

namespace pdf {
QDateTime parsePdfDate(QString raw);
} // namespace pdf
