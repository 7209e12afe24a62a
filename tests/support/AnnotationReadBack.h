#pragma once
// Another reader's view of the annotations a written file holds: each annotation's
// dictionary as qpdf --json shows it, with indirect values it names resolved one level.
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QRectF>
#include <QString>

#include <vector>

namespace fixtures {

// The annotations of page `page` (1-based) of the file, in /Annots order. Values that are
// references (the appearance dictionary, /BS ...) come resolved.
std::vector<QJsonObject> annotationsInFile(const QString& path, int page = 1);
// A /Rect (or any four-number array) as a rectangle; null when it is not one.
QRectF rectOf(const QJsonValue& value);
// The numbers of an array value.
std::vector<double> numbersOf(const QJsonValue& value);
// Text of a qpdf string value ("u:..." or "b:..." prefixed).
QString stringOf(const QJsonValue& value);

// Types `text` into `widget` key by key, any script (QTest::keyClicks knows only ASCII).
void typeText(class QWidget* widget, const QString& text);

// Page `page` (1-based) of the file as pdftoppm draws it at `dpi`; null on failure.
QImage pdftoppmPage(const QString& path, int page = 1, int dpi = 72);

} // namespace fixtures
