#pragma once
// One page of a Document. Rectangles are in PDF user space (origin bottom-left, y up):
// QRectF::x()/y() are the left/bottom edges. A page removed from its document is
// detached: it keeps answering, with empty results, and never touches freed memory.
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <memory>
#include <optional>
#include <vector>

struct pdf_annot; // the engine's annotation

namespace base {
class CancelToken;
}

namespace pdf {

class Annotation;
class Document;
class DisplayList;
class TextPage;
struct DocumentData;
struct PageData;

class Page : public std::enable_shared_from_this<Page> {
public:
    ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    std::shared_ptr<Document> document() const; // nullptr once detached or the document is gone
    int index() const;                          // -1 when detached
    bool isDetached() const;

    QRectF mediaBox() const;
    int rotation() const;          // 0, 90, 180 or 270
    void setRotation(int degrees); // normalised to 0/90/180/270
    // Size of the page as shown, in points: the media box with the rotation applied.
    QSizeF displaySize() const;
    // Maps PDF user space to display space (points, origin top-left, rotation applied).
    QTransform pageToDisplay() const;

    // The page's text; nullopt when the page has no text at all.
    std::optional<QString> text() const;
    // Characters with their boxes, extracted once and kept.
    std::shared_ptr<const TextPage> textPage() const;

    // Rendering on white, annotations included. scale 1 = 72 dpi. Null image on failure.
    QImage render(double scale, bool annotations = true) const;
    // The page fitted into `size` (aspect kept), annotations included.
    QImage thumbnail(QSize size) const;
    // A recording of the page, made under the document's lock; rasterise it on any thread.
    // `cancel`, when cancelled from another thread, stops the recording early (nullptr).
    std::shared_ptr<DisplayList> displayList(bool annotations = true,
                                             const base::CancelToken* cancel = nullptr) const;

    std::vector<std::shared_ptr<Annotation>> annotations() const;
    // Highlight over `rect` (QuadPoints equal to the rectangle), colour with alpha.
    std::shared_ptr<Annotation> addHighlight(const QRectF& rect, const QColor& color);
    // Free text without border or background.
    std::shared_ptr<Annotation> addFreeText(const QRectF& rect, const QString& text,
                                            double fontSize, const QColor& fontColor);
    // A stamp whose own appearance draws `image` stretched over `rect`.
    std::shared_ptr<Annotation> addImageStamp(const QRectF& rect, const QImage& image);
    // A free-text annotation whose own appearance draws `text` in a bold font that covers its
    // script, in `color` (alpha = opacity), at `fontSize`, rotated by `degrees`
    // (counter-clockwise) about the centre of `rect`, centred there.
    std::shared_ptr<Annotation> addTextWatermark(const QRectF& rect, const QString& text,
                                                 double fontSize, const QColor& color,
                                                 double degrees);
    bool removeAnnotation(const std::shared_ptr<Annotation>& annotation);

    // Grows whenever what the page draws changes (annotations, form values, rotation).
    quint64 revision() const;

    // Internal to the PDF layer.
    PageData& data() const { return *d_; }
    explicit Page(std::unique_ptr<PageData> d);

private:
    std::shared_ptr<Annotation> adoptNewAnnotation(::pdf_annot* annot);
    std::unique_ptr<PageData> d_;
};

using PagePtr = std::shared_ptr<Page>;

} // namespace pdf
