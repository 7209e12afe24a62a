#pragma once
// Text roles shared by the tool sheets (titles, callouts, captions; secondary and
// tertiary text), sized relative to the application font so they follow the desktop.
#include <QColor>
#include <QFont>

class QFrame;
class QLabel;
class QWidget;

namespace SheetStyle {

enum class Role { title2, title3, headline, callout, caption };

QFont font(Role role, QFont::Weight weight = QFont::Normal);
QColor secondary();
QColor tertiary();

// A label in `role`, coloured when `color` is valid.
QLabel* label(const QString& text, Role role, QFont::Weight weight = QFont::Normal,
              const QColor& color = QColor());
void setTextColor(QWidget* widget, const QColor& color);

QFrame* divider(bool vertical = false);

} // namespace SheetStyle
