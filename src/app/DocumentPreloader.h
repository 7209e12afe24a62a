#pragma once
// Reads the document named on the command line on a thread of its own while the first
// window is being built: on two cores the two overlap, and the first page shows sooner.
#include "pdf/document/Document.h"

#include <QString>

#include <memory>

class QThread;

class DocumentPreloader {
public:
    // Starts reading `argument` (a path or a file URL) when it names a regular file.
    explicit DocumentPreloader(const QString& argument);
    ~DocumentPreloader();
    DocumentPreloader(const DocumentPreloader&) = delete;
    DocumentPreloader& operator=(const DocumentPreloader&) = delete;

    // The document read for `absolutePath`, waiting for it if need be; nullptr when a
    // different file was preloaded, it did not open, or it was taken already.
    pdf::DocumentPtr take(const QString& absolutePath);

private:
    QString path_;
    QThread* thread_ = nullptr;
    pdf::DocumentPtr document_;
};
