#include "platform/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QSettings settings() {
    return QSettings(QStringLiteral("Vellumark"), QStringLiteral("Brivel PDF"));
}

// The file holds the saved signatures and the paths of documents read: it is made private
// to the user before anything is written to it (the settings writer keeps the mode of the
// file it replaces), and made private again should it have been created otherwise.
void keepPrivate(const QSettings& s) {
    const QString path = s.fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
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
    keepPrivate(s);
    s.setValue(encodeKey(key), value);
    s.sync();
    keepPrivate(s);
    return s.status() == QSettings::NoError;
}

void Preferences::remove(const QString& key) {
    if (key.isEmpty())
        return;
    QSettings s = settings();
    keepPrivate(s);
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
