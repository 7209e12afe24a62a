#include "models/SignatureModel.h"

#include "models/Base64.h"
#include "models/ReferenceDate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::optional<QUuid> parseUuid(const QString& text) {
    // Exactly the 8-4-4-4-12 form; QUuid alone would also take braces.
    if (text.size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}

} // namespace

QByteArray SavedSignature::encodeLibrary(const std::vector<SavedSignature>& signatures) {
    QJsonArray array;
    for (const SavedSignature& s : signatures) {
        QJsonObject object;
        object.insert("id", s.id.toString(QUuid::WithoutBraces).toUpper());
        object.insert("name", s.name);
        object.insert("imageData", Base64::encode(s.imageData));
        object.insert("dateCreated", ReferenceDate::secondsFrom(s.dateCreated));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<std::vector<SavedSignature>> SavedSignature::decodeLibrary(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    std::vector<SavedSignature> signatures;
    for (const QJsonValue& value : document.array()) {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject object = value.toObject();
        const QJsonValue id = object.value("id");
        const QJsonValue name = object.value("name");
        const QJsonValue image = object.value("imageData");
        const QJsonValue date = object.value("dateCreated");
        if (!id.isString() || !name.isString() || !image.isString() || !date.isDouble())
            return std::nullopt;
        const auto uuid = parseUuid(id.toString());
        const auto bytes = Base64::decodeStrict(image.toString());
        const auto created = ReferenceDate::dateFrom(date.toDouble());
        if (!uuid || !bytes || !created)
            return std::nullopt;
        signatures.push_back(SavedSignature{*uuid, name.toString(), *bytes, *created});
    }
    return signatures;
}
