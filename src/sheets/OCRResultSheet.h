#pragma once
// The text-recognition result sheet: the languages to read with, progress with Cancel while
// a run goes, then the text with "Make Searchable", "Save as Text...", "Copy to Clipboard",
// or the notice that nothing was recognised. It shows the window's OCRViewModel, which keeps
// the last result until the next run, and closes by lowering its showOCRSheet flag.
#include <QDialog>

class ActivityIndicator;
class OCRViewModel;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

class OCRResultSheet : public QDialog {
    Q_OBJECT
public:
    OCRResultSheet(OCRViewModel& model, QWidget* parent = nullptr);

    // Shows a new sheet over `window` whenever `model` raises showOCRSheet; the sheet is
    // deleted when it closes. For the window's sheet presenter.
    static void attach(OCRViewModel& model, QWidget* window);

    // What the content area shows.
    enum class Content { text, running, notice };
    Content content() const;

    QPlainTextEdit* textView() const { return textView_; }
    QPushButton* copyButton() const { return copyButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    QPushButton* saveTextButton() const { return saveTextButton_; }
    // One in the text's button row, one under the notice.
    QList<QPushButton*> searchableButtons() const { return searchableButtons_; }
    // Installed models, checkable; the checked ones make the model's ocrLanguage.
    QListWidget* languageList() const { return languageList_; }
    QLabel* statusLabel() const { return statusLabel_; }
    QLabel* progressLabel() const { return progressLabel_; }
    ActivityIndicator* spinner() const { return spinner_; }

    void done(int result) override;

private:
    void refresh();
    void copyToClipboard();
    void fillLanguages();
    void languagesEdited();

    OCRViewModel& model_;
    ActivityIndicator* spinner_;
    QLabel* progressLabel_;
    QStackedWidget* content_;
    QPlainTextEdit* textView_;
    QPushButton* copyButton_;
    QPushButton* cancelButton_;
    QPushButton* saveTextButton_;
    QList<QPushButton*> searchableButtons_;
    QListWidget* languageList_;
    QLabel* statusLabel_;
};
