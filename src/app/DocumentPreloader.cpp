#include "app/DocumentPreloader.h"

#include "base/InputFiles.h"
#include "pdf/document/DocumentChanges.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

DocumentPreloader::DocumentPreloader(const QString& argument)
    : document_(std::make_shared<pdf::DocumentPtr>()) {
    const QUrl asUrl(argument);
    const QFileInfo info(asUrl.isLocalFile() ? asUrl.toLocalFile() : argument);
    if (argument.isEmpty() || !base::isRegularFile(info.filePath()))
        return;
    path_ = info.absoluteFilePath();
    QThread* const home = QCoreApplication::instance() ? QCoreApplication::instance()->thread()
                                                       : QThread::currentThread();
    task_ = base::Task::run(nullptr, [path = path_, home, slot = document_](base::TaskContext&) {
        pdf::DocumentPtr document = pdf::Document::open(path);
        // Its notices are delivered on the thread the window runs on.
        if (document)
            document->changes()->moveToThread(home);
        *slot = std::move(document);
    });
}

DocumentPreloader::~DocumentPreloader() {
    task_.wait();
}

pdf::DocumentPtr DocumentPreloader::take(const QString& absolutePath) {
    if (path_.isEmpty() || absolutePath != path_)
        return nullptr;
    task_.wait();
    path_.clear(); // taken once
    return std::move(*document_);
}
