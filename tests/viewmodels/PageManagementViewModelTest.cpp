// Page Management's operations run on a worker: the call returns at once, progress comes
// to the main thread, the edit is applied off it and kept there to undo.
#include "viewmodels/PageManagementViewModel.h"

#include "pdf/document/DocumentChanges.h"
#include "pdf/document/Page.h"
#include "support/EngineHeld.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "viewmodels/DocumentViewModel.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PageManagementViewModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        vm.loadCreatedDocument(pdf::Document::fromData(numberedPdf(2, "Base")), "base.pdf");
        doc = vm.pdfDocument();
        ASSERT_TRUE(doc);
        // Which thread changed the document: the notice is told there, directly.
        QObject::connect(
            doc->changes(), &pdf::DocumentChanges::changed, &probe,
            [this](const pdf::Change&) { editedOn = QThread::currentThread(); },
            Qt::DirectConnection);
    }
    QString textOf(int index) { return doc->page(index)->text().value_or(""); }

    QTemporaryDir dir;
    DocumentViewModel vm;
    PageManagementViewModel operations{vm};
    pdf::DocumentPtr doc;
    QObject probe;
    QThread* editedOn = nullptr;
};

TEST_F(PageManagementViewModelTest, AMergeRunsOnAWorkerWithProgressAndUndoes) {
    const QStringList paths = {writeTemp(dir.path(), "a.pdf", numberedPdf(3, "First")),
                               writeTemp(dir.path(), "junk.pdf", garbageBytes()),
                               writeTemp(dir.path(), "b.pdf", numberedPdf(4, "Second"))};
    QSignalSpy progressed(&operations, &PageManagementViewModel::progressed);
    {
        // The merge waits for the lock on its worker; the call itself returns at once.
        EngineHeld held(*doc);
        ASSERT_TRUE(operations.mergeFiles(paths));
        EXPECT_TRUE(operations.isBusy());
        EXPECT_FALSE(operations.mergeFiles(paths)); // one operation at a time
        EXPECT_EQ(vm.totalPages(), 2);
        EXPECT_TRUE(held.release());
    }
    operations.wait();
    EXPECT_FALSE(operations.isBusy());
    ASSERT_NE(editedOn, nullptr);
    EXPECT_NE(editedOn, QThread::currentThread());

    // The busy bar, then the files counted in order (reports close together thinned out),
    // ending at all three.
    ASSERT_GE(progressed.size(), 2);
    EXPECT_EQ(progressed.first()[1].toInt(), 0);
    int last = -1;
    for (const auto& args : progressed) {
        const int done = args[0].toInt(), total = args[1].toInt();
        if (total == 0)
            continue; // the busy bar shown at the start
        EXPECT_EQ(total, 3);
        EXPECT_GE(done, last);
        last = done;
    }
    EXPECT_EQ(last, 3);

    EXPECT_EQ(vm.totalPages(), 9);
    EXPECT_TRUE(textOf(2).contains("First"));
    EXPECT_TRUE(textOf(8).contains("Second"));
    EXPECT_TRUE(operations.statusMessage().contains("junk.pdf"));
    ASSERT_TRUE(vm.canUndo());
    EXPECT_EQ(vm.undoName(), "Merge PDF");
    vm.undo();
    EXPECT_EQ(vm.totalPages(), 2);
    EXPECT_TRUE(textOf(1).contains("Base"));
    vm.redo();
    EXPECT_EQ(vm.totalPages(), 9);
    EXPECT_TRUE(textOf(5).contains("Second"));
}

TEST_F(PageManagementViewModelTest, EditsOfOnePageComeBackToUndo) {
    vm.setCurrentPageIndex(1);
    ASSERT_TRUE(operations.rotateCurrentPage());
    operations.wait();
    EXPECT_EQ(doc->page(1)->rotation(), 90);
    ASSERT_TRUE(operations.deleteCurrentPage());
    operations.wait();
    EXPECT_NE(editedOn, QThread::currentThread());
    EXPECT_EQ(vm.totalPages(), 1);
    vm.undo();
    EXPECT_EQ(vm.totalPages(), 2);
    EXPECT_EQ(doc->page(1)->rotation(), 90);
    vm.undo();
    EXPECT_EQ(doc->page(1)->rotation(), 0);

    // A file that is not a PDF changes nothing, keeps no edit and says so.
    ASSERT_TRUE(operations.insertFile(writeTemp(dir.path(), "bad.pdf", truncatedPdf())));
    operations.wait();
    EXPECT_EQ(vm.totalPages(), 2);
    EXPECT_TRUE(operations.statusMessage().contains("bad.pdf"));
    EXPECT_FALSE(vm.canUndo());
}

TEST_F(PageManagementViewModelTest, ASplitCountsItsFiles) {
    vm.loadCreatedDocument(pdf::Document::fromData(numberedPdf(5)), "five.pdf");
    QSignalSpy progressed(&operations, &PageManagementViewModel::progressed);
    ASSERT_TRUE(operations.splitDocument(dir.path()));
    operations.wait();
    EXPECT_TRUE(operations.statusMessage().isEmpty());
    ASSERT_FALSE(progressed.isEmpty());
    EXPECT_EQ(progressed.last()[0].toInt(), 5);
    EXPECT_EQ(progressed.last()[1].toInt(), 5);
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(QFile::exists(dir.filePath(QString("page_%1.pdf").arg(i))));
}

} // namespace

TEST_F(PageManagementViewModelTest, AMergeAsksForEachProtectedFilesPassword) {
    const auto locked = [this](const QString& name, const QString& password, int pages) {
        pdf::WriteOptions options;
        options.ownerPassword = "owner";
        options.userPassword = password;
        return writeTemp(dir.path(), name,
                         pdf::Document::fromData(numberedPdf(pages, name))->serialize(options));
    };
    const QString alpha = locked("alpha.pdf", "alpha", 3);
    const QString beta = locked("beta.pdf", "beta", 4);
    const QString gamma = locked("gamma.pdf", "gamma", 5);
    ScopedAlerts alerts;
    // alpha: a wrong try, then the right one; beta: right at once; gamma: cancelled.
    alerts->passwordAnswers = {"wrong", "alpha", "beta", ""};
    ASSERT_TRUE(operations.mergeFiles({alpha, beta, gamma}));
    operations.wait();
    EXPECT_EQ(alerts->passwordAsked,
              (std::vector<QString>{"alpha.pdf", "alpha.pdf", "beta.pdf", "gamma.pdf"}));
    EXPECT_EQ(vm.totalPages(), 2 + 3 + 4);
    EXPECT_TRUE(textOf(2).contains("alpha.pdf"));
    EXPECT_TRUE(textOf(8).contains("beta.pdf"));
    EXPECT_EQ(operations.statusMessage(), "Skipped: gamma.pdf (no password was given)");
}
