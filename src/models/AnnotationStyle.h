#pragma once
// The annotation tools (in toolbar order) and the highlight colours. Raw values are the
// identities used wherever a tool or colour is named in text.
#include <QColor>
#include <QMetaType>
#include <QString>

#include <array>
#include <optional>

enum class AnnotationTool {
    none,
    highlight,
    underline,
    strikethrough,
    note,
    freehand,
    text,
    rectangle,
    oval,
    line,
    arrow,
    signature,
    redact,
};

const std::array<AnnotationTool, 13>& allAnnotationTools();
QString rawValue(AnnotationTool tool); // also its id
QString label(AnnotationTool tool);    // the toolbar button's tooltip
QString systemImage(AnnotationTool tool);
// Exactly the thirteen raw values, case-sensitive.
std::optional<AnnotationTool> annotationToolFromRawValue(const QString& raw);

enum class HighlightColor { yellow, green, blue, pink, orange };

const std::array<HighlightColor, 5>& allHighlightColors();
QString rawValue(HighlightColor color); // the case name, also its id
// The opaque colour of the toolbar's swatch.
QColor swatchColor(HighlightColor color);
// The colour written into the document: the named colour at alpha 0.3.
QColor annotationColor(HighlightColor color);
std::optional<HighlightColor> highlightColorFromRawValue(const QString& raw);

// Named colours shared by the annotation defaults and search.
namespace NamedColors {
QColor systemYellow();
QColor systemGreen();
QColor systemBlue();
QColor systemPink();
QColor systemOrange();
QColor red();
} // namespace NamedColors

Q_DECLARE_METATYPE(AnnotationTool)
Q_DECLARE_METATYPE(HighlightColor)
