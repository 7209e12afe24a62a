// The annotation strip in a narrow window: every control stays reachable, on the strip or
// in its overflow menu, and the strip never widens the window; the style strip follows the
// chosen tool and writes the annotation model.
#include "support/WindowTestSupport.h"

#include "app/VellumarkApp.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "shell/AnnotationStyleControls.h"
#include "shell/AnnotationToolbar.h"
#include "shell/ContentView.h"
#include "shell/SheetFlags.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFrame>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <iostream>

using namespace windowtest;

namespace {

QList<QWidget*> swatchesOf(const AnnotationToolbar& bar) {
    QList<QWidget*> swatches;
    for (HighlightColor c : allHighlightColors())
        swatches << bar.swatch(c);
    return swatches;
}

// What the strip shows after the divider for `tool`.
QList<QWidget*> styleControls(const AnnotationToolbar& bar, AnnotationTool tool) {
    switch (tool) {
    case AnnotationTool::highlight:
        return swatchesOf(bar) << bar.applyButton();
    case AnnotationTool::underline:
    case AnnotationTool::strikethrough:
        return swatchesOf(bar);
    case AnnotationTool::text:
        return {bar.textColorButton(), bar.textSizeField()};
    case AnnotationTool::freehand:
        return {bar.freehandColorButton(), bar.freehandWidthField()};
    case AnnotationTool::rectangle:
    case AnnotationTool::oval:
        return {bar.shapeColorButton(), bar.shapeFillButton(), bar.shapeWidthField()};
    case AnnotationTool::line:
    case AnnotationTool::arrow:
        return {bar.shapeColorButton(), bar.shapeWidthField()};
    default:
        return {};
    }
}

QList<QWidget*> everyStyleControl(const AnnotationToolbar& bar) {
    QList<QWidget*> all;
    for (AnnotationTool tool : allAnnotationTools())
        for (QWidget* w : styleControls(bar, tool))
            if (!all.contains(w))
                all << w;
    return all;
}

bool visibleInside(const QWidget* w, const QWidget* window) {
    return w->isVisible() && window->rect().contains(QRect(w->mapTo(window, QPoint()), w->size()));
}

// The first action titled `text`, searching submenus too.
QAction* findAction(const QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
        if (action->menu())
            if (QAction* inner = findAction(action->menu(), text))
                return inner;
    }
    return nullptr;
}

QMenu* openOverflow(AnnotationToolbar& bar) {
    QMenu* menu = bar.overflowMenu();
    menu->popup(bar.overflowButton()->mapToGlobal(QPoint(0, bar.overflowButton()->height())));
    QCoreApplication::processEvents();
    return menu;
}

// The entry of the overflow menu that stands for `control`, or null.
QAction* overflowEntry(AnnotationToolbar& bar, QWidget* control) {
    QMenu* menu = openOverflow(bar);
    for (QAction* action : menu->actions()) {
        if (auto* colors = qobject_cast<StyleColorButton*>(control))
            if (action->menu() == colors->choices())
                return action;
        if (auto* sizes = qobject_cast<StyleSizeField*>(control))
            if (action->menu() == sizes->choices())
                return action;
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            const QString name = button == bar.applyButton() ? button->text() : button->toolTip();
            if (action->text() == name)
                return action;
        }
    }
    return nullptr;
}

// Presses `button` where the user finds it: on the strip, or else in the overflow menu.
void press(AnnotationToolbar& bar, QAbstractButton* button) {
    if (button->isVisible()) {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        return;
    }
    QAction* entry = overflowEntry(bar, button);
    ASSERT_NE(entry, nullptr) << button->toolTip().toStdString();
    ASSERT_TRUE(entry->isEnabled());
    entry->trigger();
    bar.overflowMenu()->hide();
}

// The choices of a style control as the user reaches them: the control's own menu when it
// is on the strip, else the submenu the overflow menu shows for it.
QMenu* choicesOf(AnnotationToolbar& bar, QWidget* control) {
    if (control->isVisible())
        return control->findChild<QMenu*>();
    QAction* entry = overflowEntry(bar, control);
    return entry ? entry->menu() : nullptr;
}

QAction* presetOf(const QMenu* menu, double value) {
    for (QAction* action : menu->actions())
        if (action->isCheckable() && qFuzzyCompare(action->data().toDouble(), value))
            return action;
    return nullptr;
}

class StripInWindow : public ::testing::Test {
protected:
    void SetUp() override {
        open(window, numberedFile("strip.pdf", 2));
        window.flags()->setShowAnnotationToolbar(true);
        window.resize(640, 480);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        bar = window.annotationToolbar();
        // Read by the double-scale run to know the child really ran at that scale.
        std::cout << "device pixel ratio " << window.devicePixelRatio() << ", screen "
                  << window.screen()->size().width() << std::endl;
    }
    void choose(AnnotationTool tool) {
        window.annotationVM()->setCurrentTool(tool);
        QCoreApplication::processEvents();
    }
    ContentView window;
    AnnotationToolbar* bar = nullptr;
};

TEST_F(StripInWindow, EveryControlOfEveryToolIsReachableAt640) {
    for (AnnotationTool tool : allAnnotationTools()) {
        SCOPED_TRACE(rawValue(tool).toStdString());
        choose(tool);
        EXPECT_LE(window.width(), 640);
        ASSERT_TRUE(visibleInside(bar, &window));

        QList<QWidget*> wanted;
        for (AnnotationTool t : allAnnotationTools())
            wanted << bar->toolButton(t);
        wanted << styleControls(*bar, tool);
        const QList<QWidget*> folded = bar->foldedControls();
        for (QWidget* control : wanted) {
            const std::string name = control->accessibleName().toStdString();
            if (visibleInside(control, &window)) {
                EXPECT_FALSE(folded.contains(control)) << name;
                continue;
            }
            EXPECT_TRUE(folded.contains(control)) << name;
            EXPECT_TRUE(visibleInside(bar->overflowButton(), &window)) << name;
            EXPECT_NE(overflowEntry(*bar, control), nullptr) << name;
            bar->overflowMenu()->hide();
        }
        for (QWidget* other : everyStyleControl(*bar))
            if (!wanted.contains(other)) {
                EXPECT_FALSE(other->isVisible()) << other->accessibleName().toStdString();
                EXPECT_FALSE(folded.contains(other));
            }
        // Controls on the strip and the overflow button do not overlap, and the overflow
        // button is only there when something is folded.
        EXPECT_EQ(bar->overflowButton()->isVisible(), !folded.isEmpty());
        QList<QRect> taken;
        for (QWidget* control : wanted)
            if (control->isVisible())
                taken << control->geometry();
        if (bar->overflowButton()->isVisible())
            taken << bar->overflowButton()->geometry();
        for (qsizetype i = 0; i < taken.size(); ++i)
            for (qsizetype j = i + 1; j < taken.size(); ++j)
                EXPECT_FALSE(taken[i].intersects(taken[j])) << i << " overlaps " << j;
    }
    // At this width something must have folded, or the test proves nothing.
    choose(AnnotationTool::highlight);
    EXPECT_FALSE(bar->foldedControls().isEmpty());
}

TEST_F(StripInWindow, FoldedControlsDoWhatTheirButtonsDo) {
    AnnotationViewModel* model = window.annotationVM();
    choose(AnnotationTool::highlight);
    ASSERT_TRUE(bar->foldedControls().contains(bar->applyButton()));

    // Apply from the overflow menu is disabled without a selection and highlights with one.
    QAction* apply = overflowEntry(*bar, bar->applyButton());
    ASSERT_NE(apply, nullptr);
    EXPECT_FALSE(apply->isEnabled());
    bar->overflowMenu()->hide();
    const auto matches = window.documentVM()->pdfDocument()->findString("quick brown");
    ASSERT_FALSE(matches.empty());
    window.documentVM()->setCurrentSelection(matches.front());
    const pdf::PagePtr page = window.documentVM()->pdfDocument()->page(0);
    const size_t before = page->annotations().size();
    press(*bar, bar->applyButton());
    EXPECT_EQ(page->annotations().size(), before + 1);

    press(*bar, bar->swatch(HighlightColor::pink));
    EXPECT_EQ(model->highlightColor(), HighlightColor::pink);

    press(*bar, bar->toolButton(AnnotationTool::rectangle));
    EXPECT_EQ(model->currentTool(), AnnotationTool::rectangle);
    QMenu* fill = choicesOf(*bar, bar->shapeFillButton());
    ASSERT_NE(fill, nullptr);
    ASSERT_NE(findAction(fill, "Green"), nullptr);
    findAction(fill, "Green")->trigger();
    bar->overflowMenu()->hide();
    EXPECT_EQ(model->shapeFillColor(), NamedColors::systemGreen());
    QMenu* width = choicesOf(*bar, bar->shapeWidthField());
    ASSERT_NE(width, nullptr);
    ASSERT_NE(presetOf(width, 5), nullptr);
    presetOf(width, 5)->trigger();
    bar->overflowMenu()->hide();
    EXPECT_EQ(model->shapeLineWidth(), 5.0);

    press(*bar, bar->toolButton(AnnotationTool::signature));
    EXPECT_EQ(model->currentTool(), AnnotationTool::signature);
}

TEST_F(StripInWindow, ShowingTheStripNeverWidensTheWindow) {
    choose(AnnotationTool::rectangle);
    for (int width : {640, 420}) {
        window.resize(width, 480);
        QCoreApplication::processEvents();
        EXPECT_LE(bar->minimumSizeHint().width(), 100);
        EXPECT_LE(window.width(), std::max(width, window.minimumSizeHint().width()));
        window.flags()->setShowAnnotationToolbar(false);
        QCoreApplication::processEvents();
        const int without = window.minimumSizeHint().width();
        window.flags()->setShowAnnotationToolbar(true);
        QCoreApplication::processEvents();
        EXPECT_EQ(window.minimumSizeHint().width(), without);
    }
}

TEST_F(StripInWindow, FirstWindowFitsTheScreenWithTheStrip) {
    std::unique_ptr<ContentView> first(VellumarkApp::makeWindow());
    open(*first, numberedFile("first.pdf", 1));
    first->flags()->setShowAnnotationToolbar(true);
    first->annotationVM()->setCurrentTool(AnnotationTool::highlight);
    first->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first.get()));
    QCoreApplication::processEvents();
    const QRect screen = first->screen()->availableGeometry();
    EXPECT_LE(first->width(), screen.width());
    EXPECT_LE(first->height(), screen.height());
    const AnnotationToolbar* strip = first->annotationToolbar();
    EXPECT_TRUE(visibleInside(strip, first.get()));
    EXPECT_TRUE(visibleInside(strip->applyButton(), first.get()) ||
                visibleInside(strip->overflowButton(), first.get()));
}

// The cases above once more in a process at twice the scale: the scale is fixed per process.
TEST(AnnotationStripScale, EveryControlIsReachableAt640AtDoubleScale) {
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2")
        GTEST_SKIP() << "this is the double-scale run";
    int code = -1;
    const QString output = runAtDoubleScale("StripInWindow.*:-StripInWindow.Screenshots", &code);
    EXPECT_EQ(code, 0) << output.toStdString();
    EXPECT_TRUE(output.contains("device pixel ratio 2, screen 800")) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 4 tests")) << output.toStdString();
}

class StyleStripTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.resize(1400, bar.sizeHint().height());
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    void pick(AnnotationTool tool) {
        QTest::mouseClick(bar.toolButton(tool), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    DocumentViewModel document;
    AnnotationViewModel model;
    AnnotationToolbar bar{&model, &document};
};

TEST_F(StyleStripTest, EachToolShowsItsOwnStyleControls) {
    for (AnnotationTool tool : allAnnotationTools()) {
        SCOPED_TRACE(rawValue(tool).toStdString());
        pick(tool);
        ASSERT_EQ(model.currentTool(), tool);
        const QList<QWidget*> shown = styleControls(bar, tool);
        for (QWidget* control : everyStyleControl(bar))
            EXPECT_EQ(control->isVisible(), shown.contains(control))
                << control->accessibleName().toStdString();
        EXPECT_EQ(bar.divider()->isVisible(), !shown.isEmpty());
        EXPECT_TRUE(bar.foldedControls().isEmpty()); // 1400 px holds any tool's strip
        EXPECT_FALSE(bar.overflowButton()->isVisible());
    }
}

TEST_F(StyleStripTest, ControlsShowTheModelAndWriteIt) {
    // The model's defaults, as shown.
    EXPECT_EQ(bar.textSizeField()->value(), 14.0);
    EXPECT_EQ(bar.textColorButton()->color(), QColor(Qt::black));
    EXPECT_EQ(bar.freehandColorButton()->color(), NamedColors::red());
    EXPECT_EQ(bar.freehandWidthField()->value(), 2.0);
    EXPECT_EQ(bar.shapeColorButton()->color(), NamedColors::systemBlue());
    EXPECT_EQ(bar.shapeFillButton()->color().alpha(), 0);
    EXPECT_EQ(bar.shapeWidthField()->value(), 2.0);

    // A typed width reaches the model once it is confirmed, not digit by digit.
    pick(AnnotationTool::freehand);
    QSignalSpy widths(&model, &AnnotationViewModel::freehandLineWidthChanged);
    QDoubleSpinBox* spin = bar.freehandWidthField()->spinBox();
    spin->selectAll();
    QTest::keyClicks(spin, "12");
    EXPECT_EQ(widths.count(), 0);
    QTest::keyClick(spin, Qt::Key_Return);
    EXPECT_EQ(widths.count(), 1);
    EXPECT_EQ(model.freehandLineWidth(), 12.0);
    findAction(bar.freehandColorButton()->choices(), "Green")->trigger();
    EXPECT_EQ(model.freehandColor(), NamedColors::systemGreen());

    pick(AnnotationTool::text);
    QTest::keyClick(bar.textSizeField()->spinBox(), Qt::Key_Up);
    EXPECT_EQ(model.textFontSize(), 15.0);
    findAction(bar.textColorButton()->choices(), "Blue")->trigger();
    EXPECT_EQ(model.textColor(), NamedColors::systemBlue());

    pick(AnnotationTool::oval);
    findAction(bar.shapeFillButton()->choices(), "Yellow")->trigger();
    EXPECT_EQ(model.shapeFillColor(), NamedColors::systemYellow());
    findAction(bar.shapeFillButton()->choices(), "No Fill")->trigger();
    EXPECT_EQ(model.shapeFillColor().alpha(), 0);
    presetOf(bar.shapeWidthField()->choices(), 0.5)->trigger();
    EXPECT_EQ(model.shapeLineWidth(), 0.5);
    // Each tool keeps its own settings; the highlight colour is untouched.
    EXPECT_EQ(model.freehandLineWidth(), 12.0);
    EXPECT_EQ(model.highlightColor(), HighlightColor::yellow);

    // Changes made elsewhere (a restyle, another window part) show without echoing back.
    QSignalSpy shapeWidths(&model, &AnnotationViewModel::shapeLineWidthChanged);
    model.setShapeLineWidth(3);
    model.setShapeColor(NamedColors::systemPink());
    EXPECT_EQ(bar.shapeWidthField()->value(), 3.0);
    EXPECT_EQ(bar.shapeColorButton()->color(), NamedColors::systemPink());
    EXPECT_EQ(shapeWidths.count(), 1);
    bar.shapeColorButton()->choices()->popup(QPoint());
    QCoreApplication::processEvents();
    EXPECT_TRUE(findAction(bar.shapeColorButton()->choices(), "Pink")->isChecked());
    EXPECT_FALSE(findAction(bar.shapeColorButton()->choices(), "Blue")->isChecked());
    bar.shapeColorButton()->choices()->hide();
}

TEST_F(StyleStripTest, ANarrowStripFoldsEverythingButTheOverflowButton) {
    pick(AnnotationTool::highlight);
    const int full = bar.sizeHint().width();
    bar.resize(bar.minimumSizeHint().width(), bar.height());
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar.overflowButton()->isVisible());
    EXPECT_TRUE(bar.rect().contains(bar.overflowButton()->geometry()));
    EXPECT_EQ(bar.foldedControls().size(), 13 + 5 + 1); // tools, swatches, Apply
    QMenu* menu = openOverflow(bar);
    EXPECT_NE(findAction(menu, "Select"), nullptr);
    EXPECT_NE(findAction(menu, "Signature"), nullptr);
    EXPECT_NE(findAction(menu, "Orange"), nullptr);
    EXPECT_NE(findAction(menu, "Apply"), nullptr);
    menu->hide();

    bar.resize(full, bar.height());
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar.foldedControls().isEmpty());
    EXPECT_FALSE(bar.overflowButton()->isVisible());
    EXPECT_TRUE(bar.applyButton()->isVisible());
    EXPECT_TRUE(bar.rect().contains(bar.applyButton()->geometry()));

    // One pixel short: the overflow button comes and Apply folds first.
    bar.resize(full - 1, bar.height());
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar.overflowButton()->isVisible());
    EXPECT_TRUE(bar.foldedControls().contains(bar.applyButton()));
    EXPECT_FALSE(bar.foldedControls().contains(bar.toolButton(AnnotationTool::none)));
}

// Pictures for review, taken when VELLUMARK_SCREENSHOT_DIR names a folder.
TEST_F(StripInWindow, Screenshots) {
    const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "VELLUMARK_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    // The window with its overflow menu open; the menu is a window of its own, so both are
    // drawn on one canvas as the screen shows them.
    auto saveWithOverflow = [&](const QString& name) {
        QMenu* menu = openOverflow(*bar);
        QCoreApplication::processEvents();
        const QPoint menuAt = menu->mapToGlobal(QPoint()) - window.mapToGlobal(QPoint());
        const QRect canvas = window.rect().united(QRect(menuAt, menu->size()));
        QPixmap shot(canvas.size() * window.devicePixelRatio());
        shot.setDevicePixelRatio(window.devicePixelRatio());
        shot.fill(Qt::darkGray);
        {
            QPainter painter(&shot);
            painter.drawPixmap(-canvas.topLeft(), window.grab());
            painter.drawPixmap(menuAt - canvas.topLeft(), menu->grab());
        }
        menu->hide();
        ASSERT_TRUE(shot.save(QDir(dir).filePath(name)));
    };
    choose(AnnotationTool::highlight);
    saveWithOverflow("strip-640-overflow-open.png");
    choose(AnnotationTool::rectangle);
    window.annotationVM()->setShapeFillColor(NamedColors::systemYellow());
    saveWithOverflow("strip-640-shapes-overflow-open.png");

    window.resize(1200, 480);
    QCoreApplication::processEvents();
    ASSERT_TRUE(bar->grab().save(QDir(dir).filePath("strip-shapes.png")));
    for (AnnotationTool tool : {AnnotationTool::text, AnnotationTool::freehand}) {
        choose(tool);
        ASSERT_TRUE(bar->grab().save(QDir(dir).filePath("strip-" + rawValue(tool) + ".png")));
    }
}

} // namespace
