// The reader's window: contents, page entry, zoom box, history, recent files and the
// places files are reopened at.
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "app/VellumarkApp.h"
#include "pageview/PdfPageView.h"
#include "shell/ContentView.h"
#include "shell/OutlineView.h"
#include "shell/PDFKitView.h"
#include "shell/PageNumberField.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "shell/SidebarView.h"
#include "shell/WelcomeView.h"
#include "shell/ZoomBox.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/ReadingHistory.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

QString linkedFile(const QString& name) {
    return fixtures::writeTemp(folder(), name, fixtures::navigationPdf());
}

QMenu* recentMenu(ContentView& window) {
    return window.findChild<QMenu*>("openRecent");
}

TEST(ContentsTab, OfferedOnlyWithAnOutlineAndFollowsTheReader) {
    ContentView window;
    window.show();
    open(window, numberedFile("plain.pdf", 3));
    SidebarView* sidebar = window.sidebar();
    ASSERT_NE(sidebar, nullptr);
    EXPECT_FALSE(sidebar->segment(SidebarTab::contents)->isVisible());

    open(window, linkedFile("outlined.pdf"));
    // The outline is read once the first page shows, not before.
    EXPECT_FALSE(window.pageView()->pdfView()->pageSizesKnown());
    EXPECT_FALSE(sidebar->segment(SidebarTab::contents)->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return sidebar->segment(SidebarTab::contents)->isVisible(); },
                                10000));
    EXPECT_TRUE(window.pageView()->pdfView()->lastPaintWasSharp());
    EXPECT_EQ(sidebar->segment(SidebarTab::contents)->text(), "Contents");
    sidebar->segment(SidebarTab::contents)->click();
    EXPECT_EQ(sidebar->currentContent(), sidebar->outline());

    OutlineView* outline = sidebar->outline();
    ASSERT_EQ(outline->topLevelItemCount(), 3);
    QTreeWidgetItem* part1 = outline->topLevelItem(0);
    EXPECT_EQ(part1->text(0), "Part I");
    EXPECT_TRUE(part1->isExpanded());
    QTreeWidgetItem* chapter = part1->child(0);
    EXPECT_FALSE(chapter->isExpanded());
    ASSERT_EQ(chapter->childCount(), 1);
    EXPECT_EQ(chapter->child(0)->text(0), "Section 1.1");

    // A click goes to the entry and leaves a place to come back to.
    const QRect rect = outline->visualItemRect(chapter);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(window.documentVM()->currentPageIndex(), 1);
    EXPECT_EQ(outline->markedItem(), chapter);
    EXPECT_TRUE(window.backAction()->isEnabled());
    window.backAction()->trigger();
    EXPECT_EQ(window.documentVM()->currentPageIndex(), 0);
    EXPECT_EQ(outline->markedItem(), part1);

    // Scrolling on marks the last entry that starts on or before the page.
    window.documentVM()->goToPage(4);
    EXPECT_EQ(outline->markedItem(), outline->topLevelItem(1)); // Part II, page 3
    window.documentVM()->goToPage(2);
    EXPECT_EQ(outline->markedItem(), outline->topLevelItem(1));
}

TEST(PageEntry, TypedNumbersGoThereAndOutOfRangeSaysTheRange) {
    ContentView window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    open(window, numberedFile("entry.pdf", 12));
    PageNumberField* field = window.pageCounter();
    EXPECT_EQ(field->text(), "1 / 12");
    const int width = field->width();

    // Ctrl+L takes the keyboard with the number selected.
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return field->hasFocus(); }));
    EXPECT_EQ(field->text(), "1");
    QTest::keyClicks(field, "7");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(window.documentVM()->currentPageIndex(), 6);
    EXPECT_EQ(field->text(), "7 / 12");

    field->beginEntry();
    QTest::keyClicks(field, "40");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(window.documentVM()->currentPageIndex(), 6);
    EXPECT_EQ(field->complaint(), "Enter a page from 1 to 12");
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(field->text(), "7 / 12");
    // The counter keeps its width whatever it shows.
    window.documentVM()->goToPage(11);
    EXPECT_EQ(field->width(), width);
}

TEST(ZoomBox, ShowsThePercentageAndOffersFixedZoomsAndFits) {
    ContentView window;
    window.resize(1000, 700);
    window.show();
    open(window, numberedFile("zoom.pdf", 3));
    PdfPageView* view = window.pageView()->pdfView();
    ZoomBox* box = window.zoomBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), QStringLiteral("%1%").arg(qRound(view->scaleFactor() * 100)));

    const int twoHundred = box->findText("200%");
    ASSERT_GE(twoHundred, 0);
    box->setCurrentIndex(twoHundred);
    emit box->activated(twoHundred);
    EXPECT_DOUBLE_EQ(view->scaleFactor(), 2.0);
    EXPECT_FALSE(view->autoScales());
    EXPECT_EQ(box->currentText(), "200%");

    const int actual = box->findText("Actual Size");
    emit box->activated(actual);
    EXPECT_DOUBLE_EQ(view->scaleFactor(), 1.0);
    EXPECT_EQ(box->currentText(), "100%");

    emit box->activated(box->findText("Fit Page"));
    EXPECT_NEAR(view->scaleFactor(), view->fitPageScale(), 1e-6);
    emit box->activated(box->findText("Fit Width"));
    EXPECT_TRUE(view->autoScales());

    // Typed percentages count too; Ctrl+= zooms in like Ctrl++.
    box->setEditText("150");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(view->scaleFactor(), 1.5);
}

TEST(ReadingHistory, FilesReopenWhereTheyWereLeftAndJoinTheRecentMenu) {
    ReadingHistory::clearRecent();
    const QString first = numberedFile("left-at-page-5.pdf", 8);
    const QString second = numberedFile("second.pdf", 2);
    {
        std::unique_ptr<ContentView> window(VellumarkApp::makeWindow());
        window->show();
        open(*window, first);
        window->documentVM()->setDisplayMode(PDFDisplayMode::twoUp);
        window->documentVM()->zoomTo(1.5);
        window->documentVM()->goToPage(4);
        open(*window, second);
    }
    EXPECT_EQ(ReadingHistory::recentFiles(), (QStringList{second, first}));

    std::unique_ptr<ContentView> window(VellumarkApp::makeWindow());
    window->show();
    // The welcome screen lists them, newest first.
    const auto buttons = window->welcomeView()->recentButtons();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons[0]->text(), "second.pdf");
    buttons[1]->click();
    EXPECT_EQ(window->documentVM()->fileName(), "left-at-page-5.pdf");
    EXPECT_EQ(window->documentVM()->currentPageIndex(), 4);
    EXPECT_EQ(window->documentVM()->displayMode(), PDFDisplayMode::twoUp);
    EXPECT_DOUBLE_EQ(window->pageView()->pdfView()->scaleFactor(), 1.5);

    QMenu* recent = recentMenu(*window);
    ASSERT_NE(recent, nullptr);
    emit recent->aboutToShow();
    QStringList labels;
    for (QAction* action : recent->actions())
        if (!action->isSeparator())
            labels << action->text();
    EXPECT_EQ(labels, (QStringList{"&1 left-at-page-5.pdf", "&2 second.pdf", "Clear Menu"}));
    recent->actions().constLast()->trigger();
    EXPECT_TRUE(ReadingHistory::recentFiles().isEmpty());
    emit recent->aboutToShow();
    EXPECT_EQ(recent->actions().size(), 1);
    EXPECT_FALSE(recent->actions().first()->isEnabled());
}

TEST(ReadingHistory, KeepsTenNewestFirst) {
    ReadingHistory::clearRecent();
    QStringList made;
    for (int i = 0; i < 12; ++i) {
        made.prepend(numberedFile(QStringLiteral("recent-%1.pdf").arg(i), 1));
        ReadingHistory::addRecent(made.first());
    }
    ReadingHistory::addRecent(made[3]);
    const QStringList files = ReadingHistory::recentFiles();
    ASSERT_EQ(files.size(), 10);
    EXPECT_EQ(files[0], made[3]);
    EXPECT_EQ(files[1], made[0]);
    EXPECT_FALSE(files.contains(made[10]));
    ReadingHistory::clearRecent();
}

TEST(ReaderWindow, FullScreenOnF11AndEscapeLeaves) {
    ContentView window;
    window.show();
    window.fullScreenAction()->trigger();
    EXPECT_TRUE(window.windowState() & Qt::WindowFullScreen);
    QAction* leave = nullptr;
    for (QAction* action : window.actions())
        if (action->shortcut() == QKeySequence(Qt::Key_Escape))
            leave = action;
    ASSERT_NE(leave, nullptr);
    EXPECT_TRUE(leave->isEnabled());
    leave->trigger();
    EXPECT_FALSE(window.windowState() & Qt::WindowFullScreen);
    EXPECT_FALSE(leave->isEnabled());
    EXPECT_EQ(window.fullScreenAction()->shortcut(), QKeySequence(Qt::Key_F11));
}

} // namespace

namespace {

TEST(ReaderSearch, CtrlFFocusesEnterStepsShiftEnterGoesBackEscapeCloses) {
    ContentView window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    open(window, numberedFile("search-keys.pdf", 4));
    SearchBarView* bar = window.searchBar();
    window.flags()->setShowSearch(true);
    ASSERT_TRUE(waitUntil([&] { return bar->field()->hasFocus(); }));
    QTest::keyClicks(bar->field(), "quick");
    QTest::keyClick(bar->field(), Qt::Key_Return);
    window.documentVM()->waitForSearch();
    ASSERT_EQ(window.documentVM()->searchResults().size(), 4);
    EXPECT_EQ(bar->counter()->text(), "1 of 4");
    // Return again steps on instead of starting over; Shift+Return steps back.
    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(bar->counter()->text(), "2 of 4");
    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(bar->counter()->text(), "3 of 4");
    QTest::keyClick(bar->field(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(bar->counter()->text(), "2 of 4");
    // Escape closes the bar and clears the marks.
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    EXPECT_FALSE(window.flags()->showSearch());
    EXPECT_TRUE(window.documentVM()->searchResults().isEmpty());
    EXPECT_FALSE(window.documentVM()->currentSelection());
}

} // namespace
