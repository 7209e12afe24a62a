#pragma once
// One text search over a document, run as a background task so the window stays
// responsive: the pages are searched a stretch at a time, in order, and each stretch's
// matches are handed to the main thread as soon as they are known.
#include "pdf/document/Document.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"

#include "base/Task.h"

#include <QList>
#include <QObject>
#include <QString>

class SearchJob : public QObject {
    Q_OBJECT
public:
    explicit SearchJob(QObject* parent = nullptr);

    // Cancels a run still going, then searches `document` for `text` as `options` ask.
    void start(const pdf::DocumentPtr& document, const QString& text,
               const pdf::SearchOptions& options = {});
    // Nothing more is reported from the current run, found or finished.
    void cancel();
    bool isRunning() const;
    // Blocks until the run has ended and everything it found has been reported.
    void wait();

signals:
    // Main thread, in document order: the matches on the next pages searched.
    void found(const QList<pdf::Selection>& matches, int pagesSearched, int pageCount);
    void finished();

private:
    // A cancelled run ends at the end of its stretch on its own; nobody waits for it.
    base::Task task_;
};
