#include "pdf/document/DocumentChanges.h"

#include "pdf/engine/Internal.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace pdf {

DocumentChanges::DocumentChanges() {
    qRegisterMetaType<pdf::Change>();
    // A document opened on a worker still belongs with the widgets that show it.
    if (QCoreApplication* app = QCoreApplication::instance(); app && thread() != app->thread())
        moveToThread(app->thread());
}

namespace {

// Changes recorded by the edits running on this thread, announced when the outermost
// edit is over; `depth` counts the edits in progress.
struct PendingChanges {
    int depth = 0;
    std::vector<std::pair<DocumentData*, Change>> changes;
};
thread_local PendingChanges pending;

void send(DocumentData& d, const Change& change) {
    if (d.changes)
        emit d.changes->changed(change);
}

} // namespace

ChangeScope::ChangeScope() {
    ++pending.depth;
}

ChangeScope::~ChangeScope() {
    if (--pending.depth > 0)
        return;
    // Taken out first: an observer may edit again, and that edit announces on its own.
    auto changes = std::move(pending.changes);
    pending.changes.clear();
    for (auto& [doc, change] : changes)
        send(*doc, change);
}

void announce(DocumentData& d, Change change) {
    if (pending.depth == 0) {
        send(d, change);
        return;
    }
    // One notice for a run of the same kind on the same document (a loop of inserts).
    if (!pending.changes.empty()) {
        auto& [lastDoc, last] = pending.changes.back();
        if (lastDoc == &d && last.kind == change.kind && !change.movesPages()) {
            for (int page : change.pages)
                if (std::find(last.pages.begin(), last.pages.end(), page) == last.pages.end())
                    last.pages.push_back(page);
            return;
        }
    }
    pending.changes.emplace_back(&d, std::move(change));
}

} // namespace pdf
