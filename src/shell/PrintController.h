#pragma once
// File > Print… of one window: asks the print dialog (through the desktop seam), then
// prints on a worker behind a progress dialog whose Cancel stops the run.
#include <QObject>
#include <QPointer>

class DocumentViewModel;
class PrintJob;
class QAction;
class QMenu;
class QProgressDialog;
class QWidget;

class PrintController : public QObject {
    Q_OBJECT
public:
    // Adds "Print…" (Ctrl+P) to `fileMenu` ahead of `before`.
    PrintController(DocumentViewModel* documentVM, QWidget* window, QMenu* fileMenu,
                    QAction* before);

    QAction* action() const { return action_; }
    PrintJob* job() const { return job_; }
    // The progress dialog of the run going on, or null.
    QProgressDialog* progress() const;

    // Asks how to print the open document, then starts. Nothing when there is no readable
    // document, a print is already running or the dialog was cancelled.
    void print();

signals:
    // A run ended; `message` is empty on success.
    void printed(int sheets, bool cancelled, const QString& message);

private:
    void refresh();

    QPointer<DocumentViewModel> documentVM_;
    QWidget* window_;
    QAction* action_;
    PrintJob* job_;
    QPointer<QProgressDialog> progress_;
    bool busy_ = false; // from the start of a run until its end is reported
};
