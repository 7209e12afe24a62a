#include "models/BookmarkModel.h"

#include "models/ReferenceDate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>

Bookmark Bookmark::make(qint64 pageIndex, const QString& label) {
    return Bookmark{QUuid::createUuid(), pageIndex, label, QDateTime::currentDateTimeUtc()};
}

bool Bookmark::operator==(const Bookmark& other) const {
    return id == other.id && pageIndex == other.pageIndex && label == other.label &&
           dateAdded == other.dateAdded;
}

QString Bookmark::uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QJsonObject Bookmark::toJson() const {
    return QJsonObject{{"id", uuidText(id)},
                       {"pageIndex", double(pageIndex)},
                       {"label", label},
                       {"dateAdded", ReferenceDate::secondsFrom(dateAdded)}};
}

std::optional<Bookmark> Bookmark::fromJson(const QJsonObject& object) {
    const QJsonValue id = object.value("id");
    const QJsonValue page = object.value("pageIndex");
    const QJsonValue label = object.value("label");
    const QJsonValue date = object.value("dateAdded");
    if (!id.isString() || !page.isDouble() || !label.isString() || !date.isDouble())
        return std::nullopt;
    const QString idText = id.toString();
    const QUuid uuid = QUuid::fromString(idText);
    // Only the bare 36-character form is a stored id (no braces, not the null id).
    if (idText.size() != 36 || uuid.isNull())
        return std::nullopt;
    const double pageValue = page.toDouble();
    if (pageValue != std::floor(pageValue) || std::abs(pageValue) > 9007199254740992.0)
        return std::nullopt;
    const std::optional<QDateTime> added = ReferenceDate::dateFrom(date.toDouble());
    if (!added)
        return std::nullopt;
    return Bookmark{uuid, qint64(pageValue), label.toString(), *added};
}

QByteArray Bookmark::encodeList(const QList<Bookmark>& bookmarks) {
    QJsonArray array;
    for (const Bookmark& b : bookmarks)
        array.append(b.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<Bookmark>> Bookmark::decodeList(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QList<Bookmark> out;
    for (const QJsonValue& v : doc.array()) {
        if (!v.isObject())
            return std::nullopt;
        std::optional<Bookmark> b = fromJson(v.toObject());
        if (!b)
            return std::nullopt;
        out.append(*b);
    }
    return out;
}
