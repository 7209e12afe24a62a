#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::vector<pdf::AnnotationPtr> highlightsOn(const pdf::PagePtr& page) {
    std::vector<pdf::AnnotationPtr> out;
    for (const auto& a : page->annotations())
        if (a->subtype() == "Highlight")
            out.push_back(a);
    return out;
}

// Baseline of line `n` (0-based) in the fixture's layout: 16 pt apart from y = 720.
QPointF onLine(int n, double x) {
    return {x, 720.0 - 16.0 * n + 3.0};
}

} // namespace

TEST(AnnotationViewModel, StartsWithSelectToolAndDefaultStyles) {
    AnnotationViewModel vm;
    EXPECT_EQ(vm.currentTool(), AnnotationTool::none);
    EXPECT_EQ(vm.highlightColor(), HighlightColor::yellow);
    EXPECT_EQ(vm.textFontSize(), 14.0);
    EXPECT_EQ(vm.freehandColor(), QColor(255, 0, 0));
    EXPECT_EQ(vm.freehandLineWidth(), 2.0);
    EXPECT_EQ(vm.shapeColor().alpha(), 255);
    EXPECT_EQ(vm.shapeLineWidth(), 2.0);
    EXPECT_EQ(vm.pdfView(), nullptr);
}

TEST(AnnotationViewModel, OneHighlightPerSelectedLineWithThatLinesBounds) {
    auto doc = pdf::Document::fromData(fixtures::textPdf(
        {{"first line of text", "second line", "third and last line", "not selected"}}));
    ASSERT_NE(doc, nullptr);
    auto page = doc->page(0);
    AnnotationViewModel vm;
    DocumentViewModel documentVM;
    documentVM.loadCreatedDocument(doc, "text");
    vm.addHighlight(std::nullopt, documentVM);
    vm.addHighlight(pdf::Selection(), documentVM);
    EXPECT_TRUE(highlightsOn(page).empty());

    const pdf::Selection selection =
        pdf::Selection::fromPoints(page, onLine(0, 73), page, onLine(2, 160));
    const auto lines = selection.selectionsByLine();
    ASSERT_EQ(lines.size(), 3u);
    vm.addHighlight(selection, documentVM);

    const auto added = highlightsOn(page);
    ASSERT_EQ(added.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const QRectF expected = lines[i].boundsForPage(page);
        EXPECT_NEAR(added[i]->bounds().left(), expected.left(), 0.5);
        EXPECT_NEAR(added[i]->bounds().right(), expected.right(), 0.5);
        EXPECT_NEAR(added[i]->bounds().top(), expected.top(), 0.5);
        EXPECT_NEAR(added[i]->bounds().bottom(), expected.bottom(), 0.5);
        EXPECT_NEAR(added[i]->color().alphaF(), 0.3, 0.01);
    }
    // Each annotation sits on its own line, top to bottom.
    EXPECT_NEAR(added[0]->bounds().center().y() - added[1]->bounds().center().y(), 16.0, 1.0);
    EXPECT_NEAR(added[1]->bounds().center().y() - added[2]->bounds().center().y(), 16.0, 1.0);
}

TEST(AnnotationViewModel, SelectionAcrossTwoPagesHighlightsEachPagesLine) {
    auto doc = pdf::Document::fromData(fixtures::textPdf(
        {{"one"}, {"top of two", "bottom of two"}, {"top of three", "rest of three"}}));
    ASSERT_NE(doc, nullptr);
    auto two = doc->page(1), three = doc->page(2);
    AnnotationViewModel vm;
    DocumentViewModel documentVM;
    documentVM.loadCreatedDocument(doc, "text");
    vm.setHighlightColor(HighlightColor::blue);
    vm.addHighlight(pdf::Selection::fromPoints(two, onLine(1, 73), three, onLine(0, 100)),
                    documentVM);

    EXPECT_TRUE(highlightsOn(doc->page(0)).empty());
    const auto onTwo = highlightsOn(two);
    const auto onThree = highlightsOn(three);
    ASSERT_EQ(onTwo.size(), 1u);
    ASSERT_EQ(onThree.size(), 1u);
    EXPECT_LT(onTwo[0]->bounds().center().y(), 710.0);   // the second line of page 2
    EXPECT_GT(onThree[0]->bounds().center().y(), 710.0); // the first line of page 3
    EXPECT_EQ(onTwo[0]->color().rgb(), annotationColor(HighlightColor::blue).rgb());

    // Both lines were one edit: one undo clears both pages, redo brings both back.
    EXPECT_EQ(documentVM.undoName(), "Add Highlight");
    documentVM.undo();
    EXPECT_TRUE(highlightsOn(two).empty());
    EXPECT_TRUE(highlightsOn(three).empty());
    documentVM.redo();
    EXPECT_EQ(highlightsOn(two).size(), 1u);
    EXPECT_EQ(highlightsOn(three).size(), 1u);
}

TEST(AnnotationViewModel, ChangingColourAffectsOnlyNewHighlights) {
    auto doc = pdf::Document::fromData(fixtures::textPdf({{"some words on a line"}}));
    auto page = doc->page(0);
    const auto line = pdf::Selection::lineAt(page, onLine(0, 80));
    AnnotationViewModel vm;
    DocumentViewModel documentVM;
    documentVM.loadCreatedDocument(doc, "text");
    vm.setCurrentTool(AnnotationTool::highlight);
    vm.addHighlight(line, documentVM);
    vm.setHighlightColor(HighlightColor::green);
    vm.addHighlight(line, documentVM);
    const auto all = highlightsOn(page);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->color().rgb(), annotationColor(HighlightColor::yellow).rgb());
    EXPECT_EQ(all[1]->color().rgb(), annotationColor(HighlightColor::green).rgb());
    EXPECT_NEAR(all[1]->color().alphaF(), 0.3, 0.01);
    EXPECT_EQ(vm.currentTool(), AnnotationTool::highlight);
}

TEST(AnnotationViewModel, WrittenHighlightShowsTintedInAnotherReader) {
    if (!fixtures::toolAvailable("pdftoppm") || !fixtures::toolAvailable("pdftotext"))
        GTEST_SKIP() << "poppler-utils missing";
    auto doc = pdf::Document::fromData(fixtures::textPdf({{"HIGHLIGHTED WORDS STAY READABLE"}}));
    auto page = doc->page(0);
    AnnotationViewModel vm;
    DocumentViewModel documentVM;
    documentVM.loadCreatedDocument(doc, "text");
    vm.addHighlight(pdf::Selection::lineAt(page, onLine(0, 80)), documentVM);
    const QRectF rect = highlightsOn(page).at(0)->bounds();

    QTemporaryDir dir;
    const QString file =
        fixtures::writeTemp(dir.path(), "highlighted.pdf", doc->dataRepresentation());
    int code = -1;
    fixtures::runTool("pdftoppm", {"-r", "72", "-png", "-singlefile", file, dir.filePath("page")},
                      &code);
    ASSERT_EQ(code, 0);
    const QImage image(dir.filePath("page.png"));
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.height(), 792);

    // Sample the highlight's area, away from its edges. In page space y() is the bottom
    // edge and y grows upwards; the image grows downwards.
    int tinted = 0, dark = 0, total = 0;
    const int imageTop = int(792 - (rect.y() + rect.height())) + 2;
    const int imageBottom = int(792 - rect.y()) - 2;
    for (int y = imageTop; y < imageBottom; ++y)
        for (int x = int(rect.left()) + 2; x < int(rect.right()) - 2; ++x) {
            const QColor c = image.pixelColor(x, y);
            ++total;
            if (c.red() < 80 && c.green() < 80 && c.blue() < 80)
                ++dark;
            else if (c.red() > 230 && c.green() > 215 && c.blue() > 140 && c.blue() < 215)
                ++tinted; // yellow at 0.3 over white: about (255, 240, 178)
        }
    ASSERT_GT(total, 100);
    EXPECT_GT(tinted, total / 3) << "highlight not tinted";
    EXPECT_LT(dark, total / 2) << "highlight drawn opaque";
    EXPECT_GT(dark, 0) << "text hidden under the highlight";
    // Outside the highlight the page stays white.
    EXPECT_EQ(image.pixelColor(int(rect.left()) - 20, 792 - int(rect.center().y())),
              QColor(Qt::white));

    const QByteArray text = fixtures::runTool("pdftotext", {file, "-"}, &code);
    EXPECT_TRUE(text.contains("HIGHLIGHTED WORDS STAY READABLE"));
    if (fixtures::toolAvailable("qpdf")) {
        fixtures::runTool("qpdf", {"--check", file}, &code);
        EXPECT_EQ(code, 0);
    }
}
