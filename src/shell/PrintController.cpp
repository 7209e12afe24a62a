#include "shell/PrintController.h"

#include "desktop/Alerts.h"
#include "desktop/PrintDialogs.h"
#include "shell/PrintJob.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAction>
#include <QMenu>
#include <QPrinter>
#include <QProgressDialog>

PrintController::PrintController(DocumentViewModel* documentVM, QWidget* window, QMenu* fileMenu,
                                 QAction* before)
    : QObject(window), documentVM_(documentVM), window_(window),
      action_(new QAction(tr("&Print..."), window)), job_(new PrintJob(this)) {
    action_->setObjectName(QStringLiteral("print"));
    action_->setShortcut(QKeySequence::Print);
    action_->setShortcutContext(Qt::WindowShortcut);
    fileMenu->insertAction(before, action_);
    fileMenu->insertSeparator(before);
    connect(action_, &QAction::triggered, this, &PrintController::print);
    connect(documentVM_, &DocumentViewModel::pdfDocumentChanged, this, &PrintController::refresh);
    connect(job_, &PrintJob::progressed, this, [this](int done, int total) {
        if (progress_) {
            progress_->setMaximum(total);
            progress_->setValue(done);
            progress_->setLabelText(tr("Printing page %1 of %2...").arg(done + 1).arg(total));
        }
    });
    connect(job_, &PrintJob::finished, this, [this](const PrintJob::Result& result) {
        if (progress_)
            progress_->deleteLater();
        progress_ = nullptr;
        busy_ = false;
        refresh();
        if (!result.error.isEmpty())
            Alerts::current()->inform(tr("The document was not printed"), result.error);
        emit printed(result.printed, result.cancelled, result.error);
    });
    refresh();
}

void PrintController::refresh() {
    const auto doc = documentVM_ ? documentVM_->pdfDocument() : nullptr;
    action_->setEnabled(doc && !doc->isLocked() && !busy_);
}

void PrintController::print() {
    const auto doc = documentVM_ ? documentVM_->pdfDocument() : nullptr;
    if (!doc || doc->isLocked() || doc->pageCount() == 0 || busy_)
        return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(documentVM_->fileName());
    PrintRequest request{documentVM_->fileName(), doc->pageCount(),
                         documentVM_->currentPageIndex()};
    PrintChoice choice;
    if (!PrintDialogs::current()->choose(*printer, request, choice))
        return;
    const std::vector<int> pages =
        PrintJob::pageSequence(*printer, doc->pageCount(), documentVM_->currentPageIndex());

    progress_ = new QProgressDialog(tr("Preparing to print..."), tr("Cancel"), 0, int(pages.size()),
                                    window_);
    progress_->setObjectName(QStringLiteral("printProgress"));
    progress_->setWindowTitle(tr("Printing"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(400);
    progress_->setValue(0);
    connect(progress_, &QProgressDialog::canceled, job_, &PrintJob::cancel);
    busy_ = true;
    job_->start(doc, std::move(printer), choice, pages);
    refresh();
}

QProgressDialog* PrintController::progress() const {
    return progress_;
}
