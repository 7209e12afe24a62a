#pragma once
// The page view: shows a document's pages in one of four layouts, renders them on worker
// threads, lets the user select text, and reports the page shown and the selection.
#include "pageview/PageLayout.h"
#include "pageview/TextSelectionTracker.h"
#include "pdf/document/Links.h"
#include "viewmodels/PageViewInterface.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPointer>

#include <map>
#include <vector>

class AnnotationSelector;
class AnnotationToolGestures;
class AnnotationViewModel;
class DocumentViewModel;
class PageRenderer;
class PasswordPromptWidget;
namespace pdf {
struct Change;
} // namespace pdf

class PdfPageView : public QAbstractScrollArea, public PageViewInterface {
    Q_OBJECT
public:
    // Names of the notifications posted on the default centre; the payload is the view.
    static const char* const pageChangedNotification;
    static const char* const selectionChangedNotification;

    static constexpr double kMinScale = 0.1;
    static constexpr double kMaxScale = 10.0;

    explicit PdfPageView(QWidget* parent = nullptr);
    ~PdfPageView() override;

    // PageViewInterface
    pdf::DocumentPtr document() const override { return doc_; }
    void setDocument(const pdf::DocumentPtr& document) override;
    pdf::PagePtr currentPage() const override;
    void goToPage(const pdf::PagePtr& page) override;
    double scaleFactor() const override { return scale_; }
    void setScaleFactor(double scale) override;
    bool autoScales() const override { return autoScales_; }
    void setAutoScales(bool on) override;
    PDFDisplayMode displayMode() const override { return mode_; }
    void setDisplayMode(PDFDisplayMode mode) override;
    std::optional<pdf::Selection> currentSelection() const override { return selection_; }
    void setCurrentSelection(const std::optional<pdf::Selection>& selection, bool animate) override;
    void scrollSelectionToVisible() override;
    void clearSelection() override;
    void setSearchMatches(const QList<pdf::Selection>& matches) override;
    const QList<pdf::Selection>& searchMatches() const { return matches_; }
    // Goes to a link's or outline entry's destination; the place left is kept for goBack().
    void goToDestination(const pdf::Destination& destination) override;

    // Back and Forward through the places jumps left.
    bool canGoBack() const { return !back_.empty(); }
    bool canGoForward() const { return !forward_.empty(); }
    void goBack();
    void goForward();
    // The link under a viewport point, or nullptr.
    const pdf::Link* linkAt(QPointF point) const;
    // Follows a link as a click on it does: internal ones are gone to, external ones are
    // handed on through externalLinkActivated (the window opens them in the browser).
    void activateLink(const pdf::Link& link);
    // The zoom that shows the current page (or pair of pages) whole.
    double fitPageScale() const;
    // Zooms to `scale`, keeping the content under the viewport point `anchor` in place.
    void zoomAt(double scale, QPointF anchor);
    // Starts over from the document: every page laid out and drawn again.
    void layoutDocumentView();
    // Paints again what is shown.
    void setNeedsDisplay();

    int currentPageIndex() const { return currentPage_; }
    void goToPageIndex(int index);
    // Only the vertical direction is offered; anything else is ignored.
    void setDisplayDirection(Qt::Orientation orientation);
    Qt::Orientation displayDirection() const { return Qt::Vertical; }
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }

    // Geometry, in viewport coordinates (logical pixels). Null when the page is not laid out.
    QRectF pageRectInViewport(int index) const;
    // Maps a viewport point to the page under it (or the nearest page) in PDF user space.
    // Returns -1 when no page is laid out.
    int pageAtViewportPoint(QPointF point, QPointF* pagePoint, bool nearest = false) const;
    QPointF viewportPointForPagePoint(int index, QPointF pagePoint) const;

    // Copies the selected text through the platform clipboard; false when nothing is selected.
    bool copySelection();

    // A document opens with every page taken at the first page's size, so its first page is
    // drawn without waiting for the others; their own sizes are read once it shows sharp
    // (or by completePageSizes()), and the layout follows with the current page kept.
    bool pageSizesKnown() const { return !sizesEstimated_; }
    void completePageSizes();
    // The pages' sizes in points as laid out now (estimates until pageSizesKnown()).
    const std::vector<QSizeF>& pageSizes() const { return sizes_; }

    // Keeps only the images the last paint showed or asked for, and brings the engine's
    // store back within its budget. Runs by itself once the view is idle after drawing.
    void releaseUnusedMemory();

    // True when the last paint showed every visible page at full resolution.
    bool lastPaintWasSharp() const { return lastPaintSharp_; }
    bool isRendering() const;
    bool isShowingPasswordPrompt() const;
    PasswordPromptWidget* passwordPrompt() const { return prompt_; }
    PageRenderer* renderer() const { return renderer_; }
    // Picking and editing the annotations on the pages.
    AnnotationSelector* annotationSelector() const { return annotations_; }
    // The annotation toolbar's drawing tools act on the pages with these settings.
    void setAnnotationTools(AnnotationViewModel* settings, DocumentViewModel* documentVM);
    AnnotationToolGestures* annotationGestures() const { return gestures_; }

signals:
    void pageChanged();
    void selectionChanged();
    void documentChanged();
    void scaleChanged();
    void displayModeChanged();
    // An external link was clicked.
    void externalLinkActivated(const QString& uri);
    // The pointer moved onto a link (its address, or "Page n") or off every link (empty).
    void linkHovered(const QString& description);
    // Back or Forward became possible or impossible.
    void historyChanged();
    // The pages were laid out again after a structure change.
    void documentLayoutChanged();
    // The right password was given: the document's pages can be read now.
    void documentUnlocked();
    // What the pages draw changed (annotations, form values).
    void displayInvalidated();
    // After each paint; `sharp` when every visible page was at full resolution.
    void painted(bool sharp);
    // Every page's own size is known now (see pageSizesKnown()).
    void pageSizesCompleted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Anchor {
        int page = -1;
        double offsetPts = 0; // distance from the page top to the viewport top, in points
    };

    // Layout
    // `estimate`: every page takes the first page's size until completePageSizes().
    void reloadPages(bool estimate = false);
    void relayout(const Anchor& anchor);
    Anchor currentAnchor() const;
    void updateScrollBars();
    QPointF contentOffset() const;
    void scrollToContentY(double y);
    void setCurrentPageIndex(int index);
    void updateCurrentPageFromScroll();
    // Shows the place `anchor` names (page and offset) and makes its page current.
    void showAnchor(const Anchor& anchor);
    void applyScale(double scale);
    void updateHover(QPointF point);
    // Follows the document's notice: pages that changed are drawn again, and the pages
    // are laid out again when they came, went or turned.
    void documentEdited(const pdf::Change& change);
    void finishStructureChange(Anchor anchor);
    bool turnRow(int direction);

    // Painting
    bool paintPage(QPainter& painter, int index, const QRectF& rect, const QRectF& visible,
                   double deviceScale, double dpr);
    void paintSelection(QPainter& painter, int index, const QRectF& rect);
    void paintSearchMatches(QPainter& painter, int index, const QRectF& rect);
    void prefetchAround(const QRectF& visible, double deviceScale);
    // Asks for the sharp images of the pages in view without painting (see showEvent).
    void askForVisiblePages();
    QColor selectionDrawColor() const;

    // Selection
    void applySelection(std::optional<pdf::Selection> selection);
    void handlePress(QMouseEvent* event, int clicks);
    void updatePromptGeometry();
    void tryUnlock(const QString& password);

    pdf::DocumentPtr doc_;
    // Page objects are loaded on first use; the layout needs only the sizes.
    pdf::PagePtr pageObject(int index) const;
    int pageCount() const { return int(sizes_.size()); }
    mutable std::vector<pdf::PagePtr> pages_;
    std::vector<QSizeF> sizes_;
    bool sizesEstimated_ = false;
    bool sizesQueued_ = false;
    PageLayout layout_;
    PDFDisplayMode mode_ = PDFDisplayMode::singlePageContinuous;
    bool autoScales_ = false;
    double scale_ = 1.0;
    QColor background_;
    int currentPage_ = -1;
    bool programmaticScroll_ = false;

    std::optional<pdf::Selection> selection_;
    // The search's matches, and which of them fall on each page (by page object).
    QList<pdf::Selection> matches_;
    std::map<const pdf::Page*, std::vector<int>> matchesByPage_;
    TextSelectionTracker tracker_;
    QElapsedTimer lastDoubleClick_;
    QPointF lastDoubleClickPos_;

    // Links of the pages asked about so far; dropped whenever the pages change.
    mutable std::map<int, std::vector<pdf::Link>> links_;
    std::vector<Anchor> back_;
    std::vector<Anchor> forward_;
    std::optional<pdf::Link> pressedLink_;
    QString hovered_;

    PageRenderer* renderer_;
    PasswordPromptWidget* prompt_;
    AnnotationSelector* annotations_;
    bool lastPaintSharp_ = false;
    bool shownSharp_ = false; // the document's pages in view were drawn as sharp as they get
    AnnotationToolGestures* gestures_ = nullptr;
};
