#pragma once
// Base64 as the stored records use it: the standard alphabet with padding, nothing else.
#include <QByteArray>
#include <QString>

#include <optional>

namespace Base64 {

QString encode(const QByteArray& bytes);
// nullopt for anything but canonical standard Base64 (whitespace and line breaks included).
std::optional<QByteArray> decodeStrict(const QString& text);

} // namespace Base64
