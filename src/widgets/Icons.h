#pragma once
// Icons for the interface's symbol names ("folder", "bookmark.fill", ...). Each symbol maps
// to a freedesktop icon-theme name; when the desktop's theme lacks it, a bundled drawing
// (resources/icons/<symbol>.svg) is used, tinted to the control's colour, so no button is
// ever blank.
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace Icons {

// The icon-theme name for a symbol; empty for an unknown symbol.
QString themeName(const QString& symbol);
// True when a bundled drawing exists for `symbol`.
bool hasFallback(const QString& symbol);
// Every symbol with a theme name.
QStringList symbols();

// The symbol for buttons and labels. An invalid colour follows the palette's text colour
// (and its disabled colour for disabled controls). Theme icons win over the bundled
// drawings unless `color` is given: a coloured symbol must keep its colour.
QIcon icon(const QString& symbol, const QColor& color = QColor());
// The bundled drawing in `color` at `size` logical pixels; null when there is none.
QPixmap pixmap(const QString& symbol, int size, const QColor& color, qreal devicePixelRatio = 1);

// The application's own icon.
QIcon applicationIcon();

} // namespace Icons
