// The conversion flows ask through the seams, hand what was chosen to the service and say
// why nothing came of it; a cancel does nothing.
#include "viewmodels/FileConversionViewModel.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "support/FakeClipboard.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class FileConversionViewModelTest : public testing::Test {
protected:
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    ScopedAlerts alerts;
};

TEST_F(FileConversionViewModelTest, ImportAsksForEveryImageKindAndSaysWhyNothingWasMade) {
    EXPECT_EQ(FileConversionViewModel::importImagesAsPDF(), nullptr); // cancelled: no notice
    EXPECT_TRUE(alerts->notices.empty());
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    const OpenFileRequest& request = dialogs->openRequests[0];
    EXPECT_TRUE(request.allowsMultipleSelection);
    // Every image kind in one filter first, then one per kind.
    EXPECT_EQ(request.contentTypes,
              QList<ContentType>({ContentType::image(), ContentType::png(), ContentType::jpeg(),
                                  ContentType::tiff(), ContentType::bmp(), ContentType::gif()}));

    dialogs->scriptOpen({writeTemp(dir.path(), "broken.png", garbageBytes())});
    EXPECT_EQ(FileConversionViewModel::importImagesAsPDF(), nullptr);
    ASSERT_EQ(alerts->notices.size(), 1u);
    EXPECT_TRUE(alerts->notices[0].contains("No images imported"))
        << alerts->notices[0].toStdString();

    // A PNG, a JPEG and a BMP chosen together become three pages, in the order chosen.
    QStringList chosen;
    int width = 40;
    for (const char* format : {"png", "jpg", "bmp"}) {
        QImage picture(width++, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        const QString path = dir.filePath(QStringLiteral("picture.") + format);
        ASSERT_TRUE(picture.save(path, format)) << format;
        chosen << path;
    }
    dialogs->scriptOpen(chosen);
    auto made = FileConversionViewModel::importImagesAsPDF();
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(made->pageCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(made->page(i)->mediaBox().size(), QSizeF(40 + i, 30));
    EXPECT_EQ(alerts->notices.size(), 1u);
}

TEST_F(FileConversionViewModelTest, ClipboardGivesItsImageBeforeItsTextAndSaysWhenEmpty) {
    ScopedClipboard clipboard;
    EXPECT_EQ(FileConversionViewModel::clipboardToPDF(), nullptr);
    ASSERT_EQ(alerts->notices.size(), 1u);
    EXPECT_TRUE(alerts->notices[0].contains("clipboard")) << alerts->notices[0].toStdString();

    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::red);
    clipboard->setImageAndText(image, "Hello");
    auto fromImage = FileConversionViewModel::clipboardToPDF();
    ASSERT_NE(fromImage, nullptr);
    EXPECT_EQ(fromImage->page(0)->mediaBox().size(), QSizeF(120, 80));

    clipboard->setText("Hello");
    auto fromText = FileConversionViewModel::clipboardToPDF();
    ASSERT_NE(fromText, nullptr);
    EXPECT_EQ(fromText->page(0)->textPage()->text(), "Hello");
    EXPECT_EQ(alerts->notices.size(), 1u);
}

TEST_F(FileConversionViewModelTest, ExportsProposeTheirNameAndKindAndWriteWhereChosen) {
    auto doc = pdf::Document::fromData(textPdf({{"A"}, {"B"}}));
    ASSERT_NE(doc, nullptr);

    // Cancelled: nothing is written and nothing is said.
    EXPECT_TRUE(FileConversionViewModel::exportPDFAsText(*doc, "report.pdf").cancelled());
    EXPECT_TRUE(FileConversionViewModel::exportCurrentPageAsImage(*doc, 1).cancelled());
    ASSERT_EQ(dialogs->saveRequests.size(), 2u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "report.txt");
    EXPECT_EQ(dialogs->saveRequests[0].contentTypes, QList<ContentType>{ContentType::plainText()});
    EXPECT_EQ(dialogs->saveRequests[1].proposedName, "page_2.png");
    EXPECT_EQ(dialogs->saveRequests[1].contentTypes, QList<ContentType>{ContentType::png()});
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // A page that is not there is not asked about.
    EXPECT_TRUE(FileConversionViewModel::exportCurrentPageAsImage(*doc, 2).cancelled());
    EXPECT_EQ(dialogs->saveRequests.size(), 2u);

    dialogs->scriptSave(dir.filePath("out.txt"));
    dialogs->scriptSave(dir.filePath("page.png"));
    dialogs->scriptSave(dir.filePath("copy.pdf"));
    const auto text = FileConversionViewModel::exportPDFAsText(*doc, "report.pdf");
    const auto page = FileConversionViewModel::exportCurrentPageAsImage(*doc, 1);
    const auto copy = FileConversionViewModel::exportAnnotatedPDF(*doc, "report.pdf");
    EXPECT_EQ(dialogs->saveRequests[4].contentTypes, QList<ContentType>{ContentType::pdf()});
    for (const auto& outcome : {text, page, copy})
        EXPECT_EQ(outcome.status, FileConversionViewModel::ExportOutcome::Status::written)
            << outcome.path.toStdString() << ": " << outcome.message.toStdString();
    QFile written(dir.filePath("out.txt"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("A\n\n--- Page 2 ---\n\nB"));
    EXPECT_EQ(QImage(dir.filePath("page.png")).size(), QSize(1224, 1584));
    EXPECT_EQ(pdf::Document::open(dir.filePath("copy.pdf"))->pageCount(), 2);
}

} // namespace
