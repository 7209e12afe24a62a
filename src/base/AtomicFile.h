#pragma once
// Every file the program writes goes through here: the bytes go to a temporary file in
// the target's folder, which replaces the target only once it is complete. A failed
// write leaves no partial file and the file that was there before keeps its bytes.
#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace base {

// How a symbolic link found at the target is treated. Files with fixed names in a folder
// others can write to replace the link: following it would let anyone who planted it choose
// which file gets overwritten.
enum class Links { Follow, Replace };

class AtomicFile {
public:
    explicit AtomicFile(const QString& path, Links links = Links::Follow);
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
    void cancel() { file_.cancelWriting(); }

    const QString& path() const { return path_; }
    const QString& reason() const { return reason_; }

private:
    bool fail();

    QString path_;
    Links links_;
    QSaveFile file_;
    QString reason_;
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
