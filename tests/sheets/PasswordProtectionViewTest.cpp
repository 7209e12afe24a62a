#include "sheets/PasswordProtectionView.h"

#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ToolFixtures.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/PasswordProtectionViewModel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PasswordProtectionViewTest : public testing::Test {
protected:
    void SetUp() override {
        documentVM.loadDocument(
            QUrl::fromLocalFile(writeTemp(dir.path(), "report.pdf", numberedPdf(2))));
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    }
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
    PasswordProtectionView sheet{documentVM};
};

TEST_F(PasswordProtectionViewTest, SaveNeedsTheOwnerPassword) {
    EXPECT_EQ(sheet.width(), 420);
    EXPECT_EQ(sheet.ownerField()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(sheet.userField()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(sheet.printingToggle()->isChecked());
    EXPECT_TRUE(sheet.copyingToggle()->isChecked());
    EXPECT_FALSE(sheet.statusLine()->isVisible());
    EXPECT_FALSE(sheet.saveButton()->isEnabled());
    QTest::keyClicks(sheet.userField(), "reader");
    EXPECT_FALSE(sheet.saveButton()->isEnabled());
    QTest::keyClicks(sheet.ownerField(), "o");
    EXPECT_TRUE(sheet.saveButton()->isEnabled());
    sheet.ownerField()->clear();
    EXPECT_FALSE(sheet.saveButton()->isEnabled());
    QTest::mouseClick(sheet.saveButton(), Qt::LeftButton);
    EXPECT_TRUE(dialogs->saveRequests.empty());
    saveScreenshot(&sheet, "password-sheet-empty");
}

TEST_F(PasswordProtectionViewTest, SuccessShowsTheGreenCheckThenCloses) {
    const QString out = dir.filePath("report_protected.pdf");
    dialogs->scriptSave(out);
    QTest::keyClicks(sheet.ownerField(), "owner");
    QTest::mouseClick(sheet.printingToggle(), Qt::LeftButton, {},
                      QPoint(8, sheet.printingToggle()->height() / 2));
    EXPECT_FALSE(sheet.model().allowPrinting());
    QSignalSpy finished(&sheet, &QDialog::finished);
    QTest::mouseClick(sheet.saveButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "report_protected.pdf");
    EXPECT_TRUE(sheet.statusLine()->isVisible());
    EXPECT_EQ(sheet.statusText()->text(), "Protected PDF saved successfully");
    EXPECT_EQ(sheet.statusIcon()->property("symbol").toString(), "checkmark.circle.fill");
    EXPECT_TRUE(sheet.isVisible());
    saveScreenshot(&sheet, "password-sheet-success");
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(sheet.isVisible());
    if (toolAvailable("qpdf")) {
        EXPECT_TRUE(runTool("qpdf", {"--show-encryption", out})
                        .contains("print high resolution: not allowed"));
    }
}

TEST_F(PasswordProtectionViewTest, FailureShowsTheRedTriangleAndStays) {
    dialogs->scriptSave(dir.filePath("gone/report_protected.pdf"));
    QTest::keyClicks(sheet.ownerField(), "owner");
    QTest::mouseClick(sheet.saveButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet.statusLine()->isVisible());
    EXPECT_TRUE(sheet.statusText()->text().startsWith("Failed to save protected PDF: "));
    EXPECT_EQ(sheet.statusIcon()->property("symbol").toString(), "exclamationmark.triangle.fill");
    EXPECT_EQ(sheet.ownerField()->text(), "owner");
    saveScreenshot(&sheet, "password-sheet-failure");
    QTest::mouseClick(sheet.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet.isVisible());
}

} // namespace
