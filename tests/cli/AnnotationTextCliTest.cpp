// What form fields and free-text annotations show is text, as other readers read it: at its
// place among the page's own lines, found by search, and left out with --no-annotations.
#include "pdf/document/Document.h"
#include "pdf/text/Selection.h"
#include "support/CliFixture.h"
#include "support/PdfFixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// A heading at the top, a filled text field under it, a paragraph under that, and a
// free-text note at the bottom, each with its appearance.
QByteArray annotatedPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int page = pdf.reserve();
    const QByteArray font =
        QByteArray::number(pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                                   "/Encoding /WinAnsiEncoding >>")) +
        " 0 R";
    const auto appearance = [&](const QByteArray& text, int height) {
        return pdf.addStream("<< /Type /XObject /Subtype /Form /BBox [0 0 228 " +
                                 QByteArray::number(height) + "] /Resources << /Font << /Helv " +
                                 font + " >> >> >>",
                             "BT /Helv 12 Tf 2 5 Td (" + text + ") Tj ET");
    };
    const int field = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Fieldvalue) "
                              "/Rect [72 600 300 620] /DA (/Helv 12 Tf 0 g) /F 4 /AP << /N " +
                              QByteArray::number(appearance("Fieldvalue", 20)) + " 0 R >> >>");
    const int note = pdf.add("<< /Type /Annot /Subtype /FreeText /Rect [72 300 300 330] "
                             "/Contents (Margin note) /DA (/Helv 12 Tf 0 g) /F 4 /AP << /N " +
                             QByteArray::number(appearance("Margin note", 30)) + " 0 R >> >>");
    const int contents = pdf.addStream("<< >>", "BT /F1 12 Tf 72 700 Td (Heading above) Tj ET "
                                                "BT /F1 12 Tf 72 500 Td (Paragraph below) Tj ET");
    const QByteArray fieldRef = QByteArray::number(field) + " 0 R";
    pdf.set(page, "<< /Type /Page /Parent " + QByteArray::number(pages) +
                      " 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 " + font +
                      " >> >> /Contents " + QByteArray::number(contents) + " 0 R /Annots [" +
                      fieldRef + " " + QByteArray::number(note) + " 0 R] >>");
    pdf.set(pages, "<< /Type /Pages /Kids [" + QByteArray::number(page) + " 0 R] /Count 1 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) +
                         " 0 R /AcroForm << /Fields [" + fieldRef + "] >> >>");
    return pdf.build(catalog);
}

class AnnotationTextCli : public CliFixture {};

} // namespace

TEST_F(AnnotationTextCli, FieldsAndNotesAreReadInPlaceAndLeftOutOnRequest) {
    const QString in = file("annotated.pdf", annotatedPdf());
    EXPECT_EQ(cli({"text", in}).split('\n', Qt::SkipEmptyParts),
              QStringList({"Heading above", "Fieldvalue", "Paragraph below", "Margin note"}));
    EXPECT_EQ(cli({"text", in, "--no-annotations"}).split('\n', Qt::SkipEmptyParts),
              QStringList({"Heading above", "Paragraph below"}));
    if (toolAvailable("pdftotext")) { // another reader sees the same words
        const QString theirs = QString::fromUtf8(runTool("pdftotext", {in, "-"}));
        for (const char* words : {"Fieldvalue", "Margin note"})
            EXPECT_TRUE(theirs.contains(words)) << words;
    }
    EXPECT_TRUE(cli({"search", in, "margin"}).startsWith("page 1: Margin"));
    EXPECT_TRUE(cli({"search", in, "fieldvalue", "--no-annotations"}).startsWith("0 matches"));
    // The window's search reads the same text.
    EXPECT_EQ(pdf::Document::fromData(annotatedPdf())->findString("margin note").size(), 1u);
}
