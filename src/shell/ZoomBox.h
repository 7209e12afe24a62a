#pragma once
// The toolbar's zoom box: shows the zoom as a percentage and offers 50–400 %, Fit Width,
// Fit Page and Actual Size; a percentage can also be typed.
#include <QComboBox>

class ZoomBox : public QComboBox {
    Q_OBJECT
public:
    enum class Fit { width, page, actualSize };

    explicit ZoomBox(QWidget* parent = nullptr);

    // Shows `scale` (1 = 100 %) without announcing anything.
    void showScale(double scale);

signals:
    void scaleRequested(double scale);
    void fitRequested(ZoomBox::Fit fit);
    // A zoom was chosen, typed or the box left with Escape: the keyboard goes back.
    void choiceFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void chosen(int index);
    void typed();
};
