#include "sheets/ReduceFileSizeView.h"

#include "pdf/document/Document.h"
#include "support/OptimizeFixtures.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ToolFixtures.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/ReduceFileSizeViewModel.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class ReduceFileSizeViewTest : public testing::Test {
protected:
    void SetUp() override {
        std::vector<PlacedImage> pages;
        for (int i = 0; i < 4; ++i)
            pages.push_back({jpegOf(greyPhoto(640, 480, i), 92), {}, 160});
        input = writeTemp(dir.path(), "scans.pdf", imagePagesPdf(pages));
        documentVM.loadDocument(QUrl::fromLocalFile(input));
        sheet = std::make_unique<ReduceFileSizeView>(documentVM);
        sheet->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
    }
    QTemporaryDir dir;
    QString input;
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
    std::unique_ptr<ReduceFileSizeView> sheet;
};

TEST_F(ReduceFileSizeViewTest, EstimatesEachLevelThenWritesTheChosenOne) {
    EXPECT_TRUE(sheet->inputLabel()->text().startsWith("scans.pdf is "));
    EXPECT_TRUE(sheet->levelButton(1)->isChecked()); // balanced
    QTRY_VERIFY_WITH_TIMEOUT(!sheet->model().isEstimating(), 20000);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(sheet->sizeLabel(i)->text().startsWith("about ")) << i;
    saveScreenshot(sheet.get(), "reduce-file-size-estimates");

    const QString out = dir.filePath("scans_smaller.pdf");
    dialogs->scriptSave(out);
    sheet->levelButton(2)->click();
    QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "scans_smaller.pdf");
    QTRY_VERIFY_WITH_TIMEOUT(!sheet->model().isRunning(), 20000);
    EXPECT_TRUE(sheet->model().isSuccess()) << sheet->model().statusMessage().toStdString();
    EXPECT_TRUE(sheet->statusText()->isVisible());
    EXPECT_FALSE(sheet->progressBar()->isVisible());
    EXPECT_LT(QFileInfo(out).size(), QFileInfo(input).size() / 4);
    // The level written shows its real size; the others keep their estimates.
    EXPECT_FALSE(sheet->sizeLabel(2)->text().startsWith("about "));
    EXPECT_TRUE(sheet->sizeLabel(0)->text().startsWith("about "));
    EXPECT_EQ(sheet->cancelButton()->text(), "Close");
    saveScreenshot(sheet.get(), "reduce-file-size-written");
}

TEST(ReduceFileSizeView, ADocumentWithoutAFileOffersNothingToWrite) {
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
    documentVM.loadCreatedDocument(pdf::Document::fromData(numberedPdf(1)), "Minutes");
    ReduceFileSizeView sheet(documentVM);
    EXPECT_EQ(sheet.inputLabel()->text(), "Minutes has not been saved to a file.");
    EXPECT_FALSE(sheet.saveButton()->isEnabled());
    EXPECT_FALSE(sheet.model().isEstimating());
    sheet.model().reduce();
    EXPECT_TRUE(dialogs->saveRequests.empty());
    EXPECT_FALSE(sheet.model().statusMessage().isEmpty());
}

} // namespace
