#include "shell/AnnotationStyleControls.h"

#include "models/AnnotationStyle.h"

#include <QActionGroup>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace {

struct NamedPreset {
    const char* name;
    QColor color;
};

QList<NamedPreset> namedPresets() {
    return {
        {QT_TRANSLATE_NOOP("StyleColorButton", "Black"), QColor(Qt::black)},
        {QT_TRANSLATE_NOOP("StyleColorButton", "Red"), NamedColors::red()},
        {QT_TRANSLATE_NOOP("StyleColorButton", "Orange"), NamedColors::systemOrange()},
        {QT_TRANSLATE_NOOP("StyleColorButton", "Yellow"), NamedColors::systemYellow()},
        {QT_TRANSLATE_NOOP("StyleColorButton", "Green"), NamedColors::systemGreen()},
        {QT_TRANSLATE_NOOP("StyleColorButton", "Blue"), NamedColors::systemBlue()},
        {QT_TRANSLATE_NOOP("StyleColorButton", "Pink"), NamedColors::systemPink()},
        {QT_TRANSLATE_NOOP("StyleColorButton", "White"), QColor(Qt::white)},
    };
}

// Colours compare by their 8-bit channels: a colour that went through a dialog or a
// document comes back with the same channels but perhaps another representation.
bool sameColor(const QColor& a, const QColor& b) {
    return a.isValid() == b.isValid() && a.rgba() == b.rgba();
}

void drawSwatch(QPainter& painter, const QRectF& box, const QColor& color) {
    painter.setRenderHint(QPainter::Antialiasing);
    if (color.alpha() == 0) {
        painter.setPen(QPen(QColor(0, 0, 0, 110), 1));
        painter.setBrush(Qt::white);
        painter.drawEllipse(box);
        painter.setPen(QPen(NamedColors::red(), 1.5));
        painter.drawLine(box.bottomLeft() + QPointF(2, -2), box.topRight() + QPointF(-2, 2));
        return;
    }
    painter.setPen(QPen(QColor(0, 0, 0, 60), 1));
    painter.setBrush(color);
    painter.drawEllipse(box);
}

} // namespace

QIcon colorSwatchIcon(const QColor& color, int size) {
    QIcon icon;
    // Drawn for plain and doubled screens so the circle stays round and sharp at 2x.
    for (int scale : {1, 2}) {
        QPixmap pixmap(size * scale, size * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        drawSwatch(painter, QRectF(1, 1, size - 2, size - 2), color);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

StyleColorButton::StyleColorButton(const QString& title, bool allowsNone, QWidget* parent)
    : QToolButton(parent), menu_(new QMenu(title, this)) {
    setText(title);
    setToolTip(title);
    setAccessibleName(title);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIconSize(QSize(14, 14));
    setPopupMode(QToolButton::InstantPopup);
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
    setMenu(menu_);

    auto* group = new QActionGroup(menu_);
    auto offer = [this, group](const QString& name, const QColor& color) {
        QAction* action = menu_->addAction(colorSwatchIcon(color), name);
        action->setCheckable(true);
        action->setData(color);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, color] {
            setColor(color);
            emit colorChosen(color);
        });
    };
    if (allowsNone) {
        offer(tr("No Fill"), QColor(Qt::transparent));
        menu_->addSeparator();
    }
    for (const NamedPreset& preset : namedPresets())
        offer(tr(preset.name), preset.color);
    menu_->addSeparator();
    QAction* other = menu_->addAction(tr("Other Colour..."));
    connect(other, &QAction::triggered, this, [this, allowsNone, title] {
        const QColorDialog::ColorDialogOptions options =
            allowsNone ? QColorDialog::ShowAlphaChannel : QColorDialog::ColorDialogOptions();
        const QColor chosen = QColorDialog::getColor(color_, window(), title, options);
        if (!chosen.isValid())
            return; // cancelled
        setColor(chosen);
        emit colorChosen(chosen);
    });
    connect(menu_, &QMenu::aboutToShow, this, &StyleColorButton::markChoice);
    setColor(allowsNone ? QColor(Qt::transparent) : QColor(Qt::black));
}

QList<QColor> StyleColorButton::presets() {
    QList<QColor> colors;
    for (const NamedPreset& preset : namedPresets())
        colors << preset.color;
    return colors;
}

void StyleColorButton::setColor(const QColor& color) {
    if (color_ == color && !icon().isNull())
        return;
    color_ = color;
    setIcon(colorSwatchIcon(color));
    menu_->setIcon(colorSwatchIcon(color));
    markChoice();
}

void StyleColorButton::markChoice() {
    for (QAction* action : menu_->actions())
        if (action->isCheckable())
            action->setChecked(sameColor(action->data().value<QColor>(), color_));
}

StyleSizeField::StyleSizeField(const QString& title, double minimum, double maximum, int decimals,
                               QList<double> presets, QWidget* parent)
    : QWidget(parent), label_(new QLabel(title, this)), spin_(new QDoubleSpinBox(this)),
      menu_(new QMenu(title, this)), presets_(std::move(presets)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(label_);
    layout->addWidget(spin_);
    label_->setBuddy(spin_);

    spin_->setRange(minimum, maximum);
    spin_->setDecimals(decimals);
    spin_->setSingleStep(decimals > 0 ? 0.5 : 1.0);
    spin_->setSuffix(QStringLiteral(" pt"));
    spin_->setAccessibleName(title);
    spin_->setToolTip(title);
    // Only settled values reach the model: typing "12" must not set 1 on the way.
    spin_->setKeyboardTracking(false);
    spin_->setFocusPolicy(Qt::StrongFocus);
    connect(spin_, &QDoubleSpinBox::valueChanged, this, &StyleSizeField::valueChosen);
    // Folded into the overflow menu the field is only its submenu: the title tells the value.
    auto retitle = [this, title] { menu_->setTitle(title + ": " + spin_->text()); };
    connect(spin_, &QDoubleSpinBox::valueChanged, menu_, retitle);
    retitle();

    auto* group = new QActionGroup(menu_);
    for (double preset : presets_) {
        QAction* action = menu_->addAction(QLocale().toString(preset, 'f', decimals) + " pt");
        action->setCheckable(true);
        action->setData(preset);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, preset] {
            setValue(preset);
            emit valueChosen(spin_->value());
        });
    }
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        for (QAction* action : menu_->actions())
            action->setChecked(qFuzzyCompare(action->data().toDouble(), spin_->value()));
    });
}

double StyleSizeField::value() const {
    return spin_->value();
}

void StyleSizeField::setValue(double value) {
    // Unchanged values leave the field alone, so a half-typed entry survives a refresh.
    if (spin_->value() == value)
        return;
    {
        const QSignalBlocker quiet(spin_);
        spin_->setValue(value);
    }
    menu_->setTitle(label_->text() + ": " + spin_->text());
}
