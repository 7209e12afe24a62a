#include "viewmodels/PageImageExportJob.h"

#include "utilities/PageImageExport.h"

#include <QPointer>

PageImageExportJob::PageImageExportJob(QObject* parent) : QObject(parent) {}

PageImageExportJob::~PageImageExportJob() {
    cancel();
    wait();
}

void PageImageExportJob::start(const pdf::DocumentPtr& document, const QString& folder) {
    if (isRunning() || !document)
        return;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    auto flag = cancel_;
    QPointer<PageImageExportJob> self(this);
    thread_.reset(QThread::create([document, folder, flag, self] {
        const auto result = PageImageExport::writeAll(
            *document, folder, 2.0,
            [self](int done, int total) {
                if (self)
                    QMetaObject::invokeMethod(
                        self,
                        [self, done, total] {
                            if (self)
                                emit self->progressed(done, total);
                        },
                        Qt::QueuedConnection);
            },
            flag.get());
        if (self)
            QMetaObject::invokeMethod(
                self,
                [self, result] {
                    if (self)
                        emit self->finished(result.written, result.failures, result.cancelled);
                },
                Qt::QueuedConnection);
    }));
    thread_->start();
}

void PageImageExportJob::cancel() {
    if (cancel_)
        cancel_->store(true);
}

bool PageImageExportJob::isRunning() const {
    return thread_ && thread_->isRunning();
}

void PageImageExportJob::wait() {
    if (thread_)
        thread_->wait();
}
