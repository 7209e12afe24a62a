#pragma once
// The strip of annotation controls above the page view: one button per tool, then the
// chosen tool's style: for the highlight tool the colour swatches and "Apply", which
// highlights the current selection; for the drawing tools their colour, fill, width or
// font size. Tool and styles live in AnnotationViewModel, so they survive hiding the strip.
// The strip never asks for more width than it is given: what does not fit folds into an
// overflow menu at its right end that offers the same choices.
#include "models/AnnotationStyle.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <functional>

class AnnotationViewModel;
class DocumentViewModel;
class QFrame;
class QMenu;
class QPushButton;
class QToolButton;
class StyleColorButton;
class StyleSizeField;

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

    // The style controls; each is shown only for the tools it styles.
    StyleSizeField* textSizeField() const { return textSize_; }
    StyleColorButton* textColorButton() const { return textColor_; }
    StyleColorButton* freehandColorButton() const { return freehandColor_; }
    StyleSizeField* freehandWidthField() const { return freehandWidth_; }
    StyleColorButton* shapeColorButton() const { return shapeColor_; }
    StyleColorButton* shapeFillButton() const { return shapeFill_; }
    StyleSizeField* shapeWidthField() const { return shapeWidth_; }

    // Shown while some control does not fit; its menu holds those controls.
    QToolButton* overflowButton() const { return overflow_; }
    QMenu* overflowMenu() const { return overflowMenu_; }
    // The strip's controls (tool buttons, swatches, Apply and style controls of the current
    // tool) that are folded into the overflow menu at the present width.
    QList<QWidget*> foldedControls() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    // One item of the row, and how it appears in the overflow menu.
    struct Slot {
        QWidget* widget;
        std::function<void(QMenu*)> addToMenu;
        bool wanted = true;
        bool folded = false;
    };

    void refresh();
    void layoutRow();
    void fillOverflowMenu();
    void addSlot(QWidget* widget, std::function<void(QMenu*)> addToMenu);
    QList<const Slot*> wantedSlots() const;
    static QSize slotSize(const QWidget* widget);
    int rowHeight() const;

    AnnotationViewModel* annotationVM_;
    DocumentViewModel* documentVM_;
    QList<QToolButton*> tools_;
    QFrame* divider_;
    QList<ColorSwatchButton*> swatches_;
    QPushButton* apply_;
    StyleSizeField* textSize_;
    StyleColorButton* textColor_;
    StyleColorButton* freehandColor_;
    StyleSizeField* freehandWidth_;
    StyleColorButton* shapeColor_;
    StyleColorButton* shapeFill_;
    StyleSizeField* shapeWidth_;
    QToolButton* overflow_;
    QMenu* overflowMenu_;
    QList<Slot> slots_;
    bool layingOut_ = false;
};
