#pragma once
// "Export All Pages as PNG" running off the main thread: progress per page, cancellable,
// every file written atomically so a cancelled run leaves only complete files.
#include "pdf/document/Document.h"

#include <QObject>
#include <QStringList>

#include <QThread>

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
    // A thread of its own rather than a pool's: the export fans out over the cores the
    // budget has spare, which a pool task may not (base/ParallelFor.h).
    std::unique_ptr<QThread> thread_;
};
