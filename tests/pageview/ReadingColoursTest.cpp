#include "pageview/ReadingColours.h"

#include <QColor>
#include <gtest/gtest.h>

namespace {

QImage swatches() {
    // White paper, black ink, red ink, a mid grey, and a corner kept as a picture.
    QImage image(5, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixelColor(0, 0, Qt::white);
    image.setPixelColor(1, 0, Qt::black);
    image.setPixelColor(2, 0, QColor(200, 30, 30));
    image.setPixelColor(3, 0, QColor(160, 160, 160));
    image.setPixelColor(4, 0, QColor(10, 20, 250));
    return image;
}

TEST(ReadingColours, NightTurnsLightnessOverKeepingHueAndLeavesPicturesBe) {
    QImage image = swatches();
    ReadingColoursScheme::apply(image, ReadingColours::night, {QRect(4, 0, 1, 1)});
    EXPECT_LT(image.pixelColor(0, 0).lightness(), 40);  // paper dark
    EXPECT_GT(image.pixelColor(1, 0).lightness(), 200); // ink light
    const QColor red = image.pixelColor(2, 0);
    EXPECT_NEAR(red.hslHue(), QColor(200, 30, 30).hslHue(), 2); // red stays red
    EXPECT_GT(red.lightness(), QColor(200, 30, 30).lightness());
    EXPECT_EQ(image.pixelColor(4, 0), QColor(10, 20, 250)); // the picture
    EXPECT_EQ(ReadingColoursScheme::paper(ReadingColours::night), image.pixelColor(0, 0));

    QImage contrast = swatches();
    ReadingColoursScheme::apply(contrast, ReadingColours::highContrast);
    EXPECT_EQ(contrast.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(contrast.pixelColor(1, 0), QColor(Qt::white));
    EXPECT_LT(contrast.pixelColor(3, 0).lightness(), 100); // mid grey pushed to an end

    QImage sepia = swatches();
    ReadingColoursScheme::apply(sepia, ReadingColours::sepia);
    EXPECT_EQ(sepia.pixelColor(0, 0), QColor(0xF4, 0xEC, 0xD8));
    EXPECT_GT(sepia.pixelColor(2, 0).red(), sepia.pixelColor(2, 0).green() + 80);

    QImage normal = swatches();
    ReadingColoursScheme::apply(normal, ReadingColours::normal);
    EXPECT_EQ(normal, swatches());
    for (const QString& name : ReadingColoursScheme::names())
        EXPECT_EQ(ReadingColoursScheme::name(ReadingColoursScheme::fromName(name)), name);
    EXPECT_EQ(ReadingColoursScheme::fromName("purple"), ReadingColours::normal);
}

} // namespace
