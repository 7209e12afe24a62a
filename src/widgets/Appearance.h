#pragma once
// Fonts and colours by role (title, callout, caption; secondary, tertiary, accent), so
// every view of the window speaks the same visual language.
#include <QColor>
#include <QFont>

class QWidget;

namespace Appearance {

enum class FontRole { largeTitle, title, title2, headline, body, callout, caption };

QFont font(FontRole role);

// Text colours derived from the application palette.
QColor primary();
QColor secondary();
QColor tertiary();
QColor accent();
// Bars above the page view (search, annotation tools).
QColor barBackground();
QColor separator();

// Sets a label-like widget's text colour.
void setTextColor(QWidget* widget, const QColor& color);

} // namespace Appearance
