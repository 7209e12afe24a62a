#include "widgets/ActivityIndicator.h"

#include <QPainter>
#include <QTimerEvent>

ActivityIndicator::ActivityIndicator(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
    setAccessibleName(tr("In progress"));
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal width = 2.0;
    const QRectF bounds = QRectF(rect()).adjusted(width, width, -width, -width);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.15);
    painter.setPen(QPen(track, width));
    painter.drawEllipse(bounds);
    painter.setPen(QPen(palette().color(QPalette::Highlight), width, Qt::SolidLine, Qt::RoundCap));
    // Qt counts arcs in sixteenths of a degree, counter-clockwise.
    painter.drawArc(bounds, -angle_ * 16, 100 * 16);
}

void ActivityIndicator::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId())
        return QWidget::timerEvent(event);
    angle_ = (angle_ + 30) % 360;
    update();
}

void ActivityIndicator::showEvent(QShowEvent* event) {
    timer_.start(80, this);
    QWidget::showEvent(event);
}

void ActivityIndicator::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}
