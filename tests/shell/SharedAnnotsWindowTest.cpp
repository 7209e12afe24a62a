// A highlight made in the window on a page that shares its annotation array with the next
// page lands on that page only, in the window and in another reader.
#include "support/FidelityFixtures.h"
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "shell/AnnotationToolbar.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SharedAnnotsWindowTest, AHighlightAppliedInTheWindowStaysOnItsPage) {
    QTemporaryDir dir;
    const QString path = fixtures::writeTemp(dir.path(), "shared.pdf", fixtures::sharedAnnotsPdf());
    DocumentViewModel document;
    AnnotationViewModel annotations;
    ASSERT_TRUE(document.loadDocument(QUrl::fromLocalFile(path)));
    AnnotationToolbar bar(&annotations, &document);
    bar.show();
    annotations.setCurrentTool(AnnotationTool::highlight);
    const auto matches = document.pdfDocument()->findString("Shared");
    ASSERT_EQ(matches.size(), 4u);
    document.setCurrentSelection(matches[2]); // page 3
    bar.applyButton()->click();

    const pdf::DocumentPtr doc = document.pdfDocument();
    EXPECT_EQ(doc->page(2)->annotations().size(), 2u);
    EXPECT_EQ(doc->page(3)->annotations().size(), 1u);

    if (!fixtures::toolAvailable("pdftoppm"))
        return;
    const QString out = dir.filePath("highlighted.pdf");
    ASSERT_TRUE(doc->write(out));
    // Poppler draws the yellow tint over "Shared" (at 20,150 on a 300 pt page) on page 3 only.
    auto yellowAt = [&](int page) {
        const QString prefix = dir.filePath(QStringLiteral("p%1").arg(page));
        fixtures::runTool("pdftoppm",
                          {"-r", "72", "-png", "-singlefile", "-f", QString::number(page), "-l",
                           QString::number(page), out, prefix});
        const QImage image(prefix + ".png");
        int yellow = 0;
        for (int y = 135; y < 160; ++y)
            for (int x = 15; x < 70; ++x) {
                const QColor c = image.pixelColor(x, y);
                yellow += c.red() > 150 && c.red() - c.blue() > 60; // tinted, not grey
            }
        return yellow;
    };
    EXPECT_GT(yellowAt(3), 50);
    EXPECT_EQ(yellowAt(4), 0);
}
