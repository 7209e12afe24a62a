#pragma once
// The main window: it owns the window's models and view flags, shows the welcome screen
// or the open document with its sidebar, search bar and annotation toolbar, fills the
// toolbar, keeps the title ("report.pdf — Page 3 of 12") current, routes the menu
// commands and presents the sheets. Its menu bar posts on the window's own notification
// centre, so each window answers its own commands only.
#include <QMainWindow>
#include <QPointer>

class AnnotationToolbar;
class AnnotationViewModel;
class BookmarkViewModel;
class CommandNotificationHandler;
class ViewModeHandler;
class DocumentCreationViewModel;
class DocumentViewModel;
class NotificationCenter;
class PDFKitView;
class OCRViewModel;
class PageNumberField;
class PrintController;
class RedactionApplier;
class ZoomBox;
class SignatureViewModel;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolBar;
class QToolButton;
class SearchBarView;
class SheetFlags;
class SheetPresenter;
class SidebarView;
class WelcomeView;

class ContentView : public QMainWindow {
    Q_OBJECT
public:
    explicit ContentView(QWidget* parent = nullptr);
    ~ContentView() override;

    DocumentViewModel* documentVM() const { return documentVM_; }
    AnnotationViewModel* annotationVM() const { return annotationVM_; }
    BookmarkViewModel* bookmarkVM() const { return bookmarkVM_; }
    DocumentCreationViewModel* creationVM() const { return creationVM_; }
    SignatureViewModel* signatureVM() const { return signatureVM_; }
    OCRViewModel* ocrVM() const { return ocrVM_; }
    SheetFlags* flags() const { return flags_; }
    SheetPresenter* sheetPresenter() const { return presenter_; }
    ViewModeHandler* viewModes() const { return viewModes_; }
    // Where this window's menu bar and its shortcuts post their commands; only this
    // window's command routing listens (the toolbar acts on the window directly).
    NotificationCenter& commandCenter() const { return *commandCenter_; }

    // "Brivel PDF" or the document's name; "Page n of m" or empty without a document.
    QString title() const;
    QString subtitle() const;

    // Text recognition of the current page or of every page, with the result sheet.
    void ocrCurrentPage();
    void ocrEntireDocument();
    // Adds the recognised text to the open document's scanned pages (Tools > Make Searchable).
    void makeSearchable();
    // Writes the document's text where the person chooses; nothing without a document.
    void exportAsText();
    // Tools > Apply Redactions: writes a copy with the document's redaction marks applied.
    void applyRedactions();
    RedactionApplier* redactionApplier() const { return redactionApplier_; }
    // Copies the text selected in the page view (Edit > Copy).
    void copySelection();
    // File > Document Properties: the open document's facts and fonts; nothing without one.
    void showDocumentProperties();
    // Names and enables the Edit menu's Undo and Redo after the document's edit stack.
    void refreshEditActions();
    // True (and the person told, with the offer to unlock) when the open document is
    // still locked: nothing that reads or writes its content may run then.
    bool refuseWhileLocked();

    // Widgets, for the window's own tests and screenshots.
    QToolBar* toolbar() const { return toolbar_; }
    // The toolbar action with this title ("New", "Previous", ...), or nullptr.
    QAction* toolbarAction(const QString& title) const;
    QToolButton* toolsButton() const { return toolsButton_; }
    PageNumberField* pageCounter() const { return pageCounter_; }
    ZoomBox* zoomBox() const { return zoomBox_; }
    // Back/Forward through link and outline jumps, and full screen (F11; Escape leaves).
    QAction* backAction() const { return back_; }
    QAction* forwardAction() const { return forward_; }
    QAction* fullScreenAction() const { return fullScreen_; }
    WelcomeView* welcomeView() const { return welcome_; }
    SidebarView* sidebar() const { return sidebar_; }
    SearchBarView* searchBar() const { return searchBar_; }
    // Made on first use (showing it, or asking for it here).
    AnnotationToolbar* annotationToolbar();
    PrintController* printController() const { return printer_; }
    // The page view bridge, made when the first document opens.
    PDFKitView* pageView() const { return pageView_; }
    // Shown in the detail column: the welcome screen or the page view.
    QWidget* detailContent() const;

private:
    void buildToolbar();
    void buildMenus();
    void attachSheets();
    QAction* addButton(const QString& title, const QString& symbol, const QString& toolTip);
    void documentChanged();
    void ensureDocumentViews();
    void refreshTitle();
    void refreshToolbar();
    void refreshBars();
    void refreshIcons();
    // The reader's own actions: page entry, zoom box, history, full screen, link hover.
    void buildReaderActions();
    void connectPageView();
    void refreshZoom();
    // Gives the keyboard to the page view while it shows a readable document, so the
    // scrolling keys work at once.
    void focusPage();
    void setFullScreen(bool on);
    void fillRecentMenu(QMenu* menu);
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    NotificationCenter* commandCenter_; // first made, so it is there for everything after
    DocumentViewModel* documentVM_;
    AnnotationViewModel* annotationVM_;
    BookmarkViewModel* bookmarkVM_;
    DocumentCreationViewModel* creationVM_;
    SignatureViewModel* signatureVM_;
    // Text recognition state: result, progress, running and the result sheet's flag.
    OCRViewModel* ocrVM_;
    SheetFlags* flags_;
    RedactionApplier* redactionApplier_; // keeps what Find and Redact last marked
    SheetPresenter* presenter_ = nullptr;
    CommandNotificationHandler* commands_ = nullptr;
    ViewModeHandler* viewModes_ = nullptr;

    QToolBar* toolbar_ = nullptr;
    QList<QAction*> documentGroup_; // everything but the file group
    QAction* previous_ = nullptr;
    QAction* next_ = nullptr;
    QAction* bookmark_ = nullptr;
    PageNumberField* pageCounter_ = nullptr;
    ZoomBox* zoomBox_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* fullScreen_ = nullptr;
    QAction* leaveFullScreen_ = nullptr;
    QToolButton* toolsButton_ = nullptr;

    QSplitter* split_ = nullptr;
    QWidget* sidebarColumn_ = nullptr;
    QStackedWidget* detailStack_ = nullptr;
    QWidget* searchHost_ = nullptr;
    WelcomeView* welcome_ = nullptr;
    SidebarView* sidebar_ = nullptr;
    SearchBarView* searchBar_ = nullptr;
    PrintController* printer_ = nullptr;
    AnnotationToolbar* annotationToolbar_ = nullptr;
    PDFKitView* pageView_ = nullptr;
};
