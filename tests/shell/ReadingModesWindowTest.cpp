// View > Colours and View > Presentation, used as a reader does: the menu items, F5 and the
// keys, clicks and wheel of a talk.
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "app/VellumarkApp.h"
#include "pageview/PageRenderer.h"
#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "pageview/PresentationView.h"
#include "pdf/document/Page.h"
#include "platform/Preferences.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/ViewModeHandler.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

class ReadingModesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Preferences::remove(ViewModeHandler::preferenceKey);
        window.resize(640, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override { Preferences::remove(ViewModeHandler::preferenceKey); }
    QAction* coloursItem(const QString& name) {
        return window.menuBar()->findChild<QAction*>("colours-" + name);
    }
    // The page view as it shows now, every page sharp.
    QImage shown() {
        PdfPageView* view = window.pageView()->pdfView();
        QTest::qWait(50);
        fixtures::waitUntilSharp(*view);
        return fixtures::grabViewport(*view);
    }
    void shoot(const QString& name) {
        if (const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR"); !dir.isEmpty()) {
            QDir().mkpath(dir);
            window.grab().save(QDir(dir).filePath(name + ".png"));
        }
    }
    std::unique_ptr<ContentView> made{VellumarkApp::makeWindow()};
    ContentView& window = *made;
};

// The colour at the middle of the text page's top margin: paper, no ink.
QColor paperOf(const QImage& image, PdfPageView& view) {
    const QRectF page = view.pageRectInViewport(1);
    return image.pixelColor(
        (QPointF(page.center().x(), page.top() + 12) * image.devicePixelRatio()).toPoint());
}

TEST_F(ReadingModesWindowTest, ColoursChangeTheScreenOnlyAndAreRemembered) {
    open(window, numberedFile("colours.pdf", 2));
    // A short first page that is only a picture of a pale blue: it must not come out
    // negative at night, nor tinted in any scheme.
    QImage picture(60, 10, QImage::Format_RGB32);
    picture.fill(QColor(200, 220, 255));
    const pdf::DocumentPtr document = window.documentVM()->pdfDocument();
    ASSERT_TRUE(document->insertImagePage(0, picture, 612, 100));
    window.documentVM()->goToPage(0);
    PdfPageView* view = window.pageView()->pdfView();
    const auto pictureOf = [&](const QImage& image) {
        return image.pixelColor(
            (view->pageRectInViewport(0).center() * image.devicePixelRatio()).toPoint());
    };
    const QImage normal = shown();
    EXPECT_EQ(paperOf(normal, *view), QColor(Qt::white));
    const QColor sky = pictureOf(normal);
    EXPECT_GT(sky.blue(), sky.red() + 30) << sky.name().toStdString();
    EXPECT_TRUE(coloursItem("normal")->isChecked());

    const struct {
        const char* name;
        QColor paper;
    } schemes[] = {{"night", QColor(24, 24, 24)},
                   {"sepia", QColor(0xF4, 0xEC, 0xD8)},
                   {"highContrast", QColor(Qt::black)}};
    for (const auto& scheme : schemes) {
        coloursItem(scheme.name)->trigger();
        const QImage image = shown();
        const QColor paper = paperOf(image, *view);
        EXPECT_LE(std::abs(paper.red() - scheme.paper.red()) +
                      std::abs(paper.blue() - scheme.paper.blue()),
                  6)
            << scheme.name << " " << paper.name().toStdString();
        EXPECT_TRUE(coloursItem(scheme.name)->isChecked());
        const auto thumbnails = window.findChildren<PdfThumbnailView*>();
        ASSERT_FALSE(thumbnails.isEmpty());
        for (PdfThumbnailView* sidebar : thumbnails)
            EXPECT_EQ(ReadingColoursScheme::name(sidebar->renderer()->readingColours()),
                      scheme.name);
        // The picture keeps its colours in every scheme.
        const QColor spot = pictureOf(image);
        EXPECT_LE(std::abs(spot.red() - sky.red()) + std::abs(spot.blue() - sky.blue()), 4)
            << scheme.name << " " << spot.name().toStdString();
        shoot(QStringLiteral("colours-%1").arg(scheme.name));
    }
    EXPECT_EQ(Preferences::data(ViewModeHandler::preferenceKey), "highContrast");
    // What is printed or written is drawn as the document is: white paper.
    EXPECT_EQ(document->page(1)->render(0.5).pixelColor(100, 5), QColor(Qt::white));

    coloursItem("night")->trigger();
    // Remembered for the person: the next window opens its first document at night.
    std::unique_ptr<ContentView> next(VellumarkApp::makeWindow());
    open(*next, numberedFile("next.pdf", 1));
    EXPECT_TRUE(waitUntil([&] {
        return next->pageView()->pdfView()->renderer()->readingColours() == ReadingColours::night;
    }));
    EXPECT_TRUE(next->menuBar()->findChild<QAction*>("colours-night")->isChecked());
}

TEST_F(ReadingModesWindowTest, PresentationTurnsPagesAndReturnsWhereTheReaderWas) {
    open(window, numberedFile("talk.pdf", 5));
    window.documentVM()->goToPage(1);
    QTest::keyClick(&window, Qt::Key_F5);
    PresentationView* talk = window.viewModes()->presentation();
    ASSERT_NE(talk, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(talk));
    EXPECT_TRUE(talk->isFullScreen());
    EXPECT_EQ(talk->currentPage(), 1);
    talk->waitForImages();
    // Rendered ahead, fitted to the screen in its own pixels.
    const QSize area = (QSizeF(talk->size()) * talk->devicePixelRatioF()).toSize();
    for (int page : {0, 1, 2, 3}) {
        const QImage image = talk->imageOf(page);
        ASSERT_FALSE(image.isNull()) << page;
        EXPECT_TRUE(std::abs(image.width() - area.width()) <= 1 ||
                    std::abs(image.height() - area.height()) <= 1)
            << image.width() << "x" << image.height();
    }
    EXPECT_TRUE(talk->imageOf(4).isNull()); // not needed yet
    if (const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR"); !dir.isEmpty())
        talk->grab().save(QDir(dir).filePath("presentation.png"));

    QTest::keyClick(talk, Qt::Key_PageDown);
    EXPECT_EQ(talk->currentPage(), 2);
    QTest::mouseClick(talk, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(talk->currentPage(), 3);
    QWheelEvent down(QPointF(20, 20), talk->mapToGlobal(QPointF(20, 20)), {}, QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(talk, &down);
    EXPECT_EQ(talk->currentPage(), 4);
    QTest::keyClick(talk, Qt::Key_Right); // the last page stays
    EXPECT_EQ(talk->currentPage(), 4);
    QTest::mouseClick(talk, Qt::RightButton, {}, QPoint(10, 10));
    QTest::keyClick(talk, Qt::Key_PageUp);
    EXPECT_EQ(talk->currentPage(), 2);
    talk->waitForImages();
    EXPECT_FALSE(talk->imageOf(2).isNull());

    // B blanks the screen, and again brings the page back.
    QTest::keyClick(talk, Qt::Key_B);
    EXPECT_TRUE(talk->isBlanked());
    const QImage blank = talk->grab().toImage();
    EXPECT_EQ(blank.pixelColor(blank.width() / 2, blank.height() / 2), QColor(Qt::black));
    QTest::keyClick(talk, Qt::Key_B);
    const QImage page = talk->grab().toImage();
    EXPECT_EQ(page.pixelColor(page.width() / 2, page.height() / 2), QColor(Qt::white));

    QTest::keyClick(talk, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return window.viewModes()->presentation() == nullptr; }));
    EXPECT_EQ(window.documentVM()->currentPageIndex(), 1);
}

// Both cases once more at twice the scale (fixed per process): the pages are rendered in the
// screen's own pixels and the tints and picture spots land where they are drawn.
TEST(ReadingModesScale, BothAtDoubleScale) {
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2")
        GTEST_SKIP() << "this is the double-scale run";
    int code = -1;
    const QString output = runAtDoubleScale("ReadingModesWindowTest.*", &code);
    EXPECT_EQ(code, 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 2 tests")) << output.toStdString();
}

} // namespace
