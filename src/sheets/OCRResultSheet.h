#pragma once
// The text-recognition result sheet: progress while a run goes, then the text with
// "Copy to Clipboard", or the notice that nothing was recognised. It shows the window's
// OCRViewModel and closes by lowering its showOCRSheet flag.
#include <QDialog>

class ActivityIndicator;
class OCRViewModel;
class QLabel;
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
    QLabel* progressLabel() const { return progressLabel_; }
    ActivityIndicator* spinner() const { return spinner_; }

    void done(int result) override;

private:
    void refresh();
    void copyToClipboard();

    OCRViewModel& model_;
    ActivityIndicator* spinner_;
    QLabel* progressLabel_;
    QStackedWidget* content_;
    QPlainTextEdit* textView_;
    QPushButton* copyButton_;
};
