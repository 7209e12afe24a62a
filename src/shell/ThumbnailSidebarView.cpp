#include "shell/ThumbnailSidebarView.h"

#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"

#include "viewmodels/DocumentViewModel.h"

#include <QVBoxLayout>

ThumbnailSidebarView::ThumbnailSidebarView(DocumentViewModel& viewModel, QWidget* parent)
    : QWidget(parent), viewModel_(viewModel), thumbnails_(new PdfThumbnailView(this)) {
    thumbnails_->setThumbnailSize(QSizeF(120, 160));
    thumbnails_->setBackgroundColor(Qt::transparent);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(thumbnails_);
    // Every refresh of the sidebar (a published change of the model) re-checks the link.
    for (const char* signal : {SIGNAL(pdfDocumentChanged()), SIGNAL(currentPageIndexChanged()),
                               SIGNAL(totalPagesChanged())})
        connect(&viewModel_, signal, this, SLOT(updateView()));
    updateView();
}

void ThumbnailSidebarView::updateView() {
    // The model holds the page view through the interface; only our own widget can be bound.
    auto* current = dynamic_cast<PdfPageView*>(viewModel_.pdfView());
    if (thumbnails_->pdfView() != current)
        thumbnails_->setPdfView(current);
}
