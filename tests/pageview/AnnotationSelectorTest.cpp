#include "pageview/AnnotationSelector.h"
#include "pageview/PdfPageView.h"

#include "pdf/annotations/AnnotationEdit.h"
#include "pdf/document/Page.h"
#include "support/AnnotationFixtures.h"
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class AnnotationSelectorTest : public ::testing::Test {
protected:
    void open(int rotation = 0, double scale = 1.0) {
        doc = pdf::Document::fromData(fixtures::foreignAnnotationsPdf(rotation));
        ASSERT_TRUE(doc);
        vm.loadCreatedDocument(doc, "annotated");
        view.resize(900, 950);
        view.setDocument(doc);
        view.setScaleFactor(scale);
        view.annotationSelector()->setModels(&vm, &tools);
        view.show();
        page = doc->page(0);
    }
    AnnotationSelector& selector() { return *view.annotationSelector(); }
    pdf::AnnotationPtr annotation(const QString& subtype) const {
        for (const auto& a : pdf::editableAnnotations(*page))
            if (a->subtype() == subtype)
                return a;
        return nullptr;
    }
    QRectF frameOf(const QString& subtype) const {
        return pdf::annotationFacts(*annotation(subtype))->frame;
    }
    QPoint at(QPointF pdfPoint) const {
        return view.viewportPointForPagePoint(0, pdfPoint).toPoint();
    }
    void click(QPoint p) { QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, p); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from);
        for (int i = 1; i <= 6; ++i)
            QTest::mouseMove(view.viewport(), from + (to - from) * i / 6);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
    }

    DocumentViewModel vm;
    AnnotationViewModel tools;
    PdfPageView view;
    pdf::DocumentPtr doc;
    pdf::PagePtr page;
};

// The value of `key` in the first object of the qpdf JSON dump whose /Subtype is `subtype`
// and that is not hidden.
QJsonValue writtenValue(const QString& file, const QString& subtype, const QString& key) {
    int code = -1;
    const QByteArray json = fixtures::runTool("qpdf", {"--json", "--json-key=qpdf", file}, &code);
    const QJsonArray parts = QJsonDocument::fromJson(json).object().value("qpdf").toArray();
    for (const QJsonValue& part : parts) {
        const QJsonObject objects = part.toObject();
        for (auto it = objects.begin(); it != objects.end(); ++it) {
            const QJsonObject value = it.value().toObject().value("value").toObject();
            if (value.value("/Subtype").toString() == "/" + subtype && !value.contains("/F"))
                return value.value(key);
        }
    }
    return {};
}

double item(const QJsonValue& array, int i) {
    return array.toArray().at(i).toDouble();
}

int redPixels(const QImage& image, const QRect& area) {
    int red = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    return red;
}

} // namespace

TEST_F(AnnotationSelectorTest, AClickPicksWithHandlesAndEscapeOrAClickElsewhereLetsGo) {
    open();
    ASSERT_TRUE(fixtures::waitUntilSharp(view));
    const QImage plain = fixtures::grabViewport(view);
    click(at({150, 550}));
    ASSERT_TRUE(selector().selected());
    EXPECT_EQ(selector().selected()->subtype(), "Square");
    const std::vector<QPointF> handles = selector().handles();
    ASSERT_EQ(handles.size(), 8u);
    // On the corners, a few pixels out so the frame leaves the annotation's edge visible.
    EXPECT_NEAR(handles[0].x(), at({100, 600}).x() - 3, 1.5);
    EXPECT_NEAR(handles[0].y(), at({100, 600}).y() - 3, 1.5);
    // The frame and its handles are drawn: a handle's centre is white on the red border.
    ASSERT_TRUE(fixtures::waitUntilSharp(view));
    const QImage shown = fixtures::grabViewport(view);
    QDir().mkpath("/tmp/shots/annsel");
    shown.save("/tmp/shots/annsel/selected-square.png");
    const double dpr = view.viewport()->devicePixelRatioF();
    // A handle is a white box outlined in the accent colour.
    const QPoint corner = (handles[2] * dpr).toPoint();
    EXPECT_EQ(QColor(shown.pixel(corner)), QColor(Qt::white));
    const QPoint outline = ((handles[2] + QPointF(0, 4)) * dpr).toPoint();
    EXPECT_NE(shown.pixel(outline), plain.pixel(outline));
    EXPECT_NE(QColor(shown.pixel(outline)), QColor(Qt::white));
    const QPoint mid = (QPointF(handles[1].x() + 20, handles[1].y()) * dpr).toPoint();
    EXPECT_NE(shown.pixel(mid), plain.pixel(mid)) << "no frame between the handles";

    click(at({300, 400})); // bare page
    EXPECT_FALSE(selector().selected());

    click(at({425, 325})); // on the line's stroke
    ASSERT_TRUE(selector().selected());
    EXPECT_EQ(selector().handles().size(), 10u); // and its two ends
    QTest::keyClick(view.viewport(), Qt::Key_Escape);
    EXPECT_FALSE(selector().selected());

    // Escape with a tool in hand goes back to the select tool.
    tools.setCurrentTool(AnnotationTool::rectangle);
    click(at({150, 550})); // a tool that places shapes still picks what is there
    EXPECT_TRUE(selector().selected());
    QTest::keyClick(view.viewport(), Qt::Key_Escape);
    EXPECT_FALSE(selector().selected());
    EXPECT_EQ(tools.currentTool(), AnnotationTool::rectangle);
    QTest::keyClick(view.viewport(), Qt::Key_Escape);
    EXPECT_EQ(tools.currentTool(), AnnotationTool::none);
    // The highlighter works on the text under annotations: it does not pick them.
    tools.setCurrentTool(AnnotationTool::highlight);
    click(at({150, 550}));
    EXPECT_FALSE(selector().selected());
}

TEST_F(AnnotationSelectorTest, DraggingMovesOnceUndoablyAndOtherReadersSeeTheNewPlace) {
    open();
    drag(at({150, 550}), at({150, 550}) + QPoint(150, 100));
    EXPECT_EQ(frameOf("Square"), QRectF(250, 400, 100, 100));
    EXPECT_EQ(vm.undoName(), "Move Annotation");
    vm.undo();
    EXPECT_EQ(frameOf("Square"), QRectF(100, 500, 100, 100));
    EXPECT_FALSE(vm.canUndo());
    vm.redo();
    EXPECT_EQ(frameOf("Square"), QRectF(250, 400, 100, 100));
    // The view drew the page again at once (the frame let go, so only the page shows).
    QTest::keyClick(view.viewport(), Qt::Key_Escape);
    ASSERT_TRUE(fixtures::waitUntilSharp(view));
    const QImage shown = fixtures::grabViewport(view);
    shown.save("/tmp/shots/annsel/moved-square.png");
    const double dpr = view.viewport()->devicePixelRatioF();
    EXPECT_GT(redPixels(shown, QRect((QPointF(at({250, 450})) * dpr).toPoint() - QPoint(4, 4),
                                     QSize(8, 8))),
              4);
    EXPECT_EQ(redPixels(shown, QRect((QPointF(at({100, 550})) * dpr).toPoint() - QPoint(4, 4),
                                     QSize(8, 8))),
              0);

    if (!fixtures::toolAvailable("qpdf") || !fixtures::toolAvailable("pdftoppm"))
        GTEST_SKIP() << "qpdf or poppler-utils missing";
    QTemporaryDir dir;
    const QString file = dir.filePath("moved.pdf");
    ScopedFileDialogs dialogs;
    dialogs->scriptSave(file);
    ASSERT_TRUE(vm.saveAnnotatedCopy());
    const QJsonValue rect = writtenValue(file, "Square", "/Rect");
    ASSERT_EQ(rect.toArray().size(), 4);
    EXPECT_NEAR(item(rect, 0), 250, 2);
    EXPECT_NEAR(item(rect, 1), 400, 2);
    EXPECT_NEAR(item(rect, 2), 350, 2);
    EXPECT_NEAR(item(rect, 3), 500, 2);
    EXPECT_EQ(item(writtenValue(file, "Square", "/C"), 0), 1);
    // The square came without an appearance; it was given one, so every reader draws it.
    EXPECT_TRUE(writtenValue(file, "Square", "/AP").toObject().contains("/N"));

    int code = -1;
    fixtures::runTool("pdftoppm", {"-r", "72", "-png", "-singlefile", file, dir.filePath("p")},
                      &code);
    ASSERT_EQ(code, 0);
    const QImage page(dir.filePath("p.png"));
    ASSERT_EQ(page.height(), 792);
    // The red border is drawn on the new left edge (x = 250), not on the old one.
    EXPECT_GT(redPixels(page, QRect(249, 792 - 480, 3, 60)), 60);
    EXPECT_EQ(redPixels(page, QRect(99, 792 - 580, 3, 60)), 0);
}

TEST_F(AnnotationSelectorTest, DraggingAHandleResizesAndALineEndMovesOnlyThatEnd) {
    open();
    click(at({150, 550}));
    ASSERT_TRUE(selector().selected());
    // Bottom-right handle, 50 px right and 50 px down: the square grows to 150 x 150.
    drag(selector().handles()[4].toPoint(), selector().handles()[4].toPoint() + QPoint(50, 50));
    const QRectF grown = frameOf("Square");
    EXPECT_NEAR(grown.left(), 100, 1);
    EXPECT_NEAR(grown.right(), 250, 1);
    EXPECT_NEAR(grown.top(), 450, 1); // the bottom edge, y up
    EXPECT_NEAR(grown.bottom(), 600, 1);
    EXPECT_EQ(vm.undoName(), "Resize Annotation");
    vm.undo();
    EXPECT_EQ(frameOf("Square"), QRectF(100, 500, 100, 100));

    click(at({425, 325}));
    ASSERT_EQ(selector().handles().size(), 10u);
    drag(selector().handles()[9].toPoint(), selector().handles()[9].toPoint() + QPoint(0, -50));
    const auto ends = pdf::annotationFacts(*annotation("Line"))->lineEnds;
    ASSERT_TRUE(ends);
    EXPECT_NEAR(ends->first.x(), 350, 1);
    EXPECT_NEAR(ends->first.y(), 300, 1);
    EXPECT_NEAR(ends->second.x(), 500, 1);
    EXPECT_NEAR(ends->second.y(), 400, 1);
}

TEST_F(AnnotationSelectorTest, DeleteRemovesForeignAnnotationsOneUndoableStepEach) {
    open();
    const size_t count = pdf::editableAnnotations(*page).size();
    click(at({150, 550})); // a square with no appearance of its own
    QTest::keyClick(view.viewport(), Qt::Key_Delete);
    EXPECT_FALSE(annotation("Square"));
    EXPECT_FALSE(selector().selected());
    click(at({312, 512})); // a note made elsewhere
    ASSERT_TRUE(selector().selected());
    QTest::keyClick(view.viewport(), Qt::Key_Backspace);
    EXPECT_FALSE(annotation("Text"));
    EXPECT_EQ(pdf::editableAnnotations(*page).size(), count - 2);
    vm.undo();
    EXPECT_TRUE(annotation("Text"));
    vm.undo();
    EXPECT_TRUE(annotation("Square"));
    EXPECT_EQ(frameOf("Square"), QRectF(100, 500, 100, 100));
    vm.redo();
    EXPECT_FALSE(annotation("Square"));
}

TEST_F(AnnotationSelectorTest, TheContextMenuRecolorsAHighlightUndoably) {
    open();
    QStringList offered;
    bool triggered = false;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions()) {
            offered << action->text();
            if (action->menu())
                for (QAction* sub : action->menu()->actions())
                    if (action->text() == "Colour") {
                        offered << sub->text();
                        if (sub->text() == "Green") {
                            sub->trigger();
                            triggered = true;
                        }
                    }
        }
        menu->close();
    });
    const QPoint p = at({130, 707});
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, view.viewport()->mapToGlobal(p));
    QApplication::sendEvent(view.viewport(), &event);
    ASSERT_TRUE(triggered) << offered.join(", ").toStdString();
    EXPECT_TRUE(offered.contains("Delete"));
    for (const char* name : {"Yellow", "Green", "Blue", "Pink", "Orange"})
        EXPECT_TRUE(offered.contains(name)) << name;
    const QColor now = pdf::annotationFacts(*annotation("Highlight"))->color;
    EXPECT_EQ(now.rgb(), annotationColor(HighlightColor::green).rgb());
    EXPECT_NEAR(now.alphaF(), 0.3, 0.01);
    EXPECT_EQ(vm.undoName(), "Change Colour");
    vm.undo();
    EXPECT_EQ(pdf::annotationFacts(*annotation("Highlight"))->color.rgb(),
              QColor(Qt::yellow).rgb());
    vm.redo();
    EXPECT_EQ(pdf::annotationFacts(*annotation("Highlight"))->color.rgb(),
              annotationColor(HighlightColor::green).rgb());
}

TEST_F(AnnotationSelectorTest, ADragOverAHighlightSelectsItsTextAndLeavesItInPlace) {
    open();
    click(at({130, 707}));
    ASSERT_TRUE(selector().selected());
    EXPECT_EQ(selector().selected()->subtype(), "Highlight");
    drag(at({90, 707}), at({150, 707}));
    EXPECT_FALSE(selector().selected());
    EXPECT_FALSE(vm.canUndo());
    EXPECT_EQ(frameOf("Highlight"), QRectF(72, 700, 128, 15));
    ASSERT_TRUE(view.currentSelection());
    EXPECT_TRUE(view.currentSelection()->string().contains("tated"))
        << view.currentSelection()->string().toStdString();
}

TEST_F(AnnotationSelectorTest, APageWideWatermarkLeavesPressesToTheTextButItsMenuDeletesIt) {
    open();
    ASSERT_TRUE(
        page->addTextWatermark({0, 0, 612, 792}, "DRAFT", 72, QColor(128, 128, 128, 80), 45));
    click(at({300, 300}));
    EXPECT_FALSE(selector().selected());
    click(at({150, 550})); // what lies under it is still picked
    ASSERT_TRUE(selector().selected());
    EXPECT_EQ(selector().selected()->subtype(), "Square");
    bool deleted = false;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions())
            if (action->text() == "Delete") {
                action->trigger();
                deleted = true;
            }
        menu->close();
    });
    const QPoint p = at({300, 300});
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, view.viewport()->mapToGlobal(p));
    QApplication::sendEvent(view.viewport(), &event);
    ASSERT_TRUE(deleted);
    EXPECT_FALSE(annotation("FreeText"));
    vm.undo();
    EXPECT_TRUE(annotation("FreeText"));
}

TEST_F(AnnotationSelectorTest, OnATurnedPageTheAnnotationFollowsThePointer) {
    open(90);
    const QPoint start = at({150, 550});
    click(start);
    ASSERT_TRUE(selector().selected());
    const QRectF before = selector().frame();
    // The handles sit on the corners of the square as the turned page shows it.
    EXPECT_NEAR(before.width(), 100, 1.5);
    EXPECT_TRUE(before.contains(start));
    drag(start, start + QPoint(80, 30));
    const QRectF after = selector().frame();
    EXPECT_NEAR(after.left() - before.left(), 80, 1.5);
    EXPECT_NEAR(after.top() - before.top(), 30, 1.5);
    // Turned a quarter clockwise, right on screen is up the page (+y), down is right (+x).
    EXPECT_NEAR(frameOf("Square").left(), 130, 1);
    EXPECT_NEAR(frameOf("Square").top(), 580, 1);
    // The arrow keys follow the screen too: Right is up the page, Down is right.
    const QRectF dragged = frameOf("Square");
    QTest::keyClick(view.viewport(), Qt::Key_Right);
    QTest::keyClick(view.viewport(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(frameOf("Square"), dragged.translated(10, 1));
}

TEST_F(AnnotationSelectorTest, AtTwiceTheScaleADragMovesHalfAsManyPoints) {
    open(0, 2.0);
    const QPoint start = at({150, 550});
    ASSERT_TRUE(view.viewport()->rect().contains(start));
    drag(start, start + QPoint(100, 0));
    EXPECT_EQ(frameOf("Square"), QRectF(150, 500, 100, 100));
    // Dragged far past the page's left edge, it stops at the edge.
    const QPoint from = at({200, 550});
    drag(from, from + QPoint(-1000, 0));
    EXPECT_EQ(frameOf("Square"), QRectF(0, 500, 100, 100));
}

TEST_F(AnnotationSelectorTest, NothingIsPickedInALockedDocument) {
    auto plain = pdf::Document::fromData(fixtures::foreignAnnotationsPdf());
    pdf::WriteOptions options;
    options.userPassword = "secret";
    options.ownerPassword = "owner";
    doc = pdf::Document::fromData(plain->serialize(options));
    ASSERT_TRUE(doc && doc->isLocked());
    vm.loadCreatedDocument(doc, "locked");
    view.resize(900, 950);
    view.setDocument(doc);
    view.annotationSelector()->setModels(&vm, &tools);
    view.show();
    click(QPoint(300, 300));
    EXPECT_FALSE(selector().selected());
    // Unlocked, the same click picks.
    ASSERT_TRUE(doc->unlock("secret"));
    view.setDocument(nullptr);
    view.setDocument(doc);
    view.setScaleFactor(1.0);
    page = doc->page(0);
    click(at({150, 550}));
    EXPECT_TRUE(selector().selected());
}
