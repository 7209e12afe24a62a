#include "sheets/ExportView.h"

#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FileConversionViewModel.h"
#include "viewmodels/PageImageExportJob.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QPushButton* actionButton(const QString& label, const QIcon& icon, bool prominent,
                          QWidget* parent) {
    auto* button = new QPushButton(icon, label, parent);
    button->setMinimumHeight(36);
    button->setIconSize(QSize(18, 18));
    button->setStyleSheet(
        prominent
            ? QStringLiteral("QPushButton { text-align: left; padding: 6px 12px; "
                             "background: palette(highlight); color: palette(highlighted-text); "
                             "border-radius: 6px; font-weight: 600; }")
            : QStringLiteral("QPushButton { text-align: left; padding: 6px 12px; }"));
    button->setDefault(prominent);
    return button;
}

QIcon symbolIcon(const QString& theme, QStyle::StandardPixmap fallback, const QWidget* widget) {
    return QIcon::fromTheme(theme, widget->style()->standardIcon(fallback));
}

} // namespace

ExportView::ExportView(DocumentViewModel& viewModel, QWidget* parent)
    : QDialog(parent), viewModel_(viewModel) {
    setWindowTitle(QStringLiteral("Export Options"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(320 + 48);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(20);

    auto* title = new QLabel(QStringLiteral("Export Options"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    layout->addWidget(title);

    auto* buttons = new QVBoxLayout();
    buttons->setSpacing(12);
    auto* annotated =
        actionButton(QStringLiteral("Save Annotated PDF"),
                     symbolIcon("document-save-as", QStyle::SP_DialogSaveButton, this), true, this);
    auto* current =
        actionButton(QStringLiteral("Export Current Page as PNG"),
                     symbolIcon("image-x-generic", QStyle::SP_FileIcon, this), false, this);
    auto* all = actionButton(QStringLiteral("Export All Pages as PNG"),
                             symbolIcon("folder-pictures", QStyle::SP_DirIcon, this), false, this);
    for (auto* b : {annotated, current, all}) {
        buttons->addWidget(b);
        actions_ << b;
    }
    layout->addLayout(buttons);

    // The copy keeps the document's password protection; only the owner may leave it off.
    dropProtection_ =
        new QCheckBox(QStringLiteral("Save the copy without password protection"), this);
    const auto& document = viewModel_.pdfDocument();
    dropProtection_->setVisible(document && document->isEncrypted() && document->hasOwnerAccess());
    layout->addWidget(dropProtection_);
    connect(annotated, &QPushButton::clicked, this, &ExportView::exportAnnotatedPDF);
    connect(current, &QPushButton::clicked, this, &ExportView::exportCurrentPageAsImage);
    connect(all, &QPushButton::clicked, this, &ExportView::exportAllPagesAsImages);

    progressRow_ = new QWidget(this);
    auto* progressLayout = new QVBoxLayout(progressRow_);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLabel_ = new QLabel(progressRow_);
    progressLabel_->setTextFormat(Qt::PlainText); // names and messages may come from a document
    progress_ = new QProgressBar(progressRow_);
    cancelExport_ = new QPushButton(QStringLiteral("Stop Export"), progressRow_);
    progressLayout->addWidget(progressLabel_);
    auto* barRow = new QHBoxLayout();
    barRow->addWidget(progress_, 1);
    barRow->addWidget(cancelExport_);
    progressLayout->addLayout(barRow);
    progressRow_->hide();
    layout->addWidget(progressRow_);

    error_ = new QLabel(this);
    error_->setTextFormat(Qt::PlainText); // names and messages may come from a document
    error_->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("color: #c0392b;"));
    error_->hide();
    layout->addWidget(error_);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setFlat(true);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, &ExportView::reject);

    job_ = new PageImageExportJob(this);
    connect(cancelExport_, &QPushButton::clicked, job_, &PageImageExportJob::cancel);
    connect(job_, &PageImageExportJob::progressed, this, [this](int done, int total) {
        progress_->setMaximum(total);
        progress_->setValue(done);
        progressLabel_->setText(
            QStringLiteral("Writing page %1 of %2").arg(std::min(done + 1, total)).arg(total));
    });
    connect(job_, &PageImageExportJob::finished, this,
            [this](int written, const QStringList& failures, bool cancelled) {
                setBusy(false);
                if (!failures.isEmpty()) {
                    showError(failures.join('\n'));
                } else if (!cancelled) {
                    // Said where it is seen once the sheet is gone: the window's status bar.
                    const QString where = QDir::toNativeSeparators(exportFolder_);
                    if (auto* window = qobject_cast<QMainWindow*>(parentWidget()))
                        window->statusBar()->showMessage(
                            written == 1
                                ? tr("1 page exported as PNG to %1").arg(where)
                                : tr("%1 pages exported as PNG to %2").arg(written).arg(where));
                    accept();
                }
            });
}

void ExportView::exportAnnotatedPDF() {
    auto document = viewModel_.pdfDocument();
    if (!document)
        return;
    const auto outcome = FileConversionViewModel::exportAnnotatedPDF(
        *document, viewModel_.fileName(),
        dropProtection_->isVisibleTo(this) && dropProtection_->isChecked());
    if (outcome.failed()) {
        showError(outcome.message);
    } else if (!outcome.cancelled()) {
        accept();
    }
}

void ExportView::exportCurrentPageAsImage() {
    auto document = viewModel_.pdfDocument();
    if (!document || !document->page(viewModel_.currentPageIndex()))
        return;
    const auto outcome =
        FileConversionViewModel::exportCurrentPageAsImage(*document, viewModel_.currentPageIndex());
    if (outcome.failed())
        showError(outcome.message);
    else if (!outcome.cancelled())
        accept();
}

void ExportView::exportAllPagesAsImages() {
    auto document = viewModel_.pdfDocument();
    if (!document || job_->isRunning())
        return;
    const QString folder = FileConversionViewModel::chooseExportFolder();
    if (folder.isEmpty())
        return;
    error_->hide();
    setBusy(true);
    progress_->setRange(0, document->pageCount());
    progress_->setValue(0);
    progressLabel_->setText(QStringLiteral("Writing page 1 of %1").arg(document->pageCount()));
    exportFolder_ = folder;
    job_->start(document, folder);
}

QString ExportView::errorMessage() const {
    return error_->isVisible() || !error_->isHidden() ? error_->text() : QString();
}

void ExportView::reject() {
    // Closing while pages are written stops the run; what was written stays complete.
    job_->cancel();
    job_->wait();
    QDialog::reject();
}

void ExportView::showError(const QString& message) {
    error_->setText(message);
    error_->show();
}

void ExportView::setBusy(bool busy) {
    progressRow_->setVisible(busy);
    for (auto* b : actions_)
        b->setEnabled(!busy);
}
