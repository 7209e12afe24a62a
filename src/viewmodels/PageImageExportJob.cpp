#include "viewmodels/PageImageExportJob.h"

#include "utilities/PageImageExport.h"

PageImageExportJob::PageImageExportJob(QObject* parent) : QObject(parent) {}

PageImageExportJob::~PageImageExportJob() {
    cancel();
    wait();
}

void PageImageExportJob::start(const pdf::DocumentPtr& document, const QString& folder) {
    if (isRunning() || !document)
        return;
    base::Task::Handlers handlers;
    handlers.progress = [this](int done, int total) { emit progressed(done, total); };
    handlers.failed = [this](const QString& error) { emit finished(0, {error}, false); };
    task_ = base::Task::run(
        this,
        [document, folder](base::TaskContext& context) {
            return PageImageExport::writeAll(
                *document, folder, 2.0,
                [&context](int done, int total) { context.progress(done, total); },
                &context.cancelToken());
        },
        [this](const PageImageExport::Result& result) {
            emit finished(result.written, result.failures, result.cancelled);
        },
        handlers);
}

void PageImageExportJob::cancel() {
    task_.cancel();
}

bool PageImageExportJob::isRunning() const {
    return task_.isRunning();
}

void PageImageExportJob::wait() {
    task_.wait();
}
