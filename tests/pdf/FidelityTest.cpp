// Files shaped as other producers write them, read and edited without surprises: shared
// annotation arrays, odd rotations, damaged headers, empty page trees, and the fonts cut
// down for appearances.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/document/PageRotation.h"
#include "pdf/engine/Error.h"
#include "pdf/text/FontSubset.h"
#include "support/FidelityFixtures.h"
#include "support/PdfFixtures.h"

#include <QFile>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

TEST(FidelityTest, EveryAnnotationKindAddedToASharingPageStaysOnIt) {
    auto doc = pdf::Document::fromData(sharedAnnotsPdf());
    ASSERT_TRUE(doc);
    auto third = doc->page(2);
    ASSERT_TRUE(third);
    QImage stamp(8, 8, QImage::Format_RGB32);
    stamp.fill(Qt::blue);
    EXPECT_TRUE(third->addHighlight(QRectF(20, 140, 60, 20), QColor(255, 255, 0)));
    EXPECT_TRUE(third->addFreeText(QRectF(20, 200, 150, 30), "Łódź", 12, Qt::black));
    EXPECT_TRUE(third->addImageStamp(QRectF(200, 200, 40, 40), stamp));
    EXPECT_TRUE(third->addTextWatermark(QRectF(0, 0, 300, 300), "DRAFT", 40, Qt::gray, -45));
    EXPECT_EQ(doc->page(3)->annotations().size(), 1u);

    // Written and read again, the other sharer still holds the square alone.
    auto reread = pdf::Document::fromData(doc->dataRepresentation());
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->page(2)->annotations().size(), 5u);
    EXPECT_EQ(reread->page(3)->annotations().size(), 1u);
    EXPECT_EQ(reread->page(0)->annotations().size(), 0u);
}

TEST(FidelityTest, RotationIsTheQuarterTurnTheEngineDraws) {
    EXPECT_EQ(pdf::normalizedRotation(0), 0);
    EXPECT_EQ(pdf::normalizedRotation(44), 0);
    EXPECT_EQ(pdf::normalizedRotation(45), 90);
    EXPECT_EQ(pdf::normalizedRotation(-90), 270);
    EXPECT_EQ(pdf::normalizedRotation(450), 90);
    EXPECT_EQ(pdf::normalizedRotation(315), 0);
    EXPECT_EQ(pdf::normalizedRotation(-1000), 90); // -1000 is 80 past a full turn

    auto doc = pdf::Document::fromData(oddRotationPdf());
    ASSERT_TRUE(doc);
    const int expected[] = {90, 270, 90, 180};
    const auto sizes = doc->pageSizes();
    for (int i = 0; i < 4; ++i) {
        auto page = doc->page(i);
        EXPECT_EQ(page->rotation(), expected[i]) << i;
        // Reported, laid out and drawn alike.
        const bool landscape = expected[i] % 180 != 0;
        EXPECT_EQ(sizes[size_t(i)].width() > sizes[size_t(i)].height(), landscape) << i;
        const QImage image = page->render(0.5);
        EXPECT_EQ(image.width() > image.height(), landscape) << i;
    }
}

TEST(FidelityTest, AFileWithoutPagesIsNotWrittenAndADamagedHeaderStillOpens) {
    auto empty = pdf::Document::fromData(zeroPagePdf());
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->pageCount(), 0);
    QString error;
    EXPECT_FALSE(empty->write("/tmp/never-written-by-fidelity-test.pdf", {}, &error));
    EXPECT_TRUE(error.contains("no page")) << error.toStdString();
    EXPECT_THROW(empty->serialize({}), pdf::Error);
    EXPECT_FALSE(QFile::exists("/tmp/never-written-by-fidelity-test.pdf"));

    auto damaged = pdf::Document::fromData(damagedHeaderPdf("%PDX-1.7"));
    ASSERT_TRUE(damaged);
    EXPECT_EQ(damaged->pageCount(), 1);
    EXPECT_FALSE(pdf::Document::fromData("plain words, nothing else"));
}

namespace {

// Cuts the face at `path` down to `text` and checks that the subset draws those characters
// exactly as the whole face does, and no longer holds `absent`.
void expectFaithfulSubset(const char* path, const QString& text, const QString& absent,
                          double largestShare) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << path << " is not installed";
    const QByteArray whole = file.readAll();
    const QRawFont full(whole, 20);
    ASSERT_TRUE(full.isValid());
    const QList<quint32> gids = full.glyphIndexesForString(text);
    pdf::fontsubset::GlyphUse used;
    for (int i = 0; i < text.size(); ++i)
        used.push_back({char32_t(text[i].unicode()), int(gids[i])});

    const QByteArray subset = pdf::fontsubset::subsetFontFile(whole, used);
    ASSERT_FALSE(subset.isEmpty()) << path;
    EXPECT_LT(subset.size(), whole.size() * largestShare) << path;
    const QRawFont cut(subset, 20);
    ASSERT_TRUE(cut.isValid()) << path;
    EXPECT_EQ(cut.glyphIndexesForString(text), gids) << path;
    EXPECT_EQ(cut.advancesForGlyphIndexes(gids), full.advancesForGlyphIndexes(gids)) << path;
    for (quint32 gid : gids)
        EXPECT_EQ(cut.pathForGlyph(gid).boundingRect(), full.pathForGlyph(gid).boundingRect())
            << path << " glyph " << gid;
    const quint32 q = full.glyphIndexesForString(absent).value(0);
    ASSERT_NE(q, 0u) << path;
    EXPECT_FALSE(full.pathForGlyph(q).isEmpty());
    EXPECT_TRUE(cut.pathForGlyph(q).isEmpty()) << path;
}

} // namespace

TEST(FidelityTest, ASubsetDrawsWhatItHoldsAsTheWholeFaceDoes) {
    const QString text = QString::fromUtf8("Łódź Dvořák");
    expectFaithfulSubset("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", text, "Q", 0.2);
    expectFaithfulSubset("/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf", text, "Q",
                         0.5);
    // Glyph ids run high in a CJK face: what stays is mostly the metrics up to the last one.
    expectFaithfulSubset("/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf",
                         QString::fromUtf8("機密文書"), QString::fromUtf8("語"), 0.1);
    // Bytes that are not a whole face are left to the caller.
    QFile file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    if (file.open(QIODevice::ReadOnly)) {
        EXPECT_TRUE(pdf::fontsubset::subsetFontFile(file.read(200), {{U'A', 36}}).isEmpty());
    }
    EXPECT_TRUE(pdf::fontsubset::subsetFontFile("not a font", {{U'A', 36}}).isEmpty());
}

TEST(FidelityTest, AFilledValueKeepsItsCoveringAppearanceThroughRedrawsAndSaving) {
    if (!toolAvailable("pdftotext"))
        GTEST_SKIP() << "pdftotext is needed";
    QTemporaryDir dir;
    auto doc = pdf::Document::fromData(unicodeFormPdf({"Kraków", "Łódź"}));
    ASSERT_TRUE(doc);
    auto page = doc->page(0);
    pdf::AnnotationPtr name, city;
    for (const auto& a : page->annotations())
        (a->fieldName() == "name" ? name : city) = a;
    ASSERT_TRUE(name && city);
    EXPECT_TRUE(name->setWidgetStringValue(QString::fromUtf8("Łódź Dvořák")));
    EXPECT_TRUE(city->setWidgetStringValue(QString::fromUtf8("Łódź")));
    // The window redraws the page after every edit; the engine must not redo the
    // appearance with its WinAnsi font then.
    EXPECT_FALSE(page->render(1.0).isNull());
    const QString out = dir.filePath("filled.pdf");
    ASSERT_TRUE(doc->write(out));
    const QString text = QString::fromUtf8(runTool("pdftotext", {"-enc", "UTF-8", out, "-"}));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Łódź Dvořák"))) << text.toStdString();
    EXPECT_EQ(text.count(QString::fromUtf8("Łódź")), 2) << text.toStdString();
    EXPECT_FALSE(text.contains(QChar(0xB7))) << text.toStdString();
    auto reread = pdf::Document::open(out);
    ASSERT_TRUE(reread);
    for (const auto& a : reread->page(0)->annotations()) {
        if (a->fieldName() == "name") {
            EXPECT_EQ(a->widgetStringValue(), QString::fromUtf8("Łódź Dvořák"));
        }
    }
}
