// Pictures of searching, printing and filling a form on the page, for a person to look
// at. Runs only when VELLUMARK_SCREENSHOT_DIR names a folder (under Xvfb); otherwise
// every case is skipped.
#include "app/VellumarkApp.h"
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "desktop/qt/QtPrintDialogs.h"
#include "pageview/PageFormFiller.h"
#include "pageview/PdfPageView.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "viewmodels/DocumentViewModel.h"

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

QString shotsDir() {
    return qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
}

void save(QWidget& widget, const QString& name) {
    const QString path = QDir(shotsDir()).filePath(name + ".png");
    ASSERT_TRUE(widget.grab().save(path)) << path.toStdString();
}

class ReaderScreenshots : public ::testing::Test {
protected:
    void SetUp() override {
        if (shotsDir().isEmpty())
            GTEST_SKIP() << "VELLUMARK_SCREENSHOT_DIR not set";
        QDir().mkpath(shotsDir());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void settle() {
        QTest::qWait(80);
        if (window.pageView())
            fixtures::waitUntilSharp(*window.pageView()->pdfView());
        QTest::qWait(80);
    }
    std::unique_ptr<ContentView> made{VellumarkApp::makeWindow()};
    ContentView& window = *made;
};

} // namespace

TEST_F(ReaderScreenshots, SearchWithTintedMatches) {
    // Six pages, ten lines each with the word once: 60 matches, several on screen.
    std::vector<QStringList> pages;
    for (int p = 0; p < 6; ++p) {
        QStringList lines;
        for (int l = 0; l < 10; ++l)
            lines << QString("Line %1 of page %2 mentions the harbour once.").arg(l + 1).arg(p + 1);
        pages.push_back(lines);
    }
    open(window, fixtures::writeTemp(folder(), "harbour.pdf", fixtures::textPdf(pages)));
    window.flags()->setShowSearch(true);
    QLineEdit* field = window.searchBar()->field();
    QTest::keyClicks(field, "harbour");
    QTest::keyClick(field, Qt::Key_Return);
    window.documentVM()->waitForSearch();
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    save(window, "search-3-of-60");
}

TEST_F(ReaderScreenshots, FormFilledOnThePage) {
    open(window, fixtures::writeTemp(folder(), "form-shot.pdf", fixtures::formPdf()));
    PdfPageView* view = window.pageView()->pdfView();
    settle();
    auto* filler = view->findChild<PageFormFiller*>();
    ASSERT_TRUE(filler);
    const auto click = [&](QPointF point) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->viewportPointForPagePoint(0, point).toPoint());
    };
    click({186, 690});
    QTest::keyClick(filler->editor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(filler->editor(), "Bob Example");
    QTest::keyClick(filler->editor(), Qt::Key_Tab);
    QTest::keyClick(filler->editor(), Qt::Key_Space); // the check box
    click({107, 607});                                // radio "b"
    click({136, 570});                                // the choice list, open
    settle();
    save(window, "form-choice-open");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    click({186, 690}); // back in the text field, typing
    QTest::keyClicks(filler->editor(), " Jr");
    settle();
    save(window, "form-filled-on-page");
}

TEST_F(ReaderScreenshots, PrintDialog) {
    open(window, numberedFile("print-shot.pdf", 4));
    settle();
    QPrinter printer(QPrinter::HighResolution);
    // The options shown (range, copies, page scaling), then the picture, then Cancel.
    QTimer::singleShot(800, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        for (auto* button : dialog->findChildren<QPushButton*>())
            if (button->text().contains("Options"))
                button->click();
        QTimer::singleShot(600, [&, dialog] {
            save(*dialog, "print-dialog");
            dialog->reject();
        });
    });
    PrintChoice choice;
    QtPrintDialogs dialogs;
    EXPECT_FALSE(dialogs.choose(printer, {"print-shot.pdf", 4, 0}, choice));
    EXPECT_TRUE(QFile::exists(QDir(shotsDir()).filePath("print-dialog.png")));
}
