#include "viewmodels/DocumentCreationViewModel.h"
#include "pdf/document/Page.h"
#include "support/ComposeSupport.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using compose_test::encodedImage;
using compose_test::writeFile;

namespace {

QString imageFile(const QTemporaryDir& dir, const QString& name, int w, int h,
                  const char* format = "PNG") {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(writeFile(path, encodedImage(w, h, Qt::blue, format)));
    return path;
}

} // namespace

TEST(PageContentModel, EffectiveSizeAndRawValues) {
    PDFPageContent page(PageTemplate::blank, PageSize::custom);
    EXPECT_EQ(page.effectiveSize(), QSizeF(612, 792));
    page.customWidth = 300;
    EXPECT_EQ(page.effectiveSize(), QSizeF(300, 792));
    page.customWidth.reset();
    page.customHeight = 500;
    EXPECT_EQ(page.effectiveSize(), QSizeF(612, 500));
    page.pageSize = PageSize::a4;
    page.customWidth = 100;
    page.customHeight = 100;
    EXPECT_EQ(page.effectiveSize(), QSizeF(595.28, 841.89));

    EXPECT_FALSE(pageSizeFromRawValue(u"A4"));
    EXPECT_EQ(pageSizeFromRawValue(u"a4"), PageSize::a4);
    EXPECT_EQ(pageTemplateFromRawValue(u"dotGrid"), PageTemplate::dotGrid);
    EXPECT_FALSE(pageTemplateFromRawValue(u"dotgrid"));
    QStringList names;
    for (PageSize s : allPageSizes())
        names << displayName(s);
    EXPECT_EQ(names, QStringList({"A4", "US Letter", "US Legal", "Custom"}));
    names.clear();
    for (PageTemplate t : allPageTemplates())
        names << displayName(t) + "/" + icon(t);
    EXPECT_EQ(names, QStringList({"Blank/doc", "Lined/line.3.horizontal", "Grid/grid",
                                  "Dot Grid/circle.grid.3x3"}));

    // Copies are independent, block lists included.
    PDFPageContent copy = page;
    copy.textBlocks.append(TextBlock{});
    EXPECT_TRUE(page.textBlocks.isEmpty());
    EXPECT_EQ(copy.id, page.id);
}

TEST(DocumentCreationViewModel, StartsWithOneBlankA4Page) {
    DocumentCreationViewModel model;
    ASSERT_EQ(model.pages().size(), 1);
    EXPECT_EQ(model.pages()[0].pageSize, PageSize::a4);
    EXPECT_EQ(model.pages()[0].pageTemplate, PageTemplate::blank);
    EXPECT_FALSE(model.pages()[0].customWidth);
    EXPECT_EQ(model.selectedPageIndex(), 0);
    EXPECT_EQ(model.defaultPageSize(), PageSize::a4);
    EXPECT_EQ(model.documentTitle(), "Untitled");
    EXPECT_EQ(model.property("documentTitle").toString(), "Untitled");
}

TEST(DocumentCreationViewModel, DeletingPagesKeepsOneAndTheSelectionInside) {
    DocumentCreationViewModel model;
    model.deletePage(0);
    EXPECT_EQ(model.pages().size(), 1) << "the last page cannot be deleted";

    model.addPage();
    model.addPage();
    EXPECT_EQ(model.selectedPageIndex(), 2);
    const QUuid third = model.pages()[2].id;
    model.deletePage(-1);
    model.deletePage(3);
    EXPECT_EQ(model.pages().size(), 3);

    model.deletePage(0);
    EXPECT_EQ(model.pages().size(), 2);
    EXPECT_EQ(model.selectedPageIndex(), 1);
    EXPECT_EQ(model.pages()[1].id, third) << "still the same page";

    model.addPage();
    model.setSelectedPageIndex(0);
    model.deletePage(1);
    EXPECT_EQ(model.selectedPageIndex(), 0);
    model.setSelectedPageIndex(1);
    model.deletePage(1);
    EXPECT_EQ(model.pages().size(), 1);
    EXPECT_EQ(model.selectedPageIndex(), 0);
}

TEST(DocumentCreationViewModel, BlocksAreLaidOutByCount) {
    DocumentCreationViewModel model;
    QSignalSpy changed(&model, &DocumentCreationViewModel::pagesChanged);
    model.addTextBlock("Enter text here...", 14);
    ASSERT_EQ(model.pages()[0].textBlocks.size(), 1);
    const TextBlock first = model.pages()[0].textBlocks[0];
    EXPECT_EQ(first.position, QPointF(50, 50));
    EXPECT_NEAR(first.size.width(), 495.28, 1e-9);
    EXPECT_EQ(first.size.height(), 100);
    EXPECT_EQ(first.fontName, "Helvetica");
    EXPECT_EQ(first.fontSize, 14);
    EXPECT_EQ(changed.count(), 1);

    model.setSelectedPageSize(PageSize::letter);
    model.addTextBlock("b", 14);
    model.addTextBlock("c", 14);
    EXPECT_EQ(model.pages()[0].textBlocks[1].position, QPointF(50, 170));
    EXPECT_EQ(model.pages()[0].textBlocks[2].position, QPointF(50, 290));
    EXPECT_EQ(model.pages()[0].textBlocks[2].size, QSizeF(512, 100));

    model.updateTextBlock(first.id, "changed");
    EXPECT_EQ(model.pages()[0].textBlocks[0].text, "changed");
    EXPECT_EQ(model.pages()[0].textBlocks[1].text, "b");

    // Edits reach only the selected page.
    model.addPage();
    model.updateTextBlock(first.id, "from another page");
    model.removeTextBlock(first.id);
    EXPECT_EQ(model.pages()[0].textBlocks[0].text, "changed");
    EXPECT_EQ(model.pages()[0].textBlocks.size(), 3);

    model.setSelectedPageIndex(0);
    model.removeTextBlock(first.id);
    EXPECT_EQ(model.pages()[0].textBlocks.size(), 2);

    // With the selection outside the pages every block operation does nothing.
    model.setSelectedPageIndex(7);
    model.addTextBlock("x", 14);
    EXPECT_EQ(model.pages()[0].textBlocks.size(), 2);
    EXPECT_EQ(model.pages()[1].textBlocks.size(), 0);
}

TEST(DocumentCreationViewModel, ImagesKeepTheirAspectAndAskForImageFiles) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentCreationViewModel model;
    model.setSelectedPageSize(PageSize::letter);

    dialogs->scriptOpen({imageFile(dir, "wide.png", 1000, 500)});
    model.addImageFromFile();
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    const OpenFileRequest& request = dialogs->openRequests[0];
    EXPECT_FALSE(request.allowsMultipleSelection);
    EXPECT_EQ(request.contentTypes,
              QList<ContentType>({ContentType::image(), ContentType::png(), ContentType::jpeg(),
                                  ContentType::tiff(), ContentType::bmp()}));
    ASSERT_EQ(model.pages()[0].imageBlocks.size(), 1);
    const ImageBlock wide = model.pages()[0].imageBlocks[0];
    EXPECT_EQ(wide.position, QPointF(50, 50));
    EXPECT_EQ(wide.size, QSizeF(512, 256));
    QFile file(dir.filePath("wide.png"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(wide.imageData, file.readAll()) << "the bytes exactly as read";

    // The offset uses the new image's own height for every earlier image.
    dialogs->scriptOpen({imageFile(dir, "tall.jpg", 200, 400, "JPEG")});
    model.addImageFromFile();
    ASSERT_EQ(model.pages()[0].imageBlocks.size(), 2);
    EXPECT_EQ(model.pages()[0].imageBlocks[1].size, QSizeF(200, 400));
    EXPECT_EQ(model.pages()[0].imageBlocks[1].position, QPointF(50, 470));

    // Cancelled, unreadable and undecodable files add nothing; the last two say why.
    ScopedAlerts alerts;
    model.addImageFromFile();
    dialogs->scriptOpen({dir.filePath("missing.png")});
    model.addImageFromFile();
    const QString junk = dir.filePath("junk.png");
    ASSERT_TRUE(writeFile(junk, "not an image at all"));
    dialogs->scriptOpen({junk});
    model.addImageFromFile();
    EXPECT_EQ(model.pages()[0].imageBlocks.size(), 2);
    ASSERT_EQ(alerts->notices.size(), 2u);
    EXPECT_TRUE(alerts->notices[0].contains("missing.png"));
    EXPECT_TRUE(alerts->notices[1].contains("junk.png"));

    model.removeImageBlock(wide.id);
    ASSERT_EQ(model.pages()[0].imageBlocks.size(), 1);
    EXPECT_EQ(model.pages()[0].imageBlocks[0].size, QSizeF(200, 400));
}

TEST(DocumentCreationViewModel, ImagesWithoutAMeasurableSizeAreNotAdded) {
    DocumentCreationViewModel model;
    EXPECT_FALSE(model.addImageData(QByteArray()));
    // A bitmap header that claims a 0 x 0 picture.
    QByteArray bmp("BM");
    auto le32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    bmp += le32(54) + le32(0) + le32(54) + le32(40) + le32(0) + le32(0);
    bmp += QByteArray("\x01\x00\x18\x00", 4) + le32(0) + le32(0) + le32(2835) + le32(2835) +
           le32(0) + le32(0);
    EXPECT_FALSE(model.addImageData(bmp));
    EXPECT_TRUE(model.pages()[0].imageBlocks.isEmpty());

    // A resolution that rounds to nothing counts as 72 dpi rather than an infinite size.
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setDotsPerMeterX(1);
    image.setDotsPerMeterY(1);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    EXPECT_TRUE(model.addImageData(png));
    ASSERT_EQ(model.pages()[0].imageBlocks.size(), 1);
    EXPECT_EQ(model.pages()[0].imageBlocks[0].size, QSizeF(40, 20));

    // A page narrower than its margins still gets a visible image.
    model.setSelectedPageSize(PageSize::custom);
    model.setSelectedCustomWidth(80);
    EXPECT_TRUE(model.addImageData(png));
    EXPECT_EQ(model.pages()[0].imageBlocks[1].size, QSizeF(40, 20));
}

TEST(DocumentCreationViewModel, ReorderingMovesPagesButNotTheSelectionNumber) {
    DocumentCreationViewModel model;
    model.addPage();
    model.addPage();
    const QUuid a = model.pages()[0].id, b = model.pages()[1].id, c = model.pages()[2].id;
    model.setSelectedPageIndex(2);
    model.movePages({2}, 0);
    EXPECT_EQ(model.pages()[0].id, c);
    EXPECT_EQ(model.pages()[1].id, a);
    EXPECT_EQ(model.pages()[2].id, b);
    EXPECT_EQ(model.selectedPageIndex(), 2);
    model.movePages({0}, 3);
    EXPECT_EQ(model.pages()[2].id, c);
    model.movePages({0, 1}, 3);
    EXPECT_EQ(model.pages()[0].id, c);
    EXPECT_EQ(model.pages()[1].id, a);
    EXPECT_EQ(model.pages()[2].id, b);
}

TEST(DocumentCreationViewModel, CustomSizesFallBackAndRejectNonsense) {
    DocumentCreationViewModel model;
    model.setSelectedPageSize(PageSize::custom);
    EXPECT_EQ(model.selectedPage()->effectiveSize(), QSizeF(612, 792));
    model.setSelectedCustomWidth(300);
    EXPECT_EQ(model.selectedPage()->effectiveSize(), QSizeF(300, 792));
    model.setSelectedCustomHeight(-4);
    model.setSelectedCustomWidth(std::nullopt);
    EXPECT_EQ(model.selectedPage()->effectiveSize(), QSizeF(612, 792));
}

TEST(DocumentCreationViewModel, GeneratesAndSavesWithoutChangingTheComposition) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentCreationViewModel model;
    model.addTextBlock("Hello composed world", 14);
    model.addPage();
    model.setSelectedPageTemplate(PageTemplate::lined);

    const pdf::DocumentPtr document = model.generatePDF();
    ASSERT_TRUE(document);
    EXPECT_EQ(document->pageCount(), 2);
    EXPECT_EQ(model.pages().size(), 2);
    EXPECT_EQ(model.selectedPageIndex(), 1);

    // Cancelled: nothing written.
    EXPECT_FALSE(model.savePDF());
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "Untitled.pdf");
    EXPECT_EQ(dialogs->saveRequests[0].contentTypes, QList<ContentType>({ContentType::pdf()}));

    const QString target = dir.filePath("out.pdf");
    dialogs->scriptSave(target);
    EXPECT_EQ(model.savePDF(), target);
    const auto check = compose_test::runTool("qpdf", {"--check", target});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
    EXPECT_TRUE(
        compose_test::runTool("pdftotext", {target, "-"}).out.contains("Hello composed world"));
    EXPECT_EQ(model.documentTitle(), "Untitled");
    EXPECT_EQ(model.pages().size(), 2);
}

TEST(DocumentCreationViewModel, AFailedWriteIsReportedWithTheFileAndReason) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentCreationViewModel model;
    model.setDocumentTitle("Report/2026");
    const QString target = dir.filePath("no-such-folder/out.pdf");
    dialogs->scriptSave(target);
    QString error;
    EXPECT_FALSE(model.savePDF(&error));
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "Report-2026.pdf");
    EXPECT_TRUE(error.contains("out.pdf")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(target));
}
