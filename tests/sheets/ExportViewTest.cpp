#include "sheets/ExportView.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/PageImageExportJob.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class ExportViewTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    DocumentViewModel model;
    ScopedFileDialogs dialogs;
    void open(int pages) {
        model.loadCreatedDocument(pdf::Document::fromData(numberedPdf(pages)), "report.pdf");
    }
};

TEST_F(ExportViewTest, ACancelledDialogLeavesTheSheetOpen) {
    open(2);
    ExportView sheet(model);
    sheet.show();
    sheet.exportAnnotatedPDF();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(dialogs->saveRequests.at(0).proposedName, "report_annotated.pdf");
    sheet.exportCurrentPageAsImage();
    EXPECT_TRUE(sheet.isVisible());
    sheet.exportAllPagesAsImages();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(dialogs->folderRequests.at(0).prompt, "Export Here");
    EXPECT_TRUE(dialogs->folderRequests.at(0).canCreateDirectories);
}

TEST_F(ExportViewTest, WithoutADocumentNothingHappens) {
    ExportView sheet(model);
    sheet.show();
    sheet.exportAnnotatedPDF();
    sheet.exportCurrentPageAsImage();
    sheet.exportAllPagesAsImages();
    EXPECT_TRUE(dialogs->saveRequests.empty());
    EXPECT_TRUE(dialogs->folderRequests.empty());
    EXPECT_TRUE(sheet.isVisible());
}

TEST_F(ExportViewTest, AFailedWriteIsShownAndTheSheetStaysOpen) {
    open(1);
    const QString blocker = writeTemp(dir.path(), "blocker", "x");
    dialogs->scriptSave(blocker + "/copy.pdf");
    ExportView sheet(model);
    sheet.show();
    sheet.exportAnnotatedPDF();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_TRUE(sheet.errorMessage().contains("copy.pdf")) << sheet.errorMessage().toStdString();
    dialogs->scriptSave(dir.filePath("copy.pdf"));
    sheet.exportAnnotatedPDF();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
}

TEST_F(ExportViewTest, AllPagesAreWrittenOffTheMainThreadThenTheSheetCloses) {
    open(5);
    dialogs->scriptFolder(dir.path());
    ExportView sheet(model);
    sheet.show();
    QSignalSpy progress(sheet.job(), &PageImageExportJob::progressed);
    QSignalSpy finished(sheet.job(), &PageImageExportJob::finished);
    sheet.exportAllPagesAsImages();
    ASSERT_TRUE(finished.wait(60000));
    // Reports close together are thinned out; those that come are in order, up to all five.
    ASSERT_FALSE(progress.isEmpty());
    for (qsizetype i = 1; i < progress.count(); ++i)
        EXPECT_GT(progress.at(i).at(0).toInt(), progress.at(i - 1).at(0).toInt());
    EXPECT_EQ(progress.last().at(0).toInt(), 5);
    EXPECT_EQ(progress.last().at(1).toInt(), 5);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 5);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(QDir(dir.path()).entryList({"*.png"}).size(), 5);
}

TEST_F(ExportViewTest, StoppingAnExportKeepsOnlyCompleteFiles) {
    open(40);
    dialogs->scriptFolder(dir.path());
    ExportView sheet(model);
    sheet.show();
    QSignalSpy finished(sheet.job(), &PageImageExportJob::finished);
    sheet.exportAllPagesAsImages();
    sheet.job()->cancel();
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(sheet.isVisible()); // a stopped export leaves the sheet for another choice
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    EXPECT_LT(files.size(), 40);
    for (const QString& f : files) {
        EXPECT_TRUE(f.endsWith(".png")) << f.toStdString(); // no temporary files left
        EXPECT_FALSE(QImage(dir.filePath(f)).isNull()) << f.toStdString();
    }
}

} // namespace
