#include "pageview/PagePreviewView.h"

#include "pageview/PagePreviewRenderer.h"
#include "widgets/SheetStyle.h"
#include "widgets/SymbolIcon.h"

#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QRectF fittedRect(const QImage& image, const QSize& area) {
    const QSizeF logical = QSizeF(image.size()) / image.devicePixelRatio();
    const QSizeF fitted = logical.scaled(QSizeF(area).shrunkBy({8, 8, 8, 8}), Qt::KeepAspectRatio);
    return QRectF(
        QPointF((area.width() - fitted.width()) / 2, (area.height() - fitted.height()) / 2),
        fitted);
}

// Paints the preview fitted into its rectangle, aspect kept, centred, and the marks on it.
class PreviewCanvas : public QWidget {
public:
    explicit PreviewCanvas(const PagePreviewView& view, const QImage& image)
        : view_(view), image_(image) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (image_.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF target = fittedRect(image_, size());
        painter.fillRect(target.adjusted(-0.5, -0.5, 0.5, 0.5), QColor(0, 0, 0, 40));
        painter.drawImage(target, image_);
        // Multiplied, so the words stay readable under their tint.
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        for (const PagePreviewView::Mark& mark : view_.marks())
            painter.fillRect(view_.markRect(mark.box).adjusted(-1, -1, 1, 1), mark.color);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        for (const PagePreviewView::Mark& mark : view_.marks())
            if (mark.strong) {
                painter.setPen(QPen(mark.color.darker(160), 2));
                painter.drawRect(view_.markRect(mark.box).adjusted(-2, -2, 2, 2));
            }
    }

private:
    const PagePreviewView& view_;
    const QImage& image_;
};

} // namespace

PagePreviewView::PagePreviewView(QWidget* parent)
    : QWidget(parent), renderer_(new PagePreviewRenderer(this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    stack_ = new QStackedWidget;
    layout->addWidget(stack_);

    canvas_ = new PreviewCanvas(*this, image_);
    stack_->addWidget(canvas_);

    auto* placeholder = new QWidget;
    auto* placeholderLayout = new QVBoxLayout(placeholder);
    placeholderLayout->addStretch(1);
    auto* icon = new QLabel;
    const int side = QFontMetrics(SheetStyle::font(SheetStyle::Role::title2)).height() + 4;
    icon->setPixmap(
        SymbolIcon::pixmap("doc.questionmark", side, SheetStyle::secondary(), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    placeholderLayout->addWidget(icon);
    auto* text = SheetStyle::label(tr("No page at this index"), SheetStyle::Role::caption,
                                   QFont::Normal, SheetStyle::secondary());
    text->setAlignment(Qt::AlignCenter);
    placeholderLayout->addWidget(text);
    placeholderLayout->addStretch(1);
    stack_->addWidget(placeholder);

    connect(renderer_, &PagePreviewRenderer::rendered, this, [this](const QImage& image) {
        rendering_ = false;
        image_ = image;
        image_.setDevicePixelRatio(devicePixelRatioF());
        stack_->setCurrentIndex(image_.isNull() ? 1 : 0);
        canvas_->update();
        emit previewReady();
    });
    stack_->setCurrentIndex(1);
}

void PagePreviewView::setPage(const pdf::PagePtr& page) {
    // The same page drawing the same content is not rendered again.
    if (page && page == page_ && page->revision() == pageRevision_)
        return;
    page_ = page;
    pageRevision_ = page ? page->revision() : 0;
    if (!page) {
        rendering_ = false;
        renderer_->cancel();
        image_ = QImage();
        stack_->setCurrentIndex(1);
        emit previewReady();
        return;
    }
    // Sharp on high-density screens: the 400 × 550 points are rendered in device pixels.
    rendering_ = true;
    renderer_->request(page, previewSize * devicePixelRatioF());
}

void PagePreviewView::setMarks(std::vector<Mark> marks) {
    marks_ = std::move(marks);
    canvas_->update();
}

QRectF PagePreviewView::markRect(const QRectF& box) const {
    if (!page_ || image_.isNull())
        return {};
    const QRectF target = fittedRect(image_, canvas_->size());
    const QSizeF page = page_->displaySize();
    if (page.isEmpty())
        return {};
    const QRectF shown = page_->pageToDisplay().mapRect(box);
    const double sx = target.width() / page.width(), sy = target.height() / page.height();
    return QRectF(target.left() + shown.left() * sx, target.top() + shown.top() * sy,
                  shown.width() * sx, shown.height() * sy);
}

bool PagePreviewView::showsPlaceholder() const {
    return stack_->currentIndex() == 1;
}
