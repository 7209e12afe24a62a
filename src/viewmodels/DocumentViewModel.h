#pragma once
// The open document of one window: the page the user is on, zoom and layout, the name
// shown as the title, and the text search. It owns the document and refers to the page
// view weakly; every view step is skipped while no view is attached.
#include "pdf/document/Document.h"
#include "pdf/document/DocumentChanges.h"
#include "pdf/document/DocumentPermissions.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"
#include "utilities/StandardSignature.h"
#include "viewmodels/DocumentEdit.h"
#include "viewmodels/PageViewInterface.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QUndoStack;
class SearchJob;

class DocumentViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(pdf::DocumentPtr pdfDocument READ pdfDocument WRITE setPdfDocument NOTIFY
                   pdfDocumentChanged)
    Q_PROPERTY(int currentPageIndex READ currentPageIndex WRITE setCurrentPageIndex NOTIFY
                   currentPageIndexChanged)
    Q_PROPERTY(int totalPages READ totalPages WRITE setTotalPages NOTIFY totalPagesChanged)
    Q_PROPERTY(double scaleFactor READ scaleFactor WRITE setScaleFactor NOTIFY scaleFactorChanged)
    Q_PROPERTY(bool autoScales READ autoScales WRITE setAutoScales NOTIFY autoScalesChanged)
    Q_PROPERTY(
        PDFDisplayMode displayMode READ displayMode WRITE setDisplayMode NOTIFY displayModeChanged)
    Q_PROPERTY(QString fileName READ fileName WRITE setFileName NOTIFY fileNameChanged)
    Q_PROPERTY(QUrl fileURL READ fileURL WRITE setFileURL NOTIFY fileURLChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(QList<pdf::Selection> searchResults READ searchResults WRITE setSearchResults NOTIFY
                   searchResultsChanged)
    Q_PROPERTY(int currentSearchIndex READ currentSearchIndex WRITE setCurrentSearchIndex NOTIFY
                   currentSearchIndexChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(std::optional<pdf::Selection> currentSelection READ currentSelection WRITE
                   setCurrentSelection NOTIFY currentSelectionChanged)
    Q_PROPERTY(bool isModified READ isModified NOTIFY modifiedChanged)

public:
    explicit DocumentViewModel(QObject* parent = nullptr);
    ~DocumentViewModel() override;

    const pdf::DocumentPtr& pdfDocument() const { return pdfDocument_; }
    // The document's standard signatures, verified once when it was set.
    const std::vector<StandardSignature::Result>& signatures() const { return signatures_; }
    int currentPageIndex() const { return currentPageIndex_; }
    int totalPages() const { return totalPages_; }
    double scaleFactor() const { return scaleFactor_; }
    bool autoScales() const { return autoScales_; }
    PDFDisplayMode displayMode() const { return displayMode_; }
    const QString& fileName() const { return fileName_; }
    // Empty for a document made in memory.
    const QUrl& fileURL() const { return fileURL_; }
    const QString& searchText() const { return searchText_; }
    const QList<pdf::Selection>& searchResults() const { return searchResults_; }
    int currentSearchIndex() const { return currentSearchIndex_; }
    bool isSearching() const { return isSearching_; }
    // Match case, whole words, accents: kept for the window's life, used by the next search.
    const pdf::SearchOptions& searchOptions() const { return searchOptions_; }
    void setSearchOptions(const pdf::SearchOptions& options);
    const std::optional<pdf::Selection>& currentSelection() const { return currentSelection_; }

    // Written directly by the page view bridge, the search bar, the command routing and
    // the tools that change the document.
    void setPdfDocument(const pdf::DocumentPtr& document);
    void setCurrentPageIndex(int index);
    void setTotalPages(int count);
    void setScaleFactor(double scale);
    void setAutoScales(bool on);
    void setDisplayMode(PDFDisplayMode mode);
    void setFileName(const QString& name);
    void setFileURL(const QUrl& url);
    void setSearchText(const QString& text);
    void setSearchResults(const QList<pdf::Selection>& results);
    void setCurrentSearchIndex(int index);
    void setCurrentSelection(const std::optional<pdf::Selection>& selection);

    // The page view, held weakly through its QObject: pdfView() is null once `owner` is gone.
    void setPdfView(QObject* owner, PageViewInterface* view);
    PageViewInterface* pdfView() const;

    // Asks for one PDF file and loads it; cancelling does nothing. Unsaved changes are
    // offered for saving first.
    void openFile();
    // A file that is not a readable PDF changes nothing. False when nothing was loaded
    // (unreadable, or the person kept the unsaved changes).
    // `opened`, when given, is that file read already (on another thread, say).
    bool loadDocument(const QUrl& url, pdf::DocumentPtr opened = nullptr);
    // A document that exists only in memory, shown under `title`.
    bool loadCreatedDocument(const pdf::DocumentPtr& document, const QString& title);
    // Lets go of the document and everything kept for it (edits, search results).
    void closeDocument();

    // The document changed since it was opened or last written: some edit is done that
    // the last save did not see.
    bool isModified() const;
    // The document as it stands is what its file holds now.
    void markSaved();
    // The document changed outside the edit stack (made in memory, text added by
    // recognition): it stays unsaved until written, whatever is undone.
    void markModified();
    // Before the document is replaced or closed: with unsaved changes, asks whether to
    // save them first. False when the person cancelled or the save did not happen; the
    // document and its edits are then as they were.
    bool confirmDiscardChanges();
    // File > Save: writes the document over its own file, atomically, keeping the file's
    // permissions and the document's protection; a document without a file asks where.
    // False when cancelled or failed (the failure is told through Alerts).
    bool save();
    // File > Save As: writes to a file the person chooses, which becomes the document's file.
    bool saveAs();
    // File > Close: with unsaved changes offered for saving first; false when kept open.
    bool closeAfterAsking();
    // Export: writes an annotated copy where the person chooses. The document keeps its
    // file and its unsaved state. False when cancelled or failed (told through Alerts).
    bool saveAnnotatedCopy();
    // Out-of-range indices are ignored, not clamped.
    void goToPage(int index);
    // A link's or outline entry's destination: the page and, in the view, the place on it.
    void goToDestination(const pdf::Destination& destination);
    void zoomIn();
    void zoomOut();
    void zoomToFit();
    // A zoom chosen outright (1 = 100 %), leaving width fitting.
    void zoomTo(double scale);

    // Starts the search for searchText() on a worker: the matches are added as they are
    // found, the first one is shown at once, and isSearching() holds until the end. A search
    // still running is cancelled first.
    void performSearch();
    // Blocks until the running search has ended and all its matches are in (tests, tools).
    void waitForSearch();
    // Cancels the running search; the matches found so far stay.
    void stopSearch();
    void nextSearchResult();
    void previousSearchResult();
    // The search bar's clear button: no query, no results, nothing selected in the view.
    void clearSearch();

    // Whether the open document's protection lets the person make an edit of `kind`. When
    // not, and restrictions are not ignored (DocumentRestrictions), the person is told
    // what the author forbade.
    bool allows(DocumentEdit::Kind kind);

    // Every edit of the open document goes through here: applied, then kept on the undo
    // stack. False (and nothing kept) when the edit changed nothing. An edit that continues
    // the step on top of the stack (see ChangeAnnotationEdit::setGesture) joins that step.
    // A signed document asks the signature guard first (see allowsEdit).
    bool perform(std::unique_ptr<DocumentEdit> edit);
    // Before `edit` of a signed document: true when it may go ahead. One the document's
    // certification forbids is refused with the reason; one that invalidates signatures is
    // asked about, naming `action` ("Deleting page 2") and whose signatures break: the signed
    // file itself is never changed, the edited document is saved as a copy.
    bool allowsEdit(SignatureGuard::Edit edit, const QString& action);
    // Keeps an edit already applied elsewhere (on a worker, see PageOperationJob) as if
    // perform() had applied it, so it can be undone.
    void keepApplied(std::unique_ptr<DocumentEdit> edit);
    // The steps of the open document; its clean state is the document as opened or last
    // written.
    QUndoStack* undoStack() const { return undoStack_; }
    bool canUndo() const;
    bool canRedo() const;
    // The name of the step undo() would take back; empty when there is none.
    QString undoName() const;
    QString redoName() const;
    void undo();
    void redo();

    // On (the application's windows): each file opened from disk reopens where it was left
    // (page, zoom, layout) and joins the recent files.
    void setRemembersPlaces(bool on) { remembersPlaces_ = on; }
    bool remembersPlaces() const { return remembersPlaces_; }

    static constexpr double zoomStep = 1.25;

signals:
    void pdfDocumentChanged();
    void currentPageIndexChanged();
    void totalPagesChanged();
    void scaleFactorChanged();
    void autoScalesChanged();
    void displayModeChanged();
    void fileNameChanged();
    void fileURLChanged();
    void searchTextChanged();
    void searchResultsChanged();
    void currentSearchIndexChanged();
    void isSearchingChanged();
    void searchOptionsChanged();
    void currentSelectionChanged();
    // An edit was performed (or joined the last step), undone or redone.
    void editsChanged();
    void modifiedChanged();
    // The document was written to `path` by Save or Save As (not by an export).
    void saved(const QString& path);

private:
    void setIsSearching(bool on);
    void addSearchResults(const QList<pdf::Selection>& results);
    void zoomBy(double factor);
    void highlightCurrentSearchResult();
    bool replaceDocument(const pdf::DocumentPtr& document, const QString& name, const QUrl& url,
                         bool askFirst = true);
    // Follows the open document's notice: the page count, and the current page when pages
    // before it came or went.
    void documentEdited(const pdf::Change& change);
    void rememberPlace();
    void restorePlace();
    // Writes the document to `path` and, written, makes the document's state clean.
    bool writeDocument(const QString& path);

    pdf::DocumentPtr pdfDocument_;
    // The signatures of the file pdfDocument_ was read from, as it was read.
    std::vector<StandardSignature::Result> signatures_;
    int currentPageIndex_ = 0;
    int totalPages_ = 0;
    double scaleFactor_ = 1.0;
    bool autoScales_ = true;
    PDFDisplayMode displayMode_ = PDFDisplayMode::singlePageContinuous;
    QString fileName_;
    QUrl fileURL_;
    QString searchText_;
    QList<pdf::Selection> searchResults_;
    int currentSearchIndex_ = 0;
    bool isSearching_ = false;
    pdf::SearchOptions searchOptions_;
    SearchJob* searchJob_ = nullptr; // owned as a child
    std::optional<pdf::Selection> currentSelection_;

    bool remembersPlaces_ = false;
    bool restoring_ = false; // a document is being put in place: nothing to remember yet

    QUndoStack* undoStack_ = nullptr; // owned as a child
    // The open document's permissions, read when it is set (and again once it is unlocked),
    // so that asking never waits for the engine.
    pdf::Permissions permissions_;
    bool permissionsBeforeUnlock_ = false;

    QPointer<QObject> pdfViewOwner_;
    PageViewInterface* pdfView_ = nullptr;
};
