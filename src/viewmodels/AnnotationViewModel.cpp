#include "viewmodels/AnnotationViewModel.h"

#include "pdf/Page.h"

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

void AnnotationViewModel::addHighlight(const std::optional<pdf::Selection>& selection) {
    if (!selection)
        return;
    bool added = false;
    for (const pdf::Selection& line : selection->selectionsByLine()) {
        const std::vector<pdf::PagePtr> pages = line.pages();
        if (pages.empty())
            continue;
        const pdf::PagePtr& page = pages.front();
        const QRectF bounds = line.boundsForPage(page);
        if (bounds.isEmpty())
            continue; // nothing visible to cover (e.g. a line of only a line break)
        if (page->addHighlight(bounds, annotationColor(highlightColor_)))
            added = true;
    }
    if (added)
        emit highlightsAdded();
}
