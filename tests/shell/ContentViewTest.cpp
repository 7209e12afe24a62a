#include "support/FakeClipboard.h"
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "app/VellumarkApp.h"
#include "pageview/PdfPageView.h"
#include "platform/NotificationCenter.h"
#include "sheets/DocumentCreationView.h"
#include "sheets/OCRResultSheet.h"
#include "sheets/SignatureView.h"
#include "shell/AnnotationToolbar.h"
#include "shell/CommandVocabulary.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/PageNumberField.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "shell/SheetPresenter.h"
#include "shell/SidebarView.h"
#include "shell/WelcomeView.h"
#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentCreationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/OCRViewModel.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

QStringList visibleToolbarTitles(const ContentView& window) {
    QStringList titles;
    for (QAction* action : window.toolbar()->actions())
        if (action->isVisible() && !action->isSeparator())
            titles << action->text();
    return titles;
}

QString symbolOf(QAction* action) {
    return action->property("symbol").toString();
}

} // namespace

TEST(ContentView, FreshWindowShowsTheWelcomeScreenAndOnlyTheFileGroup) {
    ContentView window;
    EXPECT_EQ(window.size(), QSize(1000, 700));
    EXPECT_EQ(window.title(), "Brivel PDF");
    EXPECT_EQ(window.subtitle(), "");
    EXPECT_EQ(window.windowTitle(), "Brivel PDF");
    EXPECT_EQ(window.detailContent(), window.welcomeView());
    EXPECT_EQ(window.sidebar(), nullptr);
    EXPECT_EQ(visibleToolbarTitles(window), QStringList({"New", "Open"}));
    EXPECT_EQ(window.toolbarAction("New")->toolTip(), "New Document (Ctrl+N)");
    EXPECT_EQ(window.toolbarAction("Open")->toolTip(), "Open PDF (Ctrl+O)");
}

TEST(ContentView, OpeningTwelvePagesFillsTitleCounterAndToolbar) {
    ContentView window;
    open(window, numberedFile("report.pdf", 12));
    EXPECT_EQ(window.title(), "report.pdf");
    EXPECT_EQ(window.subtitle(), "Page 1 of 12");
    EXPECT_EQ(window.windowTitle(), QString("report.pdf \u2014 Page 1 of 12"));
    EXPECT_EQ(window.pageCounter()->text(), "1 / 12");
    EXPECT_FALSE(window.toolbarAction("Previous")->isEnabled());
    EXPECT_TRUE(window.toolbarAction("Next")->isEnabled());
    EXPECT_EQ(visibleToolbarTitles(window),
              QStringList({"New", "Open", "Previous", "", "Next", "Zoom Out", "Fit", "Zoom",
                           "Zoom In", "Search", "Bookmark", "Annotate", "Tools", "Export"}));
    for (const char* title :
         {"Zoom Out", "Fit", "Zoom In", "Search", "Bookmark", "Annotate", "Tools", "Export"})
        EXPECT_TRUE(window.toolbarAction(title)->isEnabled()) << title;
    EXPECT_EQ(window.detailContent(), window.pageView());
    ASSERT_NE(window.sidebar(), nullptr);
    EXPECT_EQ(window.sidebar()->selectedTab(), SidebarTab::thumbnails);
}

TEST(ContentView, NavigationButtonsStopAtBothEnds) {
    ContentView window;
    open(window, numberedFile("nav.pdf", 3));
    QAction* previous = window.toolbarAction("Previous");
    QAction* next = window.toolbarAction("Next");
    next->trigger();
    next->trigger();
    EXPECT_EQ(window.documentVM()->currentPageIndex(), 2);
    EXPECT_EQ(window.subtitle(), "Page 3 of 3");
    EXPECT_EQ(window.pageCounter()->text(), "3 / 3");
    EXPECT_FALSE(next->isEnabled());
    EXPECT_TRUE(previous->isEnabled());
    next->trigger(); // ignored past the end
    EXPECT_EQ(window.documentVM()->currentPageIndex(), 2);
    previous->trigger();
    EXPECT_EQ(window.subtitle(), "Page 2 of 3");
    EXPECT_TRUE(next->isEnabled());

    ContentView single;
    open(single, numberedFile("single.pdf", 1));
    EXPECT_FALSE(single.toolbarAction("Previous")->isEnabled());
    EXPECT_FALSE(single.toolbarAction("Next")->isEnabled());
    EXPECT_EQ(single.pageCounter()->text(), "1 / 1");
}

TEST(ContentView, FindTwiceHidesTheSearchBarAndItNeedsADocument) {
    ContentView window;
    window.show();
    window.commandCenter().post(Notifications::toggleSearch);
    EXPECT_TRUE(window.flags()->showSearch());
    EXPECT_FALSE(window.searchBar()->isVisible()); // no document yet
    open(window, numberedFile("find.pdf", 2));
    EXPECT_TRUE(window.searchBar()->isVisible()); // the flag stayed on
    window.commandCenter().post(Notifications::toggleSearch);
    EXPECT_FALSE(window.flags()->showSearch());
    EXPECT_FALSE(window.searchBar()->isVisible());
    window.toolbarAction("Search")->trigger();
    EXPECT_TRUE(window.searchBar()->isVisible());
}

TEST(ContentView, AnnotateTogglesTheAnnotationToolbar) {
    ContentView window;
    window.show();
    open(window, numberedFile("annotate.pdf", 1));
    EXPECT_FALSE(window.annotationToolbar()->isVisible());
    window.toolbarAction("Annotate")->trigger();
    EXPECT_TRUE(window.annotationToolbar()->isVisible());
    window.toolbarAction("Annotate")->trigger();
    EXPECT_FALSE(window.annotationToolbar()->isVisible());
}

TEST(ContentView, BookmarkSymbolFollowsTheCurrentPage) {
    ContentView window;
    open(window, numberedFile("marks.pdf", 4));
    QAction* bookmark = window.toolbarAction("Bookmark");
    EXPECT_EQ(symbolOf(bookmark), "bookmark");
    bookmark->trigger();
    EXPECT_TRUE(window.bookmarkVM()->isBookmarked(0));
    EXPECT_EQ(symbolOf(bookmark), "bookmark.fill");
    window.documentVM()->goToPage(1); // another page: not bookmarked
    EXPECT_EQ(symbolOf(bookmark), "bookmark");
    window.commandCenter().post(Notifications::toggleBookmark); // Ctrl+D
    EXPECT_EQ(symbolOf(bookmark), "bookmark.fill");
    window.documentVM()->goToPage(0);
    EXPECT_EQ(symbolOf(bookmark), "bookmark.fill");
    bookmark->trigger();
    EXPECT_EQ(symbolOf(bookmark), "bookmark");
}

TEST(ContentView, EachFileKeepsItsOwnBookmarks) {
    ContentView window;
    const QString a = numberedFile("a.pdf", 5);
    const QString b = numberedFile("b.pdf", 5);
    open(window, a);
    window.documentVM()->goToPage(3);
    window.toolbarAction("Bookmark")->trigger();
    open(window, b);
    EXPECT_TRUE(window.bookmarkVM()->bookmarks().isEmpty());
    EXPECT_EQ(symbolOf(window.toolbarAction("Bookmark")), "bookmark");
    open(window, a);
    ASSERT_EQ(window.bookmarkVM()->bookmarks().size(), 1);
    EXPECT_EQ(window.bookmarkVM()->bookmarks().first().pageIndex, 3);
}

TEST(ContentView, ToolsPullDownListsTheToolSheets) {
    ContentView window;
    open(window, numberedFile("tools.pdf", 1));
    QStringList items;
    for (QAction* action : window.toolsButton()->menu()->actions())
        items << (action->isSeparator() ? QString("-") : action->text());
    EXPECT_EQ(items, QStringList({"Page Management...", "Signatures...", "Form Fields...", "-",
                                  "Watermark...", "Password Protection...", "Compare Documents...",
                                  "-", "OCR Current Page", "OCR Entire Document", "Make Searchable",
                                  "Recognition Results...", "-", "Export as Text...",
                                  "Reduce File Size...", "-", "Find and Redact...",
                                  "Apply Redactions..."}));
    EXPECT_EQ(window.toolsButton()->popupMode(), QToolButton::InstantPopup);
}

TEST(ContentView, EveryMenuItemIsPresentWithItsShortcutAndEnabledWithoutADocument) {
    // The window as the application makes it, with the menu catalogue installed.
    std::unique_ptr<ContentView> made(VellumarkApp::makeWindow());
    ContentView& window = *made;
    QHash<QString, QAction*> items;
    for (QAction* top : window.menuBar()->actions())
        if (top->menu())
            for (QAction* action : top->menu()->actions())
                if (!action->isSeparator())
                    items.insert(top->menu()->title().remove('&') + "/" + action->text(), action);
    const QList<QPair<QString, QString>> expected = {
        {"File/New Document...", "Ctrl+N"},
        {"File/Open...", "Ctrl+O"},
        {"File/Import Images as PDF...", ""},
        {"File/Create PDF from Clipboard", ""},
        {"Edit/Find...", "Ctrl+F"},
        {"View/Zoom In", "Ctrl++"},
        {"View/Zoom Out", "Ctrl+-"},
        {"View/Zoom to Fit", "Ctrl+0"},
        {"View/Single Page", ""},
        {"View/Single Page Continuous", ""},
        {"View/Two Pages", ""},
        {"View/Two Pages Continuous", ""},
        {"Go/Next Page", "Ctrl+Down"},
        {"Go/Previous Page", "Ctrl+Up"},
        {"Go/First Page", "Ctrl+Home"},
        {"Go/Last Page", "Ctrl+End"},
        {"Go/Add/Remove Bookmark", "Ctrl+D"},
        {"Tools/Page Management...", "Ctrl+Shift+P"},
        {"Tools/Sign Document...", "Ctrl+Shift+G"},
        {"Tools/Password Protection...", ""},
        {"File/Reduce File Size...", ""},
        {"Tools/Add Watermark...", ""},
        {"Tools/Find and Redact...", ""},
        {"Tools/Apply Redactions...", ""},
        {"Tools/Compare Documents...", ""},
        {"Tools/Export as Text...", ""},
        {"Tools/OCR Current Page", "Ctrl+Shift+R"},
        {"Tools/OCR Entire Document", ""},
        {"Tools/Make Searchable", ""},
        {"Tools/Export...", "Ctrl+Shift+E"},
    };
    for (const auto& [path, keys] : expected) {
        QAction* action = items.value(path);
        ASSERT_NE(action, nullptr) << path.toStdString();
        EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), keys)
            << path.toStdString();
        EXPECT_TRUE(action->isEnabled()) << path.toStdString();
    }
    QStringList order;
    for (QAction* top : window.menuBar()->actions())
        order << top->text().remove('&');
    EXPECT_LT(order.indexOf("Go"), order.indexOf("Tools"));
    EXPECT_EQ(order.first(), "File");
}

TEST(ContentView, MenuCommandsReachTheWindowThatIsOpen) {
    ContentView window;
    open(window, numberedFile("ten.pdf", 10));
    window.commandCenter().post(Notifications::lastPage);
    EXPECT_EQ(window.subtitle(), "Page 10 of 10");
    window.commandCenter().post(Notifications::firstPage);
    EXPECT_EQ(window.pageCounter()->text(), "1 / 10");
    window.commandCenter().post(Notifications::setDisplayMode,
                                QVariant::fromValue(PDFDisplayModeValue::twoUp));
    ASSERT_NE(window.documentVM()->pdfView(), nullptr);
    EXPECT_EQ(window.documentVM()->pdfView()->displayMode(), PDFDisplayMode::twoUp);
}

TEST(ContentView, CommandLineArgumentOpensAReadablePdfAndExplainsTheRest) {
    ContentView window;
    EXPECT_EQ(VellumarkApp::openArgument(&window, folder() + "/missing.pdf"), "no such file");
    const QString text = fixtures::writeTemp(folder(), "notes.pdf", "just some words\n");
    EXPECT_EQ(VellumarkApp::openArgument(&window, text), "not a readable PDF document");
    EXPECT_EQ(VellumarkApp::openArgument(&window, folder()), "is a folder, not a file");
    EXPECT_EQ(window.detailContent(), window.welcomeView());
    EXPECT_EQ(window.title(), "Brivel PDF");

    const QString good = numberedFile("start.pdf", 2);
    EXPECT_EQ(VellumarkApp::openArgument(&window, QUrl::fromLocalFile(good).toString()), "");
    EXPECT_EQ(window.title(), "start.pdf");
}

TEST(ContentView, SignDocumentOpensTheSignatureSheetEvenWithoutADocument) {
    ContentView window;
    window.show();
    window.commandCenter().post(Notifications::showSignature);
    EXPECT_TRUE(window.flags()->showSignature());
    QDialog* sheet = window.sheetPresenter()->dialog(SheetKind::signature);
    ASSERT_NE(qobject_cast<SignatureView*>(sheet), nullptr);
    EXPECT_EQ(qobject_cast<SignatureView*>(sheet)->selectedTab(), SignatureTab::draw);
    sheet->reject();
    EXPECT_FALSE(window.flags()->showSignature());
}

TEST(ContentView, RecognisingTheCurrentPageShowsTheResultSheet) {
    ContentView window;
    window.show();
    window.ocrCurrentPage(); // no document: nothing starts
    EXPECT_FALSE(window.ocrVM()->showOCRSheet());
    open(window, numberedFile("ocr.pdf", 1));
    window.toolsButton()->menu()->actions().at(8)->trigger(); // "OCR Current Page"
    EXPECT_TRUE(window.ocrVM()->showOCRSheet());
    QDialog* sheet = window.sheetPresenter()->dialog(SheetKind::ocrResult);
    ASSERT_NE(qobject_cast<OCRResultSheet*>(sheet), nullptr);
    EXPECT_TRUE(window.ocrVM()->waitForBackgroundWork(120000));
    ASSERT_TRUE(waitUntil([&] { return !window.ocrVM()->isOCRRunning(); }, 120000));
    sheet->reject();
    EXPECT_FALSE(window.ocrVM()->showOCRSheet());
}

TEST(ContentView, EverySheetCommandShowsItsSheetOrLeavesNoFlagUp) {
    ContentView window;
    window.show();
    open(window, numberedFile("sheets.pdf", 2));
    SheetFlags* f = window.flags();
    const QList<std::tuple<QString, SheetKind, std::function<bool()>>> sheets = {
        {Notifications::showExport, SheetKind::exportSheet, [f] { return f->showExport(); }},
        {Notifications::newDocument, SheetKind::documentCreation,
         [f] { return f->showDocumentCreation(); }},
        {Notifications::showPageManagement, SheetKind::pageManagement,
         [f] { return f->showPageManagement(); }},
        {Notifications::showPasswordProtection, SheetKind::passwordProtection,
         [f] { return f->showPasswordProtection(); }},
        {Notifications::showWatermark, SheetKind::watermark, [f] { return f->showWatermark(); }},
        {Notifications::showCompare, SheetKind::compare, [f] { return f->showCompare(); }},
        {Notifications::showReduceFileSize, SheetKind::reduceFileSize,
         [f] { return f->showReduceFileSize(); }},
        {Notifications::showFindAndRedact, SheetKind::findAndRedact,
         [f] { return f->showFindAndRedact(); }},
    };
    for (const auto& [name, kind, flag] : sheets) {
        window.commandCenter().post(name);
        QDialog* sheet = window.sheetPresenter()->dialog(kind);
        EXPECT_EQ(flag(), sheet != nullptr) << name.toStdString();
        EXPECT_EQ(window.sheetPresenter()->hasMaker(kind), sheet != nullptr) << name.toStdString();
        if (sheet) {
            EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
            sheet->reject();
            EXPECT_FALSE(flag()) << name.toStdString();
        }
    }
    window.toolsButton()->menu()->actions().at(2)->trigger(); // "Form Fields..."
    EXPECT_EQ(f->showFormFields(),
              window.sheetPresenter()->dialog(SheetKind::formFields) != nullptr);
}

TEST(ContentView, ACreatedDocumentTakesItsTitleAndHasNoBookmarks) {
    ContentView window;
    window.show();
    open(window, numberedFile("before.pdf", 3));
    window.toolbarAction("Bookmark")->trigger();
    ASSERT_EQ(window.bookmarkVM()->bookmarks().size(), 1);

    window.toolbarAction("New")->trigger();
    auto* sheet = qobject_cast<DocumentCreationView*>(
        window.sheetPresenter()->dialog(SheetKind::documentCreation));
    ASSERT_NE(sheet, nullptr);
    window.creationVM()->setDocumentTitle("Minutes");
    if (window.creationVM()->pages().isEmpty())
        window.creationVM()->addPage();
    sheet->createAndOpen();
    EXPECT_FALSE(window.flags()->showDocumentCreation());
    // Made in memory, it is unsaved work from the start.
    EXPECT_EQ(window.title(), "\u2022 Minutes");
    EXPECT_EQ(window.windowTitle(),
              QString("\u2022 Minutes \u2014 Page 1 of %1").arg(window.documentVM()->totalPages()));
    EXPECT_TRUE(window.documentVM()->fileURL().isEmpty());
    EXPECT_TRUE(window.bookmarkVM()->bookmarks().isEmpty());
}

TEST(ContentView, EditCopyPutsThePageSelectionOnTheClipboardAndQuitEndsTheFileMenu) {
    ScopedClipboard clipboard;
    std::unique_ptr<ContentView> made(VellumarkApp::makeWindow());
    ContentView& window = *made;
    window.show();
    QMenu* edit = nullptr;
    QMenu* file = nullptr;
    for (QAction* top : window.menuBar()->actions()) {
        if (top->menu() && top->menu()->title().remove('&') == "Edit")
            edit = top->menu();
        if (top->menu() && top->menu()->title().remove('&') == "File")
            file = top->menu();
    }
    ASSERT_TRUE(edit && file);
    // Undo and Redo come first, then the desktop's Copy.
    QAction* copy = nullptr;
    for (QAction* a : edit->actions())
        if (a->objectName() == "copy")
            copy = a;
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(edit->actions().first()->text(), "Undo");
    EXPECT_EQ(copy->text(), "Copy");
    EXPECT_EQ(copy->shortcut(), QKeySequence(QKeySequence::Copy));
    EXPECT_EQ(edit->actions().last()->text(), "Find...");
    EXPECT_EQ(file->actions().first()->text(), "New Document...");
    EXPECT_EQ(file->actions().last()->text(), "Quit");

    copy->trigger(); // nothing open: nothing happens
    open(window, numberedFile("copy.pdf", 2));
    const auto matches = window.documentVM()->pdfDocument()->findString("quick brown");
    ASSERT_FALSE(matches.empty());
    window.pageView()->pdfView()->setCurrentSelection(matches.front(), false);
    copy->trigger();
    EXPECT_EQ(clipboard->text(), "quick brown");
}
