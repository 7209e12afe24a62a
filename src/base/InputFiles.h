#pragma once
// The files a run is reading from, by identity (device and inode, so a second name or a
// hard link is the same file). Every writer asks here before it replaces a file: no
// command or sheet may write over one of its own inputs.
#include <QString>
#include <QStringList>

#include <vector>

namespace base {

// Registers `paths` as inputs for the guard's lifetime. Paths that do not exist are ignored.
class ReadingFiles {
public:
    explicit ReadingFiles(const QStringList& paths);
    explicit ReadingFiles(const QString& path) : ReadingFiles(QStringList{path}) {}
    ~ReadingFiles();
    ReadingFiles(const ReadingFiles&) = delete;
    ReadingFiles& operator=(const ReadingFiles&) = delete;

private:
    struct Id {
        quint64 device;
        quint64 inode;
    };
    std::vector<Id> ids_;
    friend class InputRegistry;
};

// True when both paths name one existing file (links followed).
bool isSameFile(const QString& a, const QString& b);

// Empty when `output` may be written; otherwise the reason it may not, in words for a
// person: it is one of the files being read (registered, or one of `inputs`).
QString overwritesInput(const QString& output, const QStringList& inputs = {});

// False, with the reason, for anything but a regular file (a folder, a FIFO, a device):
// those cannot be read whole, or never end.
bool isRegularFile(const QString& path, QString* reason = nullptr);

// Empty when `path` is a regular file this process may read; otherwise why not, in words
// for a person: "no such file", "permission denied", "is a folder, not a file", "is a
// FIFO (named pipe), not a file", "is a device, not a file".
QString unreadableReason(const QString& path);

// Removes `path` when it is a symbolic link, so that a file written under that name in a
// shared folder replaces the link instead of the file it points at. False when a link is
// there and cannot be removed.
bool removeLink(const QString& path);

} // namespace base
