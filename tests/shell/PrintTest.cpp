// File > Print… through a scripted print dialog that picks a PDF file as the printer; the
// file is read back by other readers (pdfinfo, pdftotext, pdftoppm).
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "desktop/PrintDialogs.h"
#include "pdf/document/Page.h"
#include "shell/ContentView.h"
#include "shell/PrintController.h"
#include "shell/PrintJob.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAction>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace windowtest;
using fixtures::runTool;

namespace {

class ScriptedPrintDialogs final : public PrintDialogs {
public:
    bool choose(QPrinter& printer, const PrintRequest& request, PrintChoice& choice) override {
        asked = request;
        ++asks;
        if (output.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(output);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                          QMarginsF(0, 0, 0, 0)));
        printer.setPrintRange(range);
        printer.setFromTo(from, to);
        printer.setCopyCount(copies);
        printer.setCollateCopies(collate);
        choice.fitToPage = fit;
        return true;
    }

    QString output; // empty: the person cancels
    QPrinter::PrintRange range = QPrinter::AllPages;
    int from = 0, to = 0, copies = 1;
    bool collate = true, fit = true;
    PrintRequest asked;
    int asks = 0;
};

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = PrintDialogs::install(dialogs);
        if (!fixtures::toolAvailable("pdftotext") || !fixtures::toolAvailable("pdftoppm"))
            GTEST_SKIP() << "poppler-utils missing";
    }
    void TearDown() override { PrintDialogs::install(previous); }

    std::shared_ptr<ScriptedPrintDialogs> dialogs = std::make_shared<ScriptedPrintDialogs>();
    std::shared_ptr<PrintDialogs> previous;
};

int pageCountOf(const QString& path) {
    const QString info = QString::fromUtf8(runTool("pdfinfo", {path}));
    for (const QString& line : info.split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

} // namespace

TEST_F(PrintTest, CtrlPPrintsTheChosenRangeWithAnnotationsToAPdfFile) {
    ContentView window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    open(window, numberedFile("print-me.pdf", 6));
    window.documentVM()->goToPage(2);
    // A highlight on the second page printed: it must come out with the page.
    const auto page = window.documentVM()->pdfDocument()->page(2);
    ASSERT_TRUE(page->addHighlight(QRectF(300, 100, 200, 100), QColor(255, 0, 0)));

    dialogs->output = folder() + "/printed.pdf";
    dialogs->range = QPrinter::PageRange;
    dialogs->from = 2;
    dialogs->to = 4;
    PrintController* controller = window.printController();
    ASSERT_TRUE(controller);
    QSignalSpy printed(controller, &PrintController::printed);
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(dialogs->asks, 1);
    EXPECT_EQ(dialogs->asked.pageCount, 6);
    EXPECT_EQ(dialogs->asked.currentPage, 2);
    ASSERT_TRUE(printed.wait(30000) || printed.count() == 1);
    EXPECT_EQ(printed.first().at(0).toInt(), 3);
    EXPECT_FALSE(printed.first().at(1).toBool());
    EXPECT_TRUE(printed.first().at(2).toString().isEmpty());
    EXPECT_FALSE(controller->progress()); // the progress went with the run

    EXPECT_EQ(pageCountOf(dialogs->output), 3);
    const QString text = QString::fromUtf8(runTool("pdftotext", {dialogs->output, "-"}));
    EXPECT_TRUE(text.contains("Page 2"));
    EXPECT_TRUE(text.contains("Page 4"));
    EXPECT_FALSE(text.contains("Page 1\n"));
    EXPECT_FALSE(text.contains("Page 5"));
    EXPECT_TRUE(text.contains("quick brown fox"));

    // The printed second sheet is the page with the highlight, at the same place.
    const QString png = folder() + "/printed-sheet";
    runTool("pdftoppm",
            {"-r", "72", "-f", "2", "-l", "2", "-png", "-singlefile", dialogs->output, png});
    const QImage sheet(png + ".png");
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(sheet.size(), QSize(612, 792));
    // Red where the highlight lies (text lines cross it), none beside it.
    const auto redShare = [&](const QRect& area) {
        int red = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = sheet.pixelColor(x, y);
                red += (c.red() > 150 && c.green() < 100 && c.blue() < 100) ? 1 : 0;
            }
        return double(red) / (area.width() * area.height());
    };
    EXPECT_GT(redShare(QRect(305, 792 - 195, 190, 90)), 0.5);
    EXPECT_EQ(redShare(QRect(80, 792 - 195, 190, 90)), 0.0);

    // A cancelled dialog prints nothing.
    dialogs->output.clear();
    controller->action()->trigger();
    EXPECT_EQ(dialogs->asks, 2);
    EXPECT_FALSE(controller->job()->isRunning());
}

TEST_F(PrintTest, CancelStopsTheRunAndTheWindowKeepsWorking) {
    ContentView window;
    window.show();
    open(window, numberedFile("long-print.pdf", 60));
    dialogs->output = folder() + "/cancelled.pdf";
    PrintController* controller = window.printController();
    QSignalSpy printed(controller, &PrintController::printed);
    QSignalSpy progressed(controller->job(), &PrintJob::progressed);
    controller->print();
    ASSERT_TRUE(controller->progress());
    EXPECT_FALSE(controller->action()->isEnabled()); // one run at a time
    ASSERT_TRUE(waitUntil([&] { return progressed.count() > 0 || printed.count() > 0; }, 30000));
    auto* cancel = controller->progress()->findChild<QPushButton*>();
    ASSERT_TRUE(cancel);
    cancel->click();
    ASSERT_TRUE(waitUntil([&] { return printed.count() == 1; }, 30000));
    EXPECT_TRUE(printed.first().at(1).toBool());
    EXPECT_LT(printed.first().at(0).toInt(), 60);
    EXPECT_TRUE(controller->action()->isEnabled());
}

TEST(PrintJobSequence, RangesCopiesAndCollation) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    using V = std::vector<int>;
    EXPECT_EQ(PrintJob::pageSequence(printer, 3, 1), (V{0, 1, 2}));
    printer.setPrintRange(QPrinter::CurrentPage);
    EXPECT_EQ(PrintJob::pageSequence(printer, 3, 1), (V{1}));
    EXPECT_EQ(PrintJob::pageSequence(printer, 3, 9), (V{2})); // a stale current page
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 7); // past the end
    EXPECT_EQ(PrintJob::pageSequence(printer, 4, 0), (V{1, 2, 3}));
    EXPECT_EQ(PrintJob::pageSequence(printer, 0, 0), V{});
    if (!printer.supportsMultipleCopies()) {
        printer.setFromTo(1, 2);
        printer.setCopyCount(2);
        printer.setCollateCopies(true);
        EXPECT_EQ(PrintJob::pageSequence(printer, 4, 0), (V{0, 1, 0, 1}));
        printer.setCollateCopies(false);
        EXPECT_EQ(PrintJob::pageSequence(printer, 4, 0), (V{0, 0, 1, 1}));
    }
}
