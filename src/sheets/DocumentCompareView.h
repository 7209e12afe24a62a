#pragma once
// The "Compare Documents" sheet: first a chooser for the second PDF, then both documents
// side by side at the same page index with a names bar and page navigation.
#include <QDialog>

class DocumentCompareViewModel;
class DocumentViewModel;
class PagePreviewView;
class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;

class DocumentCompareView : public QDialog {
    Q_OBJECT
public:
    explicit DocumentCompareView(DocumentViewModel& documentVM, QWidget* parent = nullptr);

    DocumentCompareViewModel& model() const { return *model_; }
    bool showsChooser() const;
    QPushButton* choosePDFButton() const { return chooseButton_; }
    QLabel* chooseErrorLabel() const { return chooseError_; }
    QLabel* leftNameLabel() const { return leftName_; }
    QLabel* rightNameLabel() const { return rightName_; }
    QLabel* counterLabel() const { return counter_; }
    QToolButton* previousButton() const { return previous_; }
    QToolButton* nextButton() const { return next_; }
    QPushButton* chooseDifferentButton() const { return chooseDifferent_; }
    QPushButton* doneButton() const { return done_; }
    PagePreviewView* leftPreview() const { return leftPreview_; }
    PagePreviewView* rightPreview() const { return rightPreview_; }

private:
    QWidget* buildChooser();
    QWidget* buildComparison();
    void refresh();

    DocumentCompareViewModel* model_;
    QStackedWidget* content_;
    QPushButton* chooseButton_;
    QLabel* chooseError_;
    QLabel* leftName_;
    QLabel* rightName_;
    QLabel* counter_;
    QToolButton* previous_;
    QToolButton* next_;
    QPushButton* chooseDifferent_;
    QPushButton* done_;
    PagePreviewView* leftPreview_;
    PagePreviewView* rightPreview_;
};
