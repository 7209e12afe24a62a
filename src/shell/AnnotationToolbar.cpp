#include "shell/AnnotationToolbar.h"

#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

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
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 12, 6);
    layout->setSpacing(12);

    for (AnnotationTool tool : allAnnotationTools()) {
        auto* button = new QToolButton(this);
        button->setFixedSize(28, 28);
        button->setIconSize(QSize(18, 18));
        button->setCheckable(true);
        button->setToolTip(label(tool));
        button->setAccessibleName(label(tool));
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QToolButton::clicked, this, [this, tool] {
            if (annotationVM_)
                annotationVM_->setCurrentTool(tool);
            refresh(); // re-checks the button even when the tool did not change
        });
        tools_.append(button);
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }

    divider_ = new QFrame(this);
    divider_->setFrameShape(QFrame::VLine);
    divider_->setFrameShadow(QFrame::Plain);
    divider_->setFixedSize(1, 20);
    QPalette dividerPalette = divider_->palette();
    dividerPalette.setColor(QPalette::WindowText, Appearance::separator());
    divider_->setPalette(dividerPalette);
    layout->addWidget(divider_, 0, Qt::AlignVCenter);

    for (HighlightColor color : allHighlightColors()) {
        auto* swatch = new ColorSwatchButton(color, this);
        connect(swatch, &ColorSwatchButton::clicked, this, [this, color] {
            if (annotationVM_)
                annotationVM_->setHighlightColor(color);
        });
        swatches_.append(swatch);
        layout->addWidget(swatch, 0, Qt::AlignVCenter);
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
    connect(apply_, &QPushButton::clicked, this, [this] {
        if (annotationVM_ && documentVM_)
            annotationVM_->addHighlight(documentVM_->currentSelection(), *documentVM_);
    });
    layout->addWidget(apply_, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    if (annotationVM_) {
        connect(annotationVM_, &AnnotationViewModel::currentToolChanged, this,
                &AnnotationToolbar::refresh);
        connect(annotationVM_, &AnnotationViewModel::highlightColorChanged, this,
                &AnnotationToolbar::refresh);
    }
    if (documentVM_)
        connect(documentVM_, &DocumentViewModel::currentSelectionChanged, this,
                &AnnotationToolbar::refresh);
    refresh();
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
    const bool highlighting = current == AnnotationTool::highlight;
    divider_->setVisible(highlighting);
    const HighlightColor colour =
        annotationVM_ ? annotationVM_->highlightColor() : HighlightColor::yellow;
    for (ColorSwatchButton* swatch : swatches_) {
        swatch->setVisible(highlighting);
        swatch->setRinged(swatch->color() == colour);
    }
    apply_->setVisible(highlighting);
    apply_->setEnabled(documentVM_ && documentVM_->currentSelection().has_value());
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
