#include "platform/Preferences.h"

#include <QSettings>
#include <QUrl>

namespace {

QSettings settings() {
    return QSettings(QStringLiteral("Vellumark"), QStringLiteral("Brivel PDF"));
}

} // namespace

// Percent-encoding everything but unreserved characters leaves QSettings nothing to
// interpret: no "/" or "\\" (groups), no surrounding blanks, no "%" ambiguity.
QString Preferences::encodeKey(const QString& key) {
    return QString::fromLatin1(QUrl::toPercentEncoding(key));
}

QString Preferences::decodeKey(const QString& stored) {
    return QUrl::fromPercentEncoding(stored.toLatin1());
}

std::optional<QByteArray> Preferences::data(const QString& key) {
    if (key.isEmpty())
        return std::nullopt;
    QSettings s = settings();
    const QVariant v = s.value(encodeKey(key));
    if (!v.isValid())
        return std::nullopt;
    return v.toByteArray();
}

bool Preferences::setData(const QString& key, const QByteArray& value) {
    if (key.isEmpty())
        return false;
    QSettings s = settings();
    s.setValue(encodeKey(key), value);
    s.sync();
    return s.status() == QSettings::NoError;
}

void Preferences::remove(const QString& key) {
    if (key.isEmpty())
        return;
    QSettings s = settings();
    s.remove(encodeKey(key));
    s.sync();
}

bool Preferences::contains(const QString& key) {
    return !key.isEmpty() && settings().contains(encodeKey(key));
}

QStringList Preferences::keys() {
    QStringList out;
    for (const QString& k : settings().childKeys())
        out << decodeKey(k);
    return out;
}
