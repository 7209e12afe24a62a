#pragma once
// File > Document Properties: what the file is (name, size, version, producer, dates, page
// sizes), how it is protected and built (permissions, tagged, linearised, signed) and the
// fonts it uses, as plain text the person can select and copy, or copy whole.
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace pdf {
class Document;
}

class DocumentPropertiesView : public QDialog {
    Q_OBJECT
public:
    DocumentPropertiesView(const pdf::Document& document, const QString& fileName,
                           QWidget* parent = nullptr);

    QPlainTextEdit* textView() const { return text_; }
    QPushButton* copyButton() const { return copy_; }

    // The text shown, one "Name: value" line each, the fonts listed last.
    static QString describe(const pdf::Document& document, const QString& fileName);

private:
    QPlainTextEdit* text_;
    QPushButton* copy_;
};
