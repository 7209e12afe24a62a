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
    connect(documentVM_, &DocumentViewModel::saved, this, &DiskWatch::savedTo);
    documentChanged();
}

void DiskWatch::watch(const QString& path) {
    const QStringList watched = watcher_->files() + watcher_->directories();
    if (!watched.isEmpty())
        watcher_->removePaths(watched);
    path_ = path;
    if (path_.isEmpty())
        return;
    watcher_->addPath(path_);
    watcher_->addPath(QFileInfo(path_).absolutePath());
}

void DiskWatch::savedTo(const QString& path) {
    // The window's own save is no news: the file as written is the one to compare with.
    watch(QFileInfo(path).absoluteFilePath());
    known_ = versionOf(path_);
    setChanged(false);
}

void DiskWatch::documentChanged() {
    const pdf::DocumentPtr& document = documentVM_->pdfDocument();
    watch(document ? document->path() : QString());
    known_ = versionOf(path_);
    dismissed_.clear();
    setChanged(false);
}

void DiskWatch::check() {
    const pdf::DocumentPtr& document = documentVM_->pdfDocument();
    if (!document || path_.isEmpty())
        return;
    if (!watcher_->files().contains(path_) && QFileInfo::exists(path_))
        watcher_->addPath(path_); // a new file under the name
    // Another version under the name than the one read (or last saved, or last set aside
    // by the reader), or the very file the document reads written over in place.
    const bool inPlace =
        path_ == document->path() && pdf::sourceState(*document) == pdf::SourceState::Changed;
    const QByteArray now = versionOf(path_);
    setChanged(!now.isEmpty() && (now != known_ || inPlace) && now != dismissed_);
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
