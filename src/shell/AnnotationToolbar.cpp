#include "shell/AnnotationToolbar.h"

#include "shell/AnnotationStyleControls.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QEvent>
#include <QFrame>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <functional>

namespace {

constexpr int kSpacing = 12;
constexpr QMargins kMargins(12, 6, 12, 6);

// Which style controls a tool shows after the divider.
enum class StyleRow { none, highlight, markup, text, freehand, closedShape, openShape };

StyleRow styleRow(AnnotationTool tool) {
    switch (tool) {
    case AnnotationTool::highlight:
        return StyleRow::highlight;
    case AnnotationTool::underline:
    case AnnotationTool::strikethrough:
        return StyleRow::markup; // they mark text in the highlight colour
    case AnnotationTool::text:
        return StyleRow::text;
    case AnnotationTool::freehand:
        return StyleRow::freehand;
    case AnnotationTool::rectangle:
    case AnnotationTool::oval:
        return StyleRow::closedShape;
    case AnnotationTool::line:
    case AnnotationTool::arrow:
        return StyleRow::openShape; // nothing to fill
    case AnnotationTool::none:
    case AnnotationTool::note:
    case AnnotationTool::signature:
    case AnnotationTool::redact:
        break;
    }
    return StyleRow::none;
}

QString capitalised(const QString& text) {
    return text.left(1).toUpper() + text.mid(1);
}

} // namespace

ColorSwatchButton::ColorSwatchButton(HighlightColor color, QWidget* parent)
    : QAbstractButton(parent), color_(color) {
    setFixedSize(18, 18);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setToolTip(rawValue(color).left(1).toUpper() + rawValue(color).mid(1));
    setAccessibleName(rawValue(color));
}

void ColorSwatchButton::setRinged(bool on) {
    if (ringed_ == on)
        return;
    ringed_ = on;
    update();
}

void ColorSwatchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(swatchColor(color_));
    painter.drawEllipse(box);
    // A faint edge keeps light swatches visible on a light bar.
    painter.setPen(QPen(QColor(0, 0, 0, 40), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
    if (ringed_) {
        painter.setPen(QPen(Appearance::primary(), 2));
        painter.drawEllipse(box.adjusted(1, 1, -1, -1));
    }
}

AnnotationToolbar::AnnotationToolbar(AnnotationViewModel* annotationViewModel,
                                     DocumentViewModel* documentViewModel, QWidget* parent)
    : QWidget(parent), annotationVM_(annotationViewModel), documentVM_(documentViewModel) {
    setObjectName(QStringLiteral("annotationToolbar"));
    // The strip takes the width it is given; it must never be what widens the window.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    for (AnnotationTool tool : allAnnotationTools()) {
        auto* button = new QToolButton(this);
        button->setFixedSize(28, 28);
        button->setIconSize(QSize(18, 18));
        button->setCheckable(true);
        button->setToolTip(label(tool));
        button->setAccessibleName(label(tool));
        button->setFocusPolicy(Qt::TabFocus);
        auto choose = [this, tool] {
            if (annotationVM_)
                annotationVM_->setCurrentTool(tool);
            refresh(); // re-checks the button even when the tool did not change
        };
        connect(button, &QToolButton::clicked, this, choose);
        tools_.append(button);
        addSlot(button, [this, tool, choose](QMenu* menu) {
            const bool chosen = annotationVM_ && annotationVM_->currentTool() == tool;
            QAction* action = menu->addAction(Icons::icon(systemImage(tool)), label(tool));
            action->setCheckable(true);
            action->setChecked(chosen);
            connect(action, &QAction::triggered, this, choose);
        });
    }

    divider_ = new QFrame(this);
    divider_->setFrameShape(QFrame::VLine);
    divider_->setFrameShadow(QFrame::Plain);
    divider_->setFixedSize(1, 20);
    QPalette dividerPalette = divider_->palette();
    dividerPalette.setColor(QPalette::WindowText, Appearance::separator());
    divider_->setPalette(dividerPalette);
    addSlot(divider_, [](QMenu* menu) {
        if (!menu->isEmpty())
            menu->addSeparator();
    });

    for (HighlightColor color : allHighlightColors()) {
        auto* swatch = new ColorSwatchButton(color, this);
        auto choose = [this, color] {
            if (annotationVM_)
                annotationVM_->setHighlightColor(color);
        };
        connect(swatch, &ColorSwatchButton::clicked, this, choose);
        swatches_.append(swatch);
        addSlot(swatch, [this, color, choose](QMenu* menu) {
            QAction* action =
                menu->addAction(colorSwatchIcon(swatchColor(color)), capitalised(rawValue(color)));
            action->setCheckable(true);
            action->setChecked(annotationVM_ && annotationVM_->highlightColor() == color);
            connect(action, &QAction::triggered, this, choose);
        });
    }

    apply_ = new QPushButton(tr("Apply"), this);
    apply_->setObjectName(QStringLiteral("applyButton"));
    apply_->setDefault(true);
    apply_->setAutoDefault(false);
    const QColor accent = Appearance::accent();
    // Small and prominent: the accent fill, greyed while there is nothing to apply to.
    apply_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                         " border-radius: 5px; padding: 3px 12px; }"
                                         "QPushButton:hover { background: %2; }"
                                         "QPushButton:disabled { background: %3; color: %4; }")
                              .arg(accent.name(), accent.lighter(112).name(),
                                   Appearance::separator().name(QColor::HexArgb),
                                   Appearance::tertiary().name(QColor::HexArgb)));
    auto apply = [this] {
        if (annotationVM_ && documentVM_)
            annotationVM_->addHighlight(documentVM_->currentSelection(), *documentVM_);
    };
    connect(apply_, &QPushButton::clicked, this, apply);
    addSlot(apply_, [this, apply](QMenu* menu) {
        QAction* action = menu->addAction(apply_->text());
        action->setEnabled(apply_->isEnabled());
        connect(action, &QAction::triggered, this, apply);
    });

    // The style strip. Each control writes its own setting of the model.
    // The setter travels as a function object: a member-function pointer captured in the
    // slot is misread by the address sanitizer's instrumented build.
    using ColorSetter = std::function<void(AnnotationViewModel&, const QColor&)>;
    using SizeSetter = std::function<void(AnnotationViewModel&, double)>;
    auto addColor = [this](StyleColorButton* button, ColorSetter set) {
        connect(button, &StyleColorButton::colorChosen, this, [this, set](const QColor& color) {
            if (annotationVM_)
                set(*annotationVM_, color);
        });
        addSlot(button, [button](QMenu* menu) { menu->addMenu(button->choices()); });
    };
    auto addSize = [this](StyleSizeField* field, SizeSetter set) {
        connect(field, &StyleSizeField::valueChosen, this, [this, set](double value) {
            if (annotationVM_)
                set(*annotationVM_, value);
        });
        addSlot(field, [field](QMenu* menu) { menu->addMenu(field->choices()); });
    };
    const QList<double> widths{0.5, 1, 2, 3, 5, 8, 12};
    textColor_ = new StyleColorButton(tr("Colour"), false, this);
    textColor_->setObjectName(QStringLiteral("textColorButton"));
    addColor(textColor_, &AnnotationViewModel::setTextColor);
    textSize_ =
        new StyleSizeField(tr("Font Size"), 4, 144, 0, {8, 10, 12, 14, 18, 24, 36, 48}, this);
    textSize_->setObjectName(QStringLiteral("textSizeField"));
    addSize(textSize_, &AnnotationViewModel::setTextFontSize);
    freehandColor_ = new StyleColorButton(tr("Colour"), false, this);
    freehandColor_->setObjectName(QStringLiteral("freehandColorButton"));
    addColor(freehandColor_, &AnnotationViewModel::setFreehandColor);
    freehandWidth_ = new StyleSizeField(tr("Width"), 0.5, 48, 1, widths, this);
    freehandWidth_->setObjectName(QStringLiteral("freehandWidthField"));
    addSize(freehandWidth_, &AnnotationViewModel::setFreehandLineWidth);
    shapeColor_ = new StyleColorButton(tr("Colour"), false, this);
    shapeColor_->setObjectName(QStringLiteral("shapeColorButton"));
    addColor(shapeColor_, &AnnotationViewModel::setShapeColor);
    shapeFill_ = new StyleColorButton(tr("Fill"), true, this);
    shapeFill_->setObjectName(QStringLiteral("shapeFillButton"));
    addColor(shapeFill_, &AnnotationViewModel::setShapeFillColor);
    shapeWidth_ = new StyleSizeField(tr("Width"), 0.5, 48, 1, widths, this);
    shapeWidth_->setObjectName(QStringLiteral("shapeWidthField"));
    addSize(shapeWidth_, &AnnotationViewModel::setShapeLineWidth);

    overflow_ = new QToolButton(this);
    overflow_->setObjectName(QStringLiteral("annotationOverflowButton"));
    overflow_->setFixedSize(28, 28);
    overflow_->setAutoRaise(true);
    overflow_->setIcon(style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton));
    overflow_->setToolTip(tr("More Annotation Controls"));
    overflow_->setAccessibleName(overflow_->toolTip());
    overflow_->setPopupMode(QToolButton::InstantPopup);
    overflow_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    overflowMenu_ = new QMenu(overflow_);
    overflowMenu_->setObjectName(QStringLiteral("annotationOverflowMenu"));
    overflow_->setMenu(overflowMenu_);
    overflow_->hide();
    connect(overflowMenu_, &QMenu::aboutToShow, this, &AnnotationToolbar::fillOverflowMenu);

    if (annotationVM_) {
        for (auto signal :
             {&AnnotationViewModel::currentToolChanged, &AnnotationViewModel::highlightColorChanged,
              &AnnotationViewModel::textFontSizeChanged, &AnnotationViewModel::textColorChanged,
              &AnnotationViewModel::freehandColorChanged,
              &AnnotationViewModel::freehandLineWidthChanged,
              &AnnotationViewModel::shapeColorChanged, &AnnotationViewModel::shapeFillColorChanged,
              &AnnotationViewModel::shapeLineWidthChanged})
            connect(annotationVM_, signal, this, &AnnotationToolbar::refresh);
    }
    if (documentVM_)
        connect(documentVM_, &DocumentViewModel::currentSelectionChanged, this,
                &AnnotationToolbar::refresh);
    refresh();
}

void AnnotationToolbar::addSlot(QWidget* widget, std::function<void(QMenu*)> addToMenu) {
    slots_.append(Slot{widget, std::move(addToMenu)});
}

QToolButton* AnnotationToolbar::toolButton(AnnotationTool tool) const {
    return tools_.value(int(tool));
}

bool AnnotationToolbar::isTinted(AnnotationTool tool) const {
    const QToolButton* button = toolButton(tool);
    return button && button->isChecked();
}

ColorSwatchButton* AnnotationToolbar::swatch(HighlightColor color) const {
    return swatches_.value(int(color));
}

void AnnotationToolbar::refresh() {
    const AnnotationTool current =
        annotationVM_ ? annotationVM_->currentTool() : AnnotationTool::none;
    for (AnnotationTool tool : allAnnotationTools()) {
        QToolButton* button = toolButton(tool);
        const bool chosen = tool == current;
        button->setChecked(chosen);
        button->setIcon(Icons::icon(systemImage(tool), chosen ? Appearance::accent() : QColor()));
    }
    const HighlightColor colour =
        annotationVM_ ? annotationVM_->highlightColor() : HighlightColor::yellow;
    for (ColorSwatchButton* swatch : swatches_)
        swatch->setRinged(swatch->color() == colour);
    apply_->setEnabled(documentVM_ && documentVM_->currentSelection().has_value());
    if (annotationVM_) {
        textSize_->setValue(annotationVM_->textFontSize());
        textColor_->setColor(annotationVM_->textColor());
        freehandColor_->setColor(annotationVM_->freehandColor());
        freehandWidth_->setValue(annotationVM_->freehandLineWidth());
        shapeColor_->setColor(annotationVM_->shapeColor());
        shapeFill_->setColor(annotationVM_->shapeFillColor());
        shapeWidth_->setValue(annotationVM_->shapeLineWidth());
    }

    const StyleRow row = styleRow(current);
    QList<QWidget*> shown;
    switch (row) {
    case StyleRow::highlight:
        shown << apply_;
        [[fallthrough]];
    case StyleRow::markup:
        for (ColorSwatchButton* swatch : swatches_)
            shown << swatch;
        break;
    case StyleRow::text:
        shown << textColor_ << textSize_;
        break;
    case StyleRow::freehand:
        shown << freehandColor_ << freehandWidth_;
        break;
    case StyleRow::closedShape:
        shown << shapeFill_;
        [[fallthrough]];
    case StyleRow::openShape:
        shown << shapeColor_ << shapeWidth_;
        break;
    case StyleRow::none:
        break;
    }
    const bool anyStyle = !shown.isEmpty();
    for (Slot& slot : slots_) {
        if (slot.widget == divider_)
            slot.wanted = anyStyle;
        else if (!tools_.contains(slot.widget))
            slot.wanted = shown.contains(slot.widget);
    }
    updateGeometry();
    layoutRow();
}

QList<const AnnotationToolbar::Slot*> AnnotationToolbar::wantedSlots() const {
    QList<const Slot*> wanted;
    for (const Slot& slot : slots_)
        if (slot.wanted)
            wanted << &slot;
    return wanted;
}

QSize AnnotationToolbar::slotSize(const QWidget* widget) {
    return widget->sizeHint().expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize());
}

int AnnotationToolbar::rowHeight() const {
    // The tallest control of any tool, so the page below does not jump as tools change.
    int height = 28;
    for (const Slot& slot : slots_)
        height = std::max(height, slotSize(slot.widget).height());
    return height;
}

QSize AnnotationToolbar::sizeHint() const {
    int width = kMargins.left() + kMargins.right();
    const QList<const Slot*> wanted = wantedSlots();
    for (const Slot* slot : wanted)
        width += slotSize(slot->widget).width();
    width += kSpacing * std::max<qsizetype>(0, wanted.size() - 1);
    return {width, rowHeight() + kMargins.top() + kMargins.bottom()};
}

QSize AnnotationToolbar::minimumSizeHint() const {
    // Everything may fold away but the overflow button.
    return {kMargins.left() + kMargins.right() + overflow_->width(),
            rowHeight() + kMargins.top() + kMargins.bottom()};
}

void AnnotationToolbar::layoutRow() {
    if (layingOut_)
        return;
    layingOut_ = true;
    const QList<const Slot*> wanted = wantedSlots();
    const int available = width() - kMargins.left() - kMargins.right();
    const int top = kMargins.top();
    const int row = rowHeight();

    // How many leading controls fit; when not all do, the overflow button takes the end.
    qsizetype fitting = wanted.size();
    int used = 0;
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        used += (i ? kSpacing : 0) + slotSize(wanted[i]->widget).width();
        if (used > available) {
            fitting = i;
            break;
        }
    }
    if (fitting < wanted.size()) {
        const int room = available - overflow_->width() - kSpacing;
        used = 0;
        fitting = 0;
        while (fitting < wanted.size()) {
            const int next = (fitting ? kSpacing : 0) + slotSize(wanted[fitting]->widget).width();
            if (used + next > room)
                break;
            used += next;
            ++fitting;
        }
        // A divider with nothing after it separates nothing.
        if (fitting > 0 && wanted[fitting - 1]->widget == divider_)
            --fitting;
    }

    int x = kMargins.left();
    for (Slot& slot : slots_) {
        const qsizetype index = wanted.indexOf(&slot);
        slot.folded = index >= fitting;
        const bool placed = index >= 0 && index < fitting;
        if (placed) {
            const QSize size = slotSize(slot.widget);
            slot.widget->setGeometry(x, top + (row - size.height()) / 2, size.width(),
                                     size.height());
            x += size.width() + kSpacing;
        }
        slot.widget->setVisible(placed);
        if (index < 0)
            slot.folded = false;
    }
    const bool overflowing = fitting < wanted.size();
    if (overflowing)
        overflow_->move(width() - kMargins.right() - overflow_->width(),
                        top + (row - overflow_->height()) / 2);
    overflow_->setVisible(overflowing);
    layingOut_ = false;
}

QList<QWidget*> AnnotationToolbar::foldedControls() const {
    QList<QWidget*> folded;
    for (const Slot& slot : slots_)
        if (slot.wanted && slot.folded && slot.widget != divider_)
            folded << slot.widget;
    return folded;
}

void AnnotationToolbar::fillOverflowMenu() {
    overflowMenu_->clear();
    for (const Slot& slot : slots_)
        if (slot.wanted && slot.folded)
            slot.addToMenu(overflowMenu_);
}

void AnnotationToolbar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutRow();
}

bool AnnotationToolbar::event(QEvent* event) {
    // A control's size hint changed (font, style, text): place the row anew.
    if (event->type() == QEvent::LayoutRequest)
        layoutRow();
    return QWidget::event(event);
}

void AnnotationToolbar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        refresh();
    QWidget::changeEvent(event);
}

void AnnotationToolbar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Appearance::barBackground());
    painter.setPen(Appearance::separator());
    painter.drawLine(rect().bottomLeft(), rect().bottomRight());
}
