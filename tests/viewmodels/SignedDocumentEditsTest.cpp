// The window's edits of a signed document: saving appends after the signed bytes, an edit
// of the pages asks first and names whose signature breaks, and a certification that
// allows no changes refuses an annotation.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "support/SignatureFixtures.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/PageManagementViewModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class SignedDocumentEditsTest : public ::testing::Test {
protected:
    void open(const QString& path) {
        ASSERT_TRUE(vm.loadDocument(QUrl::fromLocalFile(path)));
        ASSERT_NE(vm.pdfDocument(), nullptr);
    }
    std::unique_ptr<AddAnnotationsEdit> highlight() {
        return std::make_unique<AddAnnotationsEdit>(
            "Highlight", vm.pdfDocument(), [](pdf::Document& d) -> std::vector<pdf::AnnotationPtr> {
                return {d.page(0)->addHighlight(QRectF(72, 700, 120, 20), Qt::yellow)};
            });
    }
    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    ScopedAlerts alerts;
    ScopedFileDialogs dialogs;
    DocumentViewModel vm;
};

} // namespace

TEST_F(SignedDocumentEditsTest, SavingAppendsAndPageEditsAskFirst) {
    const auto certificate = sigfix::makeCertificate(dir.path(), "Grace Hopper", "pw");
    const QString in =
        fixtures::writeTemp(dir.path(), "in.pdf", sigfix::letterPdf({"Agreement", "Annex"}));
    const QString signedPath = dir.path() + "/signed.pdf";
    ASSERT_EQ(sigfix::signWithPdfsig(dir.path(), certificate, "pw", in, signedPath).exitCode, 0);
    open(signedPath);

    // A page edit asks, naming the signer; declined, nothing changes.
    PageManagementViewModel pages(vm);
    EXPECT_FALSE(pages.deleteCurrentPage());
    ASSERT_EQ(alerts->confirmations.size(), 1u);
    EXPECT_TRUE(alerts->confirmations[0].startsWith("Deleting page 1 changes what was signed"));
    EXPECT_TRUE(alerts->confirmations[0].contains("It invalidates the signature of Grace Hopper."));
    EXPECT_EQ(vm.pdfDocument()->pageCount(), 2);

    // An annotation asks nothing; the unsaved-changes prompt's Save appends it to the file.
    ASSERT_TRUE(vm.perform(highlight()));
    EXPECT_EQ(alerts->confirmations.size(), 1u);
    const QByteArray original = read(signedPath);
    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::save);
    ASSERT_TRUE(vm.confirmDiscardChanges());
    const QByteArray written = read(signedPath);
    EXPECT_GT(written.size(), original.size());
    EXPECT_TRUE(written.startsWith(original));
    const QString report = QString::fromUtf8(sigfix::runProgram("pdfsig", {signedPath}).out);
    EXPECT_TRUE(report.contains("Signature Validation: Signature is Valid."))
        << report.toStdString();
    const auto reread = pdf::Document::fromData(written);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->page(0)->annotations().size(), 2u); // + widget
}

TEST_F(SignedDocumentEditsTest, ACertificationAllowingNoChangesRefusesAHighlight) {
    const QString in = fixtures::writeTemp(dir.path(), "in.pdf", sigfix::letterPdf());
    const QString certified = dir.path() + "/certified.pdf";
    const auto run = sigfix::runProgram(
        VELLUMARK_BINARY_DIR "/vellumark-cli",
        {"sign", in, "--name", "Ada", "--certify", "no-changes", "-o", certified},
        {"XDG_DATA_HOME=" + dir.path() + "/data"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    open(certified);

    const size_t before = vm.pdfDocument()->page(0)->annotations().size();
    EXPECT_FALSE(vm.perform(highlight()));
    EXPECT_EQ(vm.pdfDocument()->page(0)->annotations().size(), before);
    EXPECT_FALSE(vm.isModified());
    ASSERT_EQ(alerts->notices.size(), 1u);
    EXPECT_EQ(alerts->notices[0],
              "Not Allowed by the Certification: Highlight: The document is certified by Ada to "
              "allow no changes. Nothing was changed.");
}
