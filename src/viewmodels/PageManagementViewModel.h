#pragma once
// The Page Management sheet's operations, each run as a background task so the window
// stays responsive through a long merge or split. The edit is applied there (the
// document's locks keep it whole, and the window's painting never waits on them);
// progress comes back to the main thread, where the finished edit is kept by
// DocumentViewModel, to undo, and a failure becomes the status message. One operation
// runs at a time.
#include "pdf/document/Document.h"
#include "utilities/PageOperations.h"

#include "base/Task.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class DocumentEdit;
class DocumentViewModel;

class PageManagementViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY busyChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
public:
    explicit PageManagementViewModel(DocumentViewModel& documentVM, QObject* parent = nullptr);
    ~PageManagementViewModel() override;

    bool isBusy() const { return busy_; }
    // What is being done ("Merging…"), for the progress line.
    QString activity() const { return activity_; }
    // A failed write or skipped files, named; empty when the last operation went well.
    QString statusMessage() const { return status_; }
    void setStatusMessage(const QString& message);

    // Each starts its operation on the current page (or the whole document) and returns at
    // once; false, with nothing started, while another runs or without a document.
    bool rotateCurrentPage();
    bool deleteCurrentPage();
    bool insertBlankPage();
    bool insertFile(const QString& path);
    bool mergeFiles(const QStringList& paths);
    bool extractCurrentPage(const QString& path);
    bool splitDocument(const QString& folder);

    // Blocks until the running operation has ended and its result is in (tests).
    void wait();

signals:
    void busyChanged();
    void statusMessageChanged();
    // Main thread. total 0: how long it takes is not known.
    void progressed(int done, int total);
    // The operation's result is in: the edit kept, the status set.
    void finished();

private:
    struct Outcome {
        std::unique_ptr<DocumentEdit> edit; // applied, to keep; null when nothing changed
        QString status;
    };
    using Work = std::function<Outcome(const PageOperations::Progress&)>;
    bool run(const QString& activity, Work work);
    void complete(Outcome outcome);
    // Whether a signed document may have `action` done to its pages (asked first).
    bool allowed(const QString& action);

    DocumentViewModel& documentVM_;
    pdf::DocumentPtr document_; // the one the running operation works on
    base::Task task_;
    bool busy_ = false;
    int shownDone_ = 0;
    QString activity_;
    QString status_;
};
