#pragma once
// The colours pages are shown in on screen. Only what the screen shows changes: prints,
// exports and written files draw the document as it is.
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

enum class ReadingColours { normal, night, sepia, highContrast };

namespace ReadingColoursScheme {

// "normal", "night", "sepia", "highContrast": the stored and posted names.
QString name(ReadingColours colours);
// normal for a name it does not know.
ReadingColours fromName(const QString& name);
const QStringList& names();
// "Normal", "Night", "Sepia", "High Contrast"
QString label(ReadingColours colours);
// The colour behind the page's content: what a blank page shows.
QColor paper(ReadingColours colours);

// Recolours `image` in place, except inside `keep` (pictures, in the image's pixels).
// Night inverts lightness and keeps hue and saturation, so red text stays red.
void apply(QImage& image, ReadingColours colours, const std::vector<QRect>& keep = {});

} // namespace ReadingColoursScheme
