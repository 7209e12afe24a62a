#include "base/AtomicFile.h"

#include "base/InputFiles.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace base {

AtomicFile::AtomicFile(const QString& path, Links links)
    : path_(path), links_(links), file_(path) {}

bool AtomicFile::fail() {
    reason_ = systemReason(file_.errorString());
    file_.cancelWriting();
    return false;
}

bool AtomicFile::open() {
    errno = 0;
    if (QFileInfo(path_).isDir()) {
        reason_ = QString::fromUtf8(std::strerror(EISDIR));
        return false;
    }
    reason_ = overwritesInput(path_);
    if (!reason_.isEmpty())
        return false;
    if (links_ == Links::Replace && !removeLink(path_))
        return fail();
    return file_.open(QIODevice::WriteOnly) || fail();
}

bool AtomicFile::write(const char* data, qint64 size) {
    errno = 0;
    return file_.write(data, size) == size || fail();
}

bool AtomicFile::commit() {
    errno = 0;
    // The save file ignores a failure of the last buffered write at commit and would keep
    // a cut-off file: flush first and check.
    if (!file_.flush())
        return fail();
    if (file_.commit())
        return true;
    reason_ = systemReason(file_.errorString());
    return false;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error, Links links) {
    AtomicFile file(path, links);
    if (file.open() && file.write(bytes) && file.commit())
        return true;
    if (error)
        *error = couldNotBeWritten(path, file.reason());
    return false;
}

QString couldNotBeWritten(const QString& path, const QString& reason) {
    return QStringLiteral("“%1” could not be written: %2").arg(QFileInfo(path).fileName(), reason);
}

QString systemReason(const QString& fallback) {
    const int err = errno;
    if (err != 0)
        return QString::fromLocal8Bit(std::strerror(err));
    return fallback.isEmpty() ? QStringLiteral("unknown error") : fallback;
}

} // namespace base
