#include "viewmodels/DiskWatch.h"

#include "pdf/document/Document.h"
#include "pdf/document/DocumentSource.h"
#include "viewmodels/DocumentViewModel.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <sys/stat.h>

namespace {

// What the file under `path` is now, to tell one version of it from the next; empty when
// there is none.
QByteArray versionOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) +
           ':' + QByteArray::number(qint64(st.st_size)) + ':' +
           QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

} // namespace

DiskWatch::DiskWatch(DocumentViewModel* documentVM, QObject* parent)
    : QObject(parent), documentVM_(documentVM), watcher_(new QFileSystemWatcher(this)) {
    settle_.setSingleShot(true);
    settle_.setInterval(250);
    connect(&settle_, &QTimer::timeout, this, &DiskWatch::check);
    // The folder too: a file saved by renaming a new one over its name stops being watched.
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
    connect(documentVM_, &DocumentViewModel::pdfDocumentChanged, this, &DiskWatch::documentChanged);
    documentChanged();
}

void DiskWatch::documentChanged() {
    const QStringList watched = watcher_->files() + watcher_->directories();
    if (!watched.isEmpty())
        watcher_->removePaths(watched);
    const pdf::DocumentPtr& document = documentVM_->pdfDocument();
    path_ = document ? document->path() : QString();
    dismissed_.clear();
    setChanged(false);
    if (path_.isEmpty())
        return;
    watcher_->addPath(path_);
    watcher_->addPath(QFileInfo(path_).absolutePath());
}

void DiskWatch::check() {
    const pdf::DocumentPtr& document = documentVM_->pdfDocument();
    if (!document || path_.isEmpty())
        return;
    if (!watcher_->files().contains(path_) && QFileInfo::exists(path_))
        watcher_->addPath(path_); // a new file under the name
    const bool changed =
        pdf::sourceState(*document) != pdf::SourceState::Unchanged && QFileInfo(path_).isFile();
    // A version the reader chose to keep ignoring stays ignored; the next one is told.
    setChanged(changed && versionOf(path_) != dismissed_);
}

void DiskWatch::setChanged(bool changed) {
    if (changed_ == changed)
        return;
    changed_ = changed;
    emit changedOnDiskChanged();
}

QString DiskWatch::message() const {
    if (!changed_)
        return {};
    return tr("“%1” was changed by another program. Reload it to see the file as it is now.")
        .arg(QFileInfo(path_).fileName());
}

void DiskWatch::dismiss() {
    dismissed_ = versionOf(path_);
    setChanged(false);
}

bool DiskWatch::reload() {
    const QString path = path_;
    if (path.isEmpty())
        return false;
    const int page = documentVM_->currentPageIndex();
    pdf::DocumentPtr fresh = pdf::Document::open(path);
    if (!fresh)
        return false;
    if (!documentVM_->loadDocument(QUrl::fromLocalFile(path), fresh))
        return false;
    documentVM_->goToPage(std::min(page, std::max(0, fresh->pageCount() - 1)));
    return true;
}
