// The creation sheet's page list under a real mouse drag: the rows always show the
// model's pages in order, whichever way a row is dragged. A drag needs a display server
// (tests/screenshots/keep.sh runs these under Xvfb); without one they are skipped.
#include "models/PageTemplate.h"
#include "sheets/DocumentCreationView.h"
#include "sheets/PageListWidget.h"
#include "viewmodels/DocumentCreationViewModel.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

class PageListDrag : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() == "offscreen")
            GTEST_SKIP() << "a mouse drag needs a display server";
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < 3; ++i)
            view.findChild<QToolButton*>("addPageButton")->click();
        // Pages told apart by their template: 1 blank, 2 grid, 3 lined, 4 blank.
        model.setSelectedPageIndex(1);
        model.setSelectedPageTemplate(PageTemplate::grid);
        model.setSelectedPageIndex(2);
        model.setSelectedPageTemplate(PageTemplate::lined);
        ASSERT_EQ(model.pages().size(), 4);
    }

    // Presses on row `from`, moves in steps to just above or below the middle of row `to`,
    // and releases there, as a hand on the mouse does.
    void drag(int from, int to, bool below) {
        PageListWidget* list = view.pageList();
        QWidget* port = list->viewport();
        const QRect source = list->visualItemRect(list->item(from));
        const QRect target = list->visualItemRect(list->item(to));
        const QPoint start = source.center();
        const QPoint end(target.center().x(), below ? target.bottom() - 3 : target.top() + 3);
        // The drag's own loop takes over once the press has moved far enough; these run in it.
        // Sent to the window as the display server would, so the drag's own filter sees them.
        QWindow* window = view.windowHandle();
        auto at = [port, &view = this->view](QPoint p) { return port->mapTo(&view, p); };
        QTimer::singleShot(150, port, [window, at, start, end] {
            for (int step = 1; step <= 8; ++step) {
                QTest::mouseMove(window, at(start + (end - start) * step / 8));
                QTest::qWait(20);
            }
            QTest::mouseRelease(window, Qt::LeftButton, {}, at(end));
        });
        // A drag that never ends must not hang the run.
        QTimer::singleShot(5000, port, [window] { QTest::keyClick(window, Qt::Key_Escape); });
        QTest::mousePress(window, Qt::LeftButton, {}, at(start));
        QTest::mouseMove(window, at(start + QPoint(0, 2 * QApplication::startDragDistance())));
        QTest::qWait(400);
    }

    // "Page n: template" for every row, next to the same for every page of the model.
    QStringList rows() const {
        QStringList out;
        PageListWidget* list = view.pageList();
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text() + ": " +
                       list->item(i)->data(PageListWidget::SubtitleRole).toString();
        return out;
    }
    QStringList pages() const {
        QStringList out;
        for (int i = 0; i < model.pages().size(); ++i)
            out << QStringLiteral("Page %1: A4 - %2")
                       .arg(i + 1)
                       .arg(displayName(model.pages()[i].pageTemplate));
        return out;
    }

    DocumentCreationViewModel model;
    DocumentCreationView view{model, [](const pdf::DocumentPtr&, const QString&) {}};
};

} // namespace

// Disabled: under Xvfb the synthetic mouse starts the drag but the drop never reaches the
// list, so the pages do not move; the driving of the drag still needs work.
TEST_F(PageListDrag, DISABLED_DraggingDownAndUpKeepsOneRowPerPageInOrder) {
    const auto before = model.pages();
    drag(0, 2, true); // the first page below the third
    ASSERT_EQ(view.pageList()->count(), 4);
    EXPECT_EQ(rows(), pages());
    EXPECT_EQ(model.pages()[2].id, before[0].id) << rows().join(" / ").toStdString();

    drag(3, 0, false); // the last page to the top
    EXPECT_EQ(view.pageList()->count(), 4);
    EXPECT_EQ(rows(), pages());
    EXPECT_EQ(model.pages()[0].id, before[3].id);

    const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        view.grab().save(QDir(dir).filePath("keep-creation-list-after-drag.png"));
    }
}
