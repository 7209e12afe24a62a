#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/UnicodeText.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FreeTextScriptsTest, OnlyTextBeyondTheStandardFontsNeedsOurOwnAppearance) {
    using pdf::unicodetext::fitsStandardFont;
    EXPECT_TRUE(fitsStandardFont("Signed by Zoë Ünal – “quoted” €5"));
    EXPECT_FALSE(fitsStandardFont("Łódź"));
    EXPECT_FALSE(fitsStandardFont("Ωμέγα"));
    EXPECT_FALSE(fitsStandardFont("山田"));
}

TEST(FreeTextScriptsTest, OtherScriptsAreDrawnWrappedAndReadBack) {
    auto doc = pdf::Document::fromData(fixtures::textPdf({{"x"}}));
    ASSERT_NE(doc, nullptr);
    auto page = doc->page(0);
    // A tall box wraps at spaces; every word is kept.
    const QString paragraph = "Юлия Ωμέγα Łódź 山田太郎 Юлия Ωμέγα Łódź 山田太郎";
    auto note = page->addFreeText(QRectF(72, 500, 90, 80), paragraph, 12, Qt::black);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->contents(), paragraph);
    EXPECT_EQ(note->fontSize(), 12);
    QTemporaryDir dir;
    const QString path = fixtures::writeTemp(dir.path(), "out.pdf", doc->dataRepresentation());
    const QString text = QString::fromUtf8(fixtures::runTool("pdftotext", {path, "-"}));
    for (const QString& word : paragraph.split(' '))
        EXPECT_TRUE(text.contains(word)) << word.toStdString();
    EXPECT_GT(text.count('\n'), 2); // more than one line
    int exitCode = -1;
    fixtures::runTool("qpdf", {"--check", path}, &exitCode);
    EXPECT_EQ(exitCode, 0);
}
