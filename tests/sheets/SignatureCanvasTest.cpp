#include "sheets/SignatureCanvasNSView.h"
#include "sheets/SignatureCanvasView.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Darkest pixel's alpha in a band of rows (in points) of an exported image.
int maxAlphaInRows(const QImage& image, double top, double bottom) {
    const double ratio = image.devicePixelRatio();
    int best = 0;
    for (int y = int(top * ratio); y < int(bottom * ratio) && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            best = std::max(best, qAlpha(image.pixel(x, y)));
    return best;
}

void stroke(QWidget* canvas, const QList<QPoint>& points) {
    QTest::mousePress(canvas, Qt::LeftButton, {}, points.first());
    for (const QPoint& p : points.mid(1))
        QTest::mouseMove(canvas, p);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, points.last());
}

} // namespace

TEST(SignatureCanvasTest, AFinishedStrokeDeliversATransparentImageOfTheCanvasSize) {
    SignatureCanvasNSView canvas;
    canvas.resize(460, 150);
    canvas.show();
    std::vector<std::optional<QImage>> delivered;
    canvas.onSignatureChanged = [&](const std::optional<QImage>& image) {
        delivered.push_back(image);
    };

    // Pressing starts a path but reports nothing.
    QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(40, 20));
    EXPECT_TRUE(canvas.currentPath().has_value());
    EXPECT_TRUE(delivered.empty());
    QTest::mouseMove(&canvas, QPoint(120, 25));
    QTest::mouseMove(&canvas, QPoint(200, 15));
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(200, 15));

    ASSERT_EQ(delivered.size(), 1u);
    ASSERT_TRUE(delivered[0].has_value());
    const QImage& image = *delivered[0];
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(460, 150));
    EXPECT_TRUE(image.hasAlphaChannel());
    // No pad and no guide: the corners and the guide's row are clear.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(maxAlphaInRows(image, 0.7 * 150 - 2, 0.7 * 150 + 2), 0);
    // The stroke stays near the top, as drawn (not flipped).
    EXPECT_GT(maxAlphaInRows(image, 12, 28), 200);
    EXPECT_EQ(maxAlphaInRows(image, 40, 150), 0);
    // Its ink is black.
    const QColor ink =
        image.pixelColor(int(120 * image.devicePixelRatio()), int(24.4 * image.devicePixelRatio()));
    EXPECT_EQ(ink.red() + ink.green() + ink.blue(), 0);

    EXPECT_EQ(canvas.paths().size(), 1u);
    EXPECT_FALSE(canvas.currentPath().has_value());
}

TEST(SignatureCanvasTest, EveryStrokeIsInTheNextImageAndAClickStillCounts) {
    SignatureCanvasNSView canvas;
    canvas.resize(300, 100);
    canvas.show();
    std::vector<std::optional<QImage>> delivered;
    canvas.onSignatureChanged = [&](const std::optional<QImage>& image) {
        delivered.push_back(image);
    };

    // Releasing with no stroke in progress changes nothing and calls nothing.
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(delivered.empty());
    EXPECT_TRUE(canvas.paths().empty());
    EXPECT_FALSE(canvas.exportAsImage().has_value());

    // A click without movement is a finished stroke that draws nothing.
    stroke(&canvas, {QPoint(150, 50)});
    ASSERT_EQ(delivered.size(), 1u);
    ASSERT_TRUE(delivered[0].has_value());
    EXPECT_EQ(maxAlphaInRows(*delivered[0], 0, 100), 0);

    stroke(&canvas, {QPoint(20, 10), QPoint(80, 12)});
    stroke(&canvas, {QPoint(20, 85), QPoint(80, 88)});
    ASSERT_EQ(delivered.size(), 3u);
    const QImage last = *delivered.back();
    EXPECT_GT(maxAlphaInRows(last, 6, 16), 200);  // the first real stroke
    EXPECT_GT(maxAlphaInRows(last, 80, 92), 200); // and the second
    EXPECT_EQ(maxAlphaInRows(last, 30, 70), 0);
    EXPECT_EQ(canvas.paths().size(), 3u);
}

TEST(SignatureCanvasTest, StrokesAreTwoPointRoundPolyLines) {
    SignatureCanvasNSView canvas;
    canvas.resize(200, 100);
    canvas.show();
    stroke(&canvas, {QPoint(50, 50), QPoint(150, 50)});
    ASSERT_EQ(canvas.paths().size(), 1u);
    EXPECT_EQ(canvas.paths()[0], QPolygonF({QPointF(50, 50), QPointF(150, 50)}));
    const QImage image = *canvas.exportAsImage();
    const double r = image.devicePixelRatio();
    auto alphaAt = [&](double x, double y) { return qAlpha(image.pixel(int(x * r), int(y * r))); };
    // 2 points wide: ink one point either side of the line, none two points away.
    EXPECT_GT(alphaAt(100, 49.5), 100);
    EXPECT_GT(alphaAt(100, 50.5), 100);
    EXPECT_EQ(alphaAt(100, 47.5), 0);
    EXPECT_EQ(alphaAt(100, 52.5), 0);
    // Round caps reach past the end points; a square-less end has nothing at the corner.
    EXPECT_GT(alphaAt(150.6, 50), 50);
    EXPECT_EQ(alphaAt(151.5, 48.6), 0);
}

TEST(SignatureCanvasTest, OnScreenThePadIsWhiteWithADashedGuideAt70Percent) {
    SignatureCanvasNSView canvas;
    canvas.resize(400, 150);
    canvas.show();
    const QImage shot = canvas.grab().toImage();
    const double r = shot.devicePixelRatio();
    const int guideRow = int(105 * r);
    EXPECT_EQ(shot.pixelColor(int(200 * r), int(40 * r)), QColor(Qt::white));
    // Along the guide: grey dashes alternating with white gaps, inset 20 points.
    int grey = 0, white = 0;
    for (int x = int(20 * r); x < int(380 * r); ++x) {
        const QColor c = shot.pixelColor(x, guideRow);
        (c == QColor(Qt::white) ? white : grey)++;
    }
    EXPECT_GT(grey, 100 * r);
    EXPECT_GT(white, 100 * r);
    EXPECT_EQ(shot.pixelColor(int(10 * r), guideRow), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(int(390 * r), guideRow), QColor(Qt::white));
}

TEST(SignatureCanvasViewTest, TheImageReachesTheBindingOneTurnLater) {
    std::vector<std::optional<QImage>> bound;
    auto* adapter = new SignatureCanvasView(
        [&](const std::optional<QImage>& image) { bound.push_back(image); });
    adapter->resize(300, 150);
    adapter->show();
    stroke(adapter->canvas(), {QPoint(10, 10), QPoint(100, 40)});
    EXPECT_TRUE(bound.empty()); // not at once
    QCoreApplication::processEvents();
    ASSERT_EQ(bound.size(), 1u);
    ASSERT_TRUE(bound[0].has_value());
    EXPECT_EQ(bound[0]->deviceIndependentSize(), QSizeF(300, 150));

    // Torn down before the turn comes: nothing reaches the binding.
    stroke(adapter->canvas(), {QPoint(10, 10), QPoint(100, 40)});
    delete adapter;
    QCoreApplication::processEvents();
    EXPECT_EQ(bound.size(), 1u);
}
