#pragma once
// Notices when the file of the open document is changed or replaced by another program
// while it is open, and reads it again when the person asks. A file written over in place
// can no longer be read as the document (its pages would read as damage); one replaced
// under its name still is, but no longer is what the name holds.
#include <QObject>
#include <QString>
#include <QTimer>

class DocumentViewModel;
class QFileSystemWatcher;

class DiskWatch : public QObject {
    Q_OBJECT
public:
    explicit DiskWatch(DocumentViewModel* documentVM, QObject* parent = nullptr);

    // Whether the open document's file changed on disk since it was read.
    bool changedOnDisk() const { return changed_; }
    // What to tell the person; empty while nothing changed.
    QString message() const;

    // Reads the file again into the window, at the page the person was reading; unsaved
    // changes are offered for saving first. False when it was not read (cancelled, or the
    // file is gone or no longer a readable PDF; the open document stays).
    bool reload();
    // Stops telling about this change; a later one is told again.
    void dismiss();

    // Looks at the file now rather than when the desktop reports a change.
    void check();

signals:
    void changedOnDiskChanged();

private:
    void documentChanged();
    void savedTo(const QString& path);
    void watch(const QString& path);
    void setChanged(bool changed);

    DocumentViewModel* documentVM_;
    QFileSystemWatcher* watcher_;
    QTimer settle_; // a program saving writes in several steps: look once they are done
    QString path_;
    bool changed_ = false;
    QByteArray known_;     // the version of the file read, or last saved by the window
    QByteArray dismissed_; // the version the reader chose to ignore
};
