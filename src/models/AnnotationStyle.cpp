#include "models/AnnotationStyle.h"

namespace {

struct ToolInfo {
    AnnotationTool tool;
    const char* raw;
    const char* label;
    const char* image;
};

constexpr ToolInfo kTools[] = {
    {AnnotationTool::none, "none", "Select", "cursor.rays"},
    {AnnotationTool::highlight, "highlight", "Highlight", "highlighter"},
    {AnnotationTool::underline, "underline", "Underline", "underline"},
    {AnnotationTool::strikethrough, "strikethrough", "Strikethrough", "strikethrough"},
    {AnnotationTool::note, "note", "Note", "note.text"},
    {AnnotationTool::freehand, "freehand", "Draw", "pencil.tip"},
    {AnnotationTool::text, "text", "Text", "character.textbox"},
    {AnnotationTool::rectangle, "rectangle", "Rectangle", "rectangle"},
    {AnnotationTool::oval, "oval", "Oval", "oval"},
    {AnnotationTool::line, "line", "Line", "line.diagonal"},
    {AnnotationTool::arrow, "arrow", "Arrow", "arrow.right"},
    {AnnotationTool::signature, "signature", "Signature", "signature"},
    {AnnotationTool::redact, "redact", "Redact", "rectangle.redact"},
};

const ToolInfo& info(AnnotationTool tool) {
    return kTools[static_cast<int>(tool)];
}

constexpr const char* kColorNames[] = {"yellow", "green", "blue", "pink", "orange"};

} // namespace

const std::array<AnnotationTool, 13>& allAnnotationTools() {
    static const std::array<AnnotationTool, 13> all = [] {
        std::array<AnnotationTool, 13> a{};
        for (size_t i = 0; i < a.size(); ++i)
            a[i] = kTools[i].tool;
        return a;
    }();
    return all;
}

QString rawValue(AnnotationTool tool) {
    return QString::fromLatin1(info(tool).raw);
}
QString label(AnnotationTool tool) {
    return QString::fromLatin1(info(tool).label);
}
QString systemImage(AnnotationTool tool) {
    return QString::fromLatin1(info(tool).image);
}

std::optional<AnnotationTool> annotationToolFromRawValue(const QString& raw) {
    for (const ToolInfo& t : kTools)
        if (raw == QLatin1String(t.raw))
            return t.tool;
    return std::nullopt;
}

const std::array<HighlightColor, 5>& allHighlightColors() {
    static const std::array<HighlightColor, 5> all{HighlightColor::yellow, HighlightColor::green,
                                                   HighlightColor::blue, HighlightColor::pink,
                                                   HighlightColor::orange};
    return all;
}

QString rawValue(HighlightColor color) {
    return QString::fromLatin1(kColorNames[static_cast<int>(color)]);
}

std::optional<HighlightColor> highlightColorFromRawValue(const QString& raw) {
    for (HighlightColor c : allHighlightColors())
        if (raw == rawValue(c))
            return c;
    return std::nullopt;
}

// The desktop palette's named colours (light appearance).
namespace NamedColors {
QColor systemYellow() {
    return QColor(255, 204, 0);
}
QColor systemGreen() {
    return QColor(52, 199, 89);
}
QColor systemBlue() {
    return QColor(0, 122, 255);
}
QColor systemPink() {
    return QColor(255, 45, 85);
}
QColor systemOrange() {
    return QColor(255, 149, 0);
}
QColor red() {
    return QColor(255, 0, 0);
}
} // namespace NamedColors

QColor swatchColor(HighlightColor color) {
    switch (color) {
    case HighlightColor::yellow:
        return NamedColors::systemYellow();
    case HighlightColor::green:
        return NamedColors::systemGreen();
    case HighlightColor::blue:
        return NamedColors::systemBlue();
    case HighlightColor::pink:
        return NamedColors::systemPink();
    case HighlightColor::orange:
        return NamedColors::systemOrange();
    }
    return NamedColors::systemYellow();
}

QColor annotationColor(HighlightColor color) {
    QColor c = swatchColor(color);
    c.setAlphaF(0.3f);
    return c;
}
