#include "viewmodels/SearchJob.h"

#include "base/ParallelFor.h"
#include "pdf/text/DocumentRangeText.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
// The first stretch is short so the first matches show at once; later ones are long
// enough that the engine's text extraction can spread over the cores.
constexpr int kFirstStretch = 8;
constexpr int kLongestStretch = 64;
} // namespace

SearchJob::SearchJob(QObject* parent) : QObject(parent) {}

SearchJob::~SearchJob() {
    cancel();
    // Every run reports to this object: none may outlive it.
    for (auto& thread : retired_)
        thread->wait();
    if (thread_)
        thread_->wait();
}

void SearchJob::start(const pdf::DocumentPtr& document, const QString& text) {
    cancel();
    // A cancelled run ends at the end of its stretch; it is not waited for here, so a new
    // query never holds up the window.
    std::erase_if(retired_, [](const std::unique_ptr<QThread>& t) { return t->isFinished(); });
    if (thread_)
        retired_.push_back(std::move(thread_));
    if (!document)
        return;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    auto flag = cancel_;
    // Results are delivered through queued calls on this object, and are dropped once the
    // run was cancelled: the flag is only ever set on the main thread, where they land.
    // One core stays with the window, which draws the matches as they come.
    const int threads = std::max(1, base::coreCount() - 1);
    thread_.reset(QThread::create([this, document, text, flag, threads] {
        const int count = document->pageCount();
        int stretch = kFirstStretch;
        for (int first = 0; first < count && !flag->load();
             first += stretch, stretch = std::min(stretch * 2, kLongestStretch)) {
            const int end = std::min(count, first + stretch);
            const std::vector<pdf::Selection> matches =
                pdf::findStringInRange(*document, text, first, end, threads);
            QList<pdf::Selection> batch(matches.begin(), matches.end());
            QMetaObject::invokeMethod(
                this,
                [this, flag, batch = std::move(batch), end, count] {
                    if (!flag->load())
                        emit found(batch, end, count);
                },
                Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this,
            [this, flag] {
                if (!flag->load())
                    emit finished();
            },
            Qt::QueuedConnection);
    }));
    thread_->start(QThread::LowPriority);
}

void SearchJob::cancel() {
    if (cancel_)
        cancel_->store(true);
}

bool SearchJob::isRunning() const {
    return thread_ && thread_->isRunning();
}

void SearchJob::wait() {
    if (!thread_)
        return;
    thread_->wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
