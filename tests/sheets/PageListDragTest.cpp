// The creation sheet's page list under a real mouse drag: the rows always show the
// model's pages in order, whichever way a row is dragged, and "Delete" on a row removes the
// page that row shows. The mouse events go to the window as the platform delivers them.
#include "models/PageTemplate.h"
#include "sheets/DocumentCreationView.h"
#include "sheets/PageListWidget.h"
#include "viewmodels/DocumentCreationViewModel.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

class PageListDrag : public ::testing::Test {
protected:
    void SetUp() override {
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

    QPoint inWindow(QPoint viewportPoint) const {
        return view.pageList()->viewport()->mapTo(&view, viewportPoint);
    }

    // Presses on row `from`, moves in steps to just above or below the middle of row `to`,
    // and releases there, as a hand on the mouse does. With `cancel`, Escape is pressed
    // before the release.
    void drag(int from, int to, bool below, bool cancel = false) {
        PageListWidget* list = view.pageList();
        const QRect source = list->visualItemRect(list->item(from));
        const QRect target = list->visualItemRect(list->item(to));
        const QPoint start = inWindow(source.center());
        const QPoint end =
            inWindow(QPoint(target.center().x(), below ? target.bottom() - 3 : target.top() + 3));
        QWindow* window = view.windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, start);
        for (int step = 1; step <= 8; ++step)
            QTest::mouseMove(window, start + (end - start) * step / 8);
        EXPECT_TRUE(list->isDragging());
        EXPECT_EQ(list->dropRow(), below ? to + 1 : to);
        shot("keep-creation-list-during-drag.png");
        if (cancel)
            QTest::keyClick(window, Qt::Key_Escape);
        QTest::mouseRelease(window, Qt::LeftButton, {}, end);
        EXPECT_FALSE(list->isDragging());
    }

    // Saves what the sheet shows when screenshots are asked for.
    void shot(const QString& name) {
        const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
        if (dir.isEmpty())
            return;
        QDir().mkpath(dir);
        view.grab().save(QDir(dir).filePath(name));
    }

    // Right-clicks row `row` and picks "Delete" from the menu that opens.
    void deleteByMenu(int row) {
        PageListWidget* list = view.pageList();
        const QPoint at = inWindow(list->visualItemRect(list->item(row)).center());
        bool picked = false;
        QTimer::singleShot(0, &view, [&picked] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions()) {
                if (action->text() == "Delete") {
                    QTest::mouseClick(menu, Qt::LeftButton, {},
                                      menu->actionGeometry(action).center());
                    picked = true;
                    return;
                }
            }
            menu->close();
        });
        QTest::mouseClick(view.windowHandle(), Qt::RightButton, {}, at);
        ASSERT_TRUE(picked) << "no menu with Delete opened on the row";
    }

    // "Page n: template (page id)" for every row, next to the same for every page of the
    // model.
    QStringList rows() const {
        QStringList out;
        PageListWidget* list = view.pageList();
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text() + ": " +
                       list->item(i)->data(PageListWidget::SubtitleRole).toString() + " (" +
                       list->item(i)->data(Qt::UserRole).toUuid().toString() + ")";
        return out;
    }
    QStringList pages() const {
        QStringList out;
        for (int i = 0; i < model.pages().size(); ++i)
            out << QStringLiteral("Page %1: A4 - %2 (%3)")
                       .arg(i + 1)
                       .arg(displayName(model.pages()[i].pageTemplate))
                       .arg(model.pages()[i].id.toString());
        return out;
    }

    DocumentCreationViewModel model;
    DocumentCreationView view{model, [](const pdf::DocumentPtr&, const QString&) {}};
};

} // namespace

TEST_F(PageListDrag, DraggingDownAndUpKeepsOneRowPerPageInOrder) {
    const auto before = model.pages();
    drag(0, 2, true); // the first page below the third
    ASSERT_EQ(view.pageList()->count(), 4);
    EXPECT_EQ(rows(), pages());
    shot("keep-creation-list-after-drag.png");
    EXPECT_EQ(model.pages()[2].id, before[0].id) << rows().join(" / ").toStdString();
    EXPECT_EQ(model.pages()[0].id, before[1].id);

    drag(3, 0, false); // the last page to the top
    EXPECT_EQ(view.pageList()->count(), 4);
    EXPECT_EQ(rows(), pages());
    EXPECT_EQ(model.pages()[0].id, before[3].id);

    drag(1, 1, true); // dropped on itself: nothing moves
    EXPECT_EQ(rows(), pages());
    EXPECT_EQ(model.pages()[1].id, before[1].id);

    // Escape puts the row back and leaves the sheet open.
    const auto arranged = model.pages();
    drag(0, 3, true, true);
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(rows(), pages());
    EXPECT_EQ(model.pages()[0].id, arranged[0].id);
}

TEST_F(PageListDrag, DeleteOnARowAfterDragsRemovesThatRowsPageWithItsTextAndImage) {
    // Every page gets its own words and an image.
    for (int i = 0; i < 4; ++i) {
        model.setSelectedPageIndex(i);
        model.addTextBlock(QStringLiteral("words of page %1").arg(i + 1), 14);
        QImage picture(8 + i, 8, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(picture.save(&buffer, "PNG"));
        ASSERT_TRUE(model.addImageData(png));
    }
    drag(0, 3, true);  // down to the end
    drag(2, 0, false); // up to the top
    ASSERT_EQ(rows(), pages());

    // The row shown second, whatever page it holds now, is the one that goes.
    const PDFPageContent doomed = model.pages()[1];
    deleteByMenu(1);
    ASSERT_EQ(model.pages().size(), 3);
    EXPECT_EQ(rows(), pages());
    QStringList texts;
    for (const PDFPageContent& page : model.pages()) {
        EXPECT_NE(page.id, doomed.id);
        ASSERT_EQ(page.textBlocks.size(), 1);
        ASSERT_EQ(page.imageBlocks.size(), 1);
        EXPECT_NE(page.imageBlocks[0].imageData, doomed.imageBlocks[0].imageData);
        texts << page.textBlocks[0].text;
    }
    EXPECT_FALSE(texts.contains(doomed.textBlocks[0].text)) << texts.join(", ").toStdString();
    EXPECT_EQ(texts.size(), 3);
}
