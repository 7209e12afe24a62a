#pragma once
// Apply Redactions in the window: a plain warning that the written file cannot be
// unredacted, a save dialog offering NAME_redacted.pdf beside the original (the original
// itself only after a second, explicit yes), then the marks applied to a private copy of
// the open document and written off the main thread. The open document keeps its marks,
// so the person can go on reviewing; the summary says what was removed.
#include "base/Task.h"
#include "pdf/document/Document.h"
#include "utilities/RedactionMatcher.h"

#include <QObject>
#include <QString>

class DocumentViewModel;

class RedactionApplier : public QObject {
    Q_OBJECT
public:
    explicit RedactionApplier(DocumentViewModel& documentVM, QObject* parent = nullptr);

    // Asks, then starts the work; false when nothing was started (no marks, cancelled).
    bool apply();
    bool isRunning() const { return task_.isRunning(); }
    // What Find and Redact last marked: its matches outside the pages (document
    // information, bookmark titles, annotation texts, form values) are replaced in the copy
    // too. Forgotten when another document opens.
    void rememberSearch(std::shared_ptr<const RedactionMatcher> matcher);
    // Until the work has returned and its result was shown (tests, closing windows).
    void wait();

    // What applying the marks of a report removed, in a sentence or two.
    struct Outcome {
        QString path;
        int marks = 0, glyphs = 0, images = 0, paths = 0, annotations = 0;
        int elsewhere = 0; // matches replaced outside the pages
        QString summary() const;
    };

signals:
    void runningChanged();
    // The copy was written (or failed: `error` says why, and nothing was written).
    void finished(const QString& path, const QString& error);

private:
    void done(const Outcome& outcome);
    void failed(const QString& error);

    DocumentViewModel& documentVM_;
    base::Task task_;
    std::shared_ptr<const RedactionMatcher> search_;
    bool pending_ = false; // started, and its result not yet shown
};
