#pragma once
// A drawn signature kept in the user's library, and the library's stored JSON form:
// an array of {"id", "name", "imageData" (PNG, Base64), "dateCreated"} objects.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

struct SavedSignature {
    QUuid id = QUuid::createUuid();
    QString name;
    QByteArray imageData; // PNG file bytes
    QDateTime dateCreated = QDateTime::currentDateTimeUtc();

    bool operator==(const SavedSignature& other) const = default;

    // The library as stored: compact UTF-8 JSON, ids as upper-case hyphenated text.
    static QByteArray encodeLibrary(const std::vector<SavedSignature>& signatures);
    // nullopt unless the whole text is such an array with every member of every entry.
    static std::optional<std::vector<SavedSignature>> decodeLibrary(const QByteArray& json);
};
