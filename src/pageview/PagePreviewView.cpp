#include "pageview/PagePreviewView.h"

#include "pageview/PagePreviewRenderer.h"
#include "widgets/SheetStyle.h"
#include "widgets/SymbolIcon.h"

#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// Paints the preview fitted into its rectangle, aspect kept, centred.
class PreviewCanvas : public QWidget {
public:
    explicit PreviewCanvas(const QImage& image) : image_(image) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (image_.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF logical = QSizeF(image_.size()) / image_.devicePixelRatio();
        const QSizeF fitted =
            logical.scaled(QSizeF(size()).shrunkBy({8, 8, 8, 8}), Qt::KeepAspectRatio);
        const QRectF target(
            QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        painter.fillRect(target.adjusted(-0.5, -0.5, 0.5, 0.5), QColor(0, 0, 0, 40));
        painter.drawImage(target, image_);
    }

private:
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

    canvas_ = new PreviewCanvas(image_);
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

bool PagePreviewView::showsPlaceholder() const {
    return stack_->currentIndex() == 1;
}
