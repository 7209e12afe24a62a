#pragma once
// The search bar above the page view: the query field (Return searches, and with the same
// query goes to the next match; Shift+Return to the previous; Escape asks to close), the
// match counter ("3 of 60") with previous/next while there are matches, and a clear button
// while there is a query, and the options (match case, whole words, match diacritics), whose
// change searches again. Everything it shows lives in the document view model.
#include "pdf/document/PageLabels.h"

#include <QWidget>

class DocumentViewModel;
class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;

class SearchBarView : public QWidget {
    Q_OBJECT
public:
    explicit SearchBarView(DocumentViewModel* viewModel, QWidget* parent = nullptr);

    QLineEdit* field() const { return field_; }
    QLabel* counter() const { return counter_; }
    QToolButton* previousButton() const { return previous_; }
    QToolButton* nextButton() const { return next_; }
    QToolButton* clearButton() const { return clear_; }
    QProgressBar* progress() const { return progress_; }
    // "Options": a menu of the search's options, each a checkable action.
    QToolButton* optionsButton() const { return options_; }
    QAction* matchCaseAction() const { return matchCase_; }
    QAction* wholeWordsAction() const { return wholeWords_; }
    QAction* matchDiacriticsAction() const { return matchDiacritics_; }

    // Empties the query and the matches and takes the selection off the page view.
    void clear();
    // Puts the keyboard in the field with its text selected, ready to be typed over.
    void focusField();

signals:
    // Escape in the field: the window hides the bar.
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void refreshIcons();
    void applyOptions();

    DocumentViewModel* viewModel_;
    QLabel* glass_;
    QLineEdit* field_;
    QLabel* counter_;
    QToolButton* previous_;
    QToolButton* next_;
    QProgressBar* progress_;
    QToolButton* clear_;
    QToolButton* options_;
    QAction* matchCase_;
    QAction* wholeWords_;
    QAction* matchDiacritics_;
    QString searched_; // the query the matches shown belong to
    pdf::PageLabels labels_;
    QString counterText() const;
};
