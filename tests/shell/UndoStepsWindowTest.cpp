// Undo steps as a person makes them in the window: a drag or a resize with the mouse, or a
// run of arrow-key nudges, is one step, named in the Edit menu, and undone at once.
#include "app/VellumarkApp.h"
#include "pageview/AnnotationSelector.h"
#include "pageview/PdfPageView.h"
#include "pdf/annotations/AnnotationEdit.h"
#include "pdf/document/Page.h"
#include "shell/CommandVocabulary.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "support/AnnotationFixtures.h"
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/WindowTestSupport.h"
#include "viewmodels/DocumentViewModel.h"

#include <QApplication>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <memory>

namespace {

class UndoStepsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.reset(VellumarkApp::makeWindow());
        window->setAttribute(Qt::WA_DeleteOnClose, false); // the test owns it
        window->resize(1000, 1000);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        windowtest::open(*window, fixtures::writeTemp(windowtest::folder(), "undo-steps.pdf",
                                                      fixtures::foreignAnnotationsPdf()));
        view = window->pageView()->pdfView();
        ASSERT_TRUE(view && fixtures::waitUntilSharp(*view));
        undo = menuAction(Notifications::undo);
        redo = menuAction(Notifications::redo);
        ASSERT_TRUE(undo && redo);
    }
    void TearDown() override {
        alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::discard);
        window->close();
    }

    QAction* menuAction(const QString& name) const {
        for (QAction* a : window->menuBar()->findChildren<QAction*>())
            if (a->objectName() == name)
                return a;
        return nullptr;
    }
    DocumentViewModel& vm() const { return *window->documentVM(); }
    int steps() const { return vm().undoStack()->count(); }
    // The editable annotation of this subtype on the page (the first one).
    pdf::AnnotationPtr annotation(const QString& subtype) const {
        for (const auto& a : pdf::editableAnnotations(*vm().pdfDocument()->page(0)))
            if (a->subtype() == subtype)
                return a;
        return nullptr;
    }
    QRectF frameOf(const QString& subtype) const {
        return pdf::annotationFacts(*annotation(subtype))->frame;
    }
    QPoint at(QPointF pagePoint) const {
        return view->viewportPointForPagePoint(0, pagePoint).toPoint();
    }
    // A press, the pointer carried there in many small moves, and a release.
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
        constexpr int kMoves = 24;
        for (int i = 1; i <= kMoves; ++i)
            QTest::mouseMove(view->viewport(), from + (to - from) * i / kMoves);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, to);
    }
    void press(Qt::Key key, int times, Qt::KeyboardModifiers modifiers = {}) {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    static void expectNear(const QRectF& actual, const QRectF& expected) {
        EXPECT_NEAR(actual.left(), expected.left(), 1.5);
        EXPECT_NEAR(actual.top(), expected.top(), 1.5);
        EXPECT_NEAR(actual.width(), expected.width(), 1.5);
        EXPECT_NEAR(actual.height(), expected.height(), 1.5);
    }

    ScopedAlerts alerts;
    std::unique_ptr<ContentView> window;
    PdfPageView* view = nullptr;
    QAction* undo = nullptr;
    QAction* redo = nullptr;
};

const QRectF kSquare(100, 500, 100, 100);
const QRectF kStamp(100, 200, 100, 60);

} // namespace

TEST_F(UndoStepsWindowTest, ADragIsOneStepTheEditMenuNamesAndUndoesAtOnce) {
    EXPECT_EQ(undo->text(), "Undo");
    EXPECT_FALSE(undo->isEnabled());

    drag(at({150, 550}), at({250, 450}));
    expectNear(frameOf("Square"), kSquare.translated(100, -100));
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(undo->text(), "Undo Move Annotation");
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(redo->text(), "Redo");
    EXPECT_FALSE(redo->isEnabled());

    undo->trigger();
    EXPECT_EQ(frameOf("Square"), kSquare);
    EXPECT_FALSE(vm().isModified());
    EXPECT_EQ(undo->text(), "Undo");
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(redo->text(), "Redo Move Annotation");
    redo->trigger();
    expectNear(frameOf("Square"), kSquare.translated(100, -100));

    // A second drag, of another annotation, is a second step; each undo takes back one.
    drag(at({150, 230}), at({350, 230}));
    expectNear(frameOf("Stamp"), kStamp.translated(200, 0));
    EXPECT_EQ(steps(), 2);
    undo->trigger();
    EXPECT_EQ(frameOf("Stamp"), kStamp);
    expectNear(frameOf("Square"), kSquare.translated(100, -100));
    undo->trigger();
    EXPECT_EQ(frameOf("Square"), kSquare);
    EXPECT_FALSE(undo->isEnabled());
}

TEST_F(UndoStepsWindowTest, AResizeDragIsOneStep) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at({150, 550}));
    AnnotationSelector* selector = view->annotationSelector();
    ASSERT_TRUE(selector->selected());
    const QPoint corner = selector->handles()[4].toPoint(); // bottom right
    drag(corner, corner + (at({250, 450}) - at({200, 500})));
    expectNear(frameOf("Square"), QRectF(100, 450, 150, 150));
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(undo->text(), "Undo Resize Annotation");
    undo->trigger();
    EXPECT_EQ(frameOf("Square"), kSquare);
}

TEST_F(UndoStepsWindowTest, ARunOfArrowKeyNudgesIsOneStepUntilSomethingElseHappens) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at({150, 550}));
    ASSERT_TRUE(view->annotationSelector()->selected());
    ASSERT_EQ(QApplication::focusWidget(), view);
    const int scrolled = view->verticalScrollBar()->value();

    // A point a press, ten with Shift; down on screen is down the page.
    press(Qt::Key_Right, 5);
    EXPECT_EQ(frameOf("Square"), kSquare.translated(5, 0));
    press(Qt::Key_Down, 2, Qt::ShiftModifier);
    EXPECT_EQ(frameOf("Square"), kSquare.translated(5, -20));
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(undo->text(), "Undo Move Annotation");
    EXPECT_EQ(view->verticalScrollBar()->value(), scrolled); // the keys did not scroll

    // Undo and redo end the run: a nudge after them is a step of its own.
    undo->trigger();
    EXPECT_EQ(frameOf("Square"), kSquare);
    redo->trigger();
    press(Qt::Key_Right, 1);
    EXPECT_EQ(frameOf("Square"), kSquare.translated(6, -20));
    EXPECT_EQ(steps(), 2);

    // So does another annotation selected.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at({150, 230}));
    ASSERT_TRUE(view->annotationSelector()->selected());
    ASSERT_EQ(view->annotationSelector()->selected()->subtype(), "Stamp");
    press(Qt::Key_Left, 3);
    EXPECT_EQ(frameOf("Stamp"), kStamp.translated(-3, 0));
    EXPECT_EQ(steps(), 3);

    undo->trigger();
    EXPECT_EQ(frameOf("Stamp"), kStamp);
    undo->trigger();
    EXPECT_EQ(frameOf("Square"), kSquare.translated(5, -20));
    undo->trigger();
    EXPECT_EQ(frameOf("Square"), kSquare);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(vm().isModified());
}
