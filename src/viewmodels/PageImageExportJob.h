#pragma once
// "Export All Pages as PNG" running off the main thread: progress per page, cancellable,
// every file written atomically so a cancelled run leaves only complete files.
#include "pdf/Document.h"

#include <QFutureWatcher>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class PageImageExportJob : public QObject {
    Q_OBJECT
public:
    explicit PageImageExportJob(QObject* parent = nullptr);
    ~PageImageExportJob() override;

    // Starts writing every page of `document` into `folder` at 144 dpi.
    void start(const pdf::DocumentPtr& document, const QString& folder);
    void cancel();
    bool isRunning() const;
    // Blocks until the run has ended (for tests and shutdown).
    void wait();

signals:
    // Pages finished so far (main thread).
    void progressed(int done, int total);
    // written: files written; failures: one message per page that failed.
    void finished(int written, const QStringList& failures, bool cancelled);

private:
    std::shared_ptr<std::atomic<bool>> cancel_;
    QFutureWatcher<void>* watcher_ = nullptr;
};
