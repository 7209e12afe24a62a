// Redaction in the main window as a person does it: the Redact tool's drags over text and
// beside it, undo and removal of marks, Find and Redact's count, and Apply Redactions'
// warning and save dialog, with the written copy read back by pdftotext. The window is
// 640 px wide; the cases run again in a child process at twice the scale.
#include "app/VellumarkApp.h"
#include "desktop/qt/QtAlerts.h"
#include "pageview/AnnotationSelector.h"
#include "pageview/PdfPageView.h"
#include "pdf/document/Page.h"
#include "sheets/FindAndRedactView.h"
#include "shell/AnnotationToolbar.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SheetFlags.h"
#include "shell/SheetPresenter.h"
#include "support/PageFixtures.h"
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "support/TextPdfBuilder.h"
#include "support/ToolFixtures.h"
#include "support/WindowTestSupport.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/RedactionApplier.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>

namespace {

using windowtest::menuItem;
using windowtest::waitUntil;

void drag(QWidget* vp, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(vp, Qt::LeftButton, mods, from);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(vp, from + (to - from) * i / 8);
    QTest::mouseRelease(vp, Qt::LeftButton, mods, to);
}

int redactMarks(const pdf::DocumentPtr& document) {
    int n = 0;
    for (const auto& annotation : document->page(0)->annotations())
        n += annotation->subtype() == QLatin1String("Redact") ? 1 : 0;
    return n;
}

class RedactionWindow : public ::testing::Test {
protected:
    void SetUp() override {
        fixtures::PageSpec spec;
        spec.runs = {{72, 720, 18, "Alpha SECRET Bravo"},
                     {72, 660, 18, "Charlie HIDDEN Delta"},
                     {72, 600, 14, "Card 4111 1111 1111 1111 and secret"}};
        path =
            fixtures::writeTemp(windowtest::folder(), "memo.pdf", fixtures::buildTextPdf({spec}));
        windowtest::open(window, path);
        window.resize(640, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        std::cout << "device pixel ratio " << window.devicePixelRatio() << std::endl;
        view = window.pageView()->pdfView();
        ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    }
    QPoint at(QPointF pagePoint) const {
        return view->viewportPointForPagePoint(0, pagePoint).toPoint();
    }
    // The Redact button, or its entry in the strip's overflow menu when it is folded.
    void chooseRedact() {
        window.flags()->setShowAnnotationToolbar(true);
        AnnotationToolbar* bar = window.annotationToolbar();
        QCoreApplication::processEvents();
        QToolButton* button = bar->toolButton(AnnotationTool::redact);
        if (button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            bar->overflowMenu()->popup(bar->overflowButton()->mapToGlobal(QPoint()));
            QAction* entry = nullptr;
            for (QAction* action : bar->overflowMenu()->actions())
                if (action->text() == "Redact")
                    entry = action;
            ASSERT_NE(entry, nullptr);
            entry->trigger();
            bar->overflowMenu()->hide();
            // The menu had the keys; the window gets them back as it would on the desktop.
            window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        }
        ASSERT_EQ(window.annotationVM()->currentTool(), AnnotationTool::redact);
    }
    pdf::DocumentPtr document() const { return window.documentVM()->pdfDocument(); }

    ScopedAlerts alerts;
    ScopedFileDialogs dialogs;
    std::unique_ptr<ContentView> made{VellumarkApp::makeWindow()};
    ContentView& window = *made;
    PdfPageView* view = nullptr;
    QString path;
};

TEST_F(RedactionWindow, MarksFromTextAndAreasAreReviewedThenAppliedToACopy) {
    chooseRedact();
    QWidget* vp = view->viewport();
    // Across the word: a text selection, marked when the button comes up.
    drag(vp, at({125, 726}), at({194, 724}));
    EXPECT_EQ(redactMarks(document()), 1);
    EXPECT_FALSE(view->currentSelection().has_value());
    // Beside the text, down over the second line: an area.
    drag(vp, at({131, 690}), at({206, 650}));
    ASSERT_EQ(redactMarks(document()), 2);
    // Ctrl over text draws an area too; a click makes nothing.
    drag(vp, at({60, 612}), at({100, 596}), Qt::ControlModifier);
    QTest::mouseClick(vp, Qt::LeftButton, {}, at({300, 400}));
    EXPECT_EQ(redactMarks(document()), 3);
    // Under review the marks are outlines: what they cover still shows.
    ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    const QImage shown = view->viewport()->grab().toImage();
    const QRect area = QRect(at({131, 690}), at({206, 650})).normalized().adjusted(-2, -2, 2, 2);
    int red = 0, dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = shown.pixel(QPointF(x, y).toPoint() * shown.devicePixelRatio());
            red += qRed(p) > 150 && qGreen(p) < 110 && qBlue(p) < 110;
            dark += qGray(p) < 90;
        }
    EXPECT_GT(red, area.width()); // the outline, at least along two sides
    EXPECT_GT(dark, 20);          // and the word inside it
    fixtures::saveScreenshot(&window, "redaction-marks");

    // Each mark is one step back and forth, and one is picked and deleted like any other.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(redactMarks(document()), 2);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(redactMarks(document()), 3);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(window.annotationVM()->currentTool(), AnnotationTool::none);
    QTest::mouseClick(vp, Qt::LeftButton, {}, at({80, 604}));
    ASSERT_NE(view->annotationSelector()->selected(), nullptr);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(redactMarks(document()), 2);

    // Declining the warning asks nothing more; then the copy beside the original.
    alerts->confirmAnswers = {false};
    menuItem(window, "Apply Redactions...")->trigger();
    EXPECT_TRUE(dialogs->saveRequests.empty());
    const QString out = windowtest::folder() + "/memo-out.pdf";
    alerts->confirmAnswers = {true};
    dialogs->scriptSave(out);
    menuItem(window, "Apply Redactions...")->trigger();
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "memo_redacted.pdf");
    EXPECT_EQ(dialogs->saveRequests[0].directory, windowtest::folder());
    EXPECT_TRUE(alerts->confirmations.back().contains("cannot be undone"));
    window.redactionApplier()->wait();
    ASSERT_FALSE(alerts->notices.empty());
    EXPECT_TRUE(alerts->notices.back().contains("2 marks applied"))
        << alerts->notices.back().toStdString();
    EXPECT_TRUE(alerts->notices.back().contains("characters"))
        << alerts->notices.back().toStdString();
    const QString text = fixtures::pdftotextPage(out, 1);
    EXPECT_FALSE(text.contains("SECRET")) << text.toStdString();
    EXPECT_FALSE(text.contains("HIDDEN")) << text.toStdString();
    for (const char* kept : {"Alpha", "Bravo", "Charlie", "Delta", "Card", "4111"})
        EXPECT_TRUE(text.contains(kept)) << kept << "\n" << text.toStdString();
    // The open document and the original file are as they were.
    EXPECT_EQ(redactMarks(document()), 2);
    EXPECT_TRUE(fixtures::pdftotextPage(path, 1).contains("SECRET"));

    // The original is never replaced on the save dialog's word alone.
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    alerts->confirmAnswers = {true, false};
    dialogs->scriptSave(path);
    menuItem(window, "Apply Redactions...")->trigger();
    EXPECT_TRUE(alerts->confirmations.back().contains("original"))
        << alerts->confirmations.back().toStdString();
    EXPECT_FALSE(window.redactionApplier()->isRunning());
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), before);
}

TEST_F(RedactionWindow, FindAndRedactCountsMatchesAndMarksThemInOneStep) {
    // Nothing marked yet: Apply says so and asks for no file.
    menuItem(window, "Apply Redactions...")->trigger();
    EXPECT_TRUE(dialogs->saveRequests.empty());
    ASSERT_FALSE(alerts->notices.empty());
    EXPECT_TRUE(alerts->notices.back().contains("no redaction marks"));

    menuItem(window, "Find and Redact...")->trigger();
    auto* sheet =
        qobject_cast<FindAndRedactView*>(window.sheetPresenter()->dialog(SheetKind::findAndRedact));
    ASSERT_NE(sheet, nullptr);
    auto settle = [&] { return waitUntil([&] { return !sheet->isSearching(); }); };
    QTest::keyClicks(sheet->textField(), "secret");
    ASSERT_TRUE(settle());
    EXPECT_EQ(sheet->countLabel()->text(), "2 matches on 1 page"); // any letter case
    sheet->regexToggle()->click();
    sheet->textField()->setText("(unclosed");
    ASSERT_TRUE(settle());
    EXPECT_FALSE(sheet->markButton()->isEnabled());
    EXPECT_FALSE(sheet->countLabel()->text().isEmpty());
    sheet->textField()->setText("H[A-Z]+N");
    sheet->presetToggle(RedactionMatcher::Preset::Card)->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(sheet->countLabel()->text(), "2 matches on 1 page");
    EXPECT_EQ(sheet->markButton()->text(), "Mark 2 Matches");
    fixtures::saveScreenshot(sheet, "find-and-redact");
    QTest::mouseClick(sheet->markButton(), Qt::LeftButton);
    EXPECT_EQ(window.sheetPresenter()->dialog(SheetKind::findAndRedact), nullptr);
    EXPECT_EQ(redactMarks(document()), 2);

    // Applied, the search also takes its matches out of what no mark can cover.
    document()->setInfo(pdf::InfoKey::Title, "Memo HIDDEN plans");
    const QString out = windowtest::folder() + "/found-out.pdf";
    alerts->confirmAnswers = {true};
    dialogs->scriptSave(out);
    menuItem(window, "Apply Redactions...")->trigger();
    window.redactionApplier()->wait();
    const auto written = pdf::Document::open(out);
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->info(pdf::InfoKey::Title), "Memo [redacted] plans");
    const QString text = fixtures::pdftotextPage(out, 1);
    EXPECT_FALSE(text.contains("HIDDEN")) << text.toStdString();
    EXPECT_FALSE(text.contains("4111")) << text.toStdString();
    EXPECT_TRUE(text.contains("SECRET")) << text.toStdString();

    window.documentVM()->undo();
    EXPECT_EQ(redactMarks(document()), 0);
}

// The warning as the desktop's message box shows it.
TEST_F(RedactionWindow, Screenshots) {
    if (qEnvironmentVariableIsEmpty("VELLUMARK_SCREENSHOT_DIR"))
        GTEST_SKIP() << "VELLUMARK_SCREENSHOT_DIR is not set";
    chooseRedact();
    drag(view->viewport(), at({131, 690}), at({206, 650}));
    Alerts::install(std::make_shared<QtAlerts>());
    QTimer::singleShot(300, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            fixtures::saveScreenshot(box->window(), "redaction-warning");
            QTest::keyClick(box, Qt::Key_Escape);
        }
    });
    window.applyRedactions();
}

TEST(RedactionWindowScale, AtDoubleScale) {
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2")
        GTEST_SKIP() << "this is the double-scale run";
    const auto [exitCode, output] =
        windowtest::runAtDoubleScale("RedactionWindow.*:-RedactionWindow.Screenshots");
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(output.contains("device pixel ratio 2")) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 2 tests")) << output.toStdString();
}

} // namespace
