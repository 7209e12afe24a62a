#include "viewmodels/ReadingHistory.h"

#include "platform/Preferences.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {
const QString kRecentKey = QStringLiteral("recentFiles");
QString placeKey(const QString& path) {
    return QStringLiteral("place:") + path;
}
} // namespace

namespace ReadingHistory {

void rememberPlace(const QString& path, const ReadingPlace& place) {
    if (path.isEmpty())
        return;
    const QJsonObject object{{QStringLiteral("page"), place.page},
                             {QStringLiteral("scale"), place.scale},
                             {QStringLiteral("autoScales"), place.autoScales},
                             {QStringLiteral("mode"), int(place.mode)}};
    Preferences::setData(placeKey(path), QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<ReadingPlace> place(const QString& path) {
    const auto stored = Preferences::data(placeKey(path));
    if (!stored)
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(*stored).object();
    if (!object.value(QStringLiteral("page")).isDouble())
        return std::nullopt;
    ReadingPlace result;
    result.page = std::max(0, object.value(QStringLiteral("page")).toInt());
    result.scale = object.value(QStringLiteral("scale")).toDouble(1.0);
    if (!(result.scale > 0))
        result.scale = 1.0;
    result.autoScales = object.value(QStringLiteral("autoScales")).toBool(true);
    const int mode = object.value(QStringLiteral("mode")).toInt(1);
    result.mode =
        mode >= 0 && mode <= 3 ? PDFDisplayMode(mode) : PDFDisplayMode::singlePageContinuous;
    return result;
}

static QStringList storedRecent() {
    QStringList files;
    if (const auto stored = Preferences::data(kRecentKey))
        for (const QJsonValue& value : QJsonDocument::fromJson(*stored).array())
            if (value.isString())
                files << value.toString();
    return files;
}

void addRecent(const QString& path) {
    if (path.isEmpty())
        return;
    QStringList files = storedRecent();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentLimit)
        files.removeLast();
    Preferences::setData(
        kRecentKey,
        QJsonDocument(QJsonArray::fromStringList(files)).toJson(QJsonDocument::Compact));
}

QStringList recentFiles() {
    QStringList files;
    for (const QString& path : storedRecent())
        if (QFileInfo::exists(path))
            files << path;
    return files;
}

void clearRecent() {
    Preferences::remove(kRecentKey);
}

} // namespace ReadingHistory
