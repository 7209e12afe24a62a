// How the text of a page is gathered from content streams written the many ways real
// producers write them: kerned arrays, repeated drawing, invisible text, ligatures,
// rotation, columns.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "support/PdfFixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// One Letter page drawing `content` with /F1 = Helvetica (WinAnsi), /F2 = Helvetica
// whose code 31 is the "fi" ligature glyph and /F3 = Courier.
QByteArray pageWith(const QByteArray& content, const QByteArray& pageExtra = {}) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int f1 = pdf.add(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    const int f2 =
        pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Type /Encoding "
                "/BaseEncoding /WinAnsiEncoding /Differences [31 /fi] >> >>");
    const int f3 = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>");
    const int stream = pdf.addStream("<< >>", content);
    const int page = pdf.add("<< /Type /Page /Parent " + QByteArray::number(pages) +
                             " 0 R /MediaBox [0 0 612 792] " + pageExtra +
                             " /Resources << /Font << /F1 " + QByteArray::number(f1) + " 0 R /F2 " +
                             QByteArray::number(f2) + " 0 R /F3 " + QByteArray::number(f3) +
                             " 0 R >> >> /Contents " + QByteArray::number(stream) + " 0 R >>");
    pdf.set(pages, "<< /Type /Pages /Kids [" + QByteArray::number(page) + " 0 R] /Count 1 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) + " 0 R >>");
    return pdf.build(catalog);
}

std::shared_ptr<const pdf::TextPage> textOf(const QByteArray& content,
                                            const QByteArray& pageExtra = {}) {
    auto doc = pdf::Document::fromData(pageWith(content, pageExtra));
    EXPECT_TRUE(doc);
    return doc ? doc->page(0)->textPage() : nullptr;
}

TEST(PageTextLayout, GapsBecomeSpacesAndKerningDoesNot) {
    // Words placed apart by a positioning array, with no space character between them;
    // a small kern inside a word must not split it.
    auto tp = textOf("BT /F1 12 Tf 72 700 Td [(Hel) -20 (lo) -400 (World)] TJ ET");
    EXPECT_EQ(tp->text(), "Hello World");
    // A space that is there is not doubled by the gap it makes.
    tp = textOf("BT /F1 12 Tf 72 700 Td [(Hello ) -300 (World)] TJ ET");
    EXPECT_EQ(tp->text(), "Hello World");
}

TEST(PageTextLayout, LinesColumnsAndBaselines) {
    // Two text objects on one baseline far apart are two lines (table cells, columns);
    // a superscript stays in its line; the next baseline down starts a new line.
    auto tp = textOf("BT /F1 12 Tf 72 700 Td (Left) Tj ET BT /F1 12 Tf 400 700 Td (Right) Tj ET "
                     "BT /F1 12 Tf 72 680 Td (E = mc) Tj 4 Ts /F1 8 Tf (2) Tj 0 Ts ET "
                     "BT /F1 12 Tf 72 660 Td (Next) Tj ET");
    EXPECT_EQ(tp->text(), "Left\nRight\nE = mc2\nNext");
    ASSERT_EQ(tp->lines().size(), 4u);
    // Boxes are in PDF user space: the first line sits at its baseline, 72 pt in.
    const QRectF left = tp->lines()[0].box;
    EXPECT_NEAR(left.left(), 72, 0.5);
    EXPECT_LT(left.top(), 700);
    EXPECT_GT(left.bottom(), 700);
    EXPECT_NEAR(left.width(), 20.0, 0.5); // "Left" is 1668/1000 em wide in Helvetica
    EXPECT_GT(tp->lines()[0].box.top(), tp->lines()[3].box.top());
}

TEST(PageTextLayout, EachGlyphIsAsWideAsItsOwnFontSaysPageAfterPage) {
    // The same letters in a narrow and a fixed-pitch font, switching back and forth within
    // a line: each run is as wide as its own font makes it, on every page read in turn.
    const auto width = [](const pdf::TextPage& tp, int first, int last) {
        return tp.chars()[size_t(last - 1)].x1 - tp.chars()[size_t(first)].x0;
    };
    for (int round = 0; round < 3; ++round) {
        auto tp = textOf("BT /F1 10 Tf 72 700 Td (iii) Tj /F3 10 Tf (iii) Tj /F1 10 Tf (iii) Tj "
                         "/F3 10 Tf (iii) Tj ET");
        ASSERT_EQ(tp->text(), "iiiiiiiiiiii");
        for (int run = 0; run < 4; ++run) {
            // Helvetica's i is 222/1000 em, Courier's 600/1000.
            const float expected = run % 2 == 0 ? 3 * 2.22f : 3 * 6.0f;
            EXPECT_NEAR(width(*tp, 3 * run, 3 * run + 3), expected, 0.3f) << round << run;
        }
        // Another document read next on the same thread keeps none of the first one's widths.
        tp = textOf("BT /F3 10 Tf 72 700 Td (iii) Tj ET");
        EXPECT_NEAR(width(*tp, 0, 3), 18.0f, 0.3f);
    }
}

TEST(PageTextLayout, RepeatedAndInvisibleTextIsCollectedOnce) {
    // Filled and stroked in one go (render mode 2), each letter drawn twice on the same
    // spot or a hair to the right to look bold (B is 667/1000 em wide), and invisible
    // (render mode 3, as over a scan): each reads once. Real double letters stay.
    auto tp = textOf("BT /F1 12 Tf 2 Tr 72 700 Td (Outline) Tj ET "
                     "BT /F1 12 Tf 72 680 Td [(B) 667 (B) (o) 530 (o) (ld) 556 (d) ( ill)] TJ ET "
                     "BT /F1 12 Tf 3 Tr 72 660 Td (Hidden) Tj ET");
    EXPECT_EQ(tp->text(), "Outline\nBold ill\nHidden");
}

TEST(PageTextLayout, LigaturesBecomeLettersSharingTheGlyph) {
    auto tp = textOf("BT /F2 12 Tf 72 700 Td (\\037nd) Tj ET");
    ASSERT_EQ(tp->text(), "find");
    const auto& chars = tp->chars();
    // "f" and "i" split the ligature's width between them, in order.
    EXPECT_NEAR(chars[0].box().right(), chars[1].box().left(), 0.01);
    EXPECT_GT(chars[1].box().width(), 0.5);
    EXPECT_NEAR(chars[1].box().right(), chars[2].box().left(), 0.01);
    EXPECT_EQ(tp->find(pdf::foldForSearch("FIND")).size(), 1u);
}

TEST(PageTextLayout, RotatedTextAndRotatedPages) {
    // Text running up the page reads as one line with boxes along it.
    auto tp = textOf("BT /F1 12 Tf 0 1 -1 0 300 100 Tm (Upwards) Tj ET");
    ASSERT_EQ(tp->text(), "Upwards");
    const QRectF up = tp->lines()[0].box;
    EXPECT_GT(up.height(), up.width() * 2);
    EXPECT_NEAR(up.top(), 100, 0.5); // PDF space: the text starts at y = 100 and goes up
    EXPECT_NEAR(up.height(), 47.3, 1.0);
    EXPECT_LT(up.left(), 300);
    EXPECT_GT(up.right(), 300);
    // A page shown rotated keeps its boxes in its own (unrotated) space.
    tp = textOf("BT /F1 12 Tf 72 700 Td (Turned) Tj ET", "/Rotate 90");
    ASSERT_EQ(tp->text(), "Turned");
    EXPECT_NEAR(tp->lines()[0].box.left(), 72, 0.5);
    EXPECT_LT(tp->lines()[0].box.top(), 700);
}

TEST(PageTextLayout, WholeDocumentExtractionMatchesPageByPage) {
    // Long documents are read on several threads from private copies (which open with the
    // password a locked document was opened with); the result must be the same as asking
    // each page in turn, whatever the order of completion.
    std::vector<QStringList> pages;
    for (int i = 0; i < 40; ++i)
        pages.push_back(
            {QStringLiteral("Page %1").arg(i + 1), QStringLiteral("line %1 of text").arg(i * 7)});
    pdf::WriteOptions locked;
    locked.userPassword = QStringLiteral("s3cret");
    const QByteArray plain = textPdf(pages);
    const QByteArray encrypted = pdf::Document::fromData(plain)->serialize(locked);
    for (const QByteArray& bytes : {plain, encrypted}) {
        auto all = pdf::Document::fromData(bytes);
        auto each = pdf::Document::fromData(bytes);
        if (all->isLocked()) {
            ASSERT_TRUE(all->unlock("s3cret"));
            ASSERT_TRUE(each->unlock("s3cret"));
        }
        const auto texts = all->textPages();
        ASSERT_EQ(texts.size(), 40u);
        for (int i = 0; i < 40; ++i) {
            auto single = each->page(i)->textPage();
            ASSERT_TRUE(texts[size_t(i)]);
            EXPECT_EQ(texts[size_t(i)]->text(), single->text()) << "page " << i;
            EXPECT_EQ(texts[size_t(i)]->lines()[1].box, single->lines()[1].box);
        }
        // Asking again hands out what was kept rather than reading the pages once more.
        EXPECT_EQ(all->textPages()[5], texts[5]);
        EXPECT_EQ(all->page(5)->textPage(), texts[5]);
    }
}

} // namespace
