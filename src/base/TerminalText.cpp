#include "base/TerminalText.h"

namespace base {

QString terminalSafe(const QString& text, bool keepLayout) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (keepLayout && (u == '\n' || u == '\t' || u == '\f')) {
            out += ch;
        } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            out += QStringLiteral("\\x") + QString::number(u, 16).toUpper().rightJustified(2, '0');
        } else if ((u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069)) {
            out += QStringLiteral("\\u") + QString::number(u, 16).toUpper();
        } else {
            out += ch;
        }
    }
    return out;
}

} // namespace base
