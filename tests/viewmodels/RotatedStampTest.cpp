// A signature stamp placed on a turned page (/Rotate 90, 180, 270) shows upright, its
// "Signed by" line on one line below it, as another reader draws the written file.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "platform/Preferences.h"
#include "support/PdfFixtures.h"
#include "viewmodels/SignatureViewModel.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Bounding box of the pixels `pick` accepts.
QRect boxOf(const QImage& image, const std::function<bool(QColor)>& pick) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pick(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(RotatedStamp, TheStampAndItsLineAreUprightOnEveryRotation) {
    if (!toolAvailable("pdftoppm"))
        GTEST_SKIP() << "pdftoppm not installed";
    QTemporaryDir dir;
    // A red bar over a blue strip along its top edge: wide, and with a known top.
    QImage picture(200, 80, QImage::Format_RGB32);
    picture.fill(Qt::red);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 200; ++x)
            picture.setPixelColor(x, y, Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
    SavedSignature signature;
    signature.name = "Ada Lovelace";
    signature.imageData = png;
    SignatureViewModel model;
    model.setIncludeStamp(true);
    model.setStampName("Ada Lovelace");

    for (int turn : {0, 90, 180, 270}) {
        // A blank page: any grey in the picture is the stamp's line.
        auto doc = pdf::Document::create();
        auto page = doc->insertBlankPage(0, 612, 792);
        ASSERT_NE(page, nullptr);
        page->setRotation(turn);
        model.placeSignature(signature, *page, page->mediaBox().center(), QSizeF(200, 80));
        const QString pdf = dir.filePath(QStringLiteral("turn-%1.pdf").arg(turn));
        ASSERT_TRUE(doc->write(pdf));
        const QString prefix = dir.filePath(QStringLiteral("turn-%1").arg(turn));
        int status = -1;
        runTool("pdftoppm", {"-r", "72", "-png", "-singlefile", pdf, prefix}, &status);
        ASSERT_EQ(status, 0);
        const QImage shown(prefix + ".png");
        ASSERT_FALSE(shown.isNull());

        const QRect red =
            boxOf(shown, [](QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; });
        const QRect blue =
            boxOf(shown, [](QColor c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; });
        const QRect grey = boxOf(shown, [](QColor c) {
            return std::abs(c.red() - c.green()) < 12 && std::abs(c.green() - c.blue()) < 12 &&
                   c.red() > 60 && c.red() < 200;
        });
        SCOPED_TRACE(turn);
        ASSERT_FALSE(red.isEmpty());
        EXPECT_GT(red.width(), red.height());           // not sideways
        EXPECT_LT(blue.center().y(), red.center().y()); // its top at the top
        ASSERT_FALSE(grey.isEmpty());
        EXPECT_GT(grey.width(), 4 * grey.height()); // one line, not a word per line
        EXPECT_GE(grey.top(), red.bottom() - 2);    // below the stamp as seen
        EXPECT_LT(grey.top() - red.bottom(), 30);

        const QString shots = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            shown.save(QDir(shots).filePath(QStringLiteral("keep-stamp-rotate-%1.png").arg(turn)));
        }
    }
    Preferences::remove(SignatureViewModel::storageKey);
}
