#pragma once
// Pictures for the interface's symbol names ("lock.shield.fill", "trash", ...): small
// bundled drawings, tinted to the colour a control needs, so no button is ever blank
// whatever icon theme the desktop has.
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace SymbolIcon {

// True when a drawing exists for `symbol`.
bool has(const QString& symbol);
// The symbol drawn in `color` at `size` logical pixels (device pixel ratio applied).
QPixmap pixmap(const QString& symbol, int size, const QColor& color, qreal devicePixelRatio = 1);
// An icon for buttons, following the palette's text colour; falls back to the icon theme.
QIcon icon(const QString& symbol, const QColor& color = QColor());

} // namespace SymbolIcon
