#pragma once
// The controls of the annotation toolbar's style strip: a colour button and a size field.
// Each owns a menu with the same choices, so the toolbar can offer them in its overflow
// menu when the window is too narrow to show the control itself.
#include <QColor>
#include <QList>
#include <QToolButton>
#include <QWidget>

class QDoubleSpinBox;
class QLabel;
class QMenu;

// A round swatch of `color`; fully transparent draws as an empty circle struck through.
QIcon colorSwatchIcon(const QColor& color, int size = 14);

// A button showing the chosen colour beside its title; its menu lists preset colours
// (and "No Fill" where a colour may be absent) and "Other Colour..." for any other.
class StyleColorButton : public QToolButton {
    Q_OBJECT
public:
    StyleColorButton(const QString& title, bool allowsNone, QWidget* parent = nullptr);

    QColor color() const { return color_; }
    // Shows `color` without announcing it.
    void setColor(const QColor& color);
    QMenu* choices() const { return menu_; }
    // The preset colours offered, in menu order.
    static QList<QColor> presets();

signals:
    // The user picked `color` (which may be the one already shown).
    void colorChosen(const QColor& color);

private:
    void markChoice();

    QMenu* menu_;
    QColor color_;
};

// A label and a number field ("Width 2.0 pt"); its menu offers common values.
class StyleSizeField : public QWidget {
    Q_OBJECT
public:
    StyleSizeField(const QString& title, double minimum, double maximum, int decimals,
                   QList<double> presets, QWidget* parent = nullptr);

    double value() const;
    // Shows `value` without announcing it.
    void setValue(double value);
    QDoubleSpinBox* spinBox() const { return spin_; }
    QMenu* choices() const { return menu_; }

signals:
    // The user settled on `value`: an arrow step, a typed value confirmed, or a preset.
    void valueChosen(double value);

private:
    QLabel* label_;
    QDoubleSpinBox* spin_;
    QMenu* menu_;
    QList<double> presets_;
};
