#include "viewmodels/DocumentViewModel.h"

#include "viewmodels/ReadingHistory.h"
#include "viewmodels/SearchJob.h"

#include "desktop/Alerts.h"
#include "desktop/FileDialogs.h"
#include "pdf/document/Page.h"

#include <QFileInfo>
#include <QScopedValueRollback>
#include <QUndoStack>

#include <algorithm>

DocumentViewModel::DocumentViewModel(QObject* parent) : QObject(parent) {
    for (auto signal :
         {&DocumentViewModel::currentPageIndexChanged, &DocumentViewModel::scaleFactorChanged,
          &DocumentViewModel::autoScalesChanged, &DocumentViewModel::displayModeChanged})
        connect(this, signal, this, &DocumentViewModel::rememberPlace);
    searchJob_ = new SearchJob(this);
    connect(searchJob_, &SearchJob::found, this, &DocumentViewModel::addSearchResults);
    connect(searchJob_, &SearchJob::finished, this, [this] { setIsSearching(false); });
    undoStack_ = new QUndoStack(this);
    connect(undoStack_, &QUndoStack::indexChanged, this, &DocumentViewModel::editsChanged);
    connect(undoStack_, &QUndoStack::cleanChanged, this, &DocumentViewModel::modifiedChanged);
}
DocumentViewModel::~DocumentViewModel() = default;

void DocumentViewModel::setPdfDocument(const pdf::DocumentPtr& document) {
    if (pdfDocument_ == document)
        return;
    if (pdfDocument_)
        disconnect(pdfDocument_->changes(), nullptr, this, nullptr);
    pdfDocument_ = document;
    permissions_ = pdfDocument_ ? pdf::permissionsOf(*pdfDocument_) : pdf::Permissions{};
    permissionsBeforeUnlock_ = pdfDocument_ && pdfDocument_->isLocked();
    // Read once: the guard asks about them on the main thread, which must never wait for a
    // worker that holds the document.
    signatures_ = pdfDocument_ ? StandardSignature::verify(*pdfDocument_)
                               : std::vector<StandardSignature::Result>();
    if (pdfDocument_)
        connect(pdfDocument_->changes(), &pdf::DocumentChanges::changed, this,
                &DocumentViewModel::documentEdited);
    emit pdfDocumentChanged();
}

void DocumentViewModel::setCurrentPageIndex(int index) {
    if (currentPageIndex_ == index)
        return;
    currentPageIndex_ = index;
    emit currentPageIndexChanged();
}

void DocumentViewModel::setTotalPages(int count) {
    if (totalPages_ == count)
        return;
    totalPages_ = count;
    emit totalPagesChanged();
}

void DocumentViewModel::setScaleFactor(double scale) {
    if (scaleFactor_ == scale)
        return;
    scaleFactor_ = scale;
    emit scaleFactorChanged();
}

void DocumentViewModel::setAutoScales(bool on) {
    if (autoScales_ == on)
        return;
    autoScales_ = on;
    emit autoScalesChanged();
}

void DocumentViewModel::setDisplayMode(PDFDisplayMode mode) {
    if (displayMode_ == mode)
        return;
    displayMode_ = mode;
    emit displayModeChanged();
}

void DocumentViewModel::setFileName(const QString& name) {
    if (fileName_ == name)
        return;
    fileName_ = name;
    emit fileNameChanged();
}

void DocumentViewModel::setFileURL(const QUrl& url) {
    if (fileURL_ == url)
        return;
    fileURL_ = url;
    emit fileURLChanged();
}

void DocumentViewModel::setSearchText(const QString& text) {
    if (searchText_ == text)
        return;
    searchText_ = text;
    emit searchTextChanged();
}

void DocumentViewModel::setSearchResults(const QList<pdf::Selection>& results) {
    if (searchResults_.isEmpty() && results.isEmpty())
        return;
    searchResults_ = results;
    if (PageViewInterface* view = pdfView())
        view->setSearchMatches(searchResults_);
    emit searchResultsChanged();
}

void DocumentViewModel::addSearchResults(const QList<pdf::Selection>& results) {
    if (results.isEmpty())
        return;
    const bool first = searchResults_.isEmpty();
    searchResults_.append(results);
    if (PageViewInterface* view = pdfView())
        view->setSearchMatches(searchResults_);
    emit searchResultsChanged();
    // The first match is shown as soon as it is known; later ones only change the count.
    if (first)
        highlightCurrentSearchResult();
}

void DocumentViewModel::setCurrentSearchIndex(int index) {
    if (currentSearchIndex_ == index)
        return;
    currentSearchIndex_ = index;
    emit currentSearchIndexChanged();
}

void DocumentViewModel::setIsSearching(bool on) {
    if (isSearching_ == on)
        return;
    isSearching_ = on;
    emit isSearchingChanged();
}

void DocumentViewModel::setCurrentSelection(const std::optional<pdf::Selection>& selection) {
    if (currentSelection_ == selection)
        return;
    currentSelection_ = selection;
    emit currentSelectionChanged();
}

void DocumentViewModel::setPdfView(QObject* owner, PageViewInterface* view) {
    pdfViewOwner_ = owner;
    pdfView_ = owner ? view : nullptr;
}

PageViewInterface* DocumentViewModel::pdfView() const {
    return pdfViewOwner_ ? pdfView_ : nullptr;
}

namespace {

// A file that opens without a single readable page is refused, with the reason: there is
// nothing to show, and nothing a copy of it could be made from.
bool refuseWithoutPages(const pdf::DocumentPtr& document, const QString& path) {
    if (!document || document->isLocked() || document->pageCount() > 0)
        return false;
    Alerts::current()->inform(
        QStringLiteral("The document was not opened"),
        QStringLiteral("%1 has no page that can be read.").arg(QFileInfo(path).fileName()));
    return true;
}

} // namespace

void DocumentViewModel::openFile() {
    if (!confirmDiscardChanges())
        return;
    const QString chosen = FileDialogs::current()->openPdf(
        FileDialogs::folderOf(pdfDocument_ ? pdfDocument_->path() : QString()));
    if (chosen.isEmpty())
        return;
    pdf::DocumentPtr document = pdf::Document::open(chosen);
    if (!document || refuseWithoutPages(document, chosen))
        return;
    replaceDocument(document, QFileInfo(chosen).fileName(), QUrl::fromLocalFile(chosen), false);
}

bool DocumentViewModel::replaceDocument(const pdf::DocumentPtr& document, const QString& name,
                                        const QUrl& url, bool askFirst) {
    if (askFirst && !confirmDiscardChanges())
        return false;
    // Edits of the document that was open cannot be taken back in this one. An empty
    // stack may still have lost its clean state (a redo dropped the saved step).
    undoStack_->clear();
    undoStack_->setClean();
    // The order observers see: document, count, page, name, location, then the search.
    const QScopedValueRollback restoring(restoring_, true);
    setPdfDocument(document);
    setTotalPages(document ? document->pageCount() : 0);
    setCurrentPageIndex(0);
    setFileName(name);
    setFileURL(url);
    stopSearch();
    setSearchResults({});
    setSearchText(QString());
    setCurrentSelection(std::nullopt);
    return true;
}

bool DocumentViewModel::loadDocument(const QUrl& url, pdf::DocumentPtr opened) {
    if (!url.isLocalFile())
        return false;
    const QString path = url.toLocalFile();
    pdf::DocumentPtr document = opened ? std::move(opened) : pdf::Document::open(path);
    if (!document || refuseWithoutPages(document, path))
        return false;
    if (!replaceDocument(document, QFileInfo(path).fileName(), url))
        return false;
    if (remembersPlaces_) {
        ReadingHistory::addRecent(QFileInfo(path).absoluteFilePath());
        restorePlace();
    }
    return true;
}

void DocumentViewModel::restorePlace() {
    const auto place = ReadingHistory::place(QFileInfo(fileURL_.toLocalFile()).absoluteFilePath());
    if (!place || !pdfDocument_)
        return;
    const QScopedValueRollback restoring(restoring_, true);
    setDisplayMode(place->mode);
    if (place->autoScales)
        zoomToFit();
    else
        zoomTo(place->scale);
    goToPage(std::min(place->page, pdfDocument_->pageCount() - 1));
}

void DocumentViewModel::rememberPlace() {
    if (!remembersPlaces_ || restoring_ || !pdfDocument_ || !fileURL_.isLocalFile())
        return;
    ReadingPlace place;
    place.page = currentPageIndex_;
    const PageViewInterface* view = pdfView();
    place.autoScales = view ? view->autoScales() : autoScales_;
    place.scale = view ? view->scaleFactor() : scaleFactor_;
    place.mode = displayMode_;
    ReadingHistory::rememberPlace(QFileInfo(fileURL_.toLocalFile()).absoluteFilePath(), place);
}

bool DocumentViewModel::loadCreatedDocument(const pdf::DocumentPtr& document,
                                            const QString& title) {
    if (!document)
        return false;
    if (!replaceDocument(document, title, QUrl()))
        return false;
    // It exists nowhere but here until written.
    markModified();
    return true;
}

void DocumentViewModel::closeDocument() {
    if (PageViewInterface* view = pdfView())
        view->setDocument(nullptr);
    replaceDocument(nullptr, QString(), QUrl(), false);
}

void DocumentViewModel::goToPage(int index) {
    if (!pdfDocument_)
        return;
    // The live count: page management may have changed it since totalPages was copied.
    if (index < 0 || index >= pdfDocument_->pageCount())
        return;
    pdf::PagePtr page = pdfDocument_->page(index);
    if (!page)
        return;
    if (PageViewInterface* view = pdfView())
        view->goToPage(page);
    setCurrentPageIndex(index);
}

void DocumentViewModel::goToDestination(const pdf::Destination& destination) {
    if (!pdfDocument_ || !destination.isValid() || destination.page >= pdfDocument_->pageCount())
        return;
    if (PageViewInterface* view = pdfView())
        view->goToDestination(destination);
    setCurrentPageIndex(destination.page);
}

void DocumentViewModel::zoomBy(double factor) {
    PageViewInterface* view = pdfView();
    setAutoScales(false);
    if (view)
        view->setAutoScales(false);
    const double scale = (view ? view->scaleFactor() : 1.0) * factor;
    if (view)
        view->setScaleFactor(scale);
    setScaleFactor(scale);
}

void DocumentViewModel::zoomTo(double scale) {
    PageViewInterface* view = pdfView();
    setAutoScales(false);
    if (view) {
        view->setAutoScales(false);
        view->setScaleFactor(scale);
    }
    setScaleFactor(view ? view->scaleFactor() : scale);
}

void DocumentViewModel::zoomIn() {
    zoomBy(zoomStep);
}
void DocumentViewModel::zoomOut() {
    zoomBy(1.0 / zoomStep);
}

void DocumentViewModel::zoomToFit() {
    PageViewInterface* view = pdfView();
    setAutoScales(true);
    if (view)
        view->setAutoScales(true);
    setScaleFactor(view ? view->scaleFactor() : 1.0);
}

void DocumentViewModel::performSearch() {
    stopSearch();
    setSearchResults({});
    if (!pdfDocument_ || searchText_.isEmpty())
        return;
    setCurrentSearchIndex(0);
    setIsSearching(true);
    searchJob_->start(pdfDocument_, searchText_, searchOptions_);
}

void DocumentViewModel::setSearchOptions(const pdf::SearchOptions& options) {
    if (searchOptions_ == options)
        return;
    searchOptions_ = options;
    emit searchOptionsChanged();
}

void DocumentViewModel::waitForSearch() {
    searchJob_->wait();
}

void DocumentViewModel::stopSearch() {
    searchJob_->cancel();
    setIsSearching(false);
}

void DocumentViewModel::nextSearchResult() {
    if (searchResults_.isEmpty())
        return;
    const int n = int(searchResults_.size());
    setCurrentSearchIndex(((currentSearchIndex_ + 1) % n + n) % n);
    highlightCurrentSearchResult();
}

void DocumentViewModel::previousSearchResult() {
    if (searchResults_.isEmpty())
        return;
    const int n = int(searchResults_.size());
    setCurrentSearchIndex(((currentSearchIndex_ + n - 1) % n + n) % n);
    highlightCurrentSearchResult();
}

void DocumentViewModel::clearSearch() {
    stopSearch();
    setSearchText(QString());
    setSearchResults({});
    if (PageViewInterface* view = pdfView())
        view->clearSelection();
}

void DocumentViewModel::highlightCurrentSearchResult() {
    if (currentSearchIndex_ < 0 || currentSearchIndex_ >= searchResults_.size())
        return;
    pdf::Selection& match = searchResults_[currentSearchIndex_];
    match.setColor(QColor(Qt::yellow));
    if (PageViewInterface* view = pdfView()) {
        view->setCurrentSelection(match, true);
        view->scrollSelectionToVisible();
    }
}

void DocumentViewModel::documentEdited(const pdf::Change& change) {
    if (!pdfDocument_ || !change.movesPages() || pdfDocument_->isLocked())
        return;
    const int count = pdfDocument_->pageCount();
    int current = currentPageIndex_;
    for (int index : change.pages) {
        if (change.kind == pdf::Change::Kind::PagesInserted && index <= current)
            ++current;
        else if (change.kind == pdf::Change::Kind::PagesRemoved && index < current)
            --current;
    }
    setTotalPages(count);
    setCurrentPageIndex(std::clamp(current, 0, std::max(0, count - 1)));
}

bool DocumentViewModel::perform(std::unique_ptr<DocumentEdit> edit) {
    if (!edit || !allows(edit->kind()))
        return false;
    if (const auto effect = edit->signatureEffect(); effect && !allowsEdit(*effect, edit->text()))
        return false;
    if (!edit->apply())
        return false;
    keepApplied(std::move(edit));
    return true;
}

bool DocumentViewModel::allowsEdit(SignatureGuard::Edit edit, const QString& action) {
    if (!pdfDocument_)
        return true;
    const SignatureGuard::Verdict verdict = SignatureGuard::check(signatures_, edit);
    switch (verdict.kind) {
    case SignatureGuard::Verdict::Kind::clear:
        return true;
    case SignatureGuard::Verdict::Kind::refused:
        Alerts::current()->inform(tr("Not Allowed by the Certification"),
                                  tr("%1: %2 Nothing was changed.").arg(action, verdict.reason));
        return false;
    case SignatureGuard::Verdict::Kind::invalidates:
        break;
    }
    return Alerts::current()->confirm(
        tr("Signatures Will No Longer Hold"),
        tr("%1 changes what was signed in \u201c%2\u201d. %3\n\nThe signed file stays as it is: "
           "the edited document can only be saved as a copy.")
            .arg(action, fileName_, verdict.reason),
        tr("Edit a Copy"));
}

void DocumentViewModel::keepApplied(std::unique_ptr<DocumentEdit> edit) {
    if (!edit)
        return;
    edit->pushedApplied_ = true;
    undoStack_->push(edit.release());
}

bool DocumentViewModel::canUndo() const {
    return undoStack_->canUndo();
}

bool DocumentViewModel::canRedo() const {
    return undoStack_->canRedo();
}

QString DocumentViewModel::undoName() const {
    return undoStack_->undoText();
}

QString DocumentViewModel::redoName() const {
    return undoStack_->redoText();
}

void DocumentViewModel::undo() {
    undoStack_->undo();
}

void DocumentViewModel::redo() {
    const int before = undoStack_->count();
    undoStack_->redo();
    // A step the document no longer allows is dropped without moving the index: the stack
    // announces nothing, but the Redo item must change.
    if (undoStack_->count() < before)
        emit editsChanged();
}
