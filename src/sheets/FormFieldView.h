#pragma once
// The "Form Fields" sheet: the fillable fields of the open document, one row each, with
// a control to fill it in and a button that shows its page. Edits go straight into the
// document; there is no save button.
#include <QDialog>

#include <vector>

class DocumentViewModel;
class FormFieldViewModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

class FormFieldView : public QDialog {
    Q_OBJECT
public:
    explicit FormFieldView(DocumentViewModel& documentVM, QWidget* parent = nullptr);

    FormFieldViewModel& model() const { return *model_; }
    QLabel* countLabel() const { return countLabel_; }
    bool showsEmptyState() const;

    // The widgets of row `row`; a control that row does not have is nullptr.
    struct Row {
        QWidget* widget = nullptr;
        QLabel* name = nullptr;
        QLabel* location = nullptr;
        QLineEdit* textField = nullptr;
        QCheckBox* toggle = nullptr;
        QLabel* choiceValue = nullptr;
        QToolButton* goButton = nullptr;
    };
    const std::vector<Row>& rows() const { return rows_; }

private:
    void rebuildRows();
    void refreshToggles();
    Row makeRow(int index);

    FormFieldViewModel* model_;
    QLabel* countLabel_;
    QStackedWidget* content_;
    QVBoxLayout* listLayout_;
    std::vector<Row> rows_;
};
