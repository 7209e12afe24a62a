#pragma once
// Reads the document named on the command line as a background task while the first
// window is being built: on two cores the two overlap, and the first page shows sooner.
// It starts before the application object exists, so it has no owner to report to: the
// window takes the document when it is ready for it.
#include "pdf/document/Document.h"

#include "base/Task.h"

#include <QString>

#include <memory>

class DocumentPreloader {
public:
    // Starts reading `argument` (a path or a file URL) when it names a regular file.
    explicit DocumentPreloader(const QString& argument);
    // Waits for the read, so a document nobody took goes on this thread, where its notices live.
    ~DocumentPreloader();
    DocumentPreloader(const DocumentPreloader&) = delete;
    DocumentPreloader& operator=(const DocumentPreloader&) = delete;

    // The document read for `absolutePath`, waiting for it if need be; nullptr when a
    // different file was preloaded, it did not open, or it was taken already.
    pdf::DocumentPtr take(const QString& absolutePath);

private:
    QString path_;
    std::shared_ptr<pdf::DocumentPtr> document_; // written by the task, read once it ended
    base::Task task_;
};
