// The keyboard belongs to the page from the moment a document shows: Page Down and Space
// scroll at once after opening, after a sheet closes, and after the page counter or the
// zoom box was used (Enter or Escape hands the keys back). Run once more at twice the
// scale, in a window 640 pixels wide.
#include "app/VellumarkApp.h"
#include "pageview/PdfPageView.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/PageNumberField.h"
#include "shell/SheetPresenter.h"
#include "shell/ZoomBox.h"
#include "support/DoubleScaleRun.h"
#include "support/PageViewTestSupport.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "support/WindowTestSupport.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>

using windowtest::waitUntil;

namespace {

class PageFocus : public ::testing::Test {
protected:
    void SetUp() override {
        window.reset(VellumarkApp::makeWindow());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->resize(640, 480);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        std::cout << "device pixel ratio " << window->devicePixelRatio() << std::endl;
        // Opened as a person opens it: Ctrl+O and the dialog's answer.
        dialogs->scriptOpen({windowtest::numberedFile("focus.pdf", 12)});
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(window->pageView());
        view = window->pageView()->pdfView();
        ASSERT_TRUE(waitUntil([&] { return view->verticalScrollBar()->maximum() > 0; }));
    }
    void activate() {
        QApplication::setActiveWindow(window.get());
        QCoreApplication::processEvents();
    }
    // Page Down then Space each scroll the page, and nothing else takes them.
    void expectKeysScroll(const char* after) {
        SCOPED_TRACE(after);
        // The window manager gives the window back its activation once a sheet is gone;
        // the page must be what then has the keyboard.
        activate();
        // What has the keyboard in this window whenever it is active.
        ASSERT_TRUE(waitUntil([&] { return window->focusWidget() == view; }))
            << "focus on "
            << (window->focusWidget() ? window->focusWidget()->metaObject()->className()
                                      : "nothing");
        const double scale = window->documentVM()->scaleFactor();
        QScrollBar* bar = view->verticalScrollBar();
        for (Qt::Key key : {Qt::Key_PageDown, Qt::Key_Space}) {
            const int before = bar->value();
            QTest::keyClick(window->focusWidget(), key);
            EXPECT_GT(bar->value(), before) << int(key);
        }
        EXPECT_EQ(window->documentVM()->scaleFactor(), scale);
        EXPECT_TRUE(window->pageCounter()->text().contains(" / "));
        view->verticalScrollBar()->setValue(0);
    }

    ScopedAlerts alerts;
    ScopedFileDialogs dialogs;
    std::unique_ptr<ContentView> window;
    PdfPageView* view = nullptr;
};

TEST_F(PageFocus, ThePageHasTheKeysAfterOpeningAndAfterEachSheet) {
    expectKeysScroll("open");
    const QString shots = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (!shots.isEmpty() && QDir().mkpath(shots) && fixtures::waitUntilSharp(*view))
        window->grab().save(QDir(shots).filePath("focus-after-open.png"));

    // Page Management by its shortcut, left with Escape.
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QDialog* sheet = window->sheetPresenter()->dialog(SheetKind::pageManagement);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet,
                    Qt::Key_Escape);
    ASSERT_TRUE(
        waitUntil([&] { return !window->sheetPresenter()->dialog(SheetKind::pageManagement); }));
    expectKeysScroll("page management");

    // A second document replaces the first through the same dialog.
    dialogs->scriptOpen({windowtest::numberedFile("second.pdf", 4)});
    activate();
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(window->documentVM()->fileName(), "second.pdf");
    expectKeysScroll("second open");
}

TEST_F(PageFocus, CounterAndZoomBoxHandTheKeysBackOnEnterAndEscape) {
    PageNumberField* counter = window->pageCounter();
    activate();
    QTest::mouseClick(counter, Qt::LeftButton);
    QCoreApplication::processEvents(); // the click's own selection of the number
    ASSERT_TRUE(counter->hasFocus());
    QTest::keyClicks(counter, "5");
    QTest::keyClick(counter, Qt::Key_Return);
    EXPECT_EQ(window->documentVM()->currentPageIndex(), 4);
    expectKeysScroll("counter Enter");

    QTest::mouseClick(counter, Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_TRUE(counter->hasFocus());
    QTest::keyClick(counter, Qt::Key_Space); // typed into the field, not the page
    QTest::keyClick(counter, Qt::Key_Escape);
    expectKeysScroll("counter Escape");

    // A zoom picked from the list, then one typed, then the box left with Escape.
    ZoomBox* zoom = window->zoomBox();
    QTest::mouseClick(zoom, Qt::LeftButton);
    zoom->showPopup();
    ASSERT_TRUE(waitUntil([&] { return zoom->view()->isVisible(); }));
    zoom->view()->setCurrentIndex(zoom->model()->index(zoom->findText("200%"), 0));
    QTest::keyClick(zoom->view(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(window->documentVM()->scaleFactor(), 2.0);
    expectKeysScroll("zoom picked");

    QTest::mouseClick(zoom->lineEdit(), Qt::LeftButton);
    zoom->lineEdit()->selectAll();
    QTest::keyClicks(zoom->lineEdit(), "150");
    QTest::keyClick(zoom->lineEdit(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(window->documentVM()->scaleFactor(), 1.5);
    expectKeysScroll("zoom typed");

    QTest::mouseClick(zoom->lineEdit(), Qt::LeftButton);
    ASSERT_TRUE(zoom->hasFocus());
    QTest::keyClick(zoom->lineEdit(), Qt::Key_Escape);
    expectKeysScroll("zoom Escape");
}

TEST_F(PageFocus, ViewMenuMarksTheLayoutAndF11LeavesJustThePage) {
    QMenu* viewMenu = nullptr;
    for (QAction* top : window->menuBar()->actions())
        if (top->menu() && top->text().remove('&') == "View")
            viewMenu = top->menu();
    ASSERT_TRUE(viewMenu);
    auto marked = [&] {
        emit viewMenu->aboutToShow();
        QStringList checked;
        for (QAction* a : viewMenu->actions())
            if (a->isChecked())
                checked << a->text();
        return checked;
    };
    EXPECT_EQ(marked(), QStringList{"Single Page Continuous"});
    for (QAction* a : viewMenu->actions())
        if (a->text() == "Two Pages")
            a->trigger();
    EXPECT_EQ(marked(), QStringList{"Two Pages"});

    QTest::keyClick(window.get(), Qt::Key_F11);
    ASSERT_TRUE(waitUntil([&] { return window->isFullScreen(); }));
    EXPECT_FALSE(window->toolbar()->isVisible());
    EXPECT_EQ(window->menuBar()->height(), 0);
    EXPECT_FALSE(window->findChild<QWidget*>("sidebarColumn")->isVisible());
    EXPECT_TRUE(
        waitUntil([&] { return window->centralWidget()->mapTo(window.get(), QPoint()).y() == 0; }));
    const QString shots = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (!shots.isEmpty() && QDir().mkpath(shots) && fixtures::waitUntilSharp(*view))
        window->grab().save(QDir(shots).filePath("full-screen.png"));
    // The menus' keys still work, and the page still has the keyboard.
    QTest::keyClick(window.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(window->documentVM()->currentPageIndex(), 11);
    EXPECT_EQ(QApplication::focusWidget(), view);

    QTest::keyClick(window.get(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !window->isFullScreen(); }));
    EXPECT_TRUE(window->toolbar()->isVisible());
    EXPECT_GT(window->menuBar()->height(), 0);
    EXPECT_TRUE(window->findChild<QWidget*>("sidebarColumn")->isVisible());
}

TEST(PageFocusScale, AtDoubleScale) {
    if (windowtest::isDoubleScaleRun())
        GTEST_SKIP() << "this is the double-scale run";
    const QString failure = windowtest::failureAtDoubleScale("PageFocus.*", 3);
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
}

} // namespace
