#pragma once
// The strip of annotation controls above the page view: one button per tool, and for the
// highlight tool the colour swatches and "Apply", which highlights the current selection.
// Tool and colour live in AnnotationViewModel, so they survive hiding the strip.
#include "models/AnnotationStyle.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class AnnotationViewModel;
class DocumentViewModel;
class QFrame;
class QPushButton;
class QToolButton;

// A round colour swatch; the chosen one carries a ring in the foreground colour.
class ColorSwatchButton : public QAbstractButton {
    Q_OBJECT
public:
    ColorSwatchButton(HighlightColor color, QWidget* parent = nullptr);
    HighlightColor color() const { return color_; }
    bool isRinged() const { return ringed_; }
    void setRinged(bool on);
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HighlightColor color_;
    bool ringed_ = false;
};

class AnnotationToolbar : public QWidget {
    Q_OBJECT
public:
    AnnotationToolbar(AnnotationViewModel* annotationViewModel,
                      DocumentViewModel* documentViewModel, QWidget* parent = nullptr);

    QToolButton* toolButton(AnnotationTool tool) const;
    // True while the tool's button wears the accent tint.
    bool isTinted(AnnotationTool tool) const;
    ColorSwatchButton* swatch(HighlightColor color) const;
    QFrame* divider() const { return divider_; }
    QPushButton* applyButton() const { return apply_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    AnnotationViewModel* annotationVM_;
    DocumentViewModel* documentVM_;
    QList<QToolButton*> tools_;
    QFrame* divider_;
    QList<ColorSwatchButton*> swatches_;
    QPushButton* apply_;
};
