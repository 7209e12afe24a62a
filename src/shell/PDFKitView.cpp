#include "shell/PDFKitView.h"

#include "pageview/AnnotationSelector.h"
#include "pageview/PageFormFiller.h"
#include "pageview/PdfPageView.h"
#include "shell/PDFKitCoordinator.h"

#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QDesktopServices>
#include <QUrl>
#include <QVBoxLayout>

PDFKitView::PDFKitView(DocumentViewModel& viewModel, AnnotationViewModel& annotationViewModel,
                       QWidget* parent)
    : QWidget(parent), viewModel_(viewModel), annotationViewModel_(annotationViewModel),
      coordinator_(new PDFKitCoordinator(*this)), view_(makeView()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    // Any published change of either model is a redraw of the bridge, hence an update step.
    for (const char* signal :
         {SIGNAL(pdfDocumentChanged()), SIGNAL(currentPageIndexChanged()),
          SIGNAL(totalPagesChanged()), SIGNAL(scaleFactorChanged()), SIGNAL(autoScalesChanged()),
          SIGNAL(displayModeChanged()), SIGNAL(fileNameChanged()), SIGNAL(fileURLChanged()),
          SIGNAL(searchTextChanged()), SIGNAL(searchResultsChanged()),
          SIGNAL(currentSearchIndexChanged()), SIGNAL(isSearchingChanged()),
          SIGNAL(currentSelectionChanged())})
        connect(&viewModel_, signal, this, SLOT(updateView()));
    for (const char* signal : {SIGNAL(currentToolChanged()), SIGNAL(highlightColorChanged()),
                               SIGNAL(textFontSizeChanged()), SIGNAL(freehandColorChanged()),
                               SIGNAL(freehandLineWidthChanged()), SIGNAL(shapeColorChanged()),
                               SIGNAL(shapeLineWidthChanged())})
        connect(&annotationViewModel_, signal, this, SLOT(updateView()));
    updateView();
}

PDFKitView::~PDFKitView() {
    // The coordinator goes first so no notification reaches the model mid-destruction.
    delete coordinator_;
    coordinator_ = nullptr;
}

PdfPageView* PDFKitView::makeView() {
    auto* view = new PdfPageView(this);
    view->setAutoScales(true);
    view->setDisplayMode(PDFDisplayMode::singlePageContinuous);
    view->setDisplayDirection(Qt::Vertical);
    view->setBackgroundColor(palette().color(QPalette::Window));
    viewModel_.setPdfView(view, view);
    view->annotationSelector()->setModels(&viewModel_, &annotationViewModel_);
    view->setAnnotationTools(&annotationViewModel_, &viewModel_);
    // External links open in the desktop's browser (or whatever handles their scheme).
    connect(view, &PdfPageView::externalLinkActivated, this,
            [](const QString& uri) { QDesktopServices::openUrl(QUrl(uri)); });
    coordinator_->setUpObservers(view);
    // Form fields are filled on the page; clicks on them go here before the view.
    new PageFormFiller(view, &viewModel_);
    return view;
}

void PDFKitView::updateView() {
    if (view_->document() != viewModel_.pdfDocument()) {
        view_->setDocument(viewModel_.pdfDocument());
        if (viewModel_.autoScales())
            view_->setAutoScales(true);
    }
    if (view_->displayMode() != viewModel_.displayMode())
        view_->setDisplayMode(viewModel_.displayMode());
}
