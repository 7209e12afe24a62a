#pragma once
// Every file the program writes goes through here: the bytes go to a temporary file in
// the target's folder, which replaces the target only once it is complete. A failed
// write leaves no partial file and the file that was there before keeps its bytes.
#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <mutex>
#include <utility>
#include <vector>

namespace base {

// How a symbolic link found at the target is treated. Files with fixed names in a folder
// others can write to replace the link: following it would let anyone who planted it choose
// which file gets overwritten.
enum class Links { Follow, Replace };

class WriteBatch;

class AtomicFile {
public:
    // With a batch, commit() leaves the complete temporary file to the batch, which flushes
    // and names it together with the others (WriteBatch below).
    explicit AtomicFile(const QString& path, Links links = Links::Follow,
                        WriteBatch* batch = nullptr);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Each returns false on failure; reason() then says why, in the system's words
    // ("No space left on device") where there are any. open() refuses a target that is one
    // of the files being read (base/InputFiles.h).
    bool open();
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Replaces the target. Without a commit, destruction throws the temporary file away.
    bool commit();
    void cancel();

    const QString& path() const { return path_; }
    const QString& reason() const { return reason_; }

private:
    bool fail();
    QFileDevice& device() { return batch_ ? static_cast<QFileDevice&>(temporary_) : file_; }
    bool openTemporary();

    QString path_;
    Links links_;
    WriteBatch* batch_;
    QSaveFile file_;
    QFile temporary_; // in a batch: the file being written beside the target
    QString temporaryName_;
    QString batchTarget_;
    QString reason_;
};

// Files written together (the pages of a split, the images of a render): each is written
// to a temporary file beside its target, and commit() flushes them all to disk at once and
// only then gives each its name: one flush instead of one per file. A batch dropped without
// commit leaves no file behind, and no target ever holds a partial file.
class WriteBatch {
public:
    WriteBatch() = default;
    ~WriteBatch();
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // Flushes the files written so far and renames each into place. False, with the
    // reason, when that failed; the targets named before the failure are complete.
    bool commit(QString* error = nullptr);
    // The targets of the files written and not yet named, in the order they were completed.
    QStringList targets() const;

private:
    friend class AtomicFile;
    void add(const QString& temporary, const QString& target); // any thread

    mutable std::mutex mutex_;
    std::vector<std::pair<QString, QString>> pending_; // temporary, target
};

// Writes `bytes` to `path` in one go. On failure returns false and, when `error` is
// given, sets it to the message couldNotBeWritten() makes.
bool writeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr,
               Links links = Links::Follow);

// The one wording of a failed write: “report.pdf” could not be written: <reason>
QString couldNotBeWritten(const QString& path, const QString& reason);

// The system's description of the current errno, or `fallback` when errno is not set.
QString systemReason(const QString& fallback);

} // namespace base
