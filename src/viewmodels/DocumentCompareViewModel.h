#pragma once
// The comparison sheet's state: a second document chosen by the user, shown beside the
// open one at the same page index. Navigation runs over the longer of the two; the shorter
// side has no page there. The open document is only read.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"

#include <QObject>
#include <QString>

class DocumentViewModel;

class DocumentCompareViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(pdf::DocumentPtr compareDocument READ compareDocument NOTIFY compareDocumentChanged)
    Q_PROPERTY(QString compareFileName READ compareFileName NOTIFY compareFileNameChanged)
    Q_PROPERTY(int currentCompareIndex READ currentCompareIndex NOTIFY currentCompareIndexChanged)
    Q_PROPERTY(QString chooseError READ chooseError NOTIFY chooseErrorChanged)

public:
    explicit DocumentCompareViewModel(DocumentViewModel& documentVM, QObject* parent = nullptr);

    const pdf::DocumentPtr& compareDocument() const { return compareDocument_; }
    const QString& compareFileName() const { return compareFileName_; }
    int currentCompareIndex() const { return currentCompareIndex_; }
    // Why the last chosen file is not shown; empty when it was read (or nothing was chosen).
    const QString& chooseError() const { return chooseError_; }
    bool isComparing() const { return compareDocument_ != nullptr; }

    // The open document's file name, for the left of the names bar.
    QString documentFileName() const;
    int maxPages() const;
    bool canGoPrevious() const { return currentCompareIndex_ >= 1; }
    bool canGoNext() const { return currentCompareIndex_ < maxPages() - 1; }
    // "Page 2 of 5"
    QString pageCounterText() const;

    // The pages at the current index; nullptr where that side has none.
    pdf::PagePtr leftPage() const;
    pdf::PagePtr rightPage() const;

    // Asks for a PDF and opens it as the right side. Cancelling changes nothing; a file that
    // cannot be read keeps the chooser up and says why.
    void choosePDF();
    // Back to the chooser, from page 1 again.
    void chooseDifferentFile();
    void previousPage();
    void nextPage();

signals:
    void compareDocumentChanged();
    void compareFileNameChanged();
    void currentCompareIndexChanged();
    void chooseErrorChanged();
    // The pages at the current index, the counter or the buttons may differ now.
    void pagesChanged();

private:
    void setCompareDocument(const pdf::DocumentPtr& document);
    void setCompareFileName(const QString& name);
    void setCurrentCompareIndex(int index);
    void setChooseError(const QString& error);

    DocumentViewModel& documentVM_;
    pdf::DocumentPtr compareDocument_;
    QString compareFileName_;
    int currentCompareIndex_ = 0;
    QString chooseError_;
};
