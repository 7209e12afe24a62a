#pragma once
// The "Compare Documents" sheet: first a chooser for the second PDF, then both documents
// side by side with a names bar and page navigation, the words that differ tinted on both
// sides (removed red, added green, changed amber) and a list that steps through them.
#include <QDialog>

class DocumentCompareViewModel;
class DocumentViewModel;
class PagePreviewView;
class QLabel;
class QListWidget;
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
    QLabel* leftPageLabel() const { return leftPage_; }
    QLabel* rightPageLabel() const { return rightPage_; }
    QLabel* summaryLabel() const { return summary_; }
    QListWidget* differenceList() const { return list_; }
    QToolButton* previousDifferenceButton() const { return previousDifference_; }
    QToolButton* nextDifferenceButton() const { return nextDifference_; }

private:
    QWidget* buildChooser();
    QWidget* buildComparison();
    void refresh();
    void refreshList();

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
    QLabel* leftPage_;
    QLabel* rightPage_;
    QLabel* summary_;
    QListWidget* list_;
    QToolButton* previousDifference_;
    QToolButton* nextDifference_;
};
