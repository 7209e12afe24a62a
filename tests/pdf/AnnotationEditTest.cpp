#include "pdf/annotations/AnnotationEdit.h"

#include "pdf/document/Document.h"
#include "support/AnnotationFixtures.h"
#include "support/PdfFixtures.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace {

pdf::DocumentPtr openForeign(int rotation = 0) {
    return pdf::Document::fromData(fixtures::foreignAnnotationsPdf(rotation));
}

pdf::AnnotationPtr ofSubtype(const pdf::PagePtr& page, const QString& subtype) {
    for (const pdf::AnnotationPtr& a : pdf::editableAnnotations(*page))
        if (a->subtype() == subtype)
            return a;
    return nullptr;
}

// Share of the pixels in `r` (image coordinates) that are close to `color`.
double coverage(const QImage& image, const QRect& r, const QColor& color) {
    int hits = 0, total = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            ++total;
            if (std::abs(c.red() - color.red()) < 40 && std::abs(c.green() - color.green()) < 40 &&
                std::abs(c.blue() - color.blue()) < 40)
                ++hits;
        }
    return total ? double(hits) / total : 0;
}

// A PDF rectangle (y up) as image pixels on an unrotated 792 pt page rendered at 72 dpi,
// shrunk by `inset` so edges do not count.
QRect imageRect(const QRectF& r, int inset = 3) {
    return QRect(int(r.left()) + inset, int(792 - r.bottom()) + inset, int(r.width()) - 2 * inset,
                 int(r.height()) - 2 * inset);
}

} // namespace

TEST(AnnotationEdit, ListsWhatOtherProgramsWroteAndPicksTheTopmost) {
    auto doc = openForeign();
    auto page = doc->page(0);
    const auto all = pdf::editableAnnotations(*page);
    QStringList kinds;
    for (const auto& a : all)
        kinds << a->subtype();
    // The hidden square and the link are not for picking.
    EXPECT_EQ(kinds, QStringList({"Square", "Text", "Stamp", "Line", "Ink", "Highlight"}));

    const auto square = pdf::annotationFacts(*all[0]);
    ASSERT_TRUE(square);
    EXPECT_EQ(square->frame, QRectF(100, 500, 100, 100));
    EXPECT_EQ(square->color.rgb(), QColor(Qt::red).rgb());
    EXPECT_DOUBLE_EQ(square->lineWidth, 3);
    const auto line = pdf::annotationFacts(*all[3]);
    ASSERT_TRUE(line && line->lineEnds);
    EXPECT_EQ(line->lineEnds->first, QPointF(350, 300));
    EXPECT_EQ(line->lineEnds->second, QPointF(500, 350));
    // Highlights are framed by what they mark.
    EXPECT_EQ(pdf::annotationFacts(*all[5])->frame, QRectF(72, 700, 128, 15));

    EXPECT_EQ(pdf::annotationAt(*page, {150, 550}), all[0]);
    EXPECT_EQ(pdf::annotationAt(*page, {310, 510}), all[1]);
    EXPECT_EQ(pdf::annotationAt(*page, {450, 125}), nullptr); // hidden
    EXPECT_EQ(pdf::annotationAt(*page, {100, 115}), nullptr); // link
    // A slanted line is picked on its stroke only, not in the empty corners of its box.
    EXPECT_EQ(pdf::annotationAt(*page, {425, 325}), all[3]);
    EXPECT_EQ(pdf::annotationAt(*page, {360, 345}), nullptr);
    // Just outside the square: only with some slop.
    EXPECT_EQ(pdf::annotationAt(*page, {202, 550}), nullptr);
    EXPECT_EQ(pdf::annotationAt(*page, {202, 550}, 3), all[0]);
}

TEST(AnnotationEdit, MovingCarriesEveryPointAndRestoringGivesTheDictionaryBack) {
    auto doc = openForeign();
    auto page = doc->page(0);
    for (const QString kind : {"Square", "Line", "Ink", "Highlight", "Text", "Stamp"}) {
        SCOPED_TRACE(kind.toStdString());
        auto a = ofSubtype(page, kind);
        ASSERT_TRUE(a);
        const auto before = pdf::snapshot(*a);
        const auto facts = pdf::annotationFacts(*a);
        ASSERT_TRUE(pdf::moveAnnotation(*a, {10, -20}));
        const auto moved = pdf::annotationFacts(*a);
        // Regenerated appearances may grow the Rect by the line width; the centre moves.
        EXPECT_NEAR(moved->frame.center().x(), facts->frame.center().x() + 10, 0.5);
        EXPECT_NEAR(moved->frame.center().y(), facts->frame.center().y() - 20, 0.5);
        if (facts->lineEnds) {
            EXPECT_EQ(moved->lineEnds->first, facts->lineEnds->first + QPointF(10, -20));
            EXPECT_EQ(moved->lineEnds->second, facts->lineEnds->second + QPointF(10, -20));
        }
        EXPECT_FALSE(pdf::snapshot(*a)->sameAs(*before));
        ASSERT_TRUE(pdf::restore(*a, *before));
        EXPECT_TRUE(pdf::snapshot(*a)->sameAs(*before));
        EXPECT_EQ(pdf::annotationFacts(*a)->frame, facts->frame);
    }
    EXPECT_FALSE(pdf::moveAnnotation(*ofSubtype(page, "Square"), {0, 0}));
}

TEST(AnnotationEdit, AMovedStampKeepsItsOwnFaceAndAnUndoneOneShowsAtItsOldPlace) {
    auto doc = openForeign();
    auto page = doc->page(0);
    auto stamp = ofSubtype(page, "Stamp");
    const auto before = pdf::snapshot(*stamp);
    ASSERT_TRUE(pdf::moveAnnotation(*stamp, {300, 0}));
    QImage image = page->render(1.0);
    ASSERT_EQ(image.height(), 792);
    EXPECT_GT(coverage(image, imageRect({400, 200, 100, 60}), Qt::blue), 0.9);
    EXPECT_LT(coverage(image, imageRect({100, 200, 100, 60}), Qt::blue), 0.05);

    ASSERT_TRUE(pdf::restore(*stamp, *before));
    image = page->render(1.0);
    EXPECT_GT(coverage(image, imageRect({100, 200, 100, 60}), Qt::blue), 0.9);
    EXPECT_LT(coverage(image, imageRect({400, 200, 100, 60}), Qt::blue), 0.05);
}

TEST(AnnotationEdit, ResizingScalesStrokesAndKeepsTheLineWidth) {
    auto doc = openForeign();
    auto page = doc->page(0);
    auto ink = ofSubtype(page, "Ink");
    const QRectF frame = pdf::annotationFacts(*ink)->frame; // 395 595 110 x 60
    const QRectF doubled(frame.left(), frame.top(), frame.width() * 2, frame.height() * 2);
    ASSERT_TRUE(pdf::resizeAnnotation(*ink, doubled));
    const auto after = pdf::annotationFacts(*ink);
    // The stroke (100 x 50) doubles; the Rect is drawn again around it, a line width wide.
    EXPECT_NEAR(after->frame.width(), 200 + 2 * 2, 1);
    EXPECT_NEAR(after->frame.height(), 100 + 2 * 2, 1);
    EXPECT_DOUBLE_EQ(after->lineWidth, 2);
    // The stroke's peak, (450, 650), lands where the doubling puts it: drawn there in green.
    const QImage image = page->render(1.0);
    const QPointF peak(395 + (450 - 395) * 2.0, 595 + (650 - 595) * 2.0);
    EXPECT_GT(coverage(image, QRect(int(peak.x()) - 2, int(792 - peak.y()) - 1, 4, 4), Qt::green),
              0.2);

    auto line = ofSubtype(page, "Line");
    ASSERT_TRUE(pdf::setLineEnds(*line, {50, 50}, {150, 60}));
    EXPECT_EQ(pdf::annotationFacts(*line)->lineEnds->second, QPointF(150, 60));
    // No frame under a point in size is taken.
    EXPECT_FALSE(pdf::resizeAnnotation(*ink, QRectF(0, 0, 0.5, 10)));
}

TEST(AnnotationEdit, RestylesWhatTheEngineDrawsAndRefusesWhatItCannot) {
    auto doc = openForeign();
    auto page = doc->page(0);
    auto highlight = ofSubtype(page, "Highlight");
    const QColor green = QColor::fromRgbF(0.2, 0.8, 0.3, 0.3);
    ASSERT_TRUE(pdf::setAnnotationColor(*highlight, green));
    const QColor got = pdf::annotationFacts(*highlight)->color;
    EXPECT_EQ(got.rgb(), green.rgb());
    EXPECT_NEAR(got.alphaF(), 0.3, 0.01);

    auto square = ofSubtype(page, "Square");
    ASSERT_TRUE(pdf::setAnnotationLineWidth(*square, 8));
    EXPECT_DOUBLE_EQ(pdf::annotationFacts(*square)->lineWidth, 8);
    EXPECT_FALSE(pdf::setAnnotationLineWidth(*square, 8)); // nothing to change

    // A stamp's face is its own: the engine would draw a generic one over it.
    EXPECT_FALSE(pdf::setAnnotationColor(*ofSubtype(page, "Stamp"), Qt::red));
    EXPECT_FALSE(pdf::setAnnotationFontSize(*square, 20));

    auto text = page->addFreeText({100, 100, 200, 40}, "Plain words", 12, Qt::black);
    ASSERT_TRUE(pdf::setAnnotationFontSize(*text, 20));
    EXPECT_DOUBLE_EQ(pdf::annotationFacts(*text)->fontSize, 20);
    ASSERT_TRUE(pdf::setAnnotationColor(*text, Qt::red));
    EXPECT_EQ(pdf::annotationFacts(*text)->color.rgb(), QColor(Qt::red).rgb());
    EXPECT_DOUBLE_EQ(pdf::annotationFacts(*text)->fontSize, 20);

    // Text in a script the standard font lacks has an appearance of our own: restyling
    // would lose it, so it is refused; a resize stretches it rather than redraws it.
    auto greek =
        page->addFreeText({300, 100, 200, 40}, QString::fromUtf8("Καλημέρα"), 12, Qt::black);
    ASSERT_TRUE(greek);
    EXPECT_FALSE(pdf::setAnnotationFontSize(*greek, 20));
    EXPECT_FALSE(pdf::setAnnotationColor(*greek, Qt::red));
    ASSERT_TRUE(pdf::resizeAnnotation(*greek, {300, 100, 300, 60}));
    EXPECT_EQ(pdf::annotationFacts(*greek)->frame, QRectF(300, 100, 300, 60));
    const QImage image = page->render(1.0);
    int dark = 0;
    for (int y = 792 - 160; y < 792 - 100; ++y)
        for (int x = 300; x < 600; ++x)
            dark += qGray(image.pixel(x, y)) < 100;
    EXPECT_GT(dark, 50) << "the lettering was lost";
}

TEST(AnnotationEdit, RemovedAnnotationComesBackWhole) {
    auto doc = openForeign();
    auto page = doc->page(0);
    auto note = ofSubtype(page, "Text");
    const auto saved = pdf::snapshot(*note);
    ASSERT_TRUE(page->removeAnnotation(note));
    EXPECT_EQ(ofSubtype(page, "Text"), nullptr);
    auto back = pdf::reinsert(*page, *saved);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->subtype(), "Text");
    EXPECT_EQ(back->contents(), "A note");
    EXPECT_TRUE(pdf::snapshot(*back)->sameAs(*saved));
    EXPECT_EQ(pdf::editableAnnotations(*page).back(), back);
    // Its own face (a yellow box) is drawn again.
    const QImage image = page->render(1.0);
    EXPECT_GT(coverage(image, imageRect({300, 500, 24, 24}), Qt::yellow), 0.8);

    // The written file holds it once, and other readers accept the file.
    if (fixtures::toolAvailable("qpdf")) {
        const QString file =
            fixtures::writeTemp(QDir::tempPath(), "annsel-reinsert.pdf", doc->dataRepresentation());
        int code = -1;
        fixtures::runTool("qpdf", {"--check", file}, &code);
        EXPECT_EQ(code, 0);
    }
}

TEST(AnnotationEdit, ASharedPointArrayIsNotMovedUnderTheOtherAnnotation) {
    auto doc = pdf::Document::fromData(fixtures::sharedQuadPointsPdf());
    auto page = doc->page(0);
    const auto both = pdf::editableAnnotations(*page);
    ASSERT_EQ(both.size(), 2u);
    ASSERT_TRUE(pdf::moveAnnotation(*both[0], {0, 100}));
    EXPECT_EQ(pdf::annotationFacts(*both[0])->frame, QRectF(72, 800, 128, 15));
    EXPECT_EQ(pdf::annotationFacts(*both[1])->frame, QRectF(72, 700, 128, 15));
}
