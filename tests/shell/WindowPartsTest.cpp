// The main window's parts on their own: welcome screen drops, the sheet presenter, the
// search bar, the annotation toolbar, the sidebar and the bookmark list.
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "pdf/document/Page.h"
#include "shell/AnnotationToolbar.h"
#include "shell/BookmarkListView.h"
#include "shell/ContentView.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "shell/SheetPresenter.h"
#include "shell/SidebarView.h"
#include "shell/ThumbnailSidebarView.h"
#include "shell/WelcomeView.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QDialog>
#include <QDragEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace windowtest;

namespace {

QMimeData* filesMime(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    mime->setUrls(urls);
    return mime;
}

// Drops `paths` on the view the way a file manager does; returns whether it was taken.
bool drop(WelcomeView& view, const QStringList& paths) {
    std::unique_ptr<QMimeData> mime(filesMime(paths));
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&view, &enter);
    QDropEvent dropEvent(QPointF(50, 50), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&view, &dropEvent);
    QTest::qWait(0);
    QCoreApplication::processEvents();
    return dropEvent.isAccepted();
}

} // namespace

TEST(WelcomeView, DropOpensTheFirstPdfWhateverTheCaseOfItsExtension) {
    DocumentViewModel model;
    WelcomeView view(&model);
    const QString upper = numberedFile("SCAN.PDF", 2);
    const QString second = numberedFile("second.pdf", 3);
    const QString third = numberedFile("third.pdf", 4);
    EXPECT_TRUE(drop(view, {upper, second, third}));
    ASSERT_TRUE(waitUntil([&] { return model.pdfDocument() != nullptr; }));
    EXPECT_EQ(model.fileName(), "SCAN.PDF");
    EXPECT_EQ(model.totalPages(), 2); // the others were ignored
    EXPECT_FALSE(view.isTargeted());
}

TEST(WelcomeView, DroppedTextFileIsTakenButOpensNothing) {
    DocumentViewModel model;
    WelcomeView view(&model);
    const QString text = fixtures::writeTemp(folder(), "readme.txt", "hello\n");
    EXPECT_TRUE(drop(view, {text}));
    QTest::qWait(20);
    EXPECT_EQ(model.pdfDocument(), nullptr);
    EXPECT_EQ(model.fileName(), "");

    QMimeData plain;
    plain.setText("not a file");
    EXPECT_FALSE(WelcomeView::accepts(&plain));
    EXPECT_FALSE(view.handleDrop(&plain));
}

TEST(WelcomeView, OutlineShowsWhileAnAcceptableDragHovers) {
    DocumentViewModel model;
    WelcomeView view(&model);
    std::unique_ptr<QMimeData> mime(filesMime({folder() + "/x.pdf"}));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(view.isTargeted());
    QDragLeaveEvent leave;
    QApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(view.isTargeted());

    QMimeData plain;
    plain.setText("words");
    QDragEnterEvent textEnter(QPoint(10, 10), Qt::CopyAction, &plain, Qt::LeftButton, {});
    QApplication::sendEvent(&view, &textEnter);
    EXPECT_FALSE(view.isTargeted());
}

TEST(SheetPresenter, SheetsWithoutAMakerNeverLeaveAFlagStuck) {
    QWidget window;
    SheetFlags flags;
    SheetPresenter presenter(&window, &flags);
    flags.setShowSignature(true);
    EXPECT_FALSE(flags.showSignature());
    flags.setShowFormFields(true);
    EXPECT_FALSE(flags.showFormFields());
    flags.setShowExport(true);
    EXPECT_FALSE(flags.showExport());
    flags.setShowExport(true); // and it can be raised again
    EXPECT_FALSE(flags.showExport());
}

TEST(SheetPresenter, ShowsAFreshWindowModalDialogAndKeepsItsFlagInStep) {
    QWidget window;
    window.show();
    SheetFlags flags;
    SheetPresenter presenter(&window, &flags);
    int made = 0;
    presenter.setMaker(SheetKind::watermark, [&](QWidget* parent) {
        ++made;
        return new QDialog(parent);
    });
    flags.setShowWatermark(true);
    QPointer<QDialog> first = presenter.dialog(SheetKind::watermark);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowModality(), Qt::WindowModal);
    EXPECT_EQ(first->parentWidget(), &window);
    EXPECT_TRUE(flags.showWatermark());

    first->reject(); // the sheet's own close lowers the flag
    EXPECT_FALSE(flags.showWatermark());
    ASSERT_TRUE(waitUntil([&] { return first.isNull(); }));

    flags.setShowWatermark(true);
    QPointer<QDialog> second = presenter.dialog(SheetKind::watermark);
    ASSERT_TRUE(second);
    EXPECT_EQ(made, 2);
    flags.setShowWatermark(false); // lowering the flag closes the sheet
    EXPECT_FALSE(second->isVisible());
}

class SearchBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.loadDocument(QUrl::fromLocalFile(numberedFile("search.pdf", 3)));
        ASSERT_NE(model.pdfDocument(), nullptr);
    }
    DocumentViewModel model;
};

TEST_F(SearchBarTest, ReturnSearchesAndTheCounterStepsWithWrapAround) {
    SearchBarView bar(&model);
    bar.show();
    EXPECT_EQ(bar.field()->placeholderText(), "Search in PDF...");
    EXPECT_FALSE(bar.counter()->isVisible());
    EXPECT_FALSE(bar.clearButton()->isVisible());

    QTest::keyClicks(bar.field(), "page");
    EXPECT_EQ(model.searchText(), "page");
    EXPECT_TRUE(model.searchResults().isEmpty()); // typing alone does not search
    EXPECT_TRUE(bar.clearButton()->isVisible());
    QTest::keyClick(bar.field(), Qt::Key_Return);
    model.waitForSearch();
    ASSERT_EQ(model.searchResults().size(), 3);
    EXPECT_TRUE(bar.counter()->isVisible());
    EXPECT_EQ(bar.counter()->text(), "1 of 3");
    bar.previousButton()->click();
    EXPECT_EQ(bar.counter()->text(), "3 of 3");
    bar.nextButton()->click();
    EXPECT_EQ(bar.counter()->text(), "1 of 3");
    bar.nextButton()->click();
    EXPECT_EQ(bar.counter()->text(), "2 of 3");

    bar.clearButton()->click();
    EXPECT_EQ(bar.field()->text(), "");
    EXPECT_FALSE(bar.counter()->isVisible());
    EXPECT_FALSE(bar.nextButton()->isVisible());
    EXPECT_FALSE(bar.clearButton()->isVisible());
}

TEST_F(SearchBarTest, OpeningAnotherFileClearsQueryAndCounter) {
    SearchBarView bar(&model);
    bar.show();
    model.setSearchText("quick");
    model.performSearch();
    model.waitForSearch();
    EXPECT_TRUE(bar.counter()->isVisible());
    EXPECT_EQ(bar.field()->text(), "quick");
    model.loadDocument(QUrl::fromLocalFile(numberedFile("other.pdf", 2)));
    EXPECT_FALSE(bar.counter()->isVisible());
    EXPECT_EQ(bar.field()->text(), "");
}

class AnnotationToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        document.loadDocument(QUrl::fromLocalFile(numberedFile("highlight.pdf", 1)));
        ASSERT_NE(document.pdfDocument(), nullptr);
    }
    bool swatchesVisible(const AnnotationToolbar& bar) const {
        for (HighlightColor c : allHighlightColors())
            if (!bar.swatch(c)->isVisible())
                return false;
        return true;
    }
    DocumentViewModel document;
    AnnotationViewModel annotations;
};

TEST_F(AnnotationToolbarTest, SelectIsChosenFirstAndHighlightRevealsColoursAndApply) {
    AnnotationToolbar bar(&annotations, &document);
    bar.resize(1200, bar.sizeHint().height()); // the strip no longer grows its window
    bar.show();
    EXPECT_TRUE(bar.isTinted(AnnotationTool::none));
    EXPECT_EQ(bar.toolButton(AnnotationTool::none)->toolTip(), "Select");
    EXPECT_EQ(bar.toolButton(AnnotationTool::signature)->toolTip(), "Signature");
    EXPECT_FALSE(bar.divider()->isVisible());
    EXPECT_FALSE(bar.swatch(HighlightColor::yellow)->isVisible());
    EXPECT_FALSE(bar.applyButton()->isVisible());

    bar.toolButton(AnnotationTool::highlight)->click();
    EXPECT_EQ(annotations.currentTool(), AnnotationTool::highlight);
    EXPECT_TRUE(bar.isTinted(AnnotationTool::highlight));
    EXPECT_FALSE(bar.isTinted(AnnotationTool::none));
    EXPECT_TRUE(bar.divider()->isVisible());
    EXPECT_TRUE(swatchesVisible(bar));
    EXPECT_TRUE(bar.swatch(HighlightColor::yellow)->isRinged());
    EXPECT_FALSE(bar.swatch(HighlightColor::green)->isRinged());
    EXPECT_TRUE(bar.applyButton()->isVisible());
    EXPECT_FALSE(bar.applyButton()->isEnabled()); // nothing selected yet

    bar.swatch(HighlightColor::green)->click();
    EXPECT_EQ(annotations.highlightColor(), HighlightColor::green);
    EXPECT_TRUE(bar.swatch(HighlightColor::green)->isRinged());
    EXPECT_FALSE(bar.swatch(HighlightColor::yellow)->isRinged());

    bar.toolButton(AnnotationTool::rectangle)->click();
    EXPECT_FALSE(bar.swatch(HighlightColor::green)->isVisible()); // the shape style instead
    EXPECT_FALSE(bar.applyButton()->isVisible());
    bar.toolButton(AnnotationTool::note)->click();
    EXPECT_FALSE(bar.divider()->isVisible()); // notes have no style to choose
    bar.toolButton(AnnotationTool::highlight)->click();
    EXPECT_TRUE(bar.swatch(HighlightColor::green)->isRinged()); // the colour was kept
}

TEST_F(AnnotationToolbarTest, ApplyHighlightsTheSelectionEachTimeItIsPressed) {
    AnnotationToolbar bar(&annotations, &document);
    bar.show();
    annotations.setCurrentTool(AnnotationTool::highlight);
    const auto matches = document.pdfDocument()->findString("quick brown");
    ASSERT_EQ(matches.size(), 1u);
    document.setCurrentSelection(matches.front());
    EXPECT_TRUE(bar.applyButton()->isEnabled());
    const pdf::PagePtr page = document.pdfDocument()->page(0);
    const size_t before = page->annotations().size();
    bar.applyButton()->click();
    EXPECT_EQ(page->annotations().size(), before + 1);
    bar.applyButton()->click();
    EXPECT_EQ(page->annotations().size(), before + 2);
    document.setCurrentSelection(std::nullopt);
    EXPECT_FALSE(bar.applyButton()->isEnabled());
}

class BookmarkListTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString path = numberedFile("bookmarks.pdf", 6);
        document.loadDocument(QUrl::fromLocalFile(path));
        ASSERT_NE(document.pdfDocument(), nullptr);
        store.loadBookmarks(document.fileURL());
    }
    DocumentViewModel document;
    BookmarkViewModel store;
};

TEST_F(BookmarkListTest, EmptyStateRowsAndRemovalThroughTheContextMenu) {
    BookmarkListView list(&store, &document);
    list.resize(220, 400);
    list.show();
    EXPECT_TRUE(list.isShowingEmptyState());

    store.toggleBookmark(0);
    store.toggleBookmark(4);
    EXPECT_FALSE(list.isShowingEmptyState());
    ASSERT_EQ(list.rows().size(), 2);
    EXPECT_EQ(list.rows()[0]->bookmark().label, "Page 1");
    EXPECT_EQ(list.rows()[0]->pageText(), "Page 1");
    EXPECT_EQ(list.rows()[1]->pageText(), "Page 5");

    // A click at the far right of the row still goes to the page.
    BookmarkRow* row = list.rows()[1];
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() - 3, row->height() / 2));
    EXPECT_EQ(document.currentPageIndex(), 4);

    std::unique_ptr<QMenu> menu(list.makeContextMenu(list.rows()[0]));
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Remove Bookmark");
    menu->actions()[0]->trigger();
    ASSERT_EQ(list.rows().size(), 1);
    EXPECT_EQ(list.rows()[0]->bookmark().pageIndex, 4);

    std::unique_ptr<QMenu> last(list.makeContextMenu(list.rows()[0]));
    last->actions()[0]->trigger();
    EXPECT_TRUE(list.isShowingEmptyState());
    EXPECT_TRUE(store.bookmarks().isEmpty());
}

TEST(SidebarView, StartsOnPagesAndSwitchesToBookmarksAndBack) {
    EXPECT_EQ(sidebarTabFromRawValue("bookmarks"), SidebarTab::bookmarks);
    EXPECT_EQ(sidebarTabFromRawValue("Bookmarks"), std::nullopt);
    EXPECT_EQ(title(SidebarTab::thumbnails), "Pages");

    ContentView window;
    window.show();
    open(window, numberedFile("sidebar.pdf", 3));
    SidebarView* sidebar = window.sidebar();
    ASSERT_NE(sidebar, nullptr);
    EXPECT_EQ(sidebar->selectedTab(), SidebarTab::thumbnails);
    EXPECT_EQ(sidebar->segment(SidebarTab::thumbnails)->text(), "Pages");
    EXPECT_EQ(sidebar->segment(SidebarTab::bookmarks)->text(), "Bookmarks");
    EXPECT_TRUE(sidebar->thumbnails()->isVisible());
    sidebar->segment(SidebarTab::bookmarks)->click();
    EXPECT_EQ(sidebar->selectedTab(), SidebarTab::bookmarks);
    EXPECT_TRUE(sidebar->bookmarkList()->isVisible());
    EXPECT_TRUE(sidebar->bookmarkList()->isShowingEmptyState());
    sidebar->segment(SidebarTab::thumbnails)->click();
    EXPECT_TRUE(sidebar->thumbnails()->isVisible());
    EXPECT_GE(sidebar->minimumWidth(), 160);
}
