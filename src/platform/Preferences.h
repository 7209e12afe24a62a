#pragma once
// Per-user byte values under text keys, kept across runs (QSettings, organisation
// "Vellumark", application "Brivel PDF"). Keys are kept exactly as given: characters
// QSettings would read as group separators or trim are escaped on the way in and
// restored on the way out.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class Preferences {
public:
    // nullopt when nothing is stored under `key`.
    static std::optional<QByteArray> data(const QString& key);
    // False for an empty key or when the store cannot be written.
    static bool setData(const QString& key, const QByteArray& value);
    static void remove(const QString& key);
    static bool contains(const QString& key);
    // Every stored key, unescaped.
    static QStringList keys();

    // The escaping itself, exposed for tests.
    static QString encodeKey(const QString& key);
    static QString decodeKey(const QString& stored);
};
