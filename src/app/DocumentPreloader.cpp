#include "app/DocumentPreloader.h"

#include "base/InputFiles.h"
#include "pdf/document/DocumentChanges.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

DocumentPreloader::DocumentPreloader(const QString& argument) {
    const QUrl asUrl(argument);
    const QFileInfo info(asUrl.isLocalFile() ? asUrl.toLocalFile() : argument);
    if (argument.isEmpty() || !base::isRegularFile(info.filePath()))
        return;
    path_ = info.absoluteFilePath();
    QThread* const home = QCoreApplication::instance() ? QCoreApplication::instance()->thread()
                                                       : QThread::currentThread();
    thread_ = QThread::create([this, home] {
        pdf::DocumentPtr document = pdf::Document::open(path_);
        // Its notices are delivered on the thread the window runs on.
        if (document)
            document->changes()->moveToThread(home);
        document_ = std::move(document);
    });
    thread_->start();
}

DocumentPreloader::~DocumentPreloader() {
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

pdf::DocumentPtr DocumentPreloader::take(const QString& absolutePath) {
    if (!thread_ || absolutePath != path_)
        return nullptr;
    thread_->wait();
    path_.clear(); // taken once
    return std::move(document_);
}
