#pragma once
// One bookmarked page, and its stored JSON form: {"id": upper-case UUID, "pageIndex":
// integer, "label": text, "dateAdded": seconds since 2001-01-01 00:00:00 UTC}.
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUuid>

#include <optional>

struct Bookmark {
    QUuid id;
    qint64 pageIndex = 0;
    QString label;
    QDateTime dateAdded;

    // A fresh id, dated now.
    static Bookmark make(qint64 pageIndex, const QString& label);

    bool operator==(const Bookmark& other) const;

    QJsonObject toJson() const;
    // nullopt unless all four members are present with the right types.
    static std::optional<Bookmark> fromJson(const QJsonObject& object);

    // The stored list: a compact JSON array. nullopt when the bytes are not an array of
    // complete bookmark objects.
    static QByteArray encodeList(const QList<Bookmark>& bookmarks);
    static std::optional<QList<Bookmark>> decodeList(const QByteArray& json);

    // "F47AC10B-58CC-4372-A567-0E02B2C3D479"
    static QString uuidText(const QUuid& id);
};

Q_DECLARE_METATYPE(Bookmark)
