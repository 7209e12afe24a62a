#include "sheets/WatermarkView.h"

#include "pdf/annotations/WatermarkAnnotation.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Sliders count in steps: font size in 2 pt, opacity in 5 %, rotation in 5°.
constexpr double kSizeStep = 2, kOpacityStep = 0.05, kRotationStep = 5;

// Whole number toward zero; the small bias keeps 0.15 × 100 from reading 14.
int truncated(double value) {
    return int(std::trunc(value + (value < 0 ? -1e-9 : 1e-9)));
}

QSlider* slider(int low, int high, int value) {
    auto* s = new QSlider(Qt::Horizontal);
    s->setRange(low, high);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setValue(value);
    return s;
}

QLabel* readout() {
    auto* label = new QLabel;
    label->setFixedWidth(50);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return label;
}

} // namespace

QString WatermarkView::fontSizeText(double size) {
    return QString::number(truncated(size)) + "pt";
}
QString WatermarkView::opacityText(double opacity) {
    return QString::number(truncated(opacity * 100)) + "%";
}
QString WatermarkView::rotationText(double degrees) {
    return QString::number(truncated(degrees)) + QChar(0x00B0);
}

WatermarkView::WatermarkView(DocumentViewModel& documentVM, QWidget* parent)
    : QDialog(parent), documentVM_(documentVM) {
    setWindowTitle(tr("Add Watermark"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);

    auto* title = new QLabel(tr("Add Watermark"));
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 17.0 / 13.0);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    layout->addWidget(title);

    // Label, control and read-out per row; the labels share one column so the sliders line up.
    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(8);
    rows->setVerticalSpacing(12);
    rows->setColumnStretch(1, 1);
    auto row = [&](const QString& label, QWidget* control, QWidget* value) {
        const int r = rows->rowCount();
        rows->addWidget(new QLabel(label), r, 0);
        if (value) {
            rows->addWidget(control, r, 1);
            rows->addWidget(value, r, 2);
        } else {
            rows->addWidget(control, r, 1, 1, 2);
        }
    };
    textField_ = new QLineEdit(watermarkText_);
    textField_->setPlaceholderText(tr("Watermark text"));
    textField_->setObjectName("watermarkText");
    row(tr("Text:"), textField_, nullptr);

    sizeSlider_ = slider(10, 60, int(fontSize_ / kSizeStep));
    sizeSlider_->setObjectName("fontSize");
    sizeReadout_ = readout();
    row(tr("Font Size:"), sizeSlider_, sizeReadout_);

    opacitySlider_ = slider(1, 10, int(std::lround(opacity_ / kOpacityStep)));
    opacitySlider_->setObjectName("opacity");
    opacityReadout_ = readout();
    row(tr("Opacity:"), opacitySlider_, opacityReadout_);

    rotationSlider_ = slider(-18, 18, int(rotation_ / kRotationStep));
    rotationSlider_->setObjectName("rotation");
    rotationReadout_ = readout();
    row(tr("Rotation:"), rotationSlider_, rotationReadout_);

    applyToAllToggle_ = new QCheckBox(tr("Apply to all pages"));
    applyToAllToggle_->setChecked(applyToAll_);
    applyToAllToggle_->setObjectName("applyToAll");
    rows->addWidget(applyToAllToggle_, rows->rowCount(), 0, 1, 3);
    layout->addLayout(rows);

    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(tr("Cancel"));
    cancel->setAutoDefault(false);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    applyButton_ = new QPushButton(tr("Apply Watermark"));
    applyButton_->setDefault(true);
    applyButton_->setObjectName("applyWatermark");
    buttons->addWidget(applyButton_);
    layout->addLayout(buttons);

    connect(textField_, &QLineEdit::textChanged, this, [this](const QString& text) {
        watermarkText_ = text;
        applyButton_->setEnabled(!text.isEmpty());
    });
    connect(sizeSlider_, &QSlider::valueChanged, this, [this](int v) {
        fontSize_ = v * kSizeStep;
        updateReadouts();
    });
    connect(opacitySlider_, &QSlider::valueChanged, this, [this](int v) {
        opacity_ = v * kOpacityStep;
        updateReadouts();
    });
    connect(rotationSlider_, &QSlider::valueChanged, this, [this](int v) {
        rotation_ = v * kRotationStep;
        updateReadouts();
    });
    connect(applyToAllToggle_, &QCheckBox::toggled, this, [this](bool on) { applyToAll_ = on; });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(applyButton_, &QPushButton::clicked, this, [this] {
        applyWatermark();
        accept();
    });
    updateReadouts();
}

void WatermarkView::updateReadouts() {
    sizeReadout_->setText(fontSizeText(fontSize_));
    opacityReadout_->setText(opacityText(opacity_));
    rotationReadout_->setText(rotationText(rotation_));
}

void WatermarkView::applyWatermark() {
    const pdf::DocumentPtr& document = documentVM_.pdfDocument();
    if (!document || watermarkText_.isEmpty())
        return;
    const int first = applyToAll_ ? 0 : documentVM_.currentPageIndex();
    const int last = applyToAll_ ? document->pageCount() - 1 : first;
    // One edit for all the pages: one undo takes the whole watermark away.
    auto make = [text = watermarkText_, size = fontSize_, opacity = opacity_, angle = rotation_,
                 first, last](pdf::Document& doc) {
        std::vector<pdf::AnnotationPtr> made;
        for (int i = first; i <= last; ++i)
            if (auto page = doc.page(i))
                made.push_back(pdf::WatermarkAnnotation::add(*page, text, size, opacity, angle));
        return made;
    };
    documentVM_.perform(
        std::make_unique<AddAnnotationsEdit>(tr("Add Watermark"), document, std::move(make)));
}
