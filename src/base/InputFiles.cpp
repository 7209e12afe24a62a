#include "base/InputFiles.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace base {

namespace {

bool identify(const QString& path, struct stat* st) {
    if (path.isEmpty())
        return false;
    return ::stat(QFile::encodeName(path).constData(), st) == 0;
}

} // namespace

class InputRegistry {
public:
    static InputRegistry& instance() {
        static InputRegistry registry;
        return registry;
    }
    void add(const std::vector<ReadingFiles::Id>& ids) {
        std::lock_guard lock(mutex_);
        ids_.insert(ids_.end(), ids.begin(), ids.end());
    }
    void remove(const std::vector<ReadingFiles::Id>& ids) {
        std::lock_guard lock(mutex_);
        for (const auto& id : ids) {
            auto it = std::find_if(ids_.begin(), ids_.end(), [&](const ReadingFiles::Id& other) {
                return other.device == id.device && other.inode == id.inode;
            });
            if (it != ids_.end())
                ids_.erase(it);
        }
    }
    bool contains(quint64 device, quint64 inode) {
        std::lock_guard lock(mutex_);
        return std::any_of(ids_.begin(), ids_.end(), [&](const ReadingFiles::Id& id) {
            return id.device == device && id.inode == inode;
        });
    }

private:
    std::mutex mutex_;
    std::vector<ReadingFiles::Id> ids_; // a file read twice is listed twice
};

ReadingFiles::ReadingFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        struct stat st {};
        if (identify(path, &st))
            ids_.push_back({quint64(st.st_dev), quint64(st.st_ino)});
    }
    InputRegistry::instance().add(ids_);
}

ReadingFiles::~ReadingFiles() {
    InputRegistry::instance().remove(ids_);
}

bool isSameFile(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    return identify(a, &sa) && identify(b, &sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString overwritesInput(const QString& output, const QStringList& inputs) {
    struct stat st {};
    if (!identify(output, &st))
        return {}; // nothing there yet: nothing to overwrite
    const bool clash = InputRegistry::instance().contains(quint64(st.st_dev), quint64(st.st_ino)) ||
                       std::any_of(inputs.begin(), inputs.end(),
                                   [&](const QString& input) { return isSameFile(output, input); });
    return clash ? QStringLiteral("it is one of the files being read; choose another name")
                 : QString();
}

namespace {

// Why a `stat` or `open` of a file failed, in the words the commands use.
QString failureText(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("no such file");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    default:
        return QString::fromLocal8Bit(std::strerror(error)).toLower();
    }
}

// What kind of file `st` describes when it is not a regular one; empty for a regular file.
QString kindText(const struct stat& st) {
    if (S_ISREG(st.st_mode))
        return {};
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("is a folder, not a file");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("is a FIFO (named pipe), not a file");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("is a socket, not a file");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return QStringLiteral("is a device, not a file");
    return QStringLiteral("is not a regular file");
}

} // namespace

bool isRegularFile(const QString& path, QString* reason) {
    struct stat st {};
    QString why;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        why = failureText(errno);
    else
        why = kindText(st);
    if (reason)
        *reason = why;
    return why.isEmpty();
}

QString unreadableReason(const QString& path) {
    if (path.isEmpty())
        return QStringLiteral("no such file");
    QString why;
    if (!isRegularFile(path, &why))
        return why;
    // Opening is the one test of permission that agrees with what reading will meet.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failureText(errno);
    ::close(fd);
    return {};
}

bool removeLink(const QString& path) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return true;
    return ::unlink(name.constData()) == 0;
}

} // namespace base
