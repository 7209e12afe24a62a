#include "shell/ContentView.h"

#include "pageview/AnnotationSelector.h"
#include "pageview/AnnotationToolGestures.h"
#include "pageview/PageViewAccessible.h"
#include "pageview/PdfPageView.h"
#include "sheets/DocumentCompareView.h"
#include "sheets/DocumentCreationView.h"
#include "sheets/DocumentPropertiesView.h"
#include "sheets/ExportView.h"
#include "sheets/FindAndRedactView.h"
#include "sheets/FormFieldView.h"
#include "sheets/OCRResultSheet.h"
#include "sheets/PageManagementView.h"
#include "sheets/PasswordProtectionView.h"
#include "sheets/ReduceFileSizeView.h"
#include "sheets/SignatureView.h"
#include "sheets/WatermarkView.h"
#include "shell/AnnotationToolbar.h"
#include "shell/CommandNotificationHandler.h"
#include "shell/DiskChangeBarView.h"
#include "shell/PDFKitView.h"
#include "shell/PageNumberField.h"
#include "shell/PrintController.h"
#include "shell/ReviewPanelView.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "shell/SheetPresenter.h"
#include "shell/SidebarView.h"
#include "shell/SignatureBarView.h"
#include "shell/ViewModeHandler.h"
#include "shell/WelcomeView.h"
#include "shell/ZoomBox.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentCreationViewModel.h"
#include "viewmodels/DocumentRestrictions.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FileConversionViewModel.h"
#include "viewmodels/OCRViewModel.h"
#include "viewmodels/ReadingHistory.h"
#include "viewmodels/RedactionApplier.h"
#include "viewmodels/SignatureViewModel.h"
#include "widgets/AccessibleNames.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include "desktop/Alerts.h"
#include "pageview/PasswordPromptWidget.h"
#include "pdf/document/PageLabels.h"
#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

ContentView::ContentView(QWidget* parent)
    : QMainWindow(parent), commandCenter_(new NotificationCenter),
      documentVM_(new DocumentViewModel(this)), annotationVM_(new AnnotationViewModel(this)),
      bookmarkVM_(new BookmarkViewModel(this)), creationVM_(new DocumentCreationViewModel(this)),
      signatureVM_(new SignatureViewModel(this)), ocrVM_(new OCRViewModel(this)),
      flags_(new SheetFlags(this)), redactionApplier_(new RedactionApplier(*documentVM_, this)) {
    setObjectName(QStringLiteral("contentView"));
    commandCenter_->setParent(this);
    setWindowIcon(Icons::applicationIcon());
    setUnifiedTitleAndToolBarOnMac(true);
    resize(1000, 700);

    // Detail column: search bar, annotation toolbar, then the page view or the welcome
    // screen.
    auto* detail = new QWidget(this);
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);

    searchHost_ = new QWidget(detail);
    auto* searchLayout = new QVBoxLayout(searchHost_);
    searchLayout->setContentsMargins(12, 4, 12, 4);
    searchBar_ = new SearchBarView(documentVM_, searchHost_);
    searchLayout->addWidget(searchBar_);
    detailLayout->addWidget(searchHost_);

    // The annotation toolbar goes below the search bar once it is first asked for.

    detailLayout->addWidget(new SignatureBarView(documentVM_, detail));
    detailLayout->addWidget(new DiskChangeBarView(documentVM_, detail));

    detailStack_ = new QStackedWidget(detail);
    welcome_ = new WelcomeView(documentVM_, detailStack_);
    detailStack_->addWidget(welcome_);
    detailLayout->addWidget(detailStack_, 1);

    sidebarColumn_ = new QWidget(this);
    sidebarColumn_->setObjectName(QStringLiteral("sidebarColumn"));
    auto* sidebarLayout = new QVBoxLayout(sidebarColumn_);
    sidebarLayout->setContentsMargins(0, 0, 0, 0);
    sidebarLayout->setSpacing(0);

    split_ = new QSplitter(Qt::Horizontal, this);
    split_->setChildrenCollapsible(false);
    split_->setHandleWidth(1);
    split_->addWidget(sidebarColumn_);
    split_->addWidget(detail);
    split_->setStretchFactor(0, 0);
    split_->setStretchFactor(1, 1);
    split_->setSizes({220, 780});
    setCentralWidget(split_);

    buildToolbar();
    buildMenus();
    buildReaderActions();

    attachSheets();

    CommandNotificationHandler::Actions actions;
    actions.ocrCurrentPage = [this] { ocrCurrentPage(); };
    actions.ocrEntireDocument = [this] { ocrEntireDocument(); };
    actions.makeSearchable = [this] { makeSearchable(); };
    actions.closeWindow = [this] { close(); };
    actions.applyRedactions = [this] { applyRedactions(); };
    actions.exportPDFAsText = [this](const pdf::DocumentPtr&, const QString&) { exportAsText(); };
    actions.importImagesAsPDF = [] { return FileConversionViewModel::importImagesAsPDF(); };
    actions.clipboardToPDF = [] { return FileConversionViewModel::clipboardToPDF(); };
    commands_ = new CommandNotificationHandler(documentVM_, bookmarkVM_, flags_, actions,
                                               *commandCenter_, this);
    // Screen readers: every control named, the page text readable.
    AccessibleNames::install();
    PageViewAccessible::install();
    viewModes_ = new ViewModeHandler(
        documentVM_, [this] { return pageView_ ? pageView_->pdfView() : nullptr; }, *commandCenter_,
        this);

    // The counter reads the document's own page labels, which follow its pages.
    const auto refreshLabels = [this] {
        const pdf::DocumentPtr& document = documentVM_->pdfDocument();
        pageCounter_->setLabels(document ? pdf::PageLabels::read(*document) : pdf::PageLabels());
    };
    connect(documentVM_, &DocumentViewModel::pdfDocumentChanged, this, refreshLabels);
    connect(documentVM_, &DocumentViewModel::totalPagesChanged, this, refreshLabels);
    connect(documentVM_, &DocumentViewModel::pdfDocumentChanged, this,
            &ContentView::documentChanged);
    connect(documentVM_, &DocumentViewModel::fileNameChanged, this, &ContentView::refreshTitle);
    connect(documentVM_, &DocumentViewModel::modifiedChanged, this, &ContentView::refreshTitle);
    connect(documentVM_, &DocumentViewModel::editsChanged, this, &ContentView::refreshEditActions);
    connect(documentVM_, &DocumentViewModel::currentPageIndexChanged, this,
            &ContentView::refreshTitle);
    connect(documentVM_, &DocumentViewModel::totalPagesChanged, this, &ContentView::refreshTitle);
    connect(documentVM_, &DocumentViewModel::currentPageIndexChanged, this,
            &ContentView::refreshToolbar);
    connect(documentVM_, &DocumentViewModel::totalPagesChanged, this, &ContentView::refreshToolbar);
    // Each file keeps its own bookmarks; a document without a file has none stored.
    connect(documentVM_, &DocumentViewModel::fileURLChanged, this,
            [this] { bookmarkVM_->loadBookmarks(documentVM_->fileURL()); });
    connect(bookmarkVM_, &BookmarkViewModel::bookmarksChanged, this, &ContentView::refreshToolbar);
    // Recognised text is added to the pages outside the edit stack; it is unsaved all the same.
    connect(ocrVM_, &OCRViewModel::documentEdited, this, [this](const pdf::DocumentPtr& edited) {
        if (edited == documentVM_->pdfDocument())
            documentVM_->markModified();
    });
    connect(flags_, &SheetFlags::showSearchChanged, this, &ContentView::refreshBars);
    connect(flags_, &SheetFlags::showAnnotationToolbarChanged, this, &ContentView::refreshBars);

    documentChanged();
}

ContentView::~ContentView() = default;

void ContentView::attachSheets() {
    presenter_ = new SheetPresenter(this, flags_, this);
    connect(presenter_, &SheetPresenter::sheetClosed, this, &ContentView::focusPage);

    ocrVM_->setDocumentSource([documentVM = documentVM_] { return documentVM->pdfDocument(); });
    // The recognition sheet's flag lives with the recognition state.
    SheetPresenter::Flag ocrFlag;
    ocrFlag.get = [this] { return ocrVM_->showOCRSheet(); };
    ocrFlag.set = [this](bool on) { ocrVM_->setShowOCRSheet(on); };
    ocrFlag.watch = [this](QObject* context, std::function<void()> onChange) {
        return connect(ocrVM_, &OCRViewModel::showOCRSheetChanged, context, std::move(onChange));
    };
    presenter_->setMaker(SheetKind::ocrResult,
                         [this](QWidget* parent) { return new OCRResultSheet(*ocrVM_, parent); });
    presenter_->setFlag(SheetKind::ocrResult, std::move(ocrFlag));

    presenter_->setMaker(SheetKind::documentCreation, [this](QWidget* parent) {
        auto created = [this](const pdf::DocumentPtr& document, const QString& title) {
            documentVM_->loadCreatedDocument(document, title);
        };
        return new DocumentCreationView(*creationVM_, created, parent);
    });
    presenter_->setMaker(SheetKind::signature, [this](QWidget* parent) -> QDialog* {
        // What it places are stamps on the page, annotations to the file's permissions.
        if (refuseWhileLocked() ||
            (documentVM_->pdfDocument() && !documentVM_->allows(DocumentEdit::Kind::annotations)))
            return nullptr;
        return new SignatureView(*signatureVM_, *documentVM_, parent);
    });
    // The tool sheets all work on the open document through the document view model.
    auto sheetFor = [this](SheetKind kind, auto make) {
        presenter_->setMaker(kind, [this, make](QWidget* parent) -> QDialog* {
            if (refuseWhileLocked())
                return nullptr;
            return make(*documentVM_, parent);
        });
    };
    sheetFor(SheetKind::exportSheet, [](DocumentViewModel& model, QWidget* parent) {
        return new ExportView(model, parent);
    });
    sheetFor(SheetKind::pageManagement, [](DocumentViewModel& model, QWidget* parent) {
        return new PageManagementView(model, parent);
    });
    sheetFor(SheetKind::watermark, [](DocumentViewModel& model, QWidget* parent) {
        return new WatermarkView(model, parent);
    });
    sheetFor(SheetKind::passwordProtection, [](DocumentViewModel& model, QWidget* parent) {
        return new PasswordProtectionView(model, parent);
    });
    sheetFor(SheetKind::compare, [](DocumentViewModel& model, QWidget* parent) {
        return new DocumentCompareView(model, parent);
    });
    sheetFor(SheetKind::formFields, [](DocumentViewModel& model, QWidget* parent) {
        return new FormFieldView(model, parent);
    });
    sheetFor(SheetKind::reduceFileSize, [](DocumentViewModel& model, QWidget* parent) {
        return new ReduceFileSizeView(model, parent);
    });
    sheetFor(SheetKind::findAndRedact, [this](DocumentViewModel& model, QWidget* parent) {
        return new FindAndRedactView(
            model,
            [this](std::shared_ptr<const RedactionMatcher> matcher) {
                redactionApplier()->rememberSearch(std::move(matcher));
            },
            parent);
    });
}

void ContentView::buildMenus() {
    // The desktop's own items; the application adds its menu catalogue to this bar, File
    // items above these and the rest after the text-editing items.
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* quit = file->addAction(tr("Quit"), qApp, &QApplication::closeAllWindows);
    quit->setShortcut(QKeySequence::Quit);
    quit->setObjectName(QStringLiteral("quit"));
    printer_ = new PrintController(documentVM_, this, file, quit);
    // Alt+Return as other readers have it; Ctrl+I ("information") as well. Ctrl+D stays
    // with the bookmark it has always toggled.
    QAction* properties = new QAction(tr("Document Properties\u2026"), file);
    properties->setObjectName(QStringLiteral("documentProperties"));
    properties->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_I), QKeySequence(Qt::ALT | Qt::Key_Return)});
    properties->setShortcutContext(Qt::WindowShortcut);
    connect(properties, &QAction::triggered, this, &ContentView::showDocumentProperties);
    file->insertAction(quit, properties);
    file->insertSeparator(quit);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* copy = edit->addAction(tr("Copy"), this, &ContentView::copySelection);
    copy->setShortcut(QKeySequence::Copy);
    copy->setObjectName(QStringLiteral("copy"));
    // Protected files are worked on as their author allows, unless the person says otherwise.
    QAction* ignore = edit->addAction(tr("Ignore Document Restrictions"));
    ignore->setObjectName(QStringLiteral("ignoreRestrictions"));
    ignore->setCheckable(true);
    ignore->setChecked(DocumentRestrictions::ignored());
    connect(ignore, &QAction::toggled, this, &DocumentRestrictions::setIgnored);
    connect(edit, &QMenu::aboutToShow, ignore,
            [ignore] { ignore->setChecked(DocumentRestrictions::ignored()); });
}

void ContentView::copySelection() {
    // A text field with the focus copies its own text; otherwise the page's selection.
    if (auto* view = pageView_ ? pageView_->pdfView() : nullptr)
        view->copySelection();
}

void ContentView::showDocumentProperties() {
    const pdf::DocumentPtr document = documentVM_->pdfDocument();
    if (!document)
        return;
    auto* sheet = new DocumentPropertiesView(*document, documentVM_->fileName(), this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

QAction* ContentView::toolbarAction(const QString& title) const {
    for (QAction* action : toolbar_->actions())
        if (action->text() == title)
            return action;
    return nullptr;
}

QWidget* ContentView::detailContent() const {
    return detailStack_->currentWidget();
}

QString ContentView::title() const {
    if (documentVM_->fileName().isEmpty())
        return QStringLiteral("Brivel PDF");
    // The dot says there is something to save before the document goes.
    return documentVM_->isModified() ? QStringLiteral("\u2022 ") + documentVM_->fileName()
                                     : documentVM_->fileName();
}

QString ContentView::subtitle() const {
    if (!documentVM_->pdfDocument())
        return {};
    if (documentVM_->pdfDocument()->isLocked())
        return tr("Locked");
    return tr("Page %1 of %2")
        .arg(documentVM_->currentPageIndex() + 1)
        .arg(documentVM_->totalPages());
}

void ContentView::documentChanged() {
    if (documentVM_->pdfDocument())
        ensureDocumentViews();
    const bool open = documentVM_->pdfDocument() != nullptr;
    for (QAction* action : std::as_const(documentGroup_))
        action->setVisible(open);
    sidebarColumn_->setVisible(open && !(fullScreen_ && fullScreen_->isChecked()));
    detailStack_->setCurrentWidget(open && pageView_ ? static_cast<QWidget*>(pageView_)
                                                     : static_cast<QWidget*>(welcome_));
    refreshTitle();
    refreshToolbar();
    refreshBars();
    focusPage();
}

void ContentView::focusPage() {
    const auto& document = documentVM_->pdfDocument();
    if (!document || document->isLocked() || !pageView_ || detailContent() != pageView_)
        return;
    pageView_->pdfView()->setFocus(Qt::OtherFocusReason);
}

void ContentView::ensureDocumentViews() {
    if (!pageView_) {
        pageView_ = new PDFKitView(*documentVM_, *annotationVM_, detailStack_);
        detailStack_->addWidget(pageView_);
        connectPageView();
    }
    if (!sidebar_) {
        // Made after the page view, so the thumbnails bind to it.
        sidebar_ = new SidebarView(documentVM_, bookmarkVM_, sidebarColumn_);
        sidebar_->reviewPanel()->setSelector(
            [this](int page, const pdf::AnnotationPtr& annotation) {
                if (PdfPageView* view = pageView_ ? pageView_->pdfView() : nullptr)
                    view->annotationSelector()->select(page, annotation);
            });
        sidebarColumn_->layout()->addWidget(sidebar_);
        split_->setSizes({220, qMax(400, width() - 220)});
    }
}

void ContentView::refreshTitle() {
    const QString sub = subtitle();
    setWindowTitle(sub.isEmpty() ? title() : title() + QStringLiteral(" \u2014 ") + sub);
}

void ContentView::refreshToolbar() {
    const int index = documentVM_->currentPageIndex();
    const int total = documentVM_->totalPages();
    pageCounter_->setPage(index, total);
    if (const auto& document = documentVM_->pdfDocument(); document && document->isLocked())
        pageCounter_->setText(tr("Locked"));
    previous_->setEnabled(index >= 1);
    next_->setEnabled(index < total - 1);
    const bool marked = bookmarkVM_->isBookmarked(index);
    const QString symbol = marked ? QStringLiteral("bookmark.fill") : QStringLiteral("bookmark");
    if (bookmark_->property("symbol").toString() != symbol) {
        bookmark_->setProperty("symbol", symbol);
        bookmark_->setIcon(Icons::icon(symbol));
    }
}

void ContentView::refreshBars() {
    const bool open =
        documentVM_->pdfDocument() != nullptr && !(fullScreen_ && fullScreen_->isChecked());
    searchHost_->setVisible(open && flags_->showSearch());
    const bool annotating = open && flags_->showAnnotationToolbar();
    if (annotating || annotationToolbar_)
        annotationToolbar()->setVisible(annotating);
}

AnnotationToolbar* ContentView::annotationToolbar() {
    if (annotationToolbar_)
        return annotationToolbar_;
    // Made on first use: most windows never show it, and building its controls would
    // hold up the first page. It takes the place, and the place in the Tab order, that
    // it would have had from the start: right below the search bar.
    QWidget* detail = searchHost_->parentWidget();
    auto* layout = static_cast<QVBoxLayout*>(detail->layout());
    annotationToolbar_ = new AnnotationToolbar(annotationVM_, documentVM_, detail);
    annotationToolbar_->hide();
    layout->insertWidget(layout->indexOf(searchHost_) + 1, annotationToolbar_);
    QWidget* previous = searchHost_;
    while (searchHost_->isAncestorOf(previous->nextInFocusChain()))
        previous = previous->nextInFocusChain();
    QList<QWidget*> focusable;
    for (QWidget* w = annotationToolbar_->nextInFocusChain(); annotationToolbar_->isAncestorOf(w);
         w = w->nextInFocusChain())
        if (w->focusPolicy() != Qt::NoFocus)
            focusable << w;
    // The last widget of the search bar that takes the keyboard leads on to the toolbar.
    QWidget* lead = nullptr;
    for (QWidget* w = searchHost_; w != previous->nextInFocusChain(); w = w->nextInFocusChain())
        if (w->focusPolicy() != Qt::NoFocus)
            lead = w;
    for (QWidget* w : std::as_const(focusable)) {
        if (lead)
            QWidget::setTabOrder(lead, w);
        lead = w;
    }
    return annotationToolbar_;
}

void ContentView::refreshIcons() {
    for (QAction* action : toolbar_->actions()) {
        const QString symbol = action->property("symbol").toString();
        if (!symbol.isEmpty())
            action->setIcon(Icons::icon(symbol));
    }
    toolsButton_->setIcon(Icons::icon(QStringLiteral("wrench.and.screwdriver")));
}

void ContentView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && toolbar_)
        refreshIcons();
    QMainWindow::changeEvent(event);
}

void ContentView::closeEvent(QCloseEvent* event) {
    if (!documentVM_->confirmDiscardChanges()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void ContentView::refreshEditActions() {
    for (QAction* action : menuBar()->findChildren<QAction*>()) {
        const bool undo = action->objectName() == QLatin1String("undo");
        if (!undo && action->objectName() != QLatin1String("redo"))
            continue;
        const QString name = undo ? documentVM_->undoName() : documentVM_->redoName();
        const QString verb = undo ? tr("Undo") : tr("Redo");
        action->setText(name.isEmpty() ? verb : verb + u' ' + name);
        action->setEnabled(undo ? documentVM_->canUndo() : documentVM_->canRedo());
    }
}

bool ContentView::refuseWhileLocked() {
    const auto& document = documentVM_->pdfDocument();
    if (!document || !document->isLocked())
        return false;
    const bool unlock = Alerts::current()->confirm(
        tr("Document Locked"),
        tr("\u201c%1\u201d is locked. Enter its password to read, change or export it.")
            .arg(documentVM_->fileName()),
        tr("Unlock\u2026"));
    if (unlock && pageView_ && pageView_->pdfView()) {
        QLineEdit* field = pageView_->pdfView()->passwordPrompt()->passwordField();
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
    }
    return true;
}

void ContentView::ocrCurrentPage() {
    if (refuseWhileLocked())
        return;
    ocrVM_->ocrCurrentPage(documentVM_->pdfDocument(), documentVM_->currentPageIndex());
}

void ContentView::ocrEntireDocument() {
    if (refuseWhileLocked())
        return;
    ocrVM_->ocrEntireDocument(documentVM_->pdfDocument());
}

void ContentView::makeSearchable() {
    if (refuseWhileLocked())
        return;
    if (documentVM_->pdfDocument())
        ocrVM_->makeSearchable(documentVM_->pdfDocument());
}

void ContentView::exportAsText() {
    const pdf::DocumentPtr document = documentVM_->pdfDocument();
    if (!document || refuseWhileLocked())
        return;
    // A failed write is said, not swallowed: the person believes the text is saved otherwise.
    const auto outcome =
        FileConversionViewModel::exportPDFAsText(*document, documentVM_->fileName());
    if (outcome.failed()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Export failed"), QString(),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText); // the message names a file, which may look like markup
        box.setText(outcome.message);
        box.exec();
    }
}
