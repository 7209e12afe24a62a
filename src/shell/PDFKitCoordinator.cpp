#include "shell/PDFKitCoordinator.h"

#include "pageview/PdfPageView.h"
#include "shell/PDFKitView.h"

#include "viewmodels/DocumentViewModel.h"

PDFKitCoordinator::PDFKitCoordinator(PDFKitView& parent)
    : QObject(&parent), viewModel_(&parent.viewModel()) {}

PDFKitCoordinator::~PDFKitCoordinator() {
    removeObservers();
}

void PDFKitCoordinator::removeObservers() {
    auto& center = NotificationCenter::defaultCenter();
    if (pageChangeObserver_)
        center.unsubscribe(*pageChangeObserver_);
    if (selectionObserver_)
        center.unsubscribe(*selectionObserver_);
    pageChangeObserver_.reset();
    selectionObserver_.reset();
    disconnect(unlockConnection_);
}

void PDFKitCoordinator::setUpObservers(PdfPageView* view) {
    removeObservers();
    if (!view)
        return;
    auto& center = NotificationCenter::defaultCenter();
    // Each callback keeps the view alive while it runs; the subscription itself ends with
    // this coordinator (its owner), so a late notification finds nothing to call.
    const QPointer<PdfPageView> source(view);
    pageChangeObserver_ = center.subscribe(
        PdfPageView::pageChangedNotification, this, [this, source](const QVariant& sender) {
            if (!source || sender.value<QObject*>() != source.data() || !viewModel_)
                return;
            const pdf::PagePtr page = source->currentPage();
            const pdf::DocumentPtr doc = source->document();
            if (!page || !doc)
                return;
            viewModel_->setCurrentPageIndex(doc->indexForPage(page));
        });
    // A document opened locked counted no pages; once the view unlocks it, the model learns
    // how many there are, or the window would go on saying "of 0".
    unlockConnection_ = connect(view, &PdfPageView::documentUnlocked, this, [this, source] {
        if (!source || !viewModel_ || source->document() != viewModel_->pdfDocument())
            return;
        viewModel_->setTotalPages(source->document()->pageCount());
        viewModel_->setCurrentPageIndex(std::max(0, source->currentPageIndex()));
    });
    selectionObserver_ = center.subscribe(
        PdfPageView::selectionChangedNotification, this, [this, source](const QVariant& sender) {
            if (!source || sender.value<QObject*>() != source.data() || !viewModel_)
                return;
            viewModel_->setCurrentSelection(source->currentSelection());
        });
}
