#pragma once
// The "Reduce File Size" sheet: the file's size, the three levels with what each would
// give (an estimate at first, the real size once written), a progress bar while a copy is
// written, "Stop" to cancel it, and "Save Smaller Copy..." which writes the copy.
#include <QDialog>

#include <array>

class DocumentViewModel;
class ReduceFileSizeViewModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

class ReduceFileSizeView : public QDialog {
    Q_OBJECT
public:
    explicit ReduceFileSizeView(DocumentViewModel& documentVM, QWidget* parent = nullptr);

    ReduceFileSizeViewModel& model() const { return *model_; }
    QRadioButton* levelButton(int index) const { return levelButtons_[size_t(index)]; }
    QLabel* sizeLabel(int index) const { return sizeLabels_[size_t(index)]; }
    QLabel* inputLabel() const { return inputLabel_; }
    QProgressBar* progressBar() const { return progressBar_; }
    QLabel* statusText() const { return statusText_; }
    QPushButton* saveButton() const { return saveButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    void reject() override;

private:
    void refreshSizes();
    void refreshRunning();

    ReduceFileSizeViewModel* model_;
    std::array<QRadioButton*, 3> levelButtons_{};
    std::array<QLabel*, 3> sizeLabels_{};
    QLabel* inputLabel_;
    QProgressBar* progressBar_;
    QLabel* statusText_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
};
