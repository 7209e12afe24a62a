// The drawing tools' annotations as another reader sees the written file: qpdf reads
// their dictionaries, pdftoppm draws them where they were made, pdftotext reads their text.
#include "pdf/annotations/AnnotationCreate.h"
#include "pdf/document/Document.h"
#include "support/AnnotationReadBack.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using namespace fixtures;

namespace {

bool near(QColor a, QColor b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QRect boxOf(const QImage& image, const std::function<bool(QColor)>& pick) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pick(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool dark(QColor c) {
    return c.lightness() < 100;
}

// One of every kind on a blank Letter page (PDF space, y up).
pdf::DocumentPtr everyKind() {
    auto doc = pdf::Document::create();
    auto page = doc->insertBlankPage(0, 612, 792);
    EXPECT_NE(
        pdf::addTextMarkup(*page, pdf::MarkupKind::Underline, QRectF(72, 700, 200, 12), Qt::red),
        nullptr);
    EXPECT_NE(
        pdf::addTextMarkup(*page, pdf::MarkupKind::StrikeOut, QRectF(72, 680, 200, 12), Qt::blue),
        nullptr);
    EXPECT_NE(pdf::addNote(*page, QPointF(400, 700), "Łódź Dvořák 山田", QColor(255, 204, 0)),
              nullptr);
    EXPECT_NE(pdf::addInk(*page, {{{100, 500}, {150, 550}, {200, 500}}, {{100, 450}, {200, 450}}},
                          Qt::green, 3),
              nullptr);
    EXPECT_NE(pdf::addShape(*page, pdf::ShapeKind::Rectangle, QRectF(300, 450, 120, 80), Qt::red,
                            Qt::yellow, 4),
              nullptr);
    EXPECT_NE(pdf::addShape(*page, pdf::ShapeKind::Ellipse, QRectF(450, 450, 120, 80), Qt::blue,
                            QColor(), 4),
              nullptr);
    EXPECT_NE(pdf::addLine(*page, {100, 300}, {250, 300}, Qt::magenta, 3, false), nullptr);
    EXPECT_NE(pdf::addLine(*page, {300, 300}, {450, 300}, Qt::black, 3, true), nullptr);
    EXPECT_NE(pdf::addTextBox(*page, QRectF(72, 150, 300, 30), "Plain words", 18, Qt::black),
              nullptr);
    return doc;
}

} // namespace

TEST(AnnotationCreateTest, EveryKindIsWrittenWithItsStyleAndItsOwnAppearance) {
    QTemporaryDir dir;
    auto doc = everyKind();
    const QString path = dir.filePath("kinds.pdf");
    ASSERT_TRUE(doc->write(path));
    int code = -1;
    runTool("qpdf", {"--check", path}, &code);
    EXPECT_EQ(code, 0);

    const auto annots = annotationsInFile(path);
    ASSERT_EQ(annots.size(), 9u);
    const QStringList subtypes = {"/Underline", "/StrikeOut", "/Text", "/Ink",     "/Square",
                                  "/Circle",    "/Line",      "/Line", "/FreeText"};
    for (size_t i = 0; i < annots.size(); ++i) {
        EXPECT_EQ(annots[i].value("/Subtype").toString(), subtypes[int(i)]);
        EXPECT_TRUE(annots[i].value("/AP").toObject().contains("/N")) << i;
    }
    // Markup: the marked line as QuadPoints, in its colour.
    EXPECT_EQ(numbersOf(annots[0].value("/QuadPoints")),
              (std::vector<double>{72, 712, 272, 712, 72, 700, 272, 700}));
    EXPECT_EQ(numbersOf(annots[0].value("/C")), (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(numbersOf(annots[1].value("/C")), (std::vector<double>{0, 0, 1}));
    // The note keeps its text and sits with its top-left corner where it was put.
    EXPECT_EQ(stringOf(annots[2].value("/Contents")), "Łódź Dvořák 山田");
    EXPECT_EQ(rectOf(annots[2].value("/Rect")), QRectF(400, 680, 20, 20));
    // Ink: both strokes, the width and colour chosen.
    EXPECT_EQ(annots[3].value("/InkList").toArray().size(), 2);
    EXPECT_EQ(annots[3].value("/BS").toObject().value("/W").toDouble(), 3);
    EXPECT_EQ(numbersOf(annots[3].value("/C")), (std::vector<double>{0, 1, 0}));
    // Shapes: the dragged box, a fill only where one was chosen.
    EXPECT_EQ(rectOf(annots[4].value("/Rect")), QRectF(300, 450, 120, 80));
    EXPECT_EQ(numbersOf(annots[4].value("/IC")), (std::vector<double>{1, 1, 0}));
    EXPECT_EQ(annots[4].value("/BS").toObject().value("/W").toDouble(), 4);
    EXPECT_FALSE(annots[5].contains("/IC"));
    // Lines: the end points; only the arrow has an arrowhead.
    EXPECT_EQ(numbersOf(annots[6].value("/L")), (std::vector<double>{100, 300, 250, 300}));
    EXPECT_EQ(annots[7].value("/LE").toArray().at(1).toString(), "/OpenArrow");
    EXPECT_NE(annots[6].value("/LE").toArray().at(1).toString(), "/OpenArrow");
    // The text box: its text, a default appearance naming its size.
    EXPECT_EQ(stringOf(annots[8].value("/Contents")), "Plain words");
    EXPECT_TRUE(stringOf(annots[8].value("/DA")).contains("18 Tf"));
}

TEST(AnnotationCreateTest, AnotherReaderDrawsEachWhereItWasMade) {
    if (!toolAvailable("pdftoppm"))
        GTEST_SKIP() << "pdftoppm not installed";
    QTemporaryDir dir;
    auto doc = everyKind();
    const QString path = dir.filePath("kinds.pdf");
    ASSERT_TRUE(doc->write(path));
    const QImage image = pdftoppmPage(path); // 72 dpi: one pixel a point, y = 792 - PDF y
    ASSERT_FALSE(image.isNull());
    auto at = [&](double x, double y) { return image.pixelColor(int(x), int(792 - y)); };
    EXPECT_TRUE(near(at(402, 690), QColor(255, 204, 0))) << "note icon";
    EXPECT_TRUE(near(at(360, 490), Qt::yellow)) << "rectangle fill";
    EXPECT_TRUE(near(at(301.5, 490), Qt::red)) << "rectangle edge";
    EXPECT_TRUE(near(at(510, 490), Qt::white)) << "ellipse left unfilled";
    EXPECT_TRUE(near(at(510, 528.5), Qt::blue)) << "ellipse top";
    EXPECT_TRUE(near(at(150, 450), Qt::green)) << "ink stroke";
    EXPECT_TRUE(near(at(175, 300), Qt::magenta)) << "line";
    EXPECT_TRUE(near(at(172, 686), Qt::blue)) << "strike-out through the middle of its line";
    EXPECT_TRUE(near(at(172, 706), Qt::white)) << "underline only at the bottom";
    // The arrowhead widens the line near its end, not at its start.
    const QRect head = boxOf(image.copy(430, 480, 30, 30), dark);
    const QRect tail = boxOf(image.copy(300, 480, 30, 30), dark);
    EXPECT_GT(head.height(), tail.height() + 4);
    // The text box's words are inside its box.
    const QRect words = boxOf(image.copy(72, 792 - 180, 300, 30), dark);
    EXPECT_GT(words.width(), 60);
}

TEST(AnnotationCreateTest, NotesAndTextBoxesStandUprightOnTurnedPages) {
    if (!toolAvailable("pdftoppm"))
        GTEST_SKIP() << "pdftoppm not installed";
    QTemporaryDir dir;
    for (int turn : {0, 90, 180, 270}) {
        auto doc = pdf::Document::create();
        auto page = doc->insertBlankPage(0, 612, 792);
        page->setRotation(turn);
        const QTransform toPage = page->pageToDisplay().inverted();
        // As shown: a box 300 wide and 40 tall at (50, 60), a note at (400, 60).
        const QRectF shownBox(50, 60, 300, 40);
        ASSERT_NE(
            pdf::addTextBox(*page, toPage.mapRect(shownBox), "Wide line of text", 20, Qt::black),
            nullptr);
        ASSERT_NE(pdf::addNote(*page, toPage.map(QPointF(400, 60)), "n", QColor(255, 204, 0)),
                  nullptr);
        const QString path = dir.filePath(QStringLiteral("turn-%1.pdf").arg(turn));
        ASSERT_TRUE(doc->write(path));
        const QImage image = pdftoppmPage(path);
        ASSERT_FALSE(image.isNull());
        const QRect text = boxOf(image, dark);
        // The text runs left to right across the top of the box: wide, not tall.
        EXPECT_GT(text.width(), 2 * text.height()) << turn;
        EXPECT_TRUE(shownBox.toRect()
                        .adjusted(-2, -2, 2, 2)
                        .contains(boxOf(image.copy(0, 0, 380, 200), dark)))
            << turn;
        // The note's icon: here, its top-left corner where it was put, as shown. Other
        // readers keep note icons unturned, pinned at the corner that is top-left on the
        // unturned page: within one icon of the place.
        const QImage ours = page->render(1.0);
        const auto yellow = [](QColor c) { return near(c, QColor(255, 204, 0)); };
        const QRect icon = boxOf(ours, yellow);
        EXPECT_NEAR(icon.left(), 401, 2) << turn;
        EXPECT_NEAR(icon.top(), 61, 2) << turn;
        const QRect elsewhere = boxOf(image, yellow);
        EXPECT_NEAR(elsewhere.left(), 401, 21) << turn;
        EXPECT_NEAR(elsewhere.top(), 61, 21) << turn;
        EXPECT_NEAR(elsewhere.width(), icon.width(), 2) << turn;
    }
}

TEST(AnnotationCreateTest, TextBoxesInAnyScriptAreReadBackAndGrowToHoldTheirText) {
    QTemporaryDir dir;
    auto doc = pdf::Document::create();
    auto page = doc->insertBlankPage(0, 612, 792);
    const QString text = "Łódź Dvořák 山田太郎 Zażółć gęślą jaźń";
    // Room for half a line only: the box grows down to hold all of it.
    auto box = pdf::addTextBox(*page, QRectF(72, 600, 150, 10), text, 16, Qt::black);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->contents(), text);
    EXPECT_EQ(box->bounds().top() + box->bounds().height(), 610); // the top edge stays
    EXPECT_GT(box->bounds().height(), 40);
    EXPECT_EQ(pdf::addTextBox(*page, QRectF(72, 500, 100, 20), "  \n", 12, Qt::black), nullptr);
    const QString path = dir.filePath("scripts.pdf");
    ASSERT_TRUE(doc->write(path));
    const QString read = pdftotextPage(path, 1);
    for (const QString& word : text.split(' '))
        EXPECT_TRUE(read.contains(word)) << word.toStdString() << " in " << read.toStdString();
}

TEST(AnnotationCreateTest, ATextBoxTypedAgainIsDrawnAgainAndOnlyTextBoxesCount) {
    QTemporaryDir dir;
    auto doc = pdf::Document::create();
    auto page = doc->insertBlankPage(0, 612, 792);
    page->setRotation(90);
    auto box = pdf::addTextBox(*page, QRectF(100, 100, 60, 300),
                               "Łódź Dvořák 山田太郎 and a long tail of words", 14, Qt::blue);
    ASSERT_NE(box, nullptr);
    const QRectF before = box->bounds();
    ASSERT_TRUE(pdf::setTextBoxText(*box, "Krótko"));
    EXPECT_EQ(box->contents(), "Krótko");
    EXPECT_EQ(box->fontSize(), 14);
    // Shown turned: the box keeps its shown top edge (page x) and width (page y), and
    // its shown height (page width) shrinks to one line.
    EXPECT_EQ(box->bounds().left(), before.left());
    EXPECT_EQ(box->bounds().height(), before.height());
    EXPECT_LT(box->bounds().width(), before.width());
    EXPECT_FALSE(pdf::setTextBoxText(*box, "  "));

    EXPECT_TRUE(pdf::isTextBox(*box));
    auto mark = page->addTextWatermark(page->mediaBox(), "DRAFT", 60, Qt::gray, 45);
    auto note = pdf::addNote(*page, {300, 300}, "n", Qt::yellow);
    EXPECT_FALSE(pdf::isTextBox(*mark));
    EXPECT_FALSE(pdf::isTextBox(*note));

    const QString path = dir.filePath("again.pdf");
    ASSERT_TRUE(doc->write(path));
    const QString read = pdftotextPage(path, 1);
    EXPECT_TRUE(read.contains("Krótko")) << read.toStdString();
    EXPECT_FALSE(read.contains("Dvořák")) << read.toStdString();
}

TEST(AnnotationCreateTest, ANoteKeepsItsIconWhenItsTextChanges) {
    auto doc = pdf::Document::create();
    auto page = doc->insertBlankPage(0, 612, 792);
    page->setRotation(90);
    auto note = pdf::addNote(*page, {300, 300}, "first", QColor(255, 204, 0));
    ASSERT_NE(note, nullptr);
    const QImage before = page->render(1.0);
    ASSERT_TRUE(pdf::setNoteText(*note, "Łódź, second"));
    EXPECT_EQ(note->contents(), "Łódź, second");
    EXPECT_EQ(page->render(1.0), before);
}
