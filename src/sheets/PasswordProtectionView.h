#pragma once
// The "Password Protection" sheet: owner and user passwords, the two permissions, and
// "Save Protected PDF..." which writes a protected copy of the open document. After a
// success it closes itself a moment later.
#include <QDialog>

class DocumentViewModel;
class PasswordProtectionViewModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

class PasswordProtectionView : public QDialog {
    Q_OBJECT
public:
    explicit PasswordProtectionView(DocumentViewModel& documentVM, QWidget* parent = nullptr);

    PasswordProtectionViewModel& model() const { return *model_; }
    QLineEdit* ownerField() const { return ownerField_; }
    QLineEdit* userField() const { return userField_; }
    QCheckBox* printingToggle() const { return printingToggle_; }
    QCheckBox* copyingToggle() const { return copyingToggle_; }
    QWidget* statusLine() const { return statusLine_; }
    QLabel* statusIcon() const { return statusIcon_; }
    QLabel* statusText() const { return statusText_; }
    QPushButton* saveButton() const { return saveButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

private:
    void refreshStatus();

    PasswordProtectionViewModel* model_;
    QLineEdit* ownerField_;
    QLineEdit* userField_;
    QCheckBox* printingToggle_;
    QCheckBox* copyingToggle_;
    QWidget* statusLine_;
    QLabel* statusIcon_;
    QLabel* statusText_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
};
