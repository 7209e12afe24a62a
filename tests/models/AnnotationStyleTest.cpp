#include "models/AnnotationStyle.h"

#include <gtest/gtest.h>

TEST(AnnotationStyle, ToolsInToolbarOrderWithLabelsAndExactRawValues) {
    const auto& tools = allAnnotationTools();
    QStringList raw, labels;
    for (AnnotationTool t : tools) {
        raw << rawValue(t);
        labels << label(t);
        EXPECT_EQ(annotationToolFromRawValue(rawValue(t)), t);
    }
    EXPECT_EQ(raw,
              (QStringList{"none", "highlight", "underline", "strikethrough", "note", "freehand",
                           "text", "rectangle", "oval", "line", "arrow", "signature", "redact"}));
    EXPECT_EQ(labels,
              (QStringList{"Select", "Highlight", "Underline", "Strikethrough", "Note", "Draw",
                           "Text", "Rectangle", "Oval", "Line", "Arrow", "Signature", "Redact"}));
    EXPECT_EQ(systemImage(AnnotationTool::freehand), "pencil.tip");
    EXPECT_FALSE(annotationToolFromRawValue("Highlight").has_value());
    EXPECT_FALSE(annotationToolFromRawValue("").has_value());
}

TEST(AnnotationStyle, HighlightColoursAreOpaqueSwatchesAndTranslucentAnnotations) {
    QStringList raw;
    for (HighlightColor c : allHighlightColors()) {
        raw << rawValue(c);
        EXPECT_EQ(highlightColorFromRawValue(rawValue(c)), c);
        EXPECT_EQ(swatchColor(c).alpha(), 255);
        const QColor a = annotationColor(c);
        EXPECT_NEAR(a.alphaF(), 0.3, 0.003);
        EXPECT_EQ(a.rgb(), swatchColor(c).rgb()); // same hue, only the alpha differs
    }
    EXPECT_EQ(raw, (QStringList{"yellow", "green", "blue", "pink", "orange"}));
    EXPECT_FALSE(highlightColorFromRawValue("Yellow").has_value());
    // Distinct colours, so a change of colour is visible on the page.
    for (HighlightColor a : allHighlightColors()) {
        for (HighlightColor b : allHighlightColors()) {
            if (a != b) {
                EXPECT_NE(swatchColor(a), swatchColor(b));
            }
        }
    }
}
