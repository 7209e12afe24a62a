// Every drawing tool used in the main window as a person uses it (toolbar button, then
// mouse on the page), the result saved with "Save Annotated PDF" and read by qpdf and
// pdftoppm. With VELLUMARK_SCREENSHOT_DIR set, pictures of the window and of pdftoppm's
// rendering of the saved page are left there.
#include "app/VellumarkApp.h"
#include "pageview/AnnotationToolGestures.h"
#include "pageview/PdfPageView.h"
#include "platform/Preferences.h"
#include "shell/AnnotationToolbar.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SheetFlags.h"
#include "support/AnnotationReadBack.h"
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "support/TextPdfBuilder.h"
#include "support/WindowTestSupport.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/SignatureViewModel.h"

#include <QDir>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

void drag(QWidget* vp, QPoint from, QPoint to) {
    QTest::mousePress(vp, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(vp, from + (to - from) * i / 8);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
}

class AnnotationToolsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Preferences::remove(SignatureViewModel::storageKey);
        window.resize(1100, 900);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override { Preferences::remove(SignatureViewModel::storageKey); }
    void choose(AnnotationTool tool) {
        QToolButton* button = window.annotationToolbar()->toolButton(tool);
        ASSERT_NE(button, nullptr);
        button->click();
        ASSERT_EQ(window.annotationVM()->currentTool(), tool);
    }

    std::unique_ptr<ContentView> made{VellumarkApp::makeWindow()};
    ContentView& window = *made;
};

} // namespace

TEST_F(AnnotationToolsWindow, EveryToolOnOnePageSavedForAnotherReader) {
    fixtures::PageSpec spec;
    spec.runs = {{72, 720, 18, "Underlined words on this line"},
                 {72, 690, 18, "Struck out words on this line"}};
    const QString path =
        fixtures::writeTemp(windowtest::folder(), "every-tool.pdf", fixtures::buildTextPdf({spec}));
    windowtest::open(window, path);
    window.flags()->setShowAnnotationToolbar(true);
    PdfPageView* view = window.pageView()->pdfView();
    ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    QWidget* vp = view->viewport();
    auto at = [&](QPointF p) { return view->viewportPointForPagePoint(0, p).toPoint(); };

    choose(AnnotationTool::underline);
    drag(vp, at({70, 726}), at({330, 722}));
    choose(AnnotationTool::strikethrough);
    drag(vp, at({70, 696}), at({330, 692}));
    choose(AnnotationTool::note);
    QTest::mouseClick(vp, Qt::LeftButton, {}, at({480, 730}));
    ASSERT_NE(view->annotationGestures()->editor(), nullptr);
    fixtures::typeText(view->annotationGestures()->editor(), "Łódź Dvořák 山田");
    QTest::keyClick(view->annotationGestures()->editor(), Qt::Key_Return, Qt::ControlModifier);
    choose(AnnotationTool::freehand);
    view->annotationGestures()->setStrokeGroupInterval(60000);
    drag(vp, at({80, 600}), at({160, 560}));
    drag(vp, at({80, 560}), at({160, 600}));
    view->annotationGestures()->finishInk();
    choose(AnnotationTool::text);
    drag(vp, at({200, 610}), at({450, 570}));
    ASSERT_NE(view->annotationGestures()->editor(), nullptr);
    fixtures::typeText(view->annotationGestures()->editor(), "Zażółć gęślą jaźń 你好世界");
    const QString shots = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        fixtures::waitUntilSharp(*view);
        window.grab().save(QDir(shots).filePath("text-box-editing.png"));
    }
    QTest::keyClick(view->annotationGestures()->editor(), Qt::Key_Return, Qt::ControlModifier);
    window.annotationVM()->setProperty("shapeFillColor", QColor(255, 230, 150));
    choose(AnnotationTool::rectangle);
    drag(vp, at({80, 500}), at({200, 420}));
    choose(AnnotationTool::oval);
    drag(vp, at({230, 500}), at({350, 420}));
    choose(AnnotationTool::line);
    drag(vp, at({80, 380}), at({250, 340}));
    choose(AnnotationTool::arrow);
    drag(vp, at({300, 380}), at({480, 340}));

    // The signature tool: without a saved signature it opens the signatures sheet; with
    // one it places it in the dragged box.
    choose(AnnotationTool::signature);
    QTest::mouseClick(vp, Qt::LeftButton, {}, at({300, 250}));
    EXPECT_TRUE(window.flags()->showSignature());
    window.flags()->setShowSignature(false);
    QImage ink(300, 100, QImage::Format_ARGB32);
    ink.fill(Qt::transparent);
    {
        QPainter p(&ink);
        p.setPen(QPen(Qt::darkBlue, 6));
        p.drawLine(10, 80, 100, 20);
        p.drawLine(100, 20, 180, 80);
        p.drawLine(180, 80, 290, 30);
    }
    window.signatureVM()->setIncludeStamp(false);
    window.signatureVM()->setCurrentSignatureImage(ink);
    window.signatureVM()->setSignatureName("Ada");
    window.signatureVM()->saveCurrentSignature();
    drag(vp, at({300, 300}), at({480, 240}));
    QTest::keyClick(vp, Qt::Key_Escape);
    EXPECT_EQ(window.annotationVM()->currentTool(), AnnotationTool::none);

    QStringList subtypes;
    for (const auto& a : window.documentVM()->pdfDocument()->page(0)->annotations())
        subtypes << a->subtype();
    EXPECT_EQ(subtypes, QStringList({"Underline", "StrikeOut", "Text", "Ink", "FreeText", "Square",
                                     "Circle", "Line", "Line", "Stamp"}));

    ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    QTest::qWait(50);
    if (!shots.isEmpty())
        window.grab().save(QDir(shots).filePath("every-kind-in-window.png"));

    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    const QString saved = dir.filePath("every-tool-annotated.pdf");
    dialogs->scriptSave(saved);
    ASSERT_TRUE(window.documentVM()->saveAnnotatedCopy());
    const auto annots = fixtures::annotationsInFile(saved);
    QStringList written;
    for (const QJsonObject& a : annots) {
        written << a.value("/Subtype").toString().mid(1);
        EXPECT_TRUE(a.value("/AP").toObject().contains("/N")) << written.last().toStdString();
    }
    EXPECT_EQ(written, subtypes);
    const QString text = QString::fromUtf8(fixtures::runTool("pdftotext", {saved, "-"}));
    EXPECT_TRUE(text.contains("你好世界")) << text.toStdString();
    EXPECT_TRUE(text.contains("Zażółć")) << text.toStdString();
    const QImage rendered = fixtures::pdftoppmPage(saved, 1, 100);
    ASSERT_FALSE(rendered.isNull());
    if (!shots.isEmpty())
        rendered.save(QDir(shots).filePath("every-kind-pdftoppm.png"));
}
