#pragma once
// The comparison sheet's state: a second document chosen by the user, shown beside the
// open one at the same page index. Navigation runs over the longer of the two; the shorter
// side has no page there. The open document is only read.
// Once the texts of both are compared (on a worker), navigation runs over the paired pages
// instead, so a page inserted on one side faces nothing rather than shifting every later
// page, and the differences are listed and marked on both sides.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "utilities/DocumentComparison.h"

#include "base/Task.h"

#include <QObject>
#include <QString>

#include <optional>

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
    // "Page 2 of 5": the row of the side-by-side view.
    QString pageCounterText() const;
    // The page number each side shows ("Page 3"), empty where that side has none.
    QString leftPageText() const;
    QString rightPageText() const;

    // The comparison of the texts: running, then its result.
    bool isDiffing() const { return diffTask_.isRunning(); }
    bool hasDifferences() const { return result_.has_value(); }
    const std::vector<DocumentComparison::Difference>& differences() const;
    // "Comparing the texts…", "The texts are the same", "3 differences".
    QString summaryText() const;
    // One line for the list: "Page 2: “1200” → “1500”".
    static QString differenceText(const DocumentComparison::Difference& difference);
    int currentDifference() const { return currentDifference_; }
    // Goes to the row of difference `index` and makes it the current one.
    void selectDifference(int index);
    void previousDifference();
    void nextDifference();
    // Blocks until the comparison has ended and its result is in (tests).
    void waitForDifferences();

    struct Mark {
        QRectF box; // PDF user space
        DocumentComparison::Kind kind;
        bool current = false;
    };
    // What to tint on each side at the current row.
    std::vector<Mark> leftMarks() const { return marks(true); }
    std::vector<Mark> rightMarks() const { return marks(false); }

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
    void differencesChanged();
    void currentDifferenceChanged();
    // The pages at the current index, the counter or the buttons may differ now.
    void pagesChanged();

private:
    void setCompareDocument(const pdf::DocumentPtr& document);
    void setCompareFileName(const QString& name);
    void setCurrentCompareIndex(int index);
    void setChooseError(const QString& error);
    void startDiff();
    DocumentComparison::PagePair pairAt(int row) const;
    std::vector<Mark> marks(bool left) const;

    DocumentViewModel& documentVM_;
    pdf::DocumentPtr compareDocument_;
    QString compareFileName_;
    int currentCompareIndex_ = 0;
    QString chooseError_;
    std::optional<DocumentComparison::Result> result_;
    int currentDifference_ = -1;
    base::Task diffTask_;
};
