#include "widgets/SheetStyle.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPalette>

namespace SheetStyle {

QFont font(Role role, QFont::Weight weight) {
    QFont f = QApplication::font();
    const double base = f.pointSizeF() > 0 ? f.pointSizeF() : 10.0;
    double factor = 1.0;
    switch (role) {
    case Role::title2:
        factor = 17.0 / 13.0;
        break;
    case Role::title3:
        factor = 15.0 / 13.0;
        break;
    case Role::headline:
        factor = 1.0;
        weight = std::max(weight, QFont::DemiBold);
        break;
    case Role::callout:
        factor = 12.0 / 13.0;
        break;
    case Role::caption:
        factor = 10.0 / 13.0;
        break;
    }
    f.setPointSizeF(base * factor);
    f.setWeight(weight);
    return f;
}

QColor secondary() {
    QColor c = QApplication::palette().color(QPalette::WindowText);
    c.setAlphaF(0.6);
    return c;
}

QColor tertiary() {
    QColor c = QApplication::palette().color(QPalette::WindowText);
    c.setAlphaF(0.4);
    return c;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    widget->setPalette(p);
}

QLabel* label(const QString& text, Role role, QFont::Weight weight, const QColor& color) {
    auto* l = new QLabel;
    // Labels show names from documents and files: markup in them is text, never layout.
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    l->setFont(font(role, weight));
    if (color.isValid())
        setTextColor(l, color);
    return l;
}

QFrame* divider(bool vertical) {
    auto* line = new QFrame;
    line->setFrameShape(vertical ? QFrame::VLine : QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    if (vertical)
        line->setFixedWidth(1);
    else
        line->setFixedHeight(1);
    QPalette p = line->palette();
    QColor c = QApplication::palette().color(QPalette::WindowText);
    c.setAlphaF(0.15);
    p.setColor(QPalette::WindowText, c);
    line->setPalette(p);
    return line;
}

} // namespace SheetStyle
