#pragma once
// "Export All Pages as PNG" running off the main thread: progress per page, cancellable,
// every file written atomically so a cancelled run leaves only complete files.
#include "pdf/document/Document.h"

#include "base/Task.h"

#include <QObject>
#include <QStringList>

class PageImageExportJob : public QObject {
    Q_OBJECT
public:
    explicit PageImageExportJob(QObject* parent = nullptr);
    // Stops a run still going and waits for it: it ends within the pages being written.
    ~PageImageExportJob() override;

    // Starts writing every page of `document` into `folder` at 144 dpi.
    void start(const pdf::DocumentPtr& document, const QString& folder);
    // Stops after the pages being written; finished() still tells what was written.
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
    // The export fans out over the cores the budget has spare (base/ParallelFor.h).
    base::Task task_;
};
