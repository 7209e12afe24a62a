#pragma once
// Printing a document off the main thread: each page, annotations included, is rendered
// at the printer's resolution (up to kMaxDpi) and placed on the sheet, with progress per
// page and a cancel. Printing to a PDF file also lays the page's text invisibly over the
// picture, so the printed file can still be searched and copied from.
#include "desktop/PrintDialogs.h"
#include "pdf/document/Document.h"

#include "base/Task.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPrinter;

class PrintJob : public QObject {
    Q_OBJECT
public:
    // Higher resolutions gain nothing visible on paper and cost memory by the square.
    static constexpr int kMaxDpi = 300;

    struct Result {
        int printed = 0; // sheets sent
        bool cancelled = false;
        QString error; // empty on success
    };

    explicit PrintJob(QObject* parent = nullptr);
    // Stops a run still going and waits for it: it ends before the next sheet.
    ~PrintJob() override;

    // The pages (0-based, copies included, in print order) that the printer's range,
    // copies and collation ask for out of `pageCount`.
    static std::vector<int> pageSequence(const QPrinter& printer, int pageCount, int currentPage);

    // Prints `pages` of `document` on `printer` on the calling thread. `progress` is called
    // after each sheet; `cancel`, once set, stops before the next one.
    static Result print(const pdf::Document& document, QPrinter& printer, const PrintChoice& choice,
                        const std::vector<int>& pages,
                        const std::function<void(int done, int total)>& progress = {},
                        const base::CancelToken* cancel = nullptr);

    // Starts printing as a background task; the job keeps the printer until it ends.
    // One run at a time: start again only after finished().
    void start(const pdf::DocumentPtr& document, std::unique_ptr<QPrinter> printer,
               const PrintChoice& choice, const std::vector<int>& pages);
    void cancel();
    bool isRunning() const;
    // Blocks until the run has ended and its signals have been delivered.
    void wait();

signals:
    // Main thread.
    void progressed(int done, int total);
    void finished(const PrintJob::Result& result);

private:
    std::shared_ptr<QPrinter> printer_;
    base::Task task_;
};
