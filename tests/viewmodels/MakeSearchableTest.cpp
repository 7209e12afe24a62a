// "Make Searchable" in the window's recognition state: progress per page, the layer added
// to the open document in one go, cancel that leaves it alone, and saving the result.
#include "viewmodels/OCRViewModel.h"

#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "support/OcrFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "utilities/TextExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage densePage() {
    return fixtures::textPageImage(fixtures::wrapText(fixtures::samplePassage(), 11, 468), 11);
}

void waitForRun(OCRViewModel& model) {
    ASSERT_TRUE(model.waitForBackgroundWork(120000));
    for (int i = 0; i < 10 && model.isOCRRunning(); ++i)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_FALSE(model.isOCRRunning());
}

bool anyPageHasText(const pdf::DocumentPtr& document) {
    for (int i = 0; i < document->pageCount(); ++i)
        if (document->page(i)->text())
            return true;
    return false;
}

} // namespace

TEST(MakeSearchable, AddsTheLayerToTheOpenDocumentWithProgressPerPage) {
    const auto document = fixtures::scannedDocument(
        {fixtures::textPageImage({"Quarterly report for the northern region"}, 14),
         fixtures::blankPageImage()});
    OCRViewModel model;
    model.setDocumentSource([document] { return document; });
    QStringList progress;
    QObject::connect(&model, &OCRViewModel::ocrProgressChanged, [&] {
        if (model.ocrProgress())
            progress << *model.ocrProgress();
    });
    QSignalSpy edited(&model, &OCRViewModel::documentEdited);

    model.makeSearchable();
    EXPECT_TRUE(model.showOCRSheet());
    EXPECT_TRUE(model.isOCRRunning());
    waitForRun(model);

    EXPECT_EQ(progress, (QStringList{"Starting...", "Page 1 of 2", "Page 2 of 2"}));
    EXPECT_FALSE(model.ocrProgress());
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).value<pdf::DocumentPtr>(), document);
    EXPECT_EQ(document->findString("northern").size(), 1u);
    EXPECT_EQ(TextExport::documentText(*document), "Quarterly report for the northern region");
    ASSERT_TRUE(model.ocrText());
    EXPECT_EQ(*model.ocrText(), "--- Page 1 ---\nQuarterly report for the northern region");
    EXPECT_EQ(model.ocrStatus(), "Text layer added to 1 page.");

    // The result stays for a sheet shown later, until the next run replaces it.
    model.setShowOCRSheet(false);
    EXPECT_TRUE(model.ocrText());
    model.makeSearchable();
    waitForRun(model);
    EXPECT_EQ(model.ocrStatus(), "Text layer added to 0 pages. 1 page already had text.");
    EXPECT_EQ(edited.count(), 1);
}

TEST(MakeSearchable, CancelInTheMiddleLeavesTheDocumentUnchanged) {
    const auto document = fixtures::scannedDocument({densePage(), densePage(), densePage()});
    OCRViewModel model;
    QSignalSpy edited(&model, &OCRViewModel::documentEdited);
    model.makeSearchable(document);
    // Let a page finish (two run at once, so the first report may already be the second
    // page): what was read is dropped with the rest.
    QElapsedTimer timer;
    timer.start();
    const auto pageDone = [&] {
        const auto progress = model.ocrProgress();
        return progress && progress->startsWith("Page ") && *progress != "Page 3 of 3";
    };
    while (!pageDone() && model.isOCRRunning() && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(pageDone()) << model.ocrProgress().value_or("none").toStdString();
    ASSERT_TRUE(model.isOCRRunning());

    model.cancel();
    EXPECT_FALSE(model.isOCRRunning());
    EXPECT_FALSE(model.ocrProgress());
    EXPECT_EQ(model.ocrStatus(), "Cancelled. The document was not changed.");
    ASSERT_TRUE(model.waitForBackgroundWork(60000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(anyPageHasText(document));
    EXPECT_EQ(edited.count(), 0);
}

TEST(MakeSearchable, ChosenLanguagesAreUsedAndAMissingOneIsAClearError) {
    const auto document =
        fixtures::scannedDocument({fixtures::textPageImage({"Second stamp"}, 14)});
    OCRViewModel model;
    EXPECT_EQ(model.ocrLanguage(), "eng");
    EXPECT_TRUE(OCRViewModel::availableLanguages().contains("eng"));
    model.setOcrLanguage("eng+kat");
    model.makeSearchable(document);
    waitForRun(model);
    ASSERT_TRUE(model.ocrText());
    EXPECT_TRUE(model.ocrText()->startsWith("Error: OCR failed: "));
    EXPECT_TRUE(model.ocrText()->contains("tesseract-ocr-kat")) << model.ocrText()->toStdString();
    EXPECT_FALSE(anyPageHasText(document));
}

TEST(MakeSearchable, SaveAsTextWritesTheLastResult) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    OCRViewModel model;
    EXPECT_FALSE(model.saveAsText()) << "nothing to save yet";
    EXPECT_TRUE(dialogs->saveRequests.empty());

    model.setOcrText(QString("--- Page 1 ---\nZürich harbour"));
    const QString path = dir.filePath("scan.txt");
    dialogs->scriptSave(path);
    EXPECT_TRUE(model.saveAsText());
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "Recognized Text.txt");
    EXPECT_EQ(dialogs->saveRequests[0].contentTypes, QList<ContentType>{ContentType::plainText()});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), "--- Page 1 ---\nZürich harbour\n");
    EXPECT_EQ(model.ocrStatus(), "Saved as scan.txt.");

    // Cancelled: nothing written, nothing said.
    EXPECT_FALSE(model.saveAsText());
    EXPECT_EQ(model.ocrStatus(), "Saved as scan.txt.");
}
