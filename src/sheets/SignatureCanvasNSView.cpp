#include "sheets/SignatureCanvasNSView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kSeparator(0, 0, 0, 40);
// The system grey at 30% opacity.
const QColor kGuide(142, 142, 147, 77);
constexpr double kCornerRadius = 8;
constexpr double kGuideInset = 20;
constexpr double kGuideWidth = 0.5;

QPen strokePen() {
    return QPen(Qt::black, SignatureCanvasNSView::lineWidth, Qt::SolidLine, Qt::RoundCap,
                Qt::RoundJoin);
}

// A path of one point (a click) has no length and draws nothing.
void strokePath(QPainter& painter, const QPolygonF& path) {
    if (path.size() >= 2)
        painter.drawPolyline(path);
}

} // namespace

SignatureCanvasNSView::SignatureCanvasNSView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setCursor(Qt::CrossCursor);
    setMinimumHeight(60);
}

void SignatureCanvasNSView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    currentPath_ = QPolygonF{event->position()};
}

void SignatureCanvasNSView::mouseMoveEvent(QMouseEvent* event) {
    if (!currentPath_)
        return;
    currentPath_->append(event->position());
    update();
}

void SignatureCanvasNSView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !currentPath_)
        return;
    paths_.push_back(std::move(*currentPath_));
    currentPath_.reset();
    update();
    if (onSignatureChanged)
        onSignatureChanged(exportAsImage());
}

void SignatureCanvasNSView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath pad;
    pad.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    painter.fillPath(pad, Qt::white);
    painter.setPen(QPen(kSeparator, 1));
    painter.drawPath(pad);
    painter.setClipPath(pad);

    // Dash lengths of a QPen are in pen widths: 4 points on, 4 off.
    QPen guide(kGuide, kGuideWidth, Qt::CustomDashLine, Qt::FlatCap);
    guide.setDashPattern({4 / kGuideWidth, 4 / kGuideWidth});
    guide.setDashOffset(0);
    painter.setPen(guide);
    const double y = 0.7 * height();
    painter.drawLine(QPointF(kGuideInset, y), QPointF(width() - kGuideInset, y));

    painter.setPen(strokePen());
    for (const QPolygonF& path : paths_)
        strokePath(painter, path);
    if (currentPath_)
        strokePath(painter, *currentPath_);
}

std::optional<QImage> SignatureCanvasNSView::exportAsImage() const {
    if (paths_.empty())
        return std::nullopt;
    const double ratio = devicePixelRatioF();
    QImage image((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen());
    for (const QPolygonF& path : paths_)
        strokePath(painter, path);
    painter.end();
    return image;
}

void SignatureCanvasNSView::clear() {
    if (paths_.empty() && !currentPath_)
        return;
    paths_.clear();
    currentPath_.reset();
    update();
}
