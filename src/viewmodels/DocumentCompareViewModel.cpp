#include "viewmodels/DocumentCompareViewModel.h"

#include "desktop/FileDialogs.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/PasswordRequest.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace {

pdf::PagePtr pageAt(const pdf::DocumentPtr& document, int index) {
    if (!document || index < 0 || index >= document->pageCount())
        return nullptr;
    return document->page(index);
}

} // namespace

DocumentCompareViewModel::DocumentCompareViewModel(DocumentViewModel& documentVM, QObject* parent)
    : QObject(parent), documentVM_(documentVM) {
    // Whatever changes the open document also moves the bounds of navigation.
    connect(&documentVM_, &DocumentViewModel::pdfDocumentChanged, this, [this] {
        if (compareDocument_)
            startDiff();
        setCurrentCompareIndex(std::clamp(currentCompareIndex_, 0, std::max(0, maxPages() - 1)));
        emit pagesChanged();
    });
}

QString DocumentCompareViewModel::documentFileName() const {
    return documentVM_.fileName();
}

int DocumentCompareViewModel::maxPages() const {
    if (result_)
        return int(result_->pages.size());
    const pdf::DocumentPtr& open = documentVM_.pdfDocument();
    const int left = open ? open->pageCount() : 0;
    const int right = compareDocument_ ? compareDocument_->pageCount() : 0;
    return std::max(left, right);
}

QString DocumentCompareViewModel::pageCounterText() const {
    return tr("Page %1 of %2").arg(currentCompareIndex_ + 1).arg(maxPages());
}

DocumentComparison::PagePair DocumentCompareViewModel::pairAt(int row) const {
    if (result_)
        return row >= 0 && row < int(result_->pages.size()) ? result_->pages[size_t(row)]
                                                            : DocumentComparison::PagePair{};
    return {row, row};
}

pdf::PagePtr DocumentCompareViewModel::leftPage() const {
    return pageAt(documentVM_.pdfDocument(), pairAt(currentCompareIndex_).left);
}

pdf::PagePtr DocumentCompareViewModel::rightPage() const {
    return pageAt(compareDocument_, pairAt(currentCompareIndex_).right);
}

QString DocumentCompareViewModel::leftPageText() const {
    return leftPage() ? tr("Page %1").arg(pairAt(currentCompareIndex_).left + 1) : QString();
}

QString DocumentCompareViewModel::rightPageText() const {
    return rightPage() ? tr("Page %1").arg(pairAt(currentCompareIndex_).right + 1) : QString();
}

const std::vector<DocumentComparison::Difference>& DocumentCompareViewModel::differences() const {
    static const std::vector<DocumentComparison::Difference> none;
    return result_ ? result_->differences : none;
}

QString DocumentCompareViewModel::summaryText() const {
    if (!compareDocument_)
        return {};
    if (!result_)
        return tr("Comparing the texts\u2026");
    if (result_->same())
        return tr("The texts are the same");
    const qsizetype count = result_->differences.size();
    return count == 1 ? tr("1 difference") : tr("%1 differences").arg(count);
}

QString DocumentCompareViewModel::differenceText(const DocumentComparison::Difference& d) {
    using DocumentComparison::Kind;
    const int page = d.rightPage >= 0 ? d.rightPage : d.leftPage;
    const auto quoted = [](const QString& text) {
        return QStringLiteral("\u201c%1\u201d").arg(text.simplified());
    };
    QString what;
    if (d.wholePage)
        what = d.kind == Kind::added ? tr("page added") : tr("page removed");
    else if (d.kind == Kind::changed)
        what = quoted(d.leftText) + QStringLiteral(" \u2192 ") + quoted(d.rightText);
    else if (d.kind == Kind::added)
        what = tr("added %1").arg(quoted(d.rightText));
    else
        what = tr("removed %1").arg(quoted(d.leftText));
    return tr("Page %1: %2").arg(page + 1).arg(what);
}

void DocumentCompareViewModel::selectDifference(int index) {
    if (index < 0 || index >= int(differences().size()))
        return;
    setCurrentCompareIndex(differences()[size_t(index)].row);
    if (currentDifference_ != index) {
        currentDifference_ = index;
        emit currentDifferenceChanged();
        emit pagesChanged();
    }
}

void DocumentCompareViewModel::previousDifference() {
    selectDifference(std::max(0, currentDifference_ - 1));
}

void DocumentCompareViewModel::nextDifference() {
    selectDifference(currentDifference_ + 1);
}

void DocumentCompareViewModel::waitForDifferences() {
    diffTask_.wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

std::vector<DocumentCompareViewModel::Mark> DocumentCompareViewModel::marks(bool left) const {
    std::vector<Mark> out;
    if (!result_)
        return out;
    for (size_t i = 0; i < result_->differences.size(); ++i) {
        const DocumentComparison::Difference& d = result_->differences[i];
        if (d.row != currentCompareIndex_)
            continue;
        for (const QRectF& box : left ? d.leftBoxes : d.rightBoxes)
            out.push_back({box, d.kind, int(i) == currentDifference_});
    }
    return out;
}

void DocumentCompareViewModel::startDiff() {
    diffTask_.reset();
    const bool had = result_.has_value();
    result_.reset();
    currentDifference_ = -1;
    const pdf::DocumentPtr left = documentVM_.pdfDocument();
    const pdf::DocumentPtr right = compareDocument_;
    if (right) {
        using namespace DocumentComparison;
        diffTask_ = base::Task::run(
            this,
            [left, right](base::TaskContext& context) {
                const std::vector<PageWords> a =
                    left ? wordsOf(*left, &context.cancelToken()) : std::vector<PageWords>{};
                const std::vector<PageWords> b = wordsOf(*right, &context.cancelToken());
                return compare(a, b, &context.cancelToken());
            },
            [this](Result result) {
                result_ = std::move(result);
                // The index meant a page index until now; the same page's row is kept.
                const int page = currentCompareIndex_;
                int row = 0;
                for (size_t r = 0; r < result_->pages.size(); ++r)
                    if (result_->pages[r].left == page || result_->pages[r].right == page) {
                        row = int(r);
                        break;
                    }
                setCurrentCompareIndex(row);
                emit differencesChanged();
                emit pagesChanged();
            });
    }
    if (had || right)
        emit differencesChanged();
}

void DocumentCompareViewModel::choosePDF() {
    const pdf::DocumentPtr open = documentVM_.pdfDocument();
    const QString path =
        FileDialogs::current()->openPdf(FileDialogs::folderOf(open ? open->path() : QString()));
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    pdf::DocumentPtr document = pdf::Document::open(path);
    setCompareFileName(name);
    if (!document) {
        setChooseError(tr("\u201c%1\u201d could not be opened as a PDF.").arg(name));
        return;
    }
    // A protected file is compared once the person gives its password.
    if (!unlockByAsking(*document, name)) {
        setChooseError(tr("\u201c%1\u201d is protected by a password.").arg(name));
        return;
    }
    setChooseError(QString());
    setCompareDocument(document);
}

void DocumentCompareViewModel::chooseDifferentFile() {
    setCompareDocument(nullptr);
    setCompareFileName(QString());
    setChooseError(QString());
    setCurrentCompareIndex(0);
}

void DocumentCompareViewModel::previousPage() {
    setCurrentCompareIndex(std::max(0, currentCompareIndex_ - 1));
}

void DocumentCompareViewModel::nextPage() {
    // With nothing to show at all the index stays at 0 rather than running to -1.
    setCurrentCompareIndex(std::max(0, std::min(currentCompareIndex_ + 1, maxPages() - 1)));
}

void DocumentCompareViewModel::setCompareDocument(const pdf::DocumentPtr& document) {
    if (compareDocument_ == document)
        return;
    compareDocument_ = document;
    startDiff();
    emit compareDocumentChanged();
    emit pagesChanged();
}

void DocumentCompareViewModel::setCompareFileName(const QString& name) {
    if (compareFileName_ == name)
        return;
    compareFileName_ = name;
    emit compareFileNameChanged();
}

void DocumentCompareViewModel::setCurrentCompareIndex(int index) {
    if (currentCompareIndex_ == index)
        return;
    currentCompareIndex_ = index;
    emit currentCompareIndexChanged();
    emit pagesChanged();
}

void DocumentCompareViewModel::setChooseError(const QString& error) {
    if (chooseError_ == error)
        return;
    chooseError_ = error;
    emit chooseErrorChanged();
}
