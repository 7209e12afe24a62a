#include "viewmodels/DocumentViewModel.h"

#include "pdf/document/Page.h"
#include "support/FakePageView.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

class DocumentViewModelTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        return fixtures::writeTemp(dir.path(), name, bytes);
    }
    QUrl numbered(const QString& name, int pages) {
        return QUrl::fromLocalFile(write(name, fixtures::numberedPdf(pages)));
    }

    QTemporaryDir dir;
    DocumentViewModel vm;
};

} // namespace

TEST_F(DocumentViewModelTest, StartsEmptyAtPageZeroFittedAndContinuous) {
    EXPECT_EQ(vm.pdfDocument(), nullptr);
    EXPECT_EQ(vm.currentPageIndex(), 0);
    EXPECT_EQ(vm.totalPages(), 0);
    EXPECT_EQ(vm.scaleFactor(), 1.0);
    EXPECT_TRUE(vm.autoScales());
    EXPECT_EQ(vm.displayMode(), PDFDisplayMode::singlePageContinuous);
    EXPECT_TRUE(vm.fileName().isEmpty());
    EXPECT_TRUE(vm.fileURL().isEmpty());
    EXPECT_TRUE(vm.searchText().isEmpty());
    EXPECT_TRUE(vm.searchResults().isEmpty());
    EXPECT_EQ(vm.currentSearchIndex(), 0);
    EXPECT_FALSE(vm.isSearching());
    EXPECT_FALSE(vm.currentSelection().has_value());
    EXPECT_EQ(vm.pdfView(), nullptr);
}

TEST_F(DocumentViewModelTest, LoadingResetsPageAndSearchButKeepsZoomLayoutAndSearchIndex) {
    vm.loadDocument(numbered("first.pdf", 8));
    ASSERT_NE(vm.pdfDocument(), nullptr);
    EXPECT_EQ(vm.totalPages(), 8);
    EXPECT_EQ(vm.fileName(), "first.pdf");
    vm.goToPage(5);
    vm.zoomIn();
    vm.setDisplayMode(PDFDisplayMode::twoUp);
    vm.setSearchText("page");
    vm.performSearch();
    vm.waitForSearch();
    vm.nextSearchResult();
    ASSERT_EQ(vm.searchResults().size(), 8);
    const pdf::DocumentPtr first = vm.pdfDocument();

    // Not a PDF: everything stays as it was.
    vm.loadDocument(QUrl::fromLocalFile(write("notes.pdf", "just some text, not a PDF")));
    vm.loadDocument(QUrl::fromLocalFile(dir.path())); // a folder
    vm.loadDocument(QUrl::fromLocalFile(dir.filePath("missing.pdf")));
    EXPECT_EQ(vm.pdfDocument(), first);
    EXPECT_EQ(vm.currentPageIndex(), 5);
    EXPECT_EQ(vm.fileName(), "first.pdf");
    EXPECT_EQ(vm.searchResults().size(), 8);

    QSignalSpy urlChanged(&vm, &DocumentViewModel::fileURLChanged);
    const QUrl second = numbered("second file.pdf", 3);
    vm.loadDocument(second);
    EXPECT_NE(vm.pdfDocument(), first);
    EXPECT_EQ(vm.totalPages(), 3);
    EXPECT_EQ(vm.currentPageIndex(), 0);
    EXPECT_EQ(vm.fileName(), "second file.pdf");
    EXPECT_EQ(vm.fileURL(), second);
    EXPECT_EQ(urlChanged.count(), 1);
    EXPECT_TRUE(vm.searchText().isEmpty());
    EXPECT_TRUE(vm.searchResults().isEmpty());
    EXPECT_EQ(vm.currentSearchIndex(), 1);
    EXPECT_EQ(vm.scaleFactor(), 1.25);
    EXPECT_FALSE(vm.autoScales());
    EXPECT_EQ(vm.displayMode(), PDFDisplayMode::twoUp);
}

TEST_F(DocumentViewModelTest, CreatedDocumentHasTitleAndNoLocation) {
    vm.loadDocument(numbered("file.pdf", 2));
    auto created = pdf::Document::fromData(fixtures::numberedPdf(4));
    vm.loadCreatedDocument(created, "Minutes");
    EXPECT_EQ(vm.pdfDocument(), created);
    EXPECT_EQ(vm.totalPages(), 4);
    EXPECT_EQ(vm.fileName(), "Minutes");
    EXPECT_TRUE(vm.fileURL().isEmpty());
}

TEST_F(DocumentViewModelTest, OpenFileAsksForOnePdfAndLoadsTheAnswer) {
    ScopedFileDialogs dialogs;
    vm.openFile(); // cancelled
    EXPECT_EQ(vm.pdfDocument(), nullptr);
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_FALSE(dialogs->openRequests[0].allowsMultipleSelection);
    EXPECT_EQ(dialogs->openRequests[0].contentTypes, QList<ContentType>{ContentType::pdf()});

    dialogs->scriptOpen({numbered("picked.pdf", 2).toLocalFile()});
    vm.openFile();
    EXPECT_EQ(vm.fileName(), "picked.pdf");
    EXPECT_EQ(vm.totalPages(), 2);
}

TEST_F(DocumentViewModelTest, GoToPageIgnoresIndicesOutsideTheLivePageCount) {
    vm.goToPage(0); // no document
    EXPECT_EQ(vm.currentPageIndex(), 0);

    vm.loadDocument(numbered("ten.pdf", 10));
    FakePageView view;
    vm.setPdfView(&view, &view);
    vm.goToPage(-1);
    vm.goToPage(10);
    EXPECT_EQ(vm.currentPageIndex(), 0);
    EXPECT_TRUE(view.visited.empty());
    vm.goToPage(9);
    EXPECT_EQ(vm.currentPageIndex(), 9);
    ASSERT_EQ(view.visited.size(), 1u);
    EXPECT_EQ(view.visited[0], vm.pdfDocument()->page(9));

    // Pages removed by anyone: the count and the current page follow the document's notice.
    ASSERT_TRUE(vm.pdfDocument()->removePage(9));
    ASSERT_TRUE(vm.pdfDocument()->removePage(8));
    EXPECT_EQ(vm.totalPages(), 8);
    EXPECT_EQ(vm.currentPageIndex(), 7);
    vm.goToPage(8);
    EXPECT_EQ(vm.currentPageIndex(), 7);
    vm.goToPage(2);
    EXPECT_EQ(vm.currentPageIndex(), 2);
}

TEST_F(DocumentViewModelTest, ZoomWithoutAViewStartsFromOne) {
    vm.zoomIn();
    EXPECT_EQ(vm.scaleFactor(), 1.25);
    EXPECT_FALSE(vm.autoScales());
    vm.zoomOut();
    EXPECT_EQ(vm.scaleFactor(), 0.8); // from 1.0 again, not from the stored 1.25
    vm.zoomToFit();
    EXPECT_TRUE(vm.autoScales());
    EXPECT_EQ(vm.scaleFactor(), 1.0);
}

TEST_F(DocumentViewModelTest, ZoomStartsFromTheViewsScaleAndFitCopiesItsResult) {
    auto view = std::make_unique<FakePageView>();
    vm.setPdfView(view.get(), view.get());
    vm.zoomIn();
    vm.zoomIn();
    EXPECT_DOUBLE_EQ(vm.scaleFactor(), 1.5625);
    EXPECT_DOUBLE_EQ(view->scale, 1.5625);
    EXPECT_FALSE(view->autoScale);
    vm.zoomOut();
    EXPECT_DOUBLE_EQ(vm.scaleFactor(), 1.25);
    EXPECT_FALSE(vm.autoScales());

    view->fitScale = 0.42;
    vm.zoomToFit();
    EXPECT_TRUE(vm.autoScales());
    EXPECT_TRUE(view->autoScale);
    EXPECT_DOUBLE_EQ(vm.scaleFactor(), 0.42);

    // The view is held weakly: once it is gone the model carries on without it.
    view.reset();
    EXPECT_EQ(vm.pdfView(), nullptr);
    vm.zoomIn();
    EXPECT_EQ(vm.scaleFactor(), 1.25);
}

class DocumentSearchTest : public DocumentViewModelTest {
protected:
    void SetUp() override {
        const QByteArray bytes = fixtures::textPdf({
            {"Alpha beta", "ÄRGER mit dem Bären"},
            {"nothing here"},
            {"alpha again and ALPHA", "ärger"},
        });
        vm.loadDocument(QUrl::fromLocalFile(write("search.pdf", bytes)));
        ASSERT_NE(vm.pdfDocument(), nullptr);
        vm.setPdfView(&view, &view);
    }
    QList<int> pagesOfResults() const {
        QList<int> pages;
        for (const pdf::Selection& s : vm.searchResults())
            pages << s.pages().front()->index();
        return pages;
    }
    FakePageView view;
};

TEST_F(DocumentSearchTest, FindsEveryCaseInsensitiveMatchInDocumentOrder) {
    vm.setSearchText("alpha");
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_EQ(pagesOfResults(), (QList<int>{0, 2, 2}));
    EXPECT_EQ(vm.searchResults()[0].string(), "Alpha");
    EXPECT_EQ(vm.searchResults()[2].string(), "ALPHA");
    EXPECT_FALSE(vm.isSearching());

    vm.setSearchText("ärger"); // non-ASCII letters fold too
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_EQ(pagesOfResults(), (QList<int>{0, 2}));
    EXPECT_EQ(vm.searchResults()[0].string(), "ÄRGER");
    vm.setSearchText("BÄREN");
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_EQ(pagesOfResults(), QList<int>{0});
}

TEST_F(DocumentSearchTest, FirstMatchIsSelectedInYellowAndScrolledTo) {
    QSignalSpy searching(&vm, &DocumentViewModel::isSearchingChanged);
    vm.setSearchText("alpha");
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_EQ(searching.count(), 2); // on, then off when the search ends
    ASSERT_TRUE(view.selection.has_value());
    EXPECT_EQ(*view.selection, vm.searchResults()[0]);
    EXPECT_EQ(view.selection->color(), QColor(Qt::yellow));
    EXPECT_TRUE(view.animated);
    EXPECT_EQ(view.scrolls, 1);
}

TEST_F(DocumentSearchTest, StepsWrapAroundBothWays) {
    vm.setSearchText("alpha");
    vm.performSearch();
    vm.waitForSearch();
    vm.nextSearchResult();
    vm.nextSearchResult();
    EXPECT_EQ(vm.currentSearchIndex(), 2);
    EXPECT_EQ(*view.selection, vm.searchResults()[2]);
    vm.nextSearchResult();
    EXPECT_EQ(vm.currentSearchIndex(), 0); // 1/3
    vm.previousSearchResult();
    EXPECT_EQ(vm.currentSearchIndex(), 2); // 3/3
    EXPECT_EQ(*view.selection, vm.searchResults()[2]);

    vm.setSearchText("ALPHA"); // a new search starts at the first match
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_EQ(vm.currentSearchIndex(), 0);
    EXPECT_EQ(*view.selection, vm.searchResults()[0]);
}

TEST_F(DocumentSearchTest, MissesAndEmptyQueriesClearResultsButKeepTheViewSelection) {
    vm.setSearchText("alpha");
    vm.performSearch();
    vm.waitForSearch();
    vm.nextSearchResult();
    const auto shown = view.selection;
    const int sets = view.selectionSets;

    vm.setSearchText("zebra");
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_TRUE(vm.searchResults().isEmpty());
    EXPECT_EQ(view.selection, shown);
    EXPECT_EQ(view.selectionSets, sets);
    vm.nextSearchResult(); // nothing to step through
    vm.previousSearchResult();
    EXPECT_EQ(view.selectionSets, sets);

    vm.setSearchText("alpha");
    vm.performSearch();
    vm.waitForSearch();
    vm.nextSearchResult();
    vm.setSearchText("");
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_TRUE(vm.searchResults().isEmpty());
    EXPECT_EQ(vm.currentSearchIndex(), 1); // left for the next search to reset

    vm.setSearchText(" "); // spaces are a query like any other
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_FALSE(vm.searchResults().isEmpty());
}

TEST_F(DocumentSearchTest, ClearingEmptiesQueryResultsAndTheViewSelection) {
    vm.setSearchText("alpha");
    vm.performSearch();
    vm.waitForSearch();
    ASSERT_TRUE(view.selection.has_value());
    vm.clearSearch();
    EXPECT_TRUE(vm.searchText().isEmpty());
    EXPECT_TRUE(vm.searchResults().isEmpty());
    EXPECT_FALSE(view.selection.has_value());
}

TEST_F(DocumentSearchTest, SearchWithoutADocumentOrViewStillUpdatesTheModel) {
    DocumentViewModel empty;
    empty.setSearchText("alpha");
    empty.performSearch();
    empty.waitForSearch();
    EXPECT_TRUE(empty.searchResults().isEmpty());

    vm.setPdfView(nullptr, nullptr);
    vm.setSearchText("alpha");
    vm.performSearch();
    vm.waitForSearch();
    vm.previousSearchResult();
    EXPECT_EQ(vm.searchResults().size(), 3);
    EXPECT_EQ(vm.currentSearchIndex(), 2);
}

TEST_F(DocumentViewModelTest, SearchOverAThousandPagesReturnsEveryMatchInOrder) {
    vm.loadDocument(numbered("thousand.pdf", 1000));
    ASSERT_EQ(vm.totalPages(), 1000);
    vm.setSearchText("QUICK");
    vm.performSearch();
    vm.waitForSearch();
    ASSERT_EQ(vm.searchResults().size(), 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(vm.searchResults()[i].pages().front()->index(), i);

    // "Page 1" starts the numbers 1, 10-19, 100-199 and 1000.
    vm.setSearchText("page 1");
    vm.performSearch();
    vm.waitForSearch();
    EXPECT_EQ(vm.searchResults().size(), 1 + 10 + 100 + 1);
    EXPECT_EQ(vm.searchResults().back().string(), "Page 1");
    EXPECT_EQ(vm.searchResults().back().pages().front()->index(), 999);
}
