#include "sheets/PageManagementView.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "sheets/PageGridModel.h"
#include "support/FakePageView.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/PageManagementViewModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PageManagementViewTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentViewModel vm;
    FakePageView pageView;

    void open(const QByteArray& bytes, int current = 0) {
        vm.loadCreatedDocument(pdf::Document::fromData(bytes), "test.pdf");
        vm.setPdfView(&pageView, &pageView);
        vm.setCurrentPageIndex(current);
    }
    QString file(const QString& name, const QByteArray& bytes) {
        return writeTemp(dir.path(), name, bytes);
    }
    QString textOf(int index) { return vm.pdfDocument()->page(index)->text().value_or(""); }
    static QPushButton* button(PageManagementView& view, const char* name) {
        return view.findChild<QPushButton*>(name);
    }
};

TEST_F(PageManagementViewTest, DeletingFollowsTheIndexRules) {
    open(numberedPdf(5), 4);
    PageManagementView view(vm);
    button(view, "deleteButton")->click();
    view.operations()->wait();
    EXPECT_EQ(vm.totalPages(), 4);
    EXPECT_EQ(vm.currentPageIndex(), 3);
    EXPECT_EQ(view.pageModel()->rowCount(), 4);
    EXPECT_EQ(view.pageModel()->index(3).data().toString(), "Page 4");
    // Undo puts the page back where it was, and the grid follows.
    vm.undo();
    EXPECT_EQ(vm.totalPages(), 5);
    EXPECT_EQ(view.pageModel()->rowCount(), 5);
    EXPECT_TRUE(textOf(4).contains("Page 5"));

    open(numberedPdf(5), 1);
    view.deleteCurrentPage();
    view.operations()->wait();
    EXPECT_EQ(vm.totalPages(), 4);
    EXPECT_EQ(vm.currentPageIndex(), 1);
    EXPECT_TRUE(textOf(1).contains("Page 3"));
}

TEST_F(PageManagementViewTest, AOnePageDocumentCannotBeDeletedOrSplit) {
    open(numberedPdf(1));
    PageManagementView view(vm);
    EXPECT_FALSE(button(view, "deleteButton")->isEnabled());
    view.deleteCurrentPage();
    view.operations()->wait();
    view.splitDocument();
    view.operations()->wait();
    EXPECT_EQ(vm.pdfDocument()->pageCount(), 1);
    EXPECT_TRUE(dialogs->folderRequests.empty()); // split stops before asking
    // Inserting a page makes deleting possible again.
    view.insertBlankPage();
    view.operations()->wait();
    EXPECT_TRUE(button(view, "deleteButton")->isEnabled());

    DocumentViewModel empty;
    PageManagementView none(empty);
    EXPECT_FALSE(button(none, "deleteButton")->isEnabled());
    EXPECT_EQ(none.pageModel()->rowCount(), 0);
    dialogs->scriptOpen({file("a.pdf", numberedPdf(2))});
    none.mergeDocument(); // asks, then finds no document
    none.operations()->wait();
    EXPECT_EQ(dialogs->openRequests.size(), 1u);
    none.rotateCurrentPage();
    none.operations()->wait();
    none.extractCurrentPage();
    none.operations()->wait();
    EXPECT_TRUE(dialogs->saveRequests.empty());
}

TEST_F(PageManagementViewTest, RotationTurnsTheCurrentPageAndRelaysOut) {
    open(numberedPdf(3), 2);
    PageManagementView view(vm);
    for (int i = 0; i < 4; ++i) {
        button(view, "rotateButton")->click();
        view.operations()->wait();
    }
    EXPECT_EQ(vm.pdfDocument()->page(2)->rotation(), 0);
    view.rotateCurrentPage();
    view.operations()->wait();
    EXPECT_EQ(vm.pdfDocument()->page(2)->rotation(), 90);
    EXPECT_EQ(vm.pdfDocument()->page(1)->rotation(), 0);
    vm.undo();
    vm.undo();
    EXPECT_EQ(vm.pdfDocument()->page(2)->rotation(), 270);
    EXPECT_EQ(vm.totalPages(), 3);
    EXPECT_EQ(vm.currentPageIndex(), 2);
}

TEST_F(PageManagementViewTest, InsertionsGoAfterTheCurrentPageWhichStaysCurrent) {
    open(textPdf({{"One"}, {"Two"}, {"Three"}}, 595, 842), 0);
    PageManagementView view(vm);
    view.insertBlankPage();
    view.operations()->wait();
    EXPECT_EQ(vm.totalPages(), 4);
    EXPECT_EQ(vm.currentPageIndex(), 0);
    EXPECT_EQ(vm.pdfDocument()->page(1)->mediaBox(), QRectF(0, 0, 595, 842));
    EXPECT_EQ(view.pageModel()->rowCount(), 4);

    vm.setCurrentPageIndex(2);
    dialogs->scriptOpen({file("three.pdf", textPdf({{"Extra A"}, {"Extra B"}, {"Extra C"}}))});
    button(view, "insertFromFileButton")->click();
    view.operations()->wait();
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_FALSE(dialogs->openRequests[0].allowsMultipleSelection);
    EXPECT_EQ(dialogs->openRequests[0].contentTypes, QList<ContentType>({ContentType::pdf()}));
    EXPECT_EQ(vm.totalPages(), 7);
    EXPECT_EQ(vm.currentPageIndex(), 2);
    EXPECT_TRUE(textOf(3).contains("Extra A"));
    EXPECT_TRUE(textOf(4).contains("Extra B"));
    EXPECT_TRUE(textOf(5).contains("Extra C"));
    EXPECT_TRUE(textOf(6).contains("Three"));

    // An unreadable file changes nothing and says so.
    dialogs->scriptOpen({file("bad.pdf", truncatedPdf())});
    view.insertFromFile();
    view.operations()->wait();
    EXPECT_EQ(vm.totalPages(), 7);
    EXPECT_TRUE(view.statusMessage().contains("bad.pdf"));
    // Cancelling changes nothing either.
    view.insertFromFile();
    view.operations()->wait();
    EXPECT_EQ(vm.totalPages(), 7);
}

TEST_F(PageManagementViewTest, ExtractProposesThePageNameAndReportsAFailedWrite) {
    open(numberedPdf(3), 0);
    PageManagementView view(vm);
    dialogs->scriptSave(dir.filePath("chosen.pdf"));
    button(view, "extractButton")->click();
    view.operations()->wait();
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "page_1.pdf");
    EXPECT_EQ(pdfinfoPages(dir.filePath("chosen.pdf")), 1);
    EXPECT_TRUE(pdftotextPage(dir.filePath("chosen.pdf"), 1).contains("Page 1"));
    EXPECT_TRUE(view.statusMessage().isEmpty());

    vm.setCurrentPageIndex(2);
    dialogs->scriptSave(dir.filePath("missing/folder/x.pdf"));
    view.extractCurrentPage();
    view.operations()->wait();
    EXPECT_EQ(dialogs->saveRequests[1].proposedName, "page_3.pdf");
    EXPECT_TRUE(view.statusMessage().contains("x.pdf")) << view.statusMessage().toStdString();
    EXPECT_EQ(vm.totalPages(), 3);
}

TEST_F(PageManagementViewTest, SplitWritesEveryPageIntoTheChosenFolder) {
    open(numberedPdf(3), 1);
    const QByteArray before = vm.pdfDocument()->dataRepresentation();
    PageManagementView view(vm);
    const QString folder = dir.filePath("split");
    QDir().mkpath(folder);
    dialogs->scriptFolder(folder);
    button(view, "splitButton")->click();
    view.operations()->wait();
    ASSERT_EQ(dialogs->folderRequests.size(), 1u);
    EXPECT_EQ(dialogs->folderRequests[0].prompt, "Split Here");
    EXPECT_TRUE(dialogs->folderRequests[0].canCreateDirectories);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              QStringList({"page_1.pdf", "page_2.pdf", "page_3.pdf"}));
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(pdfinfoPages(folder + QStringLiteral("/page_%1.pdf").arg(i)), 1);
    EXPECT_EQ(vm.pdfDocument()->dataRepresentation(), before);
    EXPECT_EQ(vm.totalPages(), 3);
    EXPECT_EQ(vm.currentPageIndex(), 1);
    EXPECT_FALSE(vm.canUndo()); // writing files is no edit of the document

    dialogs->scriptFolder(dir.filePath("nowhere/at/all"));
    view.splitDocument();
    view.operations()->wait();
    EXPECT_TRUE(view.statusMessage().contains("page_1.pdf")) << view.statusMessage().toStdString();
}

TEST_F(PageManagementViewTest, SplitNamesTheFilesItWouldReplaceAndAsks) {
    ScopedAlerts alerts;
    open(numberedPdf(3));
    PageManagementView view(vm);
    const QString folder = dir.filePath("again");
    QDir().mkpath(folder);
    const QString old = writeTemp(folder, "page_2.pdf", textPdf({{"Earlier work"}}));
    const QByteArray kept = [&] {
        QFile f(old);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    dialogs->scriptFolder(folder);
    view.splitDocument(); // no answer: kept
    view.operations()->wait();
    ASSERT_EQ(alerts->confirmations.size(), 1u);
    EXPECT_TRUE(alerts->confirmations[0].contains("page_2.pdf"));
    EXPECT_FALSE(alerts->confirmations[0].contains("page_1.pdf"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"page_2.pdf"});
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), kept);
    f.close();
    EXPECT_FALSE(view.statusMessage().isEmpty());

    alerts->confirmAnswers.push_back(true);
    dialogs->scriptFolder(folder);
    view.splitDocument();
    view.operations()->wait();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              QStringList({"page_1.pdf", "page_2.pdf", "page_3.pdf"}));
    EXPECT_EQ(pdfinfoPages(old), 1);

    // A document of one page says why nothing happens.
    open(numberedPdf(1));
    PageManagementView single(vm);
    single.splitDocument();
    single.operations()->wait();
    EXPECT_TRUE(single.statusMessage().contains("one page"))
        << single.statusMessage().toStdString();
}

TEST_F(PageManagementViewTest, MergeAppendsInChosenOrderWithoutMovingTheCurrentPage) {
    open(numberedPdf(2, "Base"), 1);
    PageManagementView view(vm);
    const QString second = file("second.pdf", textPdf({{"Second 1"}}));
    const QString first = file("first.pdf", textPdf({{"First 1"}, {"First 2"}}));
    const QString junk = file("junk.pdf", garbageBytes());
    dialogs->scriptOpen({second, junk, first});
    button(view, "mergeButton")->click();
    view.operations()->wait();
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_TRUE(dialogs->openRequests[0].allowsMultipleSelection);
    EXPECT_EQ(vm.totalPages(), 5);
    EXPECT_EQ(vm.currentPageIndex(), 1);
    EXPECT_TRUE(textOf(2).contains("Second 1"));
    EXPECT_TRUE(textOf(3).contains("First 1"));
    EXPECT_TRUE(textOf(4).contains("First 2"));
    EXPECT_EQ(view.statusMessage(), "Skipped: junk.pdf (not a PDF file, or damaged beyond repair)");
    // One undo takes every merged page out; redo brings the same pages back.
    vm.undo();
    EXPECT_EQ(vm.totalPages(), 2);
    EXPECT_EQ(view.pageModel()->rowCount(), 2);
    vm.redo();
    EXPECT_EQ(vm.totalPages(), 5);
    EXPECT_TRUE(textOf(4).contains("First 2"));
}

TEST_F(PageManagementViewTest, CardsShowThumbnailsAndTheCurrentPageIsMarked) {
    open(numberedPdf(40), 1);
    PageManagementView view(vm);
    view.resize(760, 560);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    PageGridModel* model = view.pageModel();
    EXPECT_EQ(model->rowCount(), 40);
    QTRY_VERIFY_WITH_TIMEOUT(model->hasThumbnail(0) && model->hasThumbnail(1), 20000);
    // Only cards in view were asked for.
    EXPECT_FALSE(model->hasThumbnail(39));
    const QImage thumb = model->index(0).data(Qt::DecorationRole).value<QImage>();
    EXPECT_LE(thumb.width(), 80 * thumb.devicePixelRatio() + 1);
    EXPECT_LE(thumb.height(), 110 * thumb.devicePixelRatio() + 1);

    // The current card's border is the accent colour; its neighbour has none.
    QListView* list = view.pageList();
    const QImage shot = list->viewport()->grab().toImage();
    const QColor accent = view.palette().color(QPalette::Highlight);
    auto accentPixels = [&](const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (QColor(shot.pixel(x, y)) == accent)
                    ++n;
        return n;
    };
    const QRect current = list->visualRect(model->index(1));
    const QRect other = list->visualRect(model->index(0));
    EXPECT_GT(accentPixels(current), 100);
    EXPECT_EQ(accentPixels(other), 0);

    // Clicking a card goes to its page.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(model->index(2)).center());
    EXPECT_EQ(vm.currentPageIndex(), 2);
    ASSERT_FALSE(pageView.visited.empty());
    EXPECT_EQ(pageView.visited.back()->index(), 2);
}

} // namespace

TEST_F(PageManagementViewTest, EveryDialogStartsInTheDocumentsFolder) {
    QDir(dir.path()).mkpath("docs");
    const QString path = file("docs/report.pdf", numberedPdf(3));
    ASSERT_TRUE(vm.loadDocument(QUrl::fromLocalFile(path)));
    vm.setPdfView(&pageView, &pageView);
    PageManagementView view(vm);
    const QString folder = QFileInfo(path).absolutePath();

    view.insertFromFile();
    view.operations()->wait();
    view.mergeDocument();
    view.operations()->wait();
    view.extractCurrentPage();
    view.operations()->wait();
    view.splitDocument();
    view.operations()->wait();
    ASSERT_EQ(dialogs->openRequests.size(), 2u);
    EXPECT_EQ(dialogs->openRequests[0].directory, folder);
    EXPECT_EQ(dialogs->openRequests[1].directory, folder);
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].directory, folder);
    ASSERT_EQ(dialogs->folderRequests.size(), 1u);
    EXPECT_EQ(dialogs->folderRequests[0].directory, folder);
    EXPECT_EQ(vm.totalPages(), 3); // every dialog was cancelled
}
