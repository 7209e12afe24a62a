// The reader's side of the window: its keys (go to page, back and forward, full screen,
// find next), File > Open Recent, and what follows the page view once it is made.
#include "shell/ContentView.h"

#include "pageview/AnnotationToolGestures.h"
#include "pageview/PdfPageView.h"
#include "shell/CommandVocabulary.h"
#include "shell/PDFKitView.h"
#include "shell/PageNumberField.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "shell/WelcomeView.h"
#include "shell/ZoomBox.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/ReadingHistory.h"
#include "viewmodels/SignatureViewModel.h"
#include "widgets/MenuBarMenus.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

void ContentView::buildReaderActions() {
    // Window-wide, so they work wherever the keyboard is.
    auto shortcutAction = [this](const QString& text, const QList<QKeySequence>& keys) {
        auto* action = new QAction(text, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        return action;
    };
    QAction* goToPage = shortcutAction(tr("Go to Page..."), {QKeySequence(Qt::CTRL | Qt::Key_L),
                                                             QKeySequence(Qt::CTRL | Qt::Key_G)});
    goToPage->setObjectName(QStringLiteral("goToPage"));
    connect(goToPage, &QAction::triggered, this, [this] {
        if (documentVM_->pdfDocument())
            pageCounter_->beginEntry();
    });
    back_ = shortcutAction(tr("Back"), {QKeySequence(Qt::ALT | Qt::Key_Left)});
    forward_ = shortcutAction(tr("Forward"), {QKeySequence(Qt::ALT | Qt::Key_Right)});
    back_->setEnabled(false);
    forward_->setEnabled(false);
    fullScreen_ = shortcutAction(tr("Full Screen"), {QKeySequence(Qt::Key_F11)});
    fullScreen_->setCheckable(true);
    connect(fullScreen_, &QAction::toggled, this, &ContentView::setFullScreen);
    // Escape leaves full screen only while in it, so it stays free for the bars otherwise.
    leaveFullScreen_ = shortcutAction(tr("Leave Full Screen"), {QKeySequence(Qt::Key_Escape)});
    leaveFullScreen_->setEnabled(false);
    connect(leaveFullScreen_, &QAction::triggered, this,
            [this] { fullScreen_->setChecked(false); });

    // File > Open Recent, filled as it opens.
    if (QMenu* file = MenuBarMenus::find(menuBar(), QStringLiteral("File"))) {
        auto* recent = new QMenu(tr("Open &Recent"), file);
        recent->setObjectName(QStringLiteral("openRecent"));
        file->insertMenu(file->actions().isEmpty() ? nullptr : file->actions().first(), recent);
        connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
        fillRecentMenu(recent);
    }
    // F3 and Shift+F3 step through the matches wherever the keyboard is.
    QAction* findNext = shortcutAction(tr("Find Next"), {QKeySequence(Qt::Key_F3)});
    connect(findNext, &QAction::triggered, documentVM_, &DocumentViewModel::nextSearchResult);
    QAction* findPrevious =
        shortcutAction(tr("Find Previous"), {QKeySequence(Qt::SHIFT | Qt::Key_F3)});
    connect(findPrevious, &QAction::triggered, documentVM_,
            &DocumentViewModel::previousSearchResult);
    // Escape in the field closes the bar and clears the marks.
    connect(searchBar_, &SearchBarView::closeRequested, this, [this] {
        searchBar_->clear();
        flags_->setShowSearch(false);
        if (pageView_)
            pageView_->pdfView()->setFocus();
    });
    // The bar takes the keyboard whenever it is shown (Ctrl+F).
    connect(flags_, &SheetFlags::showSearchChanged, this, [this] {
        refreshBars();
        if (!flags_->showSearch())
            documentVM_->stopSearch(); // a closed bar has no search running behind it
        if (flags_->showSearch() && searchHost_->isVisible())
            searchBar_->focusField();
    });
    QMenu* viewMenu = MenuBarMenus::findOrAdd(menuBar(), QStringLiteral("View"));
    viewMenu->addAction(fullScreen_);
    // The layout items, added by the menu catalogue, mark the layout in use.
    connect(viewMenu, &QMenu::aboutToShow, this, [this, viewMenu] {
        for (QAction* action : viewMenu->actions()) {
            if (action->data().metaType() != QMetaType::fromType<PDFDisplayModeValue>())
                continue;
            action->setCheckable(true);
            action->setChecked(toPDFDisplayMode(action->data().value<PDFDisplayModeValue>()) ==
                               documentVM_->displayMode());
        }
    });
    QMenu* go = MenuBarMenus::findOrAdd(menuBar(), QStringLiteral("Go"));
    go->addAction(back_);
    go->addAction(forward_);
    go->addAction(goToPage);
    go->addSeparator();
}

void ContentView::connectPageView() {
    PdfPageView* view = pageView_->pdfView();
    if (AnnotationToolGestures* gestures = view->annotationGestures())
        gestures->setSignaturePlacer([this](int page, const QRectF& box) {
            // Without a saved signature the tool opens the sheet where one is drawn.
            const std::optional<SavedSignature> signature = signatureVM_->chosenSignature();
            if (!signature) {
                flags_->setShowSignature(true);
                return false;
            }
            return signatureVM_->placeSignatureInBox(*signature, *documentVM_, page, box);
        });
    connect(back_, &QAction::triggered, view, &PdfPageView::goBack);
    connect(forward_, &QAction::triggered, view, &PdfPageView::goForward);
    connect(view, &PdfPageView::historyChanged, this, [this, view] {
        back_->setEnabled(view->canGoBack());
        forward_->setEnabled(view->canGoForward());
    });
    connect(view, &PdfPageView::linkHovered, this, [this](const QString& description) {
        if (description.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(description);
    });
    connect(pageCounter_, &PageNumberField::entryFinished, this, &ContentView::focusPage);
    connect(zoomBox_, &ZoomBox::choiceFinished, this, &ContentView::focusPage);
    connect(view, &PdfPageView::scaleChanged, this, &ContentView::refreshZoom);
    connect(view, &PdfPageView::documentChanged, this, &ContentView::refreshZoom);
    refreshZoom();
}

void ContentView::refreshZoom() {
    if (pageView_)
        zoomBox_->showScale(pageView_->pdfView()->scaleFactor());
}

void ContentView::setFullScreen(bool on) {
    leaveFullScreen_->setEnabled(on);
    // Just the page: no bars around it. The menu bar is folded rather than hidden, so the
    // shortcuts of its items keep working.
    menuBar()->setMaximumHeight(on ? 0 : QWIDGETSIZE_MAX);
    toolbar_->setVisible(!on);
    statusBar()->setVisible(!on);
    if (on)
        showFullScreen();
    else
        showNormal();
    documentChanged(); // the sidebar and the bars come back as they were
}

void ContentView::fillRecentMenu(QMenu* menu) {
    menu->clear();
    const QStringList files = ReadingHistory::recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        // Numbered access keys, as readers number their recent files.
        QAction* action = menu->addAction(
            QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(path).fileName()));
        action->setToolTip(path);
        connect(action, &QAction::triggered, this,
                [this, path] { documentVM_->loadDocument(QUrl::fromLocalFile(path)); });
    }
    if (!files.isEmpty())
        menu->addSeparator();
    QAction* clear = menu->addAction(tr("Clear Menu"), this, [this] {
        ReadingHistory::clearRecent();
        welcome_->refreshRecentFiles();
    });
    clear->setObjectName(QStringLiteral("clearRecent"));
    clear->setEnabled(!files.isEmpty());
}
