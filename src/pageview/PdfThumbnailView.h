#pragma once
// A column of page thumbnails bound to a page view: shows that view's document, marks its
// current page and keeps it in sight, and sends the view to a page when one is clicked.
// Thumbnails are rendered on workers, only for the cells on screen.
#include <QAbstractScrollArea>
#include <QPointer>

#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/document/PageLabels.h"

#include <vector>

class PageRenderer;
namespace pdf {
struct Change;
} // namespace pdf
class PdfPageView;

class PdfThumbnailView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PdfThumbnailView(QWidget* parent = nullptr);
    ~PdfThumbnailView() override;

    PdfPageView* pdfView() const { return view_; }
    void setPdfView(PdfPageView* view);
    PageRenderer* renderer() const { return renderer_; }

    // The box each thumbnail is fitted into, in points (logical pixels).
    QSizeF thumbnailSize() const { return thumbSize_; }
    void setThumbnailSize(const QSizeF& size);
    // A transparent colour lets the parent's background show.
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }

    int pageCount() const { return int(sizes_.size()); }
    // The thumbnail cell of a page, in viewport coordinates.
    QRect cellRect(int index) const;
    int indexAt(const QPoint& viewportPoint) const;
    int highlightedIndex() const;
    // What is written under a thumbnail: its label, and its number where that differs.
    QString caption(int index) const;
    bool isRendering() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void reload();
    void documentEdited(const pdf::Change& change);
    void currentPageChanged();
    void updateScrollBars();
    int cellHeight() const;

    pdf::PagePtr pageObject(int index);

    QPointer<PdfPageView> view_;
    pdf::DocumentPtr doc_;
    std::vector<QSizeF> sizes_;
    std::vector<pdf::PagePtr> pages_; // loaded when first drawn
    pdf::PageLabels labels_;          // read with the pages, so painting never waits for them
    QSizeF thumbSize_{120, 160};
    QColor background_ = Qt::transparent;
    PageRenderer* renderer_;
    // Until the main view shows its first sharp page, the strip draws empty sheets.
    bool waitingForView_ = false;
};
