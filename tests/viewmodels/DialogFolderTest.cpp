// Dialogs asked on behalf of an open document start in that document's folder.
#include "pdf/document/Document.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/DocumentCompareViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FileConversionViewModel.h"
#include "viewmodels/PasswordProtectionViewModel.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class DialogFolderTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(dir.path()).mkpath("reports"));
        folder = QDir(dir.path()).filePath("reports");
        documentVM.loadDocument(
            QUrl::fromLocalFile(writeTemp(folder, "Report.PDF", numberedPdf(2))));
        ASSERT_NE(documentVM.pdfDocument(), nullptr);
    }
    QTemporaryDir dir;
    QString folder;
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
};

TEST_F(DialogFolderTest, OpenAndCompareStartBesideTheOpenDocument) {
    documentVM.openFile(); // cancelled
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_EQ(dialogs->openRequests[0].directory, folder);

    DocumentCompareViewModel compare(documentVM);
    compare.choosePDF();
    ASSERT_EQ(dialogs->openRequests.size(), 2u);
    EXPECT_EQ(dialogs->openRequests[1].directory, folder);

    // With nothing open the dialog is left to start where the last one was answered.
    DocumentViewModel empty;
    empty.openFile();
    ASSERT_EQ(dialogs->openRequests.size(), 3u);
    EXPECT_TRUE(dialogs->openRequests[2].directory.isEmpty());
}

TEST_F(DialogFolderTest, SaveDialogsOfTheDocumentStartInItsFolder) {
    const pdf::Document& document = *documentVM.pdfDocument();
    FileConversionViewModel::exportAnnotatedPDF(document, "Report.PDF", false);
    FileConversionViewModel::exportPDFAsText(document, "Report.PDF");
    FileConversionViewModel::exportCurrentPageAsImage(document, 0);
    PasswordProtectionViewModel protection(documentVM);
    protection.setOwnerPassword("owner");
    protection.saveProtectedPDF();
    ASSERT_EQ(dialogs->saveRequests.size(), 4u);
    for (const SaveFileRequest& request : dialogs->saveRequests)
        EXPECT_EQ(request.directory, folder) << request.proposedName.toStdString();
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "Report_annotated.pdf");

    // A document made in memory has no folder of its own.
    const auto made = pdf::Document::fromData(numberedPdf(1));
    FileConversionViewModel::exportAnnotatedPDF(*made, "Untitled", false);
    EXPECT_TRUE(dialogs->saveRequests.back().directory.isEmpty());
}

} // namespace
