#include "pageview/PresentationView.h"

#include "pdf/document/Page.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <vector>

namespace {
// Pages kept rendered behind and ahead of the one shown.
constexpr int kBehind = 1, kAhead = 2;
} // namespace

PresentationView::PresentationView(pdf::DocumentPtr document, int startPage, QWidget* parent)
    : QWidget(parent, Qt::Window), document_(std::move(document)) {
    setWindowTitle(tr("Presentation"));
    setAccessibleName(tr("Presentation"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::BlankCursor);
    const int count = document_ ? document_->pageCount() : 0;
    page_ = std::clamp(startPage, 0, std::max(0, count - 1));
}

PresentationView::~PresentationView() = default;

QSize PresentationView::pixelArea() const {
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

QImage PresentationView::imageOf(int page) const {
    const auto it = images_.find(page);
    return it == images_.end() ? QImage() : it->second;
}

void PresentationView::goToPage(int page) {
    const int count = document_ ? document_->pageCount() : 0;
    if (page < 0 || page >= count)
        return;
    page_ = page;
    blank_ = false;
    prepare();
    update();
}

void PresentationView::waitForImages() {
    while (task_.isRunning()) {
        task_.wait();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void PresentationView::prepare() {
    if (!document_ || size().isEmpty())
        return;
    const QSize area = pixelArea();
    if (area != imagesFor_) {
        images_.clear();
        imagesFor_ = area;
    }
    const int count = document_->pageCount();
    const int first = std::max(0, page_ - kBehind), last = std::min(count - 1, page_ + kAhead);
    std::erase_if(images_,
                  [&](const auto& kept) { return kept.first < first || kept.first > last; });
    // The page shown first, then the next ones, then the one before.
    std::vector<int> wanted;
    for (int p : {page_, page_ + 1, page_ + 2, page_ - 1})
        if (p >= first && p <= last && !images_.count(p))
            wanted.push_back(p);
    if (wanted.empty())
        return;
    task_ = base::Task::run(
        this, [this, document = document_, wanted, area](base::TaskContext& context) {
            for (int p : wanted) {
                if (context.isCancelled())
                    return;
                const pdf::PagePtr page = document->page(p);
                if (!page)
                    continue;
                const QSizeF points = page->displaySize();
                if (points.isEmpty())
                    continue;
                const double scale =
                    std::min(area.width() / points.width(), area.height() / points.height());
                QImage image = page->render(scale);
                context.post([this, p, area, image = std::move(image)] {
                    if (area != imagesFor_)
                        return;
                    images_[p] = image;
                    if (p == page_)
                        update();
                });
            }
        });
}

void PresentationView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (blank_)
        return;
    const QImage image = imageOf(page_);
    if (image.isNull())
        return;
    const QSizeF shown = QSizeF(image.size()) / devicePixelRatioF();
    painter.drawImage(
        QRectF(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown),
        image);
}

void PresentationView::keyPressEvent(QKeyEvent* event) {
    const int count = document_ ? document_->pageCount() : 0;
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Space:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_N:
        goToPage(page_ + 1);
        return;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Backspace:
    case Qt::Key_PageUp:
    case Qt::Key_P:
        goToPage(page_ - 1);
        return;
    case Qt::Key_Home:
        goToPage(0);
        return;
    case Qt::Key_End:
        goToPage(count - 1);
        return;
    case Qt::Key_B:
    case Qt::Key_Period:
        blank_ = !blank_;
        update();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PresentationView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        goToPage(page_ + 1);
    else if (event->button() == Qt::RightButton)
        goToPage(page_ - 1);
}

void PresentationView::wheelEvent(QWheelEvent* event) {
    // A notch is 120; touchpads send many small steps that add up to one.
    wheelRest_ += event->angleDelta().y();
    while (wheelRest_ <= -120) {
        wheelRest_ += 120;
        goToPage(page_ + 1);
    }
    while (wheelRest_ >= 120) {
        wheelRest_ -= 120;
        goToPage(page_ - 1);
    }
    event->accept();
}

void PresentationView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    prepare();
}

void PresentationView::closeEvent(QCloseEvent* event) {
    task_.reset();
    if (!done_) {
        done_ = true;
        emit finished(page_);
    }
    QWidget::closeEvent(event);
}
