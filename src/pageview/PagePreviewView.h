#pragma once
// One side of the comparison: a page drawn at 400 × 550 points off the main thread and
// shown fitted into the space, or the placeholder "No page at this index".
#include "pdf/document/Page.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <vector>

class PagePreviewRenderer;
class QLabel;
class QStackedWidget;

class PagePreviewView : public QWidget {
    Q_OBJECT
public:
    explicit PagePreviewView(QWidget* parent = nullptr);

    // Shows `page`, or the placeholder for nullptr.
    void setPage(const pdf::PagePtr& page);

    // Rectangles tinted over the page (PDF user space); `strong` ones are outlined too.
    struct Mark {
        QRectF box;
        QColor color;
        bool strong = false;
    };
    void setMarks(std::vector<Mark> marks);
    const std::vector<Mark>& marks() const { return marks_; }
    // Where a rectangle of the page (PDF user space) lies on the widget.
    QRectF markRect(const QRectF& box) const;

    bool showsPlaceholder() const;
    // A preview was asked for and has not arrived yet.
    bool isRendering() const { return rendering_; }
    // The rendered preview; null while rendering or for the placeholder.
    const QImage& image() const { return image_; }

    static constexpr QSize previewSize{400, 550};

signals:
    // A requested preview arrived (or the placeholder was put up).
    void previewReady();

private:
    PagePreviewRenderer* renderer_;
    QStackedWidget* stack_;
    QWidget* canvas_;
    QImage image_;
    pdf::PagePtr page_;
    std::vector<Mark> marks_;
    quint64 pageRevision_ = 0;
    bool rendering_ = false;
};
