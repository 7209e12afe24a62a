// The drawing tools driven as a person drives them: mouse presses, moves and releases on
// the page view's viewport, keys typed into the in-place editor.
#include "support/AnnotationReadBack.h"
#include "support/PageViewTestSupport.h"
#include "support/TextPdfBuilder.h"

#include "pageview/AnnotationToolGestures.h"
#include "pageview/PdfPageView.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

QByteArray textPages(int rotation = 0) {
    PageSpec page;
    page.rotation = rotation;
    page.runs = {{72, 700, 20, "Alpha beta gamma"}, {72, 670, 20, "delta epsilon zeta"}};
    return buildTextPdf({page});
}

class GestureTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(640, 700);
        view.setAnnotationTools(&settings, &vm);
        view.show();
    }
    void open(int rotation = 0) {
        doc = openBytes(textPages(rotation));
        vm.loadCreatedDocument(doc, "test");
        view.setDocument(doc);
        view.setScaleFactor(0.8);
    }
    QPoint at(QPointF pdfPoint) const {
        return view.viewportPointForPagePoint(0, pdfPoint).toPoint();
    }
    QWidget* vp() const { return view.viewport(); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(vp(), Qt::LeftButton, {}, from);
        for (int i = 1; i <= 6; ++i)
            QTest::mouseMove(vp(), from + (to - from) * i / 6);
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, to);
    }
    std::vector<pdf::AnnotationPtr> annotations() const { return doc->page(0)->annotations(); }
    // The annotation's box as the viewport shows it.
    QRectF shown(const pdf::AnnotationPtr& a) const {
        const QRectF b = a->bounds();
        return QRectF(view.viewportPointForPagePoint(0, b.topLeft()),
                      view.viewportPointForPagePoint(0, b.bottomRight()))
            .normalized();
    }
    AnnotationToolGestures* gestures() const { return view.annotationGestures(); }

    PdfPageView view;
    AnnotationViewModel settings;
    DocumentViewModel vm;
    pdf::DocumentPtr doc;
};

void expectNear(const QRectF& actual, const QRectF& expected, double slack) {
    EXPECT_NEAR(actual.left(), expected.left(), slack);
    EXPECT_NEAR(actual.top(), expected.top(), slack);
    EXPECT_NEAR(actual.right(), expected.right(), slack);
    EXPECT_NEAR(actual.bottom(), expected.bottom(), slack);
}

} // namespace

class TurnedPageTest : public GestureTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Rotations, TurnedPageTest, ::testing::Values(0, 90, 270));

TEST_P(TurnedPageTest, ShapesLandWhereTheyWereDragged) {
    {
        const int rotation = GetParam();
        open(rotation);
        const QPoint from(120, 200), to(300, 320);
        settings.setCurrentTool(AnnotationTool::rectangle);
        drag(from, to);
        ASSERT_EQ(annotations().size(), 1u) << rotation;
        EXPECT_EQ(annotations()[0]->subtype(), "Square");
        expectNear(shown(annotations()[0]), QRectF(from, to), 2);

        settings.setCurrentTool(AnnotationTool::oval);
        drag({330, 200}, {420, 260});
        settings.setCurrentTool(AnnotationTool::arrow);
        drag({100, 450}, {400, 500});
        ASSERT_EQ(annotations().size(), 3u);
        EXPECT_EQ(annotations()[1]->subtype(), "Circle");
        EXPECT_EQ(annotations()[2]->subtype(), "Line");
        // The arrow's box spans the drag (its head adds a little around the end).
        expectNear(shown(annotations()[2]), QRectF(QPoint(100, 450), QPoint(400, 500)), 12);
        // A click without a drag makes nothing; each shape is one undo step.
        QTest::mouseClick(vp(), Qt::LeftButton, {}, QPoint(500, 600));
        EXPECT_EQ(annotations().size(), 3u);
        vm.undo();
        EXPECT_EQ(annotations().size(), 2u);
        vm.redo();
        EXPECT_EQ(annotations().size(), 3u);

        // A text box typed on the turned page reads upright, inside the dragged box.
        settings.setProperty("textColor", QColor(0, 170, 0));
        settings.setCurrentTool(AnnotationTool::text);
        const QRect typed(QPoint(300, 300), QPoint(600, 340));
        drag(typed.topLeft(), typed.bottomRight());
        ASSERT_NE(gestures()->editor(), nullptr);
        typeText(gestures()->editor(), "Wide words Łódź");
        QTest::keyClick(gestures()->editor(), Qt::Key_Return, Qt::ControlModifier);
        ASSERT_EQ(annotations().size(), 4u);
        settings.setCurrentTool(AnnotationTool::none);
        ASSERT_TRUE(waitUntilSharp(view));
        const QImage shot = grabViewport(view);
        const double dpr = shot.devicePixelRatio();
        QRect green;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (c.green() > 100 && c.red() < 90 && c.blue() < 90)
                    green |= QRect(int(x / dpr), int(y / dpr), 1, 1);
            }
        EXPECT_GT(green.width(), 2 * green.height()) << rotation;
        EXPECT_TRUE(typed.adjusted(-2, -2, 2, 2).contains(green)) << rotation;
        if (const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR"); !dir.isEmpty())
            shot.save(QStringLiteral("%1/turned-%2.png").arg(dir).arg(rotation));
    }
}

TEST_F(GestureTest, StrokesDrawnInQuickSuccessionMakeOneInkAnnotation) {
    open();
    gestures()->setStrokeGroupInterval(400);
    settings.setCurrentTool(AnnotationTool::freehand);
    drag({100, 200}, {200, 260});
    drag({100, 300}, {200, 300});
    EXPECT_TRUE(annotations().empty()); // still waiting for more strokes
    EXPECT_TRUE(gestures()->hasPendingInk());
    QTRY_COMPARE_WITH_TIMEOUT(annotations().size(), size_t(1), 3000);
    EXPECT_EQ(annotations()[0]->subtype(), "Ink");
    expectNear(shown(annotations()[0]), QRectF(QPoint(100, 200), QPoint(200, 300)), 3);
    EXPECT_EQ(annotations()[0]->color().rgb(), settings.freehandColor().rgb());

    // A stroke after the pause is a new annotation; Escape keeps it and drops the tool.
    drag({300, 400}, {350, 450});
    QTest::keyClick(vp(), Qt::Key_Escape);
    EXPECT_EQ(settings.currentTool(), AnnotationTool::none);
    ASSERT_EQ(annotations().size(), 2u);
    vm.undo();
    EXPECT_EQ(annotations().size(), 1u);
}

TEST_F(GestureTest, ANoteTakesAnyScriptShowsOnHoverAndIsEditedAgain) {
    open();
    settings.setCurrentTool(AnnotationTool::note);
    const QPoint spot = at({400, 600});
    QTest::mouseClick(vp(), Qt::LeftButton, {}, spot);
    QPlainTextEdit* editor = gestures()->editor();
    ASSERT_NE(editor, nullptr);
    typeText(editor, "Łódź Dvořák 山田");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(gestures()->editor(), nullptr);
    ASSERT_EQ(annotations().size(), 1u);
    const pdf::AnnotationPtr note = annotations()[0];
    EXPECT_EQ(note->subtype(), "Text");
    EXPECT_EQ(note->contents(), "Łódź Dvořák 山田");
    EXPECT_NEAR(shown(note).left(), spot.x(), 2);
    EXPECT_NEAR(shown(note).top(), spot.y(), 2);

    // With the select tool: hovering shows the text, a double-click edits it again.
    settings.setCurrentTool(AnnotationTool::none);
    const QPoint onNote = shown(note).center().toPoint();
    EXPECT_TRUE(gestures()->showToolTip(onNote, vp()->mapToGlobal(onNote)));
    EXPECT_FALSE(gestures()->showToolTip(at({100, 100}), {}));
    QTest::mouseDClick(vp(), Qt::LeftButton, {}, onNote);
    editor = gestures()->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->toPlainText(), "Łódź Dvořák 山田");
    typeText(editor, " – 你好");
    QTest::keyClick(editor, Qt::Key_Escape); // cancelled: nothing changes
    EXPECT_EQ(note->contents(), "Łódź Dvořák 山田");

    QTest::mouseDClick(vp(), Qt::LeftButton, {}, onNote);
    editor = gestures()->editor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    typeText(editor, "Zażółć 你好");
    QTest::mouseClick(vp(), Qt::LeftButton, {}, at({100, 100})); // a click beside it keeps it
    EXPECT_EQ(annotations()[0]->contents(), "Zażółć 你好");
    vm.undo();
    EXPECT_EQ(annotations()[0]->contents(), "Łódź Dvořák 山田");
    vm.undo();
    EXPECT_TRUE(annotations().empty());
}

TEST_F(GestureTest, ATextBoxIsTypedInPlaceInTheDraggedBox) {
    open();
    view.setScaleFactor(1.5); // taller than the view: it scrolls
    settings.setTextFontSize(18);
    settings.setCurrentTool(AnnotationTool::text);
    const QPoint from(100, 400), to(400, 440);
    drag(from, to);
    QPlainTextEdit* editor = gestures()->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_NEAR(editor->geometry().left(), from.x(), 1);
    // Scrolled while typing, the editor stays over its place on the page.
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + 30);
    EXPECT_NEAR(editor->geometry().top(), from.y() - 30, 1);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() - 30);
    typeText(editor, "Łódź Dvořák 山田太郎");
    QTest::mouseClick(vp(), Qt::LeftButton, {}, QPoint(500, 600));
    ASSERT_EQ(annotations().size(), 1u); // the click only ended the editing
    const pdf::AnnotationPtr box = annotations()[0];
    EXPECT_EQ(box->subtype(), "FreeText");
    EXPECT_EQ(box->contents(), "Łódź Dvořák 山田太郎");
    EXPECT_EQ(box->fontSize(), 18);
    EXPECT_NEAR(shown(box).left(), from.x(), 2);
    EXPECT_NEAR(shown(box).top(), from.y(), 2);
    EXPECT_NEAR(shown(box).width(), to.x() - from.x(), 2);

    // Double-clicked, the box is typed in again where it is; one undo step takes it back.
    settings.setCurrentTool(AnnotationTool::none);
    QTest::mouseDClick(vp(), Qt::LeftButton, {}, shown(box).center().toPoint());
    editor = gestures()->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->toPlainText(), "Łódź Dvořák 山田太郎");
    EXPECT_NEAR(editor->geometry().left(), from.x(), 2);
    editor->selectAll();
    typeText(editor, "Zażółć 你好");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(annotations()[0]->contents(), "Zażółć 你好");
    vm.undo();
    EXPECT_EQ(annotations()[0]->contents(), "Łódź Dvořák 山田太郎");
    settings.setCurrentTool(AnnotationTool::text);

    // Typed nothing: no box.
    drag({100, 500}, {300, 540});
    ASSERT_NE(gestures()->editor(), nullptr);
    QTest::keyClick(gestures()->editor(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(annotations().size(), 1u);
}

TEST_F(GestureTest, UnderlineAndStrikeOutMarkTheTextSelectedWithTheMouse) {
    open();
    settings.setCurrentTool(AnnotationTool::underline);
    drag(at({70, 705}), at({240, 675}));
    ASSERT_EQ(annotations().size(), 2u); // one per line
    for (const auto& a : annotations())
        EXPECT_EQ(a->subtype(), "Underline");
    EXPECT_FALSE(view.currentSelection().has_value());
    settings.setCurrentTool(AnnotationTool::strikethrough);
    drag(at({70, 705}), at({200, 705}));
    ASSERT_EQ(annotations().size(), 3u);
    EXPECT_EQ(annotations()[2]->subtype(), "StrikeOut");
    vm.undo();
    vm.undo();
    EXPECT_TRUE(annotations().empty());
}

TEST_F(GestureTest, TheSignatureToolHandsOnTheClickOrTheDraggedBox) {
    open();
    std::vector<std::pair<int, QRectF>> asked;
    gestures()->setSignaturePlacer([&](int page, const QRectF& box) {
        asked.emplace_back(page, box);
        return true;
    });
    settings.setCurrentTool(AnnotationTool::signature);
    QTest::mouseClick(vp(), Qt::LeftButton, {}, at({300, 400}));
    drag(at({100, 500}), at({300, 420}));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[0].second.isEmpty());
    EXPECT_NEAR(asked[0].second.left(), 300, 1.5);
    EXPECT_NEAR(asked[0].second.top(), 400, 1.5);
    expectNear(asked[1].second, QRectF(100, 420, 200, 80), 1.5);
}

TEST_F(GestureTest, ALockedDocumentTakesNothingUntilItIsUnlocked) {
    pdf::WriteOptions options;
    options.userPassword = "secret";
    options.ownerPassword = "owner";
    doc = openBytes(openBytes(textPages())->serialize(options));
    ASSERT_TRUE(doc->isLocked());
    vm.loadCreatedDocument(doc, "locked");
    view.setDocument(doc);
    for (AnnotationTool tool : allAnnotationTools()) {
        settings.setCurrentTool(tool);
        drag({150, 200}, {300, 320});
        EXPECT_EQ(gestures()->editor(), nullptr) << rawValue(tool).toStdString();
    }
    gestures()->finishInk();
    EXPECT_FALSE(vm.canUndo());

    ASSERT_TRUE(doc->unlock("secret"));
    view.setDocument(nullptr);
    view.setDocument(doc);
    view.setScaleFactor(0.8);
    settings.setCurrentTool(AnnotationTool::rectangle);
    drag({150, 200}, {300, 320});
    EXPECT_EQ(annotations().size(), 1u);
}
