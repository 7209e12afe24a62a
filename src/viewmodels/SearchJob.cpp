#include "viewmodels/SearchJob.h"

#include "base/ParallelFor.h"
#include "pdf/text/DocumentRangeText.h"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

namespace {
// The first stretch is short so the first matches show at once; later ones are long
// enough that the engine's text extraction can spread over the cores.
constexpr int kFirstStretch = 8;
constexpr int kLongestStretch = 64;
} // namespace

SearchJob::SearchJob(QObject* parent) : QObject(parent) {}

void SearchJob::start(const pdf::DocumentPtr& document, const QString& text,
                      const pdf::SearchOptions& options) {
    // A new query never waits for the old one: discarded, it ends at the end of its stretch.
    task_.reset();
    if (!document)
        return;
    // One core stays with the window, which draws the matches as they come.
    const int threads = std::max(1, base::coreCount() - 1);
    task_ = base::Task::run(
        this,
        [this, document, text, options, threads](base::TaskContext& context) {
            const int count = document->pageCount();
            int stretch = kFirstStretch;
            for (int first = 0; first < count && !context.isCancelled();
                 first += stretch, stretch = std::min(stretch * 2, kLongestStretch)) {
                const int end = std::min(count, first + stretch);
                const std::vector<pdf::Selection> matches =
                    pdf::findStringInRange(*document, text, options, first, end, threads);
                // `this` is only touched on the main thread, while the run is still its own.
                context.post([this, batch = QList<pdf::Selection>(matches.begin(), matches.end()),
                              end, count] { emit found(batch, end, count); });
            }
        },
        [this] { emit finished(); });
}

void SearchJob::cancel() {
    task_.discard();
}

bool SearchJob::isRunning() const {
    return task_.isRunning();
}

void SearchJob::wait() {
    task_.wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
