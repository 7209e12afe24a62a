// Composed pages are checked by reading back what the written PDF draws.
#include "utilities/PDFCreationService.h"
#include "pdf/document/PageTrace.h"
#include "pdf/text/Selection.h"
#include "support/ComposeSupport.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using compose_test::runTool;
using pdf::PageTrace;
using pdf::TracedPath;

namespace {

// cairo keeps path coordinates in 24.8 fixed point: positions land within 1/256 pt.
constexpr double fixedPoint = 1.0 / 256;

PDFPageContent page(PageTemplate t, PageSize size) {
    return PDFPageContent(t, size);
}

PageTrace trace(const QList<PDFPageContent>& pages, int index = 0) {
    const QByteArray bytes = PDFCreationService::renderDocument(pages);
    auto traced = PageTrace::fromData(bytes, index);
    if (!traced)
        ADD_FAILURE() << "the rendered bytes do not open as a PDF";
    return traced.value_or(PageTrace{});
}

std::vector<const TracedPath*> strokes(const PageTrace& t) {
    std::vector<const TracedPath*> result;
    for (const auto& p : t.paths)
        if (p.stroked)
            result.push_back(&p);
    return result;
}

TextBlock textBlock(const QString& text, QPointF position, QSizeF size, double fontSize = 14) {
    TextBlock block;
    block.text = text;
    block.position = position;
    block.size = size;
    block.fontSize = fontSize;
    return block;
}

// The distinct baselines the glyphs of a page sit on, top to bottom.
std::vector<double> baselines(const PageTrace& t) {
    std::vector<double> ys;
    for (const auto& g : t.glyphs)
        if (std::none_of(ys.begin(), ys.end(),
                         [&](double y) { return std::abs(y - g.origin.y()) < 0.5; }))
            ys.push_back(g.origin.y());
    std::sort(ys.rbegin(), ys.rend());
    return ys;
}

struct WrittenPdf {
    QTemporaryDir dir;
    QString path;
    explicit WrittenPdf(const QList<PDFPageContent>& pages) : path(dir.filePath("composed.pdf")) {
        EXPECT_TRUE(compose_test::writeFile(path, PDFCreationService::renderDocument(pages)));
    }
    QString text() const { return runTool("pdftotext", {"-enc", "UTF-8", path, "-"}).out; }
};

} // namespace

TEST(PDFCreationService, PageBoxesAreExactAndTheGroundIsWhite) {
    PDFPageContent custom = page(PageTemplate::blank, PageSize::custom);
    custom.customWidth = 300.5;
    const QList<PDFPageContent> pages = {page(PageTemplate::blank, PageSize::letter),
                                         page(PageTemplate::blank, PageSize::a4),
                                         page(PageTemplate::blank, PageSize::legal), custom};
    EXPECT_EQ(trace(pages, 0).mediaBox, QRectF(0, 0, 612, 792));
    const QRectF a4 = trace(pages, 1).mediaBox;
    EXPECT_NEAR(a4.width(), 595.28, 1e-4);
    EXPECT_NEAR(a4.height(), 841.89, 1e-4);

    WrittenPdf file(pages);
    const QString info = runTool("pdfinfo", {"-f", "1", "-l", "4", file.path}).out;
    EXPECT_TRUE(info.contains("Pages:           4")) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page +1 size: +612 x 792 pts")))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page +2 size: +595\\.28 x 841\\.89 pts")))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page +3 size: +612 x 1008 pts")))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page +4 size: +300\\.5 x 792 pts")))
        << info.toStdString();
    EXPECT_EQ(runTool("qpdf", {"--check", file.path}).exitCode, 0);

    // A blank page draws one opaque white rectangle over the whole page and nothing else.
    const PageTrace letter = trace(pages, 0);
    ASSERT_EQ(letter.paths.size(), 1u);
    EXPECT_FALSE(letter.paths[0].stroked);
    EXPECT_EQ(letter.paths[0].color, QColor(Qt::white));
    EXPECT_EQ(letter.paths[0].bounds, QRectF(0, 0, 612, 792));
    EXPECT_TRUE(letter.glyphs.empty());
    EXPECT_TRUE(letter.images.empty());
}

TEST(PDFCreationService, LinedPagesRuleFromTheTopMarginDown) {
    struct Case {
        PageSize size;
        int count;
        double first;
        double last;
        double right;
    };
    for (const Case& c : {Case{PageSize::letter, 24, 714, 70, 562},
                          Case{PageSize::a4, 26, 763.89, 63.89, 545.28}}) {
        const PageTrace t = trace({page(PageTemplate::lined, c.size)});
        const auto s = strokes(t);
        ASSERT_EQ(s.size(), 2u) << "ruled lines and margin are two stroked paths";
        const TracedPath& rules = *s[0];
        ASSERT_EQ(rules.subpaths.size(), c.count);
        for (int i = 0; i < c.count; ++i) {
            const QPolygonF& line = rules.subpaths[i];
            ASSERT_EQ(line.size(), 2);
            EXPECT_NEAR(line[0].y(), c.first - 28 * i, fixedPoint);
            EXPECT_NEAR(line[1].y(), line[0].y(), fixedPoint);
            EXPECT_NEAR(line[0].x(), 50, fixedPoint);
            EXPECT_NEAR(line[1].x(), c.right, fixedPoint);
        }
        EXPECT_NEAR(rules.subpaths.last()[0].y(), c.last, fixedPoint);
        EXPECT_NEAR(rules.lineWidth, 0.5, 1e-4);
        EXPECT_NEAR(rules.color.alphaF(), 0.2, 0.005);
        EXPECT_GT(rules.color.blueF(), rules.color.redF());

        const TracedPath& margin = *s[1];
        ASSERT_EQ(margin.subpaths.size(), 1);
        const QPolygonF& m = margin.subpaths[0];
        const double H = t.mediaBox.height();
        EXPECT_NEAR(m[0].x(), 70, fixedPoint);
        EXPECT_NEAR(m[1].x(), 70, fixedPoint);
        EXPECT_NEAR(m[0].y(), H - 50, fixedPoint);
        EXPECT_NEAR(m[1].y(), 50, fixedPoint);
        EXPECT_NEAR(margin.color.alphaF(), 0.3, 0.005);
        EXPECT_GT(margin.color.redF(), margin.color.blueF());
        EXPECT_NEAR(margin.lineWidth, 0.5, 1e-4);
    }
}

TEST(PDFCreationService, GridAndDotGridKeepTheirPitchAndMargins) {
    const PageTrace grid = trace({page(PageTemplate::grid, PageSize::letter)});
    const auto s = strokes(grid);
    ASSERT_EQ(s.size(), 1u) << "the whole grid is one stroked path";
    std::vector<QPolygonF> vertical, horizontal;
    for (const QPolygonF& line : s[0]->subpaths)
        (std::abs(line[0].x() - line[1].x()) < fixedPoint ? vertical : horizontal).push_back(line);
    ASSERT_EQ(vertical.size(), 28u);
    ASSERT_EQ(horizontal.size(), 37u);
    for (size_t i = 0; i < vertical.size(); ++i) {
        EXPECT_NEAR(vertical[i][0].x(), 30 + 20.0 * i, fixedPoint);
        EXPECT_NEAR(std::min(vertical[i][0].y(), vertical[i][1].y()), 30, fixedPoint);
        EXPECT_NEAR(std::max(vertical[i][0].y(), vertical[i][1].y()), 762, fixedPoint);
    }
    for (size_t i = 0; i < horizontal.size(); ++i) {
        EXPECT_NEAR(horizontal[i][0].y(), 30 + 20.0 * i, fixedPoint);
        EXPECT_NEAR(horizontal[i][0].x(), 30, fixedPoint);
        EXPECT_NEAR(horizontal[i][1].x(), 582, fixedPoint); // beyond the last vertical line at 570
    }
    EXPECT_NEAR(s[0]->lineWidth, 0.3, 1e-4);
    EXPECT_NEAR(s[0]->color.alphaF(), 0.2, 0.005);

    const PageTrace dots = trace({page(PageTemplate::dotGrid, PageSize::letter)});
    EXPECT_TRUE(strokes(dots).empty());
    std::vector<QPointF> centres;
    for (const TracedPath& p : dots.paths) {
        if (p.color == QColor(Qt::white))
            continue;
        EXPECT_NEAR(p.color.alphaF(), 0.3, 0.005);
        EXPECT_NEAR(p.bounds.width(), 2, 1e-2);
        EXPECT_NEAR(p.bounds.height(), 2, 1e-2);
        centres.push_back(p.bounds.center());
    }
    ASSERT_EQ(centres.size(), 1036u);
    for (const QPointF& c : centres) {
        EXPECT_NEAR(std::fmod(c.x() - 30, 20), 0, 1e-2);
        EXPECT_NEAR(std::fmod(c.y() - 30, 20), 0, 1e-2);
        EXPECT_LE(c.x(), 582.01);
        EXPECT_LE(c.y(), 762.01);
    }
}

TEST(PDFCreationService, TextWrapsInsideItsBlockAndLeavesOutWhatDoesNotFit) {
    // On a Letter page the block at (50, 50) of 512 x 100 covers the surface rectangle (50, 642,
    // 512, 100).
    const QRectF surface(50, 642, 512, 100);
    const QString paragraph =
        "The quick brown fox jumps over the lazy dog while the committee reviews its "
        "quarterly figures and everyone waits for lunch to arrive at the office.";
    PDFPageContent wrapping = page(PageTemplate::blank, PageSize::letter);
    wrapping.textBlocks = {textBlock(paragraph, {50, 50}, {512, 100})};
    const PageTrace t = trace({wrapping});
    const auto lines = baselines(t);
    ASSERT_EQ(lines.size(), 2u) << "a two-line paragraph at 14 pt";
    EXPECT_GT(lines[0], surface.bottom() - 20) << "first line hangs from the top edge";
    EXPECT_LT(lines[0], surface.bottom() - 10);
    for (const auto& g : t.glyphs) {
        EXPECT_GE(g.origin.x(), surface.left() - 0.01);
        EXPECT_LE(g.origin.x(), surface.right());
        EXPECT_NEAR(g.size, 14, fixedPoint);
    }
    // Wrapped at a word boundary: every word arrives whole.
    QString drawn = t.text();
    drawn.remove(' ');
    QString expected = paragraph;
    expected.remove(' ');
    EXPECT_EQ(drawn, expected);

    // Twenty lines do not fit in 100 points: only whole lines that fit are drawn.
    QStringList many;
    for (int i = 1; i <= 20; ++i)
        many << QString("Line number %1").arg(i);
    PDFPageContent overflowing = page(PageTemplate::blank, PageSize::letter);
    overflowing.textBlocks = {textBlock(many.join('\n'), {50, 50}, {512, 100})};
    const PageTrace o = trace({overflowing});
    const auto rows = baselines(o);
    ASSERT_GE(rows.size(), 5u);
    ASSERT_LT(rows.size(), 20u);
    const double spacing = rows[0] - rows[1];
    const double descent = 14 * 0.25;
    EXPECT_GE(rows.back() - descent, surface.top()) << "no line crosses the bottom edge";
    EXPECT_LT(rows.back() - spacing - descent, surface.top())
        << "the next line would have crossed it";
    WrittenPdf file({overflowing});
    const QString text = file.text();
    EXPECT_TRUE(text.contains("Line number 1"));
    EXPECT_TRUE(text.contains(QString("Line number %1").arg(rows.size())));
    EXPECT_FALSE(text.contains(QString("Line number %1").arg(rows.size() + 1)));
    EXPECT_FALSE(text.contains("Line number 20"));
}

TEST(PDFCreationService, OtherScriptsFallBackToFontsThatCoverThem) {
    PDFPageContent p = page(PageTemplate::lined, PageSize::a4);
    p.textBlocks = {textBlock(QString::fromUtf8("Grüße, Ωμέγα, 你好"), {50, 50}, {495.28, 100}),
                    textBlock("Second block", {50, 170}, {495.28, 100})};
    WrittenPdf file({p});
    const QString text = file.text();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Grüße, Ωμέγα, 你好"))) << text.toStdString();
    EXPECT_TRUE(text.contains("Second block"));
    EXPECT_EQ(runTool("qpdf", {"--check", file.path}).exitCode, 0);
    const QString fonts = runTool("pdffonts", {file.path}).out;
    EXPECT_TRUE(fonts.contains("NimbusSans")) << fonts.toStdString();
}

TEST(PDFCreationService, ImagesAreStretchedOverTextAndBrokenOnesSkipped) {
    PDFPageContent p = page(PageTemplate::blank, PageSize::letter);
    p.textBlocks = {textBlock("HIDDEN UNDER THE PICTURE", {50, 50}, {512, 100}, 40)};
    ImageBlock broken;
    broken.imageData = "this is not an image";
    broken.position = {0, 0};
    broken.size = {612, 792};
    ImageBlock red;
    red.imageData = compose_test::encodedImage(10, 40, Qt::red); // stretched to 300 x 100
    red.position = {40, 40};
    red.size = {300, 100};
    p.imageBlocks = {broken, red};

    const PageTrace t = trace({p});
    ASSERT_EQ(t.images.size(), 1u) << "the undecodable block is skipped";
    EXPECT_EQ(t.images[0].pixelSize, QSize(10, 40));
    const QRectF r = t.images[0].rect;
    EXPECT_NEAR(r.x(), 40, fixedPoint);
    EXPECT_NEAR(r.y(), 792 - 40 - 100, fixedPoint);
    EXPECT_NEAR(r.width(), 300, fixedPoint);
    EXPECT_NEAR(r.height(), 100, fixedPoint);
    ASSERT_FALSE(t.glyphs.empty());
    EXPECT_GT(t.images[0].order, t.glyphs.back().order) << "images are painted after text";

    // Another reader's rendering: inside the image it is red, the text below is covered.
    WrittenPdf file({p});
    QTemporaryDir out;
    ASSERT_EQ(
        runTool("pdftoppm", {"-r", "72", "-png", "-singlefile", file.path, out.filePath("page")})
            .exitCode,
        0);
    const QImage rendered(out.filePath("page.png"));
    ASSERT_FALSE(rendered.isNull());
    for (const QPoint probe : {QPoint(60, 70), QPoint(200, 90), QPoint(330, 130)})
        EXPECT_EQ(rendered.pixelColor(probe), QColor(Qt::red)) << probe.x() << "," << probe.y();
    // The part of the text block beyond the image still shows text.
    int dark = 0;
    for (int x = 345; x < 560; ++x)
        for (int y = 50; y < 150; ++y)
            dark += qGray(rendered.pixel(x, y)) < 128;
    EXPECT_GT(dark, 50);
}

TEST(PDFCreationService, ErrorsCarryTheirMessages) {
    using Kind = PDFCreationService::CreationError::Kind;
    EXPECT_STREQ(PDFCreationService::CreationError(Kind::contextCreationFailed).what(),
                 "Failed to create PDF rendering context");
    EXPECT_STREQ(PDFCreationService::CreationError(Kind::imageLoadFailed).what(),
                 "Failed to load image data");
    EXPECT_STREQ(PDFCreationService::CreationError(Kind::documentCreationFailed).what(),
                 "Failed to create PDF document from rendered data");
}

TEST(PDFCreationService, DocumentsAndBlankPagesOpenWithThePdfLayer) {
    PDFPageContent first = page(PageTemplate::grid, PageSize::legal);
    first.textBlocks = {textBlock("Searchable words", {50, 50}, {512, 100})};
    const pdf::DocumentPtr document =
        PDFCreationService::createDocument({first, page(PageTemplate::blank, PageSize::a4)});
    ASSERT_TRUE(document);
    ASSERT_EQ(document->pageCount(), 2);
    EXPECT_EQ(document->page(0)->mediaBox(), QRectF(0, 0, 612, 1008));
    EXPECT_NEAR(document->page(1)->mediaBox().width(), 595.28, 1e-4);
    EXPECT_NEAR(document->page(1)->mediaBox().height(), 841.89, 1e-4);
    EXPECT_TRUE(document->page(0)->text().value_or(QString()).contains("Searchable words"));
    EXPECT_EQ(document->findString("searchable").size(), 1u);

    const pdf::PagePtr blank =
        PDFCreationService::createBlankPage(QSizeF(595, 842), PageTemplate::blank);
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->mediaBox(), QRectF(0, 0, 595, 842));
    // The page outlives the call and can be copied into another document.
    const pdf::DocumentPtr target = pdf::Document::create();
    ASSERT_TRUE(target->insertPage(blank, 0));
    EXPECT_EQ(target->page(0)->mediaBox(), QRectF(0, 0, 595, 842));
    const QImage white = blank->render(0.25);
    ASSERT_FALSE(white.isNull());
    EXPECT_EQ(white.pixelColor(white.width() / 2, white.height() / 2), QColor(Qt::white));
}

TEST(PDFCreationService, AnEmptyListOrAPageWithoutAreaIsAnError) {
    EXPECT_THROW(PDFCreationService::createDocument({}), PDFCreationService::CreationError);

    PDFPageContent impossible = page(PageTemplate::lined, PageSize::custom);
    impossible.customWidth = 0;
    try {
        PDFCreationService::createDocument({impossible});
        ADD_FAILURE() << "a page without width was rendered";
    } catch (const PDFCreationService::CreationError& error) {
        EXPECT_EQ(error.kind(), PDFCreationService::CreationError::Kind::documentCreationFailed);
    }
}
