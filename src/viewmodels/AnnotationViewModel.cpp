#include "viewmodels/AnnotationViewModel.h"

#include "pdf/document/Page.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"

AnnotationViewModel::AnnotationViewModel(QObject* parent) : QObject(parent) {}

void AnnotationViewModel::setCurrentTool(AnnotationTool tool) {
    if (currentTool_ == tool)
        return;
    currentTool_ = tool;
    emit currentToolChanged();
}

void AnnotationViewModel::setHighlightColor(HighlightColor color) {
    if (highlightColor_ == color)
        return;
    highlightColor_ = color;
    emit highlightColorChanged();
}

void AnnotationViewModel::setTextFontSize(double size) {
    if (textFontSize_ == size)
        return;
    textFontSize_ = size;
    emit textFontSizeChanged();
}

void AnnotationViewModel::setTextColor(const QColor& color) {
    if (textColor_ == color)
        return;
    textColor_ = color;
    emit textColorChanged();
}

void AnnotationViewModel::setFreehandColor(const QColor& color) {
    if (freehandColor_ == color)
        return;
    freehandColor_ = color;
    emit freehandColorChanged();
}

void AnnotationViewModel::setFreehandLineWidth(double width) {
    if (freehandLineWidth_ == width)
        return;
    freehandLineWidth_ = width;
    emit freehandLineWidthChanged();
}

void AnnotationViewModel::setShapeColor(const QColor& color) {
    if (shapeColor_ == color)
        return;
    shapeColor_ = color;
    emit shapeColorChanged();
}

void AnnotationViewModel::setShapeFillColor(const QColor& color) {
    if (shapeFillColor_ == color)
        return;
    shapeFillColor_ = color;
    emit shapeFillColorChanged();
}

void AnnotationViewModel::setShapeLineWidth(double width) {
    if (shapeLineWidth_ == width)
        return;
    shapeLineWidth_ = width;
    emit shapeLineWidthChanged();
}

void AnnotationViewModel::setPdfView(QObject* owner, PageViewInterface* view) {
    pdfViewOwner_ = owner;
    pdfView_ = owner ? view : nullptr;
}

PageViewInterface* AnnotationViewModel::pdfView() const {
    return pdfViewOwner_ ? pdfView_ : nullptr;
}

void AnnotationViewModel::addHighlight(const std::optional<pdf::Selection>& selection,
                                       DocumentViewModel& documentVM) {
    if (!selection || !documentVM.pdfDocument())
        return;
    const QColor color = annotationColor(highlightColor_);
    auto make = [lines = selection->selectionsByLine(), color](pdf::Document& document) {
        std::vector<pdf::AnnotationPtr> made;
        for (const pdf::Selection& line : lines) {
            const std::vector<pdf::PagePtr> pages = line.pages();
            if (pages.empty() || pages.front()->document().get() != &document)
                continue;
            const pdf::PagePtr& page = pages.front();
            const QRectF bounds = line.boundsForPage(page);
            if (bounds.isEmpty())
                continue; // nothing visible to cover (e.g. a line of only a line break)
            made.push_back(page->addHighlight(bounds, color));
        }
        return made;
    };
    if (documentVM.perform(std::make_unique<AddAnnotationsEdit>(
            tr("Add Highlight"), documentVM.pdfDocument(), std::move(make))))
        emit highlightsAdded();
}
