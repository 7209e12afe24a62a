#include "pdf/document/PdfDate.h"

#include <QTimeZone>

namespace pdf {

QDateTime parsePdfDate(QString raw) {
    if (raw.startsWith("D:"))
        raw = raw.mid(2);
    if (raw.size() < 4)
        return {};
    auto num = [&](int at, int len, int def) {
        bool ok = false;
        const int v = raw.mid(at, len).toInt(&ok);
        return ok && raw.size() >= at + len ? v : def;
    };
    QDate date(num(0, 4, 1), num(4, 2, 1), num(6, 2, 1));
    QTime time(num(8, 2, 0), num(10, 2, 0), num(12, 2, 0));
    int offset = 0;
    if (raw.size() > 14) {
        const QChar sign = raw.at(14);
        if (sign == '+' || sign == '-') {
            offset = (num(15, 2, 0) * 60 + num(18, 2, 0)) * 60;
            if (sign == '-')
                offset = -offset;
        }
    }
    return QDateTime(date, time, QTimeZone(offset));
}

} // namespace pdf
