// The window's toolbar: opening, paging, zooming, the tools and export. Toolbar buttons
// act on this window's models directly.
#include "shell/ContentView.h"

#include "pageview/PdfPageView.h"
#include "platform/NotificationCenter.h"
#include "shell/CommandVocabulary.h"
#include "shell/PDFKitView.h"
#include "shell/PageNumberField.h"
#include "shell/SheetFlags.h"
#include "shell/ZoomBox.h"
#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/OCRViewModel.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

QAction* ContentView::addButton(const QString& title, const QString& symbol,
                                const QString& toolTip) {
    QAction* action = toolbar_->addAction(Icons::icon(symbol), title);
    action->setProperty("symbol", symbol);
    action->setToolTip(toolTip.isEmpty() ? title : toolTip);
    return action;
}

void ContentView::buildToolbar() {
    toolbar_ = new QToolBar(tr("Toolbar"), this);
    toolbar_->setObjectName(QStringLiteral("mainToolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(20, 20));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar_->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, toolbar_);

    // File group, always present. Ctrl stands in for the Command key on this platform.
    connect(addButton(tr("New"), "doc.badge.plus", tr("New Document (Ctrl+N)")),
            &QAction::triggered, this, [this] { flags_->setShowDocumentCreation(true); });
    connect(addButton(tr("Open"), "folder", tr("Open PDF (Ctrl+O)")), &QAction::triggered, this,
            [this] { documentVM_->openFile(); });

    // Navigation group.
    documentGroup_.append(toolbar_->addSeparator());
    previous_ = addButton(tr("Previous"), "chevron.left", {});
    connect(previous_, &QAction::triggered, this,
            [this] { documentVM_->goToPage(documentVM_->currentPageIndex() - 1); });
    pageCounter_ = new PageNumberField(toolbar_);
    QFont counterFont = Appearance::font(Appearance::FontRole::body);
    counterFont.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
    pageCounter_->setFont(counterFont);
    connect(pageCounter_, &PageNumberField::pageRequested, documentVM_,
            &DocumentViewModel::goToPage);
    documentGroup_.append(previous_);
    documentGroup_.append(toolbar_->addWidget(pageCounter_));
    next_ = addButton(tr("Next"), "chevron.right", {});
    connect(next_, &QAction::triggered, this,
            [this] { documentVM_->goToPage(documentVM_->currentPageIndex() + 1); });
    documentGroup_.append(next_);

    // Zoom group.
    documentGroup_.append(toolbar_->addSeparator());
    QAction* zoomOut = addButton(tr("Zoom Out"), "minus.magnifyingglass", {});
    connect(zoomOut, &QAction::triggered, documentVM_, &DocumentViewModel::zoomOut);
    QAction* fit = addButton(tr("Fit"), "arrow.up.left.and.arrow.down.right", {});
    connect(fit, &QAction::triggered, documentVM_, &DocumentViewModel::zoomToFit);
    zoomBox_ = new ZoomBox(toolbar_);
    QAction* zoomBox = toolbar_->addWidget(zoomBox_);
    zoomBox->setText(tr("Zoom"));
    connect(zoomBox_, &ZoomBox::scaleRequested, documentVM_, &DocumentViewModel::zoomTo);
    connect(zoomBox_, &ZoomBox::fitRequested, this, [this](ZoomBox::Fit how) {
        if (how == ZoomBox::Fit::width)
            documentVM_->zoomToFit();
        else if (how == ZoomBox::Fit::actualSize)
            documentVM_->zoomTo(1.0);
        else if (pageView_)
            documentVM_->zoomTo(pageView_->pdfView()->fitPageScale());
        refreshZoom();
    });
    QAction* zoomIn = addButton(tr("Zoom In"), "plus.magnifyingglass", {});
    connect(zoomIn, &QAction::triggered, documentVM_, &DocumentViewModel::zoomIn);
    documentGroup_ << zoomOut << fit << zoomBox << zoomIn;

    // Tools group.
    documentGroup_.append(toolbar_->addSeparator());
    QAction* search = addButton(tr("Search"), "magnifyingglass", {});
    connect(search, &QAction::triggered, this,
            [this] { flags_->setShowSearch(!flags_->showSearch()); });
    bookmark_ = addButton(tr("Bookmark"), "bookmark", {});
    connect(bookmark_, &QAction::triggered, this,
            [this] { bookmarkVM_->toggleBookmark(documentVM_->currentPageIndex()); });
    QAction* annotate = addButton(tr("Annotate"), "pencil.tip.crop.circle", {});
    connect(annotate, &QAction::triggered, this,
            [this] { flags_->setShowAnnotationToolbar(!flags_->showAnnotationToolbar()); });
    documentGroup_ << search << bookmark_ << annotate;

    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("toolsMenu"));
    // The returned slots hold the flags pointer itself, not a `this` captured inside
    // another lambda (which the sanitizer build reads from a dead stack frame).
    auto raise = [flags = flags_](void (SheetFlags::*setter)(bool)) {
        return [flags, setter] { (flags->*setter)(true); };
    };
    connect(menu->addAction(tr("Page Management...")), &QAction::triggered, this,
            raise(&SheetFlags::setShowPageManagement));
    connect(menu->addAction(tr("Signatures...")), &QAction::triggered, this,
            raise(&SheetFlags::setShowSignature));
    connect(menu->addAction(tr("Form Fields...")), &QAction::triggered, this,
            raise(&SheetFlags::setShowFormFields));
    menu->addSeparator();
    connect(menu->addAction(tr("Watermark...")), &QAction::triggered, this,
            raise(&SheetFlags::setShowWatermark));
    connect(menu->addAction(tr("Password Protection...")), &QAction::triggered, this,
            raise(&SheetFlags::setShowPasswordProtection));
    connect(menu->addAction(tr("Compare Documents...")), &QAction::triggered, this,
            raise(&SheetFlags::setShowCompare));
    menu->addSeparator();
    connect(menu->addAction(tr("OCR Current Page")), &QAction::triggered, this,
            &ContentView::ocrCurrentPage);
    connect(menu->addAction(tr("OCR Entire Document")), &QAction::triggered, this,
            &ContentView::ocrEntireDocument);
    connect(menu->addAction(tr("Make Searchable")), &QAction::triggered, this,
            &ContentView::makeSearchable);
    // The sheet keeps the last result until the next run; this brings it back.
    connect(menu->addAction(tr("Recognition Results...")), &QAction::triggered, this,
            [ocr = ocrVM_] { ocr->setShowOCRSheet(true); });
    menu->addSeparator();
    connect(menu->addAction(tr("Export as Text...")), &QAction::triggered, this,
            &ContentView::exportAsText);
    connect(menu->addAction(tr("Reduce File Size...")), &QAction::triggered, this,
            raise(&SheetFlags::setShowReduceFileSize));
    menu->addSeparator();
    connect(menu->addAction(tr("Find and Redact...")), &QAction::triggered, this,
            raise(&SheetFlags::setShowFindAndRedact));
    connect(menu->addAction(tr("Apply Redactions...")), &QAction::triggered, this,
            [center = commandCenter_] { center->post(Notifications::applyRedactions); });

    toolsButton_ = new QToolButton(toolbar_);
    toolsButton_->setText(tr("Tools"));
    toolsButton_->setIcon(Icons::icon(QStringLiteral("wrench.and.screwdriver")));
    toolsButton_->setProperty("symbol", QStringLiteral("wrench.and.screwdriver"));
    toolsButton_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolsButton_->setPopupMode(QToolButton::InstantPopup);
    toolsButton_->setMenu(menu);
    toolsButton_->setAutoRaise(true);
    QAction* tools = toolbar_->addWidget(toolsButton_);
    tools->setText(tr("Tools"));
    QAction* exportAction = addButton(tr("Export"), "square.and.arrow.up", {});
    connect(exportAction, &QAction::triggered, this, [this] { flags_->setShowExport(true); });
    documentGroup_ << tools << exportAction;
}
