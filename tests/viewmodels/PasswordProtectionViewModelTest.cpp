#include "viewmodels/PasswordProtectionViewModel.h"

#include "pdf/document/Document.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/DocumentViewModel.h"

#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PasswordProtectionViewModelTest : public testing::Test {
protected:
    void load(const QString& name) {
        documentVM.loadDocument(
            QUrl::fromLocalFile(writeTemp(dir.path(), name, numberedPdf(2, "Salary table"))));
        ASSERT_NE(documentVM.pdfDocument(), nullptr);
    }
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
    PasswordProtectionViewModel vm{documentVM};
};

TEST_F(PasswordProtectionViewModelTest, StartsWithPermissionsOnAndNothingToSave) {
    EXPECT_TRUE(vm.allowPrinting());
    EXPECT_TRUE(vm.allowCopying());
    EXPECT_FALSE(vm.canSave());
    vm.setUserPassword("reader");
    EXPECT_FALSE(vm.canSave());
    vm.setOwnerPassword("owner");
    EXPECT_TRUE(vm.canSave());
    EXPECT_TRUE(vm.statusMessage().isEmpty());
}

TEST_F(PasswordProtectionViewModelTest, NoDocumentSaysSoWithoutAskingForAFile) {
    vm.setOwnerPassword("owner");
    vm.saveProtectedPDF();
    EXPECT_EQ(vm.statusMessage(), "No document loaded");
    EXPECT_FALSE(vm.isSuccess());
    EXPECT_TRUE(dialogs->saveRequests.empty());
}

TEST_F(PasswordProtectionViewModelTest, ProposesTheProtectedNameAndCancelChangesNothing) {
    load("scan.pdf.pdf");
    vm.setOwnerPassword("owner");
    vm.saveProtectedPDF(); // unscripted: cancelled
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "scan_protected.pdf_protected.pdf");
    EXPECT_EQ(dialogs->saveRequests[0].contentTypes, QList<ContentType>{ContentType::pdf()});
    EXPECT_TRUE(vm.statusMessage().isEmpty());

    load("SCAN.PDF");
    EXPECT_EQ(vm.proposedFileName(), "SCAN.PDF");
}

TEST_F(PasswordProtectionViewModelTest, SuccessReportsAndAsksToCloseLater) {
    load("report.pdf");
    const QByteArray before = documentVM.pdfDocument()->dataRepresentation();
    const QString out = dir.filePath("report_protected.pdf");
    dialogs->scriptSave(out);
    vm.setOwnerPassword("owner-pw-7781");
    vm.setUserPassword("user-pw-5512");
    vm.setAllowCopying(false);
    QSignalSpy dismiss(&vm, &PasswordProtectionViewModel::dismissRequested);
    vm.saveProtectedPDF();
    EXPECT_EQ(vm.statusMessage(), "Protected PDF saved successfully");
    EXPECT_TRUE(vm.isSuccess());
    EXPECT_EQ(dismiss.count(), 0); // not at once: the result line is read first
    EXPECT_TRUE(dismiss.wait(10000));

    auto written = pdf::Document::open(out);
    ASSERT_NE(written, nullptr);
    EXPECT_TRUE(written->isLocked());
    EXPECT_TRUE(written->unlock("user-pw-5512"));
    if (toolAvailable("qpdf")) {
        EXPECT_TRUE(runTool("qpdf", {"--show-encryption", "--password=user-pw-5512", out})
                        .contains("extract for any purpose: not allowed"));
    }

    // The open document is as it was: no encryption, same bytes.
    EXPECT_FALSE(documentVM.pdfDocument()->isEncrypted());
    EXPECT_EQ(documentVM.pdfDocument()->dataRepresentation(), before);

    // The passwords were written nowhere else: not in preferences, not in any file
    // under the private home.
    QDirIterator it(qEnvironmentVariable("HOME"), QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = f.readAll();
            EXPECT_FALSE(bytes.contains("owner-pw-7781")) << f.fileName().toStdString();
            EXPECT_FALSE(bytes.contains("user-pw-5512")) << f.fileName().toStdString();
        }
    }
}

TEST_F(PasswordProtectionViewModelTest, FailureNamesTheReasonAndKeepsTheValues) {
    load("report.pdf");
    dialogs->scriptSave(dir.filePath("missing/folder/copy.pdf"));
    vm.setOwnerPassword("owner");
    QSignalSpy dismiss(&vm, &PasswordProtectionViewModel::dismissRequested);
    vm.saveProtectedPDF();
    EXPECT_FALSE(vm.isSuccess());
    EXPECT_TRUE(vm.statusMessage().startsWith("Failed to save protected PDF: "))
        << vm.statusMessage().toStdString();
    EXPECT_GT(vm.statusMessage().size(), QString("Failed to save protected PDF: ").size());
    EXPECT_EQ(vm.ownerPassword(), "owner");

    // A later cancel keeps the earlier result line.
    vm.saveProtectedPDF();
    EXPECT_TRUE(vm.statusMessage().startsWith("Failed to save protected PDF"));
    EXPECT_FALSE(dismiss.wait(1800));
}

} // namespace
