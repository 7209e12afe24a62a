#include "sheets/SignatureView.h"

#include "pdf/annotations/Annotation.h"
#include "pdf/document/DocumentSource.h"
#include "pdf/document/Page.h"
#include "pdf/signatures/SignatureFields.h"
#include "platform/Preferences.h"
#include "sheets/SignatureCanvasView.h"
#include "support/ScriptedFileDialogs.h"
#include "support/SignatureFixtures.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/SignatureViewModel.h"

#include <QComboBox>
#include <QListWidget>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class SignatureViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Preferences::remove(SignatureViewModel::storageKey);
        model = std::make_unique<SignatureViewModel>();
        model->setKeyStore(KeyStore(keyDir.path() + "/keys"));
    }
    void TearDown() override { Preferences::remove(SignatureViewModel::storageKey); }

    std::unique_ptr<SignatureView> makeSheet(bool withDocument) {
        if (withDocument)
            document = pdf::Document::fromData(sigfix::letterPdf({"Lease agreement", "Page two"}));
        auto sheet = std::make_unique<SignatureView>(
            *model,
            SignatureView::DocumentAccess{[this] { return document; },
                                          [this](const pdf::DocumentPtr& signedDocument) {
                                              document = signedDocument;
                                              ++documentsHandedOver;
                                          }},
            [this](const SavedSignature& signature) {
                model->placeSignatureOnPage(signature, document.get(), currentPage);
            });
        sheet->show();
        return sheet;
    }

    void addSignature(const QString& name) {
        model->setCurrentSignatureImage(sigfix::scribble());
        model->setSignatureName(name);
        model->saveCurrentSignature();
    }

    static QPushButton* button(QWidget* sheet, const QString& text) {
        for (auto* b : sheet->findChildren<QPushButton*>())
            if (b->text() == text && b->isVisibleTo(sheet))
                return b;
        return nullptr;
    }

    static void drawStroke(QWidget* sheet) {
        auto* canvas = sheet->findChild<SignatureCanvasView*>("signatureCanvas");
        ASSERT_NE(canvas, nullptr);
        QWidget* pad = canvas->canvas();
        QTest::mousePress(pad, Qt::LeftButton, {}, QPoint(40, 90));
        for (int x = 40; x <= 300; x += 10)
            QTest::mouseMove(pad, QPoint(x, 90 - int(30 * std::sin(x / 25.0))));
        QTest::mouseRelease(pad, Qt::LeftButton, {}, QPoint(300, 80));
        QCoreApplication::processEvents();
    }

    static QString resultMessage(QWidget* sheet) {
        auto* label = sheet->findChild<QLabel*>("resultMessage");
        return label ? label->text() : QString();
    }
    static QString resultSymbol(QWidget* sheet) {
        auto* box = sheet->findChild<QWidget*>("resultBox");
        return box ? box->property("symbol").toString() : QString();
    }

    QTemporaryDir keyDir;
    std::unique_ptr<SignatureViewModel> model;
    pdf::DocumentPtr document;
    int currentPage = 0;
    int documentsHandedOver = 0;
};

} // namespace

TEST_F(SignatureViewTest, TabsInOrderStartingOnDraw) {
    auto sheet = makeSheet(false);
    EXPECT_EQ(sheet->selectedTab(), SignatureTab::draw);
    QStringList labels;
    for (auto* b : sheet->findChildren<QToolButton*>())
        if (b->isCheckable())
            labels << b->text();
    EXPECT_EQ(labels, (QStringList{"Draw", "Saved", "Digital Sign"}));
    EXPECT_EQ(SignatureView::symbol(SignatureTab::digital), "lock.shield");
    EXPECT_GE(sheet->minimumWidth(), 500);
    EXPECT_GE(sheet->minimumHeight(), 450);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
}

TEST_F(SignatureViewTest, DrawingAndNamingEnablesSaveWhichThenResets) {
    auto sheet = makeSheet(false); // the draw tab works without a document
    QPushButton* save = button(sheet.get(), "Save Signature");
    ASSERT_NE(save, nullptr);
    EXPECT_FALSE(save->isEnabled());
    drawStroke(sheet.get());
    EXPECT_FALSE(model->currentSignatureImage().isNull());
    EXPECT_EQ(model->currentSignatureImage().deviceIndependentSize().height(), 150);
    EXPECT_FALSE(save->isEnabled()); // still no name
    auto* name = sheet->findChild<QLineEdit*>("signatureName");
    QTest::keyClicks(name, "Initials");
    EXPECT_EQ(model->signatureName(), "Initials");
    EXPECT_TRUE(save->isEnabled());

    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_EQ(model->savedSignatures().size(), 1u);
    EXPECT_EQ(model->savedSignatures()[0].name, "Initials");
    EXPECT_TRUE(name->text().isEmpty());
    EXPECT_FALSE(save->isEnabled());

    // Clear drops the drawing (and wipes the pad).
    drawStroke(sheet.get());
    EXPECT_FALSE(model->currentSignatureImage().isNull());
    QTest::mouseClick(button(sheet.get(), "Clear"), Qt::LeftButton);
    EXPECT_TRUE(model->currentSignatureImage().isNull());
    EXPECT_TRUE(
        sheet->findChild<SignatureCanvasView*>("signatureCanvas")->canvas()->paths().empty());
}

TEST_F(SignatureViewTest, TheStampNameRowFollowsTheSwitch) {
    auto sheet = makeSheet(false);
    auto* row = sheet->findChild<QWidget*>("stampNameRow");
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->isVisible());
    auto* toggle = sheet->findChild<QCheckBox*>();
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->text(), "Include 'Signed by' stamp");
    toggle->click();
    EXPECT_FALSE(model->includeStamp());
    EXPECT_FALSE(row->isVisible());
    QTest::keyClicks(sheet->findChild<QLineEdit*>("stampName"), "x"); // hidden, untouched
    toggle->click();
    EXPECT_TRUE(row->isVisible());
}

TEST_F(SignatureViewTest, WithoutADocumentPlaceSignAndVerifyAreDisabled) {
    addSignature("Mine");
    model->setSignerName("Ada");
    auto sheet = makeSheet(false);
    sheet->setSelectedTab(SignatureTab::saved);
    ASSERT_NE(button(sheet.get(), "Place"), nullptr);
    EXPECT_FALSE(button(sheet.get(), "Place")->isEnabled());
    sheet->setSelectedTab(SignatureTab::digital);
    EXPECT_FALSE(button(sheet.get(), "Sign Document")->isEnabled());
    EXPECT_FALSE(button(sheet.get(), "Verify Signature")->isEnabled());
    EXPECT_EQ(sheet->findChild<QWidget*>("resultBox"), nullptr);
}

TEST_F(SignatureViewTest, SavedTabShowsTheLibraryAndDeletes) {
    auto sheet = makeSheet(true);
    sheet->setSelectedTab(SignatureTab::saved);
    EXPECT_NE(sheet->findChild<QWidget*>("savedEmpty"), nullptr);
    addSignature("First");
    addSignature("Second");
    QCoreApplication::processEvents();
    EXPECT_EQ(sheet->findChildren<QWidget*>("signatureCard").size(), 2);
    auto trash = sheet->findChildren<QToolButton*>("deleteSignature");
    ASSERT_EQ(trash.size(), 2);
    trash[0]->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(model->savedSignatures().size(), 1u);
    EXPECT_EQ(model->savedSignatures()[0].name, "Second");
    EXPECT_EQ(sheet->findChildren<QWidget*>("signatureCard").size(), 1);
}

TEST_F(SignatureViewTest, PlacingClosesTheSheetAndStampsTheCurrentPage) {
    addSignature("Ada");
    currentPage = 1;
    auto sheet = makeSheet(true);
    sheet->setSelectedTab(SignatureTab::saved);
    QPushButton* place = button(sheet.get(), "Place");
    ASSERT_NE(place, nullptr);
    ASSERT_TRUE(place->isEnabled());
    QTest::mouseClick(place, Qt::LeftButton);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(document->page(0)->annotations().empty());
    const auto annotations = document->page(1)->annotations();
    ASSERT_EQ(annotations.size(), 2u);
    EXPECT_EQ(annotations[0]->subtype(), "Stamp");
    EXPECT_EQ(annotations[0]->bounds().center(), QPointF(306, 396));
}

TEST_F(SignatureViewTest, VerifyingAndSigningShowTheResult) {
    auto sheet = makeSheet(true);
    sheet->setSelectedTab(SignatureTab::digital);
    QPushButton* verify = button(sheet.get(), "Verify Signature");
    QPushButton* sign = button(sheet.get(), "Sign Document");
    ASSERT_TRUE(verify && sign);
    EXPECT_TRUE(verify->isEnabled());
    EXPECT_FALSE(sign->isEnabled()); // no signer name yet

    QTest::mouseClick(verify, Qt::LeftButton);
    EXPECT_EQ(resultMessage(sheet.get()), "Document is not digitally signed");
    EXPECT_EQ(resultSymbol(sheet.get()), "shield.slash");

    const pdf::DocumentPtr original = document;
    QTest::keyClicks(sheet->findChild<QLineEdit*>("signerName"), "Ada");
    sign = button(sheet.get(), "Sign Document");
    ASSERT_TRUE(sign->isEnabled());
    QTest::mouseClick(sign, Qt::LeftButton);
    EXPECT_EQ(documentsHandedOver, 1);
    EXPECT_NE(document, original); // the signed bytes became the shown document
    EXPECT_EQ(document->info(pdf::InfoKey::Subject), "Digitally Signed");
    EXPECT_EQ(resultMessage(sheet.get()), "Signature is valid. Signed by Ada");
    EXPECT_EQ(resultSymbol(sheet.get()), "checkmark.shield.fill");

    // The result stays with the model: a new sheet shows it again.
    sheet.reset();
    auto again = makeSheet(false);
    again->setSelectedTab(SignatureTab::digital);
    EXPECT_EQ(resultMessage(again.get()), "Signature is valid. Signed by Ada");
}

TEST_F(SignatureViewTest, SigningAProtectedDocumentShowsItUnlockedAndStillProtected) {
    auto sheet = makeSheet(true);
    pdf::WriteOptions protection;
    protection.ownerPassword = "owner";
    protection.userPassword = "user";
    document = pdf::Document::fromData(document->serialize(protection));
    ASSERT_TRUE(document && document->unlock("user"));
    sheet->setSelectedTab(SignatureTab::digital);
    QTest::keyClicks(sheet->findChild<QLineEdit*>("signerName"), "Ada");
    QTest::mouseClick(button(sheet.get(), "Sign Document"), Qt::LeftButton);

    // The signed copy is shown readable, not as blank locked pages, and keeps the password.
    ASSERT_EQ(documentsHandedOver, 1);
    EXPECT_FALSE(document->isLocked());
    EXPECT_TRUE(document->isEncrypted());
    EXPECT_EQ(document->pageCount(), 2);
    EXPECT_EQ(resultMessage(sheet.get()), "Signature is valid. Signed by Ada");
    auto reread = pdf::Document::fromData(pdf::sourceBytes(*document));
    ASSERT_NE(reread, nullptr);
    EXPECT_TRUE(reread->isLocked());
    EXPECT_TRUE(reread->unlock("user"));
}

TEST_F(SignatureViewTest, ASigningFailureIsShownAsNotSigned) {
    QFile blocker(keyDir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    model->setKeyStore(KeyStore(blocker.fileName() + "/keys"));
    model->setSignerName("Ada");
    auto sheet = makeSheet(true);
    sheet->setSelectedTab(SignatureTab::digital);
    sheet->signDocument();
    ASSERT_TRUE(model->verificationResult());
    EXPECT_FALSE(model->verificationResult()->isSigned);
    EXPECT_EQ(model->verificationResult()->isValid, false);
    EXPECT_TRUE(resultMessage(sheet.get()).startsWith("Signing failed: Key generation failed: "));
    EXPECT_EQ(resultSymbol(sheet.get()), "shield.slash");
    EXPECT_EQ(documentsHandedOver, 0);
}

// Pictures of each tab for a person to look at; written only when asked for.
TEST_F(SignatureViewTest, Screenshots) {
    const QString folder = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VELLUMARK_SCREENSHOT_DIR to write screenshots";
    QDir().mkpath(folder);
    auto sheet = makeSheet(true);
    sheet->resize(680, 600);
    QCoreApplication::processEvents();
    drawStroke(sheet.get());
    QTest::keyClicks(sheet->findChild<QLineEdit*>("signatureName"), "Full signature");
    sheet->grab().save(folder + "/signature-draw.png");

    addSignature("Ada Lovelace");
    addSignature("Initials");
    sheet->setSelectedTab(SignatureTab::saved);
    QCoreApplication::processEvents();
    sheet->grab().save(folder + "/signature-saved.png");

    model->setSignerName("Ada Lovelace");
    sheet->setSelectedTab(SignatureTab::digital);
    sheet->signDocument();
    model->setSignerName("Grace Hopper");
    sheet->signDocument(); // a second signature, appended to the first
    QCoreApplication::processEvents();
    sheet->grab().save(folder + "/signature-digital.png");

    // The stamp as placed, in the page's own rendering.
    model->placeSignatureOnPage(model->savedSignatures()[0], document.get(), 0);
    document->page(0)->render(1.5).save(folder + "/signature-placed.png");
}

TEST_F(SignatureViewTest, TheMainWindowSheetWorksOnTheDocumentViewModel) {
    DocumentViewModel documentVM;
    auto doc = pdf::Document::fromData(sigfix::letterPdf({"One", "Two", "Three"}));
    documentVM.loadCreatedDocument(doc, "Minutes");
    documentVM.setCurrentPageIndex(2);
    addSignature("Ada");

    // Placement: the current page, at its centre.
    ASSERT_TRUE(model->placeSignatureOnCurrentPage(model->savedSignatures()[0], documentVM));
    ASSERT_EQ(doc->page(2)->annotations().size(), 2u);
    EXPECT_EQ(doc->page(2)->annotations()[0]->bounds(), QRectF(206, 356, 200, 80));
    EXPECT_TRUE(doc->page(0)->annotations().empty());

    // Signing replaces the document and nothing else.
    model->setSignerName("Ada");
    SignatureView sheet(*model, documentVM);
    sheet.signDocument();
    EXPECT_NE(documentVM.pdfDocument(), doc);
    EXPECT_EQ(documentVM.pdfDocument()->info(pdf::InfoKey::Subject), "Digitally Signed");
    // The stamp came along, and the signature's field sits on it.
    EXPECT_EQ(documentVM.pdfDocument()->page(2)->annotations().size(), 3u);
    EXPECT_EQ(documentVM.fileName(), "Minutes");
    EXPECT_EQ(documentVM.currentPageIndex(), 2);
    EXPECT_EQ(model->verificationResult()->message, "Signature is valid. Signed by Ada");

    // Signing and placing are edits: undone in turn, the unsigned, unstamped document is back.
    documentVM.undo();
    EXPECT_EQ(documentVM.pdfDocument(), doc);
    documentVM.undo();
    EXPECT_TRUE(doc->page(2)->annotations().empty());
    EXPECT_FALSE(documentVM.canUndo());

    // Without a document nothing happens.
    DocumentViewModel empty;
    EXPECT_FALSE(model->placeSignatureOnCurrentPage(model->savedSignatures()[0], empty));
}

TEST_F(SignatureViewTest, TheDigitalTabListsEverySignatureAndSignsWithAnImportedCertificate) {
    auto dialogs = std::make_shared<ScriptedFileDialogs>();
    const auto previous = FileDialogs::install(dialogs);
    const auto certificate = sigfix::makeCertificate(keyDir.path(), "Grace Hopper", "pw");
    auto sheet = makeSheet(true);
    sheet->setSelectedTab(SignatureTab::digital);
    auto* picker = sheet->findChild<QComboBox*>("identityPicker");
    auto* password = sheet->findChild<QLineEdit*>("p12Password");
    auto* import = sheet->findChild<QPushButton*>("importIdentity");
    ASSERT_TRUE(picker && password && import);
    EXPECT_EQ(picker->count(), 1); // the name's own certificate only

    // A wrong password: said plainly, nothing kept, the password field emptied.
    dialogs->scriptOpen({certificate.p12});
    QTest::keyClicks(password, "nope");
    QTest::mouseClick(import, Qt::LeftButton);
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_EQ(dialogs->openRequests[0].contentTypes[0].extensions, (QStringList{"p12", "pfx"}));
    EXPECT_EQ(resultMessage(sheet.get()), "Signing failed: The password for signer.p12 is wrong");
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_EQ(picker->count(), 1);

    dialogs->scriptOpen({certificate.p12});
    QTest::keyClicks(password, "pw");
    QTest::mouseClick(import, Qt::LeftButton);
    EXPECT_TRUE(password->text().isEmpty());
    ASSERT_EQ(picker->count(), 2);
    EXPECT_EQ(picker->currentText(), "Grace Hopper");
    EXPECT_EQ(model->selectedIdentity(), "Grace Hopper");

    // Signed with the imported certificate, then countersigned with the name's own one.
    model->setSignerName("Ada");
    sheet->signDocument();
    picker->setCurrentIndex(0);
    EXPECT_EQ(model->selectedIdentity(), QString());
    sheet->signDocument();
    EXPECT_EQ(documentsHandedOver, 2);
    EXPECT_EQ(resultMessage(sheet.get()), "Signature is valid. Signed by Ada");
    auto* list = sheet->findChild<QListWidget*>("signatureList");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().startsWith("Signed by Grace Hopper on "));
    EXPECT_TRUE(list->item(0)->text().contains("changed after signing (form filling or "
                                               "annotations only)"));
    EXPECT_FALSE(list->item(0)->data(Qt::UserRole).toBool());
    EXPECT_TRUE(list->item(1)->text().startsWith("Signed by Ada on "));
    EXPECT_TRUE(list->item(1)->text().contains(": valid, not changed since; self-signed"));
    EXPECT_TRUE(list->item(1)->data(Qt::UserRole).toBool());
    FileDialogs::install(previous);
}

TEST_F(SignatureViewTest, ReturnInAFieldDoesItsActionAndVerifyKeepsTheFocus) {
    auto sheet = makeSheet(true);
    sheet->setSelectedTab(SignatureTab::digital);
    QLineEdit* signer = sheet->findChild<QLineEdit*>("signerName");
    ASSERT_NE(signer, nullptr);
    signer->setFocus();
    QTest::keyClick(signer, Qt::Key_Return); // no name yet: nothing, and the sheet stays
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(documentsHandedOver, 0);
    QTest::keyClicks(signer, "Ada");
    QTest::keyClick(sheet->findChild<QLineEdit*>("signerName"), Qt::Key_Return);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(documentsHandedOver, 1); // Return signed

    QPushButton* verify = button(sheet.get(), "Verify Signature");
    ASSERT_NE(verify, nullptr);
    verify->setFocus();
    QTest::keyClick(verify, Qt::Key_Space);
    QWidget* focused = sheet->focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->objectName(), "verifyButton");
    QTest::keyClick(focused, Qt::Key_Space); // verifies again rather than closing
    EXPECT_TRUE(sheet->isVisible());
}

TEST_F(SignatureViewTest, DetailsTimestampAndOlderCertificatesFromTheDigitalTab) {
    auto dialogs = std::make_shared<ScriptedFileDialogs>();
    const auto previous = FileDialogs::install(dialogs);
    const sigfix::TimestampAuthority authority(keyDir.path(), "sign");
    ASSERT_FALSE(authority.url.isEmpty());
    const auto made = sigfix::makeCertificate(keyDir.path(), "Grace Hopper", "pw");
    const QString legacy = sigfix::exportPkcs12(
        keyDir.path(), "legacy.pfx", "pw",
        {"-legacy", "-inkey", keyDir.path() + "/signer.key", "-in", made.certificatePem});

    auto sheet = makeSheet(true);
    sheet->setSelectedTab(SignatureTab::digital);
    auto* server = sheet->findChild<QLineEdit*>("timestampServer");
    auto* reason = sheet->findChild<QLineEdit*>("signingReason");
    auto* location = sheet->findChild<QLineEdit*>("signingLocation");
    ASSERT_TRUE(server && reason && location);
    QTest::keyClicks(server, authority.url);
    QTest::keyClicks(reason, "Approved");
    QTest::keyClicks(location, "Arlington");
    // The server is a preference, kept for the next sheet and the next run.
    EXPECT_EQ(Preferences::data(SignatureViewModel::timestampServerKey), authority.url.toUtf8());
    EXPECT_EQ(SignatureViewModel().timestampServer(), authority.url);

    // An older system's export (RC2-40, 3DES) imports and signs.
    dialogs->scriptOpen({legacy});
    QTest::keyClicks(sheet->findChild<QLineEdit*>("p12Password"), "pw");
    QTest::mouseClick(sheet->findChild<QPushButton*>("importIdentity"), Qt::LeftButton);
    EXPECT_EQ(model->selectedIdentity(), "Grace Hopper");
    model->setSignerName("Grace Hopper");
    sheet->signDocument();
    EXPECT_EQ(documentsHandedOver, 1) << resultMessage(sheet.get()).toStdString();
    auto* list = sheet->findChild<QListWidget*>("signatureList");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().contains(" (timestamp by Test Timestamp Authority, an "
                                               "authority not trusted here): valid"))
        << list->item(0)->text().toStdString();
    EXPECT_TRUE(pdf::sourceBytes(*document).contains("/Reason<FEFF0041"));

    const QString folder = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        sheet->resize(680, 640);
        QCoreApplication::processEvents();
        sheet->grab().save(folder + "/signature-timestamped.png");
    }
    Preferences::remove(SignatureViewModel::timestampServerKey);
    FileDialogs::install(previous);
}
