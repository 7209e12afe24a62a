#pragma once
// Fixtures for the document tools: a form whose only field has no name, next to
// annotations that are no form fields, and a look at a region through another renderer.
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>

class QWidget;

namespace fixtures {

// One page: a square annotation, a text widget without a name (value "untitled value"), a
// signature widget and a push button without a value.
QByteArray unnamedFieldPdf();

// Page `page` (1-based) rendered by pdftoppm at 72 dpi; `area` in PDF points (bottom-left
// origin) is cut out. Null image when the renderer is missing or fails.
QImage popplerRegion(const QString& path, int page, const QRectF& area);

// Pixels darker than mid-grey.
int darkPixels(const QImage& image);

// Saves what `widget` shows as <name>.png in $VELLUMARK_SCREENSHOT_DIR, when that is set.
void saveScreenshot(QWidget* widget, const QString& name);

} // namespace fixtures
