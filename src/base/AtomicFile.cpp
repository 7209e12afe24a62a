#include "base/AtomicFile.h"

#include "base/InputFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace base {

AtomicFile::AtomicFile(const QString& path, Links links, WriteBatch* batch)
    : path_(path), links_(links), batch_(batch), file_(path) {}

AtomicFile::~AtomicFile() {
    cancel();
}

void AtomicFile::cancel() {
    if (!batch_) {
        file_.cancelWriting();
    } else if (temporary_.isOpen()) {
        temporary_.close();
        QFile::remove(temporaryName_);
    }
}

bool AtomicFile::fail() {
    reason_ = systemReason(device().errorString());
    cancel();
    return false;
}

bool AtomicFile::openTemporary() {
    // Beside the file a link leads to, when links are followed: the rename then replaces
    // that file, as a save through the link would.
    QString target = path_;
    if (links_ == Links::Follow && QFileInfo(path_).isSymLink())
        target = QFileInfo(path_).symLinkTarget();
    const QFileInfo info(target);
    const QByteArray stem = QFile::encodeName(info.absoluteDir().filePath("." + info.fileName()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = stem + '.' +
                                QByteArray::number(QRandomGenerator::global()->generate(), 36) +
                                QByteArray::number(attempt);
        // New files get the permissions the user's umask gives, as any other file written.
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return false;
        temporaryName_ = QFile::decodeName(name);
        if (temporary_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            batchTarget_ = info.absoluteFilePath();
            return true;
        }
        ::close(fd);
        ::unlink(name.constData());
        return false;
    }
    errno = EEXIST;
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
    if (batch_)
        return openTemporary() || fail();
    return file_.open(QIODevice::WriteOnly) || fail();
}

bool AtomicFile::write(const char* data, qint64 size) {
    errno = 0;
    return device().write(data, size) == size || fail();
}

bool AtomicFile::commit() {
    errno = 0;
    // The save file ignores a failure of the last buffered write at commit and would keep
    // a cut-off file: flush first and check.
    if (!device().flush())
        return fail();
    if (batch_) {
        temporary_.close();
        if (temporary_.error() != QFileDevice::NoError)
            return fail();
        batch_->add(temporaryName_, batchTarget_);
        return true;
    }
    if (file_.commit())
        return true;
    reason_ = systemReason(file_.errorString());
    return false;
}

WriteBatch::~WriteBatch() {
    for (const auto& [temporary, target] : pending_)
        QFile::remove(temporary);
}

void WriteBatch::add(const QString& temporary, const QString& target) {
    std::lock_guard lock(mutex_);
    pending_.emplace_back(temporary, target);
}

QStringList WriteBatch::targets() const {
    std::lock_guard lock(mutex_);
    QStringList out;
    for (const auto& entry : pending_)
        out << entry.second;
    return out;
}

bool WriteBatch::commit(QString* error) {
    std::lock_guard lock(mutex_);
    // One flush for each file system written to, then the names: a file gets its name only
    // once its bytes are on disk.
    std::set<dev_t> synced;
    std::set<QString> folders;
    for (const auto& entry : pending_) {
        const QString folder = QFileInfo(entry.second).absolutePath();
        folders.insert(folder);
        struct stat st {};
        if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || synced.count(st.st_dev))
            continue;
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC);
        errno = 0;
        if (fd < 0 || ::syncfs(fd) != 0) {
            const QString reason = systemReason(QStringLiteral("the files could not be flushed"));
            if (fd >= 0)
                ::close(fd);
            if (error)
                *error = couldNotBeWritten(entry.second, reason);
            return false;
        }
        ::close(fd);
        synced.insert(st.st_dev);
    }
    size_t named = 0;
    for (; named < pending_.size(); ++named) {
        const auto& [temporary, target] = pending_[named];
        errno = 0;
        if (::rename(QFile::encodeName(temporary).constData(),
                     QFile::encodeName(target).constData()) != 0)
            break;
    }
    const bool allNamed = named == pending_.size();
    if (!allNamed && error)
        *error = couldNotBeWritten(pending_[named].second, systemReason({}));
    // What was not named is removed with the batch.
    pending_.erase(pending_.begin(), pending_.begin() + qsizetype(named));
    // The new names themselves, once per folder.
    for (const QString& folder : folders) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
    return allNamed;
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
