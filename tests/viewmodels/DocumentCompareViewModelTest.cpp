#include "viewmodels/DocumentCompareViewModel.h"

#include "pageview/PagePreviewRenderer.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QUrl>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class DocumentCompareViewModelTest : public testing::Test {
protected:
    void SetUp() override {
        three = writeTemp(dir.path(), "three.pdf", numberedPdf(3, "left side"));
        five = writeTemp(dir.path(), "five.pdf", numberedPdf(5, "right side"));
        documentVM.loadDocument(QUrl::fromLocalFile(three));
    }
    void choose(const QString& path) {
        dialogs->scriptOpen({path});
        vm.choosePDF();
    }
    QTemporaryDir dir;
    QString three, five;
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
    DocumentCompareViewModel vm{documentVM};
};

TEST_F(DocumentCompareViewModelTest, ThreePagesAgainstFive) {
    EXPECT_FALSE(vm.isComparing());
    choose(five);
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_EQ(dialogs->openRequests[0].contentTypes, QList<ContentType>{ContentType::pdf()});
    EXPECT_FALSE(dialogs->openRequests[0].allowsMultipleSelection);
    ASSERT_TRUE(vm.isComparing());
    EXPECT_EQ(vm.documentFileName(), "three.pdf");
    EXPECT_EQ(vm.compareFileName(), "five.pdf");
    EXPECT_EQ(vm.pageCounterText(), "Page 1 of 5");
    EXPECT_FALSE(vm.canGoPrevious());
    EXPECT_TRUE(vm.canGoNext());
    EXPECT_EQ(vm.leftPage()->text()->contains("left side"), true);
    EXPECT_EQ(vm.rightPage()->text()->contains("right side"), true);

    vm.previousPage(); // clamped at the start
    EXPECT_EQ(vm.currentCompareIndex(), 0);
    vm.nextPage();
    vm.nextPage();
    vm.nextPage();
    EXPECT_EQ(vm.pageCounterText(), "Page 4 of 5");
    EXPECT_EQ(vm.leftPage(), nullptr); // the shorter side has no page 4
    ASSERT_NE(vm.rightPage(), nullptr);
    EXPECT_TRUE(vm.rightPage()->text()->contains("Page 4"));
    vm.nextPage();
    EXPECT_EQ(vm.pageCounterText(), "Page 5 of 5");
    EXPECT_FALSE(vm.canGoNext());
    EXPECT_TRUE(vm.canGoPrevious());
    vm.nextPage(); // clamped at the end
    EXPECT_EQ(vm.currentCompareIndex(), 4);
}

TEST_F(DocumentCompareViewModelTest, ChoosingAgainStartsAtPageOne) {
    choose(five);
    vm.nextPage();
    vm.nextPage();
    vm.nextPage();
    QSignalSpy pages(&vm, &DocumentCompareViewModel::pagesChanged);
    vm.chooseDifferentFile();
    EXPECT_FALSE(vm.isComparing());
    EXPECT_TRUE(vm.compareFileName().isEmpty());
    EXPECT_EQ(vm.currentCompareIndex(), 0);
    EXPECT_GE(pages.count(), 1);
    choose(five);
    EXPECT_EQ(vm.pageCounterText(), "Page 1 of 5");
}

TEST_F(DocumentCompareViewModelTest, UnreadableOrCancelledChoicesKeepTheChooser) {
    vm.choosePDF(); // cancelled
    EXPECT_FALSE(vm.isComparing());
    EXPECT_TRUE(vm.chooseError().isEmpty());

    choose(writeTemp(dir.path(), "junk.pdf", garbageBytes()));
    EXPECT_FALSE(vm.isComparing());
    EXPECT_TRUE(vm.chooseError().contains("junk.pdf")) << vm.chooseError().toStdString();

    // A file that needs a password cannot be drawn either.
    auto doc = pdf::Document::fromData(numberedPdf(1));
    const QString locked = dir.filePath("locked.pdf");
    ASSERT_TRUE(doc->write(locked, {"owner", "user", true, true}));
    {
        ScopedAlerts alerts; // the password prompt is cancelled
        choose(locked);
        EXPECT_EQ(alerts->passwordAsked.size(), 1u);
    }
    EXPECT_FALSE(vm.isComparing());
    EXPECT_TRUE(vm.chooseError().contains("password"));
    {
        // A wrong password is asked again; the right one opens it for comparing.
        ScopedAlerts alerts;
        alerts->passwordAnswers = {"guess", "user"};
        choose(locked);
        EXPECT_EQ(alerts->passwordAsked.size(), 2u);
        EXPECT_TRUE(vm.isComparing());
        EXPECT_TRUE(vm.chooseError().isEmpty());
    }

    choose(five);
    EXPECT_TRUE(vm.isComparing());
    EXPECT_TRUE(vm.chooseError().isEmpty());
}

TEST(DocumentCompareWithoutDocument, TheLeftSideIsEmptyEverywhere) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
    DocumentCompareViewModel vm(documentVM);
    EXPECT_EQ(vm.maxPages(), 0);
    vm.nextPage(); // nothing to page through: stays at the first index
    EXPECT_EQ(vm.currentCompareIndex(), 0);
    dialogs->scriptOpen({writeTemp(dir.path(), "two.pdf", numberedPdf(2))});
    vm.choosePDF();
    EXPECT_EQ(vm.maxPages(), 2);
    EXPECT_EQ(vm.leftPage(), nullptr);
    vm.nextPage();
    EXPECT_EQ(vm.leftPage(), nullptr);
    EXPECT_NE(vm.rightPage(), nullptr);
}

TEST(PagePreviewRendererTest, RendersOnAWorkerAndReportsOnlyTheNewest) {
    auto doc = pdf::Document::fromData(numberedPdf(2));
    PagePreviewRenderer renderer;
    QSignalSpy spy(&renderer, &PagePreviewRenderer::rendered);
    renderer.request(doc->page(0), QSize(400, 550));
    renderer.request(doc->page(1), QSize(400, 550));
    EXPECT_EQ(spy.count(), 0); // nothing is drawn on the caller's thread
    ASSERT_TRUE(spy.wait(10000));
    // Let the older render finish and deliver: it must be dropped.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.count(), 1);
    const QImage image = spy.at(0).at(0).value<QImage>();
    // A Letter page fitted into 400 × 550.
    EXPECT_EQ(image.width(), 400);
    EXPECT_NEAR(image.height(), 400.0 * 792 / 612, 1.0);
    EXPECT_EQ(image, doc->page(1)->thumbnail(QSize(400, 550)));

    renderer.request(nullptr, QSize(400, 550));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_TRUE(spy.at(1).at(0).value<QImage>().isNull());
}

} // namespace
