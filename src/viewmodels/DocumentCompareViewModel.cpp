#include "viewmodels/DocumentCompareViewModel.h"

#include "desktop/FileDialogs.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/PasswordRequest.h"

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
        setCurrentCompareIndex(std::clamp(currentCompareIndex_, 0, std::max(0, maxPages() - 1)));
        emit pagesChanged();
    });
}

QString DocumentCompareViewModel::documentFileName() const {
    return documentVM_.fileName();
}

int DocumentCompareViewModel::maxPages() const {
    const pdf::DocumentPtr& open = documentVM_.pdfDocument();
    const int left = open ? open->pageCount() : 0;
    const int right = compareDocument_ ? compareDocument_->pageCount() : 0;
    return std::max(left, right);
}

QString DocumentCompareViewModel::pageCounterText() const {
    return tr("Page %1 of %2").arg(currentCompareIndex_ + 1).arg(maxPages());
}

pdf::PagePtr DocumentCompareViewModel::leftPage() const {
    return pageAt(documentVM_.pdfDocument(), currentCompareIndex_);
}

pdf::PagePtr DocumentCompareViewModel::rightPage() const {
    return pageAt(compareDocument_, currentCompareIndex_);
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
