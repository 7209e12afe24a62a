#include "widgets/Appearance.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace Appearance {

QFont font(FontRole role) {
    QFont f = QApplication::font();
    const qreal base = f.pointSizeF() > 0 ? f.pointSizeF() : 10.0;
    switch (role) {
    case FontRole::largeTitle:
        f.setPointSizeF(base * 2.1);
        break;
    case FontRole::title:
        f.setPointSizeF(base * 1.8);
        break;
    case FontRole::title2:
        f.setPointSizeF(base * 1.5);
        break;
    case FontRole::headline:
        f.setWeight(QFont::DemiBold);
        break;
    case FontRole::body:
        break;
    case FontRole::callout:
        f.setPointSizeF(base * 0.95);
        break;
    case FontRole::caption:
        f.setPointSizeF(base * 0.85);
        break;
    }
    return f;
}

static QColor withAlpha(QColor c, qreal alpha) {
    c.setAlphaF(alpha);
    return c;
}

QColor primary() {
    return QApplication::palette().color(QPalette::WindowText);
}
QColor secondary() {
    return withAlpha(primary(), 0.62);
}
QColor tertiary() {
    return withAlpha(primary(), 0.42);
}
QColor accent() {
    return QApplication::palette().color(QPalette::Highlight);
}

QColor barBackground() {
    const QColor window = QApplication::palette().color(QPalette::Window);
    return window.lightness() > 128 ? window.lighter(104) : window.lighter(120);
}

QColor separator() {
    return withAlpha(primary(), 0.16);
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    p.setColor(QPalette::ButtonText, color);
    widget->setPalette(p);
}

} // namespace Appearance
