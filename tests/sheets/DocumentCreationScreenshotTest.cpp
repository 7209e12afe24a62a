// Saves a picture of the composition sheet when VELLUMARK_SCREENSHOT_DIR names a folder
// (tests/screenshots/document-creation.sh runs it on a virtual X display).
#include "sheets/DocumentCreationView.h"
#include "support/ComposeSupport.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/DocumentCreationViewModel.h"

#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(DocumentCreationScreenshot, ThreePagesTwoTextBlocksAndAnImage) {
    const QString folder = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VELLUMARK_SCREENSHOT_DIR to save the picture";

    QTemporaryDir dir;
    QImage picture(640, 400, QImage::Format_RGB32);
    picture.fill(QColor(70, 130, 180));
    {
        QPainter painter(&picture);
        painter.setBrush(QColor(250, 210, 60));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(480, 110), 60, 60);
        painter.setBrush(QColor(60, 140, 70));
        painter.drawRect(0, 280, 640, 120);
    }
    picture.setDotsPerMeterX(2835);
    picture.setDotsPerMeterY(2835);
    const QString imagePath = dir.filePath("landscape.png");
    ASSERT_TRUE(picture.save(imagePath));

    ScopedFileDialogs dialogs;
    DocumentCreationViewModel model;
    model.setDocumentTitle("Field Notes");
    model.setSelectedPageTemplate(PageTemplate::lined);
    model.addPage();
    model.setSelectedPageSize(PageSize::letter);
    model.setSelectedPageTemplate(PageTemplate::grid);
    model.addPage();
    model.setSelectedPageTemplate(PageTemplate::dotGrid);
    model.setSelectedPageIndex(1);
    model.addTextBlock("Site visit, 7 December: the east wall needs new flashing.", 14);
    model.addTextBlock("Follow-up: order materials and book the scaffold.", 14);
    dialogs->scriptOpen({imagePath});
    model.addImageFromFile();

    DocumentCreationView view(model, {});
    view.resize(900, 640);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::qWait(200);
    const QPixmap shot = view.grab();
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath("document-creation.png");
    ASSERT_TRUE(shot.save(path));
    std::printf("saved %s\n", qPrintable(path));
}
