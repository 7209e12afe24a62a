#pragma once
// The "Add Watermark" sheet: the text and its look, applied to the current page or to
// every page of the open document. Starts from the defaults each time it is shown.
#include <QDialog>

class DocumentViewModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace pdf {
class Page;
}

class WatermarkView : public QDialog {
    Q_OBJECT
public:
    explicit WatermarkView(DocumentViewModel& documentVM, QWidget* parent = nullptr);

    const QString& watermarkText() const { return watermarkText_; }
    double fontSize() const { return fontSize_; }
    double opacity() const { return opacity_; }
    double rotation() const { return rotation_; }
    bool applyToAll() const { return applyToAll_; }

    // The read-outs beside the sliders: "48pt", "15%", "-45°".
    static QString fontSizeText(double size);
    static QString opacityText(double opacity);
    static QString rotationText(double degrees);

    // Adds the watermark to the current page or to every page, then repaints the page view.
    void applyWatermark();

private:
    void updateReadouts();

    DocumentViewModel& documentVM_;
    QString watermarkText_ = QStringLiteral("CONFIDENTIAL");
    double fontSize_ = 48;
    double opacity_ = 0.15;
    double rotation_ = -45;
    bool applyToAll_ = true;

    QLineEdit* textField_;
    QSlider* sizeSlider_;
    QSlider* opacitySlider_;
    QSlider* rotationSlider_;
    QLabel* sizeReadout_;
    QLabel* opacityReadout_;
    QLabel* rotationReadout_;
    QCheckBox* applyToAllToggle_;
    QPushButton* applyButton_;
};
