#include "desktop/qt/SystemClipboard.h"
#include "support/FakeClipboard.h"

#include <gtest/gtest.h>

TEST(Clipboard, SystemClipboardCarriesTextAndImages) {
    SystemClipboard clipboard;
    clipboard.setText("Hallo Ärger");
    EXPECT_EQ(clipboard.text(), "Hallo Ärger");
    EXPECT_TRUE(clipboard.image().isNull());

    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    clipboard.setImage(image);
    const QImage back = clipboard.image();
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), image.size());
    EXPECT_EQ(QColor(back.pixel(3, 3)), QColor(Qt::red));
}

TEST(Clipboard, InstalledClipboardReplacesTheSystemOneUntilRestored) {
    std::shared_ptr<Clipboard> before = Clipboard::current();
    {
        ScopedClipboard fake;
        fake->setText("fake");
        EXPECT_EQ(Clipboard::current()->text(), "fake");
        EXPECT_NE(Clipboard::current(), before);
    }
    EXPECT_EQ(Clipboard::current(), before);
}
