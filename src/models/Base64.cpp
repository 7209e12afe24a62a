#include "models/Base64.h"

namespace Base64 {

QString encode(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64Encoding));
}

std::optional<QByteArray> decodeStrict(const QString& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool alphabet = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                              (u >= '0' && u <= '9') || u == '+' || u == '/' || u == '=';
        if (!alphabet)
            return std::nullopt;
    }
    const QByteArray latin = text.toLatin1();
    auto result = QByteArray::fromBase64Encoding(
        latin, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    // Only the canonical spelling (padding bits zero, '=' only at the end) is accepted, so
    // one text stands for one byte string.
    if (!result || result.decoded.toBase64() != latin)
        return std::nullopt;
    return result.decoded;
}

} // namespace Base64
