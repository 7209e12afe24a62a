#include "viewmodels/SignatureViewModel.h"

#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "platform/Preferences.h"
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SignatureViewModelTest : public ::testing::Test {
protected:
    void SetUp() override { Preferences::remove(SignatureViewModel::storageKey); }
    void TearDown() override { Preferences::remove(SignatureViewModel::storageKey); }

    static void saveAs(SignatureViewModel& model, const QString& name) {
        model.setCurrentSignatureImage(sigfix::scribble());
        model.setSignatureName(name);
        model.saveCurrentSignature();
    }

    static QStringList names(const SignatureViewModel& model) {
        QStringList list;
        for (const SavedSignature& s : model.savedSignatures())
            list << s.name;
        return list;
    }

    static pdf::DocumentPtr letter() {
        return pdf::Document::fromData(sigfix::letterPdf({"Contract"}));
    }
};

QRectF rounded(const QRectF& r) {
    return QRectF(std::round(r.x() * 100) / 100, std::round(r.y() * 100) / 100,
                  std::round(r.width() * 100) / 100, std::round(r.height() * 100) / 100);
}

} // namespace

TEST_F(SignatureViewModelTest, StartsWithTheDocumentedValues) {
    SignatureViewModel model;
    EXPECT_TRUE(model.savedSignatures().empty());
    EXPECT_TRUE(model.currentSignatureImage().isNull());
    EXPECT_TRUE(model.signatureName().isEmpty());
    EXPECT_TRUE(model.includeStamp());
    EXPECT_TRUE(model.stampName().isEmpty());
    EXPECT_FALSE(model.verificationResult().has_value());
    EXPECT_TRUE(model.signerName().isEmpty());
    EXPECT_STREQ(SignatureViewModel::storageKey, "saved_signatures");
}

TEST_F(SignatureViewModelTest, SavingNeedsAnImageAndAName) {
    SignatureViewModel model;
    model.setCurrentSignatureImage(sigfix::scribble());
    model.saveCurrentSignature(); // empty name: nothing saved, nothing cleared
    EXPECT_TRUE(model.savedSignatures().empty());
    EXPECT_FALSE(model.currentSignatureImage().isNull());
    EXPECT_FALSE(Preferences::contains(SignatureViewModel::storageKey));

    model.setCurrentSignatureImage(QImage());
    model.setSignatureName("Initials");
    model.saveCurrentSignature(); // no image
    EXPECT_TRUE(model.savedSignatures().empty());
    EXPECT_EQ(model.signatureName(), "Initials");
}

TEST_F(SignatureViewModelTest, SavingAppendsPersistsAndClears) {
    SignatureViewModel model;
    saveAs(model, "Full");
    QSignalSpy libraryChanged(&model, &SignatureViewModel::savedSignaturesChanged);
    QSignalSpy imageChanged(&model, &SignatureViewModel::currentSignatureImageChanged);
    const QImage drawn = sigfix::scribble(280, 100);
    model.setCurrentSignatureImage(drawn);
    model.setSignatureName("Initials");
    model.saveCurrentSignature();

    EXPECT_EQ(names(model), (QStringList{"Full", "Initials"}));
    EXPECT_TRUE(model.signatureName().isEmpty());
    EXPECT_TRUE(model.currentSignatureImage().isNull());
    EXPECT_EQ(libraryChanged.count(), 1);
    EXPECT_EQ(imageChanged.count(), 2); // set, then cleared

    // The stored PNG is the drawing, transparency included.
    const QImage stored = QImage::fromData(model.savedSignatures().back().imageData, "PNG");
    ASSERT_FALSE(stored.isNull());
    EXPECT_EQ(stored.size(), drawn.size());
    EXPECT_TRUE(stored.hasAlphaChannel());
    EXPECT_EQ(qAlpha(stored.pixel(0, 0)), 0);

    // The preferences entry is the JSON array, read back by a new model.
    const auto bytes = Preferences::data(SignatureViewModel::storageKey);
    ASSERT_TRUE(bytes);
    const QJsonArray array = QJsonDocument::fromJson(*bytes).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[1].toObject().value("name").toString(), "Initials");
    SignatureViewModel reloaded;
    EXPECT_EQ(reloaded.savedSignatures(), model.savedSignatures());
}

TEST_F(SignatureViewModelTest, NamesRoundTripExactly) {
    const QString awkward = "Dr. \"Zoë\" O'Brien \\ 山田\n\t<&>";
    {
        SignatureViewModel model;
        saveAs(model, awkward);
    }
    SignatureViewModel reloaded;
    ASSERT_EQ(reloaded.savedSignatures().size(), 1u);
    EXPECT_EQ(reloaded.savedSignatures()[0].name, awkward);
}

TEST_F(SignatureViewModelTest, DeletingRemovesExactlyThatEntry) {
    SignatureViewModel model;
    saveAs(model, "Same");
    saveAs(model, "Same");
    saveAs(model, "Other");
    const SavedSignature second = model.savedSignatures()[1];
    model.deleteSignature(second);
    ASSERT_EQ(model.savedSignatures().size(), 2u);
    EXPECT_NE(model.savedSignatures()[0].id, second.id);
    EXPECT_EQ(names(model), (QStringList{"Same", "Other"}));
    SignatureViewModel reloaded;
    EXPECT_EQ(reloaded.savedSignatures(), model.savedSignatures());
}

TEST_F(SignatureViewModelTest, AnUnreadableLibraryStartsEmptyAndIsReplacedOnSave) {
    Preferences::setData(SignatureViewModel::storageKey, "[{\"name\":\"no id\"}]");
    SignatureViewModel model;
    EXPECT_TRUE(model.savedSignatures().empty());
    saveAs(model, "Fresh");
    SignatureViewModel reloaded;
    EXPECT_EQ(names(reloaded), QStringList{"Fresh"});
}

TEST_F(SignatureViewModelTest, PlacementOnLetterPutsStampAndLineWhereExpected) {
    SignatureViewModel model;
    saveAs(model, "Ada Lovelace");
    const SavedSignature signature = model.savedSignatures()[0];
    auto doc = letter();
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(model.placeSignatureOnPage(signature, doc.get(), 0));

    const auto annotations = doc->page(0)->annotations();
    ASSERT_EQ(annotations.size(), 2u);
    EXPECT_EQ(annotations[0]->subtype(), "Stamp");
    EXPECT_EQ(rounded(annotations[0]->bounds()), QRectF(206, 356, 200, 80));
    EXPECT_EQ(annotations[1]->subtype(), "FreeText");
    EXPECT_EQ(rounded(annotations[1]->bounds()), QRectF(206, 336, 200, 16));
    EXPECT_TRUE(annotations[1]->contents().startsWith("Signed by Ada Lovelace on "));
    EXPECT_DOUBLE_EQ(annotations[1]->fontSize(), 9);
    const QColor grey = annotations[1]->fontColor();
    EXPECT_NEAR(grey.redF(), 0.5, 0.02);
    EXPECT_EQ(grey.red(), grey.green());
    EXPECT_EQ(grey.green(), grey.blue());

    // The stamp shows in another reader's rendering of a written copy: ink in the stamp's
    // area, none above it, and the text line below it.
    QTemporaryDir dir;
    const QString path = dir.path() + "/signed.pdf";
    ASSERT_TRUE(doc->write(path));
    int exitCode = -1;
    fixtures::runTool("pdftoppm", {"-r", "72", "-png", "-singlefile", path, dir.path() + "/page"},
                      &exitCode);
    ASSERT_EQ(exitCode, 0);
    const QImage page(dir.path() + "/page.png");
    ASSERT_EQ(page.size(), QSize(612, 792));
    auto darkIn = [&](QRect r) {
        int dark = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                dark += qGray(page.pixel(x, y)) < 100;
        return dark;
    };
    // Page space (206, 356)–(406, 436) is image rows 792-436 = 356 to 436.
    EXPECT_GT(darkIn(QRect(206, 356, 200, 80)), 300);
    EXPECT_EQ(darkIn(QRect(206, 200, 200, 140)), 0);
    int greyText = 0;
    for (int y = 792 - 352; y < 792 - 336; ++y)
        for (int x = 206; x < 406; ++x)
            greyText += qGray(page.pixel(x, y)) < 200;
    EXPECT_GT(greyText, 20);
}

TEST_F(SignatureViewModelTest, StampOptionsDecideTheTextLine) {
    SignatureViewModel model;
    saveAs(model, "Own Name");
    const SavedSignature signature = model.savedSignatures()[0];
    auto doc = letter();
    auto page = doc->page(0);

    model.setStampName("Stamp Name");
    model.placeSignature(signature, *page, {100, 100}, {50, 20});
    EXPECT_TRUE(page->annotations().back()->contents().startsWith("Signed by Stamp Name on "));

    model.setIncludeStamp(false);
    model.placeSignature(signature, *page, {100, 100}, {50, 20});
    model.placeSignature(signature, *page, {100, 100}, {50, 20});
    const auto annotations = page->annotations();
    ASSERT_EQ(annotations.size(), 4u); // stamp + line, then two stamps alone
    EXPECT_EQ(annotations[2]->subtype(), "Stamp");
    EXPECT_EQ(annotations[3]->subtype(), "Stamp");
    EXPECT_EQ(rounded(annotations[2]->bounds()), rounded(annotations[3]->bounds()));
    EXPECT_EQ(rounded(annotations[2]->bounds()), QRectF(75, 90, 50, 20));
}

TEST_F(SignatureViewModelTest, PlacementWithoutAPageOrAnImageDoesNothing) {
    SignatureViewModel model;
    saveAs(model, "A");
    const SavedSignature signature = model.savedSignatures()[0];
    auto doc = letter();
    EXPECT_FALSE(model.placeSignatureOnPage(signature, nullptr, 0));
    EXPECT_FALSE(model.placeSignatureOnPage(signature, doc.get(), 1));
    EXPECT_FALSE(model.placeSignatureOnPage(signature, doc.get(), -1));
    SavedSignature notAnImage = signature;
    notAnImage.imageData = "not a png";
    model.placeSignatureOnPage(notAnImage, doc.get(), 0);
    EXPECT_TRUE(doc->page(0)->annotations().empty());
}

TEST_F(SignatureViewModelTest, StampTextUsesTheAbbreviatedDateAndShortTime) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime when(QDate(2026, 12, 7), QTime(14, 5));
    const QString text = SignatureViewModel::stampText("Ada", when);
    QLocale::setDefault(previous);
    EXPECT_EQ(text, "Signed by Ada on Dec 7, 2026, 2:05 PM") << text.toStdString();
}

TEST_F(SignatureViewModelTest, SigningUsesTheSignerNameOrUser) {
    QTemporaryDir dir;
    SignatureViewModel model;
    model.setKeyStore(KeyStore(dir.path() + "/keys"));
    auto doc = letter();
    const QByteArray signedData = model.signDocument(*doc);
    auto reopened = pdf::Document::fromData(signedData);
    ASSERT_NE(reopened, nullptr);
    auto result = DigitalSignatureService::verifyDocument(*reopened, model.keyStore());
    EXPECT_EQ(result.message, "Signature is valid. Signed by User");

    model.setSignerName("Grace");
    reopened = pdf::Document::fromData(model.signDocument(*doc));
    EXPECT_EQ(DigitalSignatureService::verifyDocument(*reopened, model.keyStore()).signerName,
              "Grace");
}

TEST_F(SignatureViewModelTest, TheTextLineReadsBackInAnotherReader) {
    SignatureViewModel model;
    saveAs(model, "Zoë Ünal");
    auto doc = letter();
    model.placeSignatureOnPage(model.savedSignatures()[0], doc.get(), 0);
    QTemporaryDir dir;
    ASSERT_TRUE(doc->write(dir.path() + "/signed.pdf"));
    const QString text =
        QString::fromUtf8(fixtures::runTool("pdftotext", {dir.path() + "/signed.pdf", "-"}));
    EXPECT_TRUE(text.contains("Signed by Zoë Ünal on")) << text.toStdString();
}

TEST_F(SignatureViewModelTest, NamesInAnyScriptShowInTheTextLine) {
    SignatureViewModel model;
    saveAs(model, "Ωμέγα Łódź Юлия 山田太郎");
    auto doc = letter();
    model.placeSignatureOnPage(model.savedSignatures()[0], doc.get(), 0);
    const auto line = doc->page(0)->annotations().back();
    EXPECT_EQ(line->fontSize(), 9);
    EXPECT_EQ(rounded(line->bounds()), QRectF(206, 336, 200, 16));
    QTemporaryDir dir;
    const QString path = dir.path() + "/signed.pdf";
    ASSERT_TRUE(doc->write(path));
    const QString text = QString::fromUtf8(fixtures::runTool("pdftotext", {path, "-"}));
    EXPECT_TRUE(text.contains("Signed by Ωμέγα Łódź Юлия 山田太郎 on")) << text.toStdString();
    int exitCode = -1;
    fixtures::runTool("qpdf", {"--check", path}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    // Read back by this program too: the drawn line survives reopening.
    auto reopened = pdf::Document::open(path);
    const QImage page = reopened->page(0)->render(1.0);
    int ink = 0;
    for (int y = 792 - 352; y < 792 - 336; ++y)
        for (int x = 206; x < 406; ++x)
            ink += qGray(page.pixel(x, y)) < 200;
    EXPECT_GT(ink, 40);
}

TEST_F(SignatureViewModelTest, TheDigitalSignatureShowsBelowThePlacedStamp) {
    QTemporaryDir keys;
    SignatureViewModel model;
    model.setKeyStore(KeyStore(keys.path() + "/keys"));
    model.setSignerName("Ada");
    saveAs(model, "Ada's hand");

    // Without a stamp the field is invisible.
    auto plain = letter();
    const QByteArray invisible = model.signDocument(*plain);
    EXPECT_TRUE(invisible.contains("/FT/Sig/F 132/Rect[0 0 0 0]/T"));

    // On a Letter page the stamp sits at its centre, 200 x 80 ([206 356 406 436]): the
    // field shows signer and date in a box of two lines below it, past its "Signed by" line.
    auto doc = letter();
    ASSERT_TRUE(model.placeSignatureOnPage(model.savedSignatures()[0], doc.get(), 0));
    const QByteArray visible = model.signDocument(*doc);
    const QRegularExpression field("/FT/Sig/F 132/Rect\\[206 304 406 332\\]/AP<</N (\\d+) 0 R>>");
    EXPECT_TRUE(field.match(QString::fromLatin1(visible)).hasMatch());

    // On a page turned a quarter, "below" is below as the page is shown: to its right.
    auto turned = letter();
    turned->page(0)->setRotation(90);
    ASSERT_TRUE(model.placeSignatureOnPage(model.savedSignatures()[0], turned.get(), 0));
    EXPECT_TRUE(QString::fromLatin1(model.signDocument(*turned))
                    .contains(QRegularExpression("/FT/Sig/F 132/Rect\\[370 296 398 496\\]/AP")));

    QTemporaryDir out;
    const QString path = fixtures::writeTemp(out.path(), "visible.pdf", visible);
    const auto report = sigfix::runProgram("pdfsig", {path});
    EXPECT_TRUE(report.out.contains("Signature is Valid.")) << report.out.toStdString();
    // The stamp still draws, and nothing else was disturbed.
    EXPECT_EQ(sigfix::runProgram("qpdf", {"--check", path}).exitCode, 0);
}
