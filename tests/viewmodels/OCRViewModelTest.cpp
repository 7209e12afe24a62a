#include "viewmodels/OCRViewModel.h"

#include "pdf/document/Page.h"
#include "support/OcrFixtures.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

const QStringList kTwoLines{"Quarterly report for the northern region",
                            "Prepared by the finance team"};
const QString kTwoLinesText = kTwoLines.join('\n');

QImage twoLinePage() {
    return fixtures::textPageImage(kTwoLines, 14);
}

QImage densePage() {
    return fixtures::textPageImage(fixtures::wrapText(fixtures::samplePassage(), 11, 468), 11);
}

// Runs the event loop until the model's run has ended and its last posts arrived.
void waitForRun(OCRViewModel& model) {
    ASSERT_TRUE(model.waitForBackgroundWork(120000));
    for (int i = 0; i < 10 && model.isOCRRunning(); ++i)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_FALSE(model.isOCRRunning());
}

} // namespace

TEST(OCRViewModel, CurrentPageShowsTheSheetAtOnceThenTheText) {
    OCRViewModel model;
    EXPECT_FALSE(model.ocrText());
    EXPECT_FALSE(model.showOCRSheet());
    EXPECT_FALSE(model.isOCRRunning());

    const auto document = fixtures::imageOnlyDocument({fixtures::blankPageImage(), twoLinePage()});
    model.setOcrText(QString("earlier result"));
    model.ocrCurrentPage(document, 1);
    EXPECT_TRUE(model.showOCRSheet());
    EXPECT_TRUE(model.isOCRRunning());
    EXPECT_FALSE(model.ocrText());
    EXPECT_FALSE(model.ocrProgress());

    waitForRun(model);
    ASSERT_TRUE(model.ocrText());
    EXPECT_EQ(model.ocrText()->toStdString(), kTwoLinesText.toStdString());
    EXPECT_TRUE(model.showOCRSheet());
}

TEST(OCRViewModel, BlankCurrentPageGivesEmptyText) {
    OCRViewModel model;
    model.ocrCurrentPage(fixtures::imageOnlyDocument({fixtures::blankPageImage()}), 0);
    waitForRun(model);
    ASSERT_TRUE(model.ocrText());
    EXPECT_TRUE(model.ocrText()->isEmpty());
}

TEST(OCRViewModel, NothingHappensWithoutADocumentOrPage) {
    OCRViewModel model;
    QSignalSpy sheet(&model, &OCRViewModel::showOCRSheetChanged);
    model.ocrCurrentPage(nullptr, 0);
    model.ocrEntireDocument(nullptr);
    const auto document = fixtures::imageOnlyDocument({fixtures::blankPageImage()});
    model.ocrCurrentPage(document, 1);
    model.ocrCurrentPage(document, -1);
    EXPECT_EQ(sheet.count(), 0);
    EXPECT_FALSE(model.isOCRRunning());
}

TEST(OCRViewModel, EntireDocumentReportsProgressAndSkipsPagesWithoutText) {
    OCRViewModel model;
    QStringList progress;
    QObject::connect(&model, &OCRViewModel::ocrProgressChanged,
                     [&] { progress << model.ocrProgress().value_or("<none>"); });
    const auto document = fixtures::imageOnlyDocument(
        {fixtures::textPageImage({"First page heading"}, 14), fixtures::blankPageImage(),
         fixtures::textPageImage({"Third page closing words"}, 14)});

    model.ocrEntireDocument(document);
    EXPECT_TRUE(model.showOCRSheet());
    EXPECT_EQ(model.ocrProgress(), QString("Starting..."));
    waitForRun(model);

    EXPECT_EQ(progress.join('|').toStdString(),
              "Starting...|Page 1 of 3|Page 2 of 3|Page 3 of 3|<none>");
    ASSERT_TRUE(model.ocrText());
    EXPECT_EQ(model.ocrText()->toStdString(), "--- Page 1 ---\nFirst page heading\n\n"
                                              "--- Page 3 ---\nThird page closing words");
}

TEST(OCRViewModel, DocumentWithoutTextEndsWithNoTextAndNoProgress) {
    OCRViewModel model;
    model.ocrEntireDocument(
        fixtures::imageOnlyDocument({fixtures::blankPageImage(), fixtures::blankPageImage()}));
    waitForRun(model);
    EXPECT_FALSE(model.ocrText());
    EXPECT_FALSE(model.ocrProgress());
}

TEST(OCRViewModel, FailureBecomesAnErrorLine) {
    OCRViewModel model;
    const auto document = fixtures::imageOnlyDocument({twoLinePage()});
    const auto page = document->page(0);
    qputenv("TESSDATA_PREFIX", "/nonexistent/tessdata");
    model.ocrCurrentPage(document, 0);
    waitForRun(model);
    qunsetenv("TESSDATA_PREFIX");
    ASSERT_TRUE(model.ocrText());
    EXPECT_TRUE(model.ocrText()->startsWith("Error: OCR failed: "))
        << model.ocrText()->toStdString();
}

TEST(OCRViewModel, SupersededRunIsDropped) {
    OCRViewModel model;
    const auto blank = fixtures::imageOnlyDocument({fixtures::blankPageImage()});
    const auto text = fixtures::imageOnlyDocument({twoLinePage()});

    // The first run has finished on its thread and its result is on its way to the main
    // thread when the second run starts.
    model.ocrCurrentPage(blank, 0);
    ASSERT_TRUE(model.waitForBackgroundWork(120000));
    model.ocrEntireDocument(text);

    QStringList texts;
    QList<bool> running;
    QObject::connect(&model, &OCRViewModel::ocrTextChanged,
                     [&] { texts << model.ocrText().value_or("<none>"); });
    QObject::connect(&model, &OCRViewModel::isOCRRunningChanged,
                     [&] { running << model.isOCRRunning(); });
    waitForRun(model);

    EXPECT_EQ(texts.join('|').toStdString(), ("--- Page 1 ---\n" + kTwoLinesText).toStdString());
    EXPECT_EQ(running, QList<bool>({false}));
}

TEST(OCRViewModel, NewRunStopsTheOneInProgress) {
    OCRViewModel model;
    const auto slow = fixtures::imageOnlyDocument(std::vector<QImage>(8, densePage()));
    model.ocrEntireDocument(slow);
    QSignalSpy progress(&model, &OCRViewModel::ocrProgressChanged);
    ASSERT_TRUE(progress.wait(60000)); // the first page is under way

    model.ocrCurrentPage(fixtures::imageOnlyDocument({twoLinePage()}), 0);
    QStringList seen;
    QObject::connect(&model, &OCRViewModel::ocrProgressChanged,
                     [&] { seen << model.ocrProgress().value_or("<none>"); });
    waitForRun(model);
    // No progress of the older run reached the window after the newer one started.
    EXPECT_TRUE(seen.isEmpty()) << seen.join(", ").toStdString();
    EXPECT_EQ(model.ocrText().value_or("<none>").toStdString(), kTwoLinesText.toStdString());
}

TEST(OCRViewModel, DeletingPagesDuringARunIsSafe) {
    auto model = std::make_unique<OCRViewModel>();
    const auto document = fixtures::imageOnlyDocument(std::vector<QImage>(6, densePage()));
    model->ocrEntireDocument(document);
    QSignalSpy progress(model.get(), &OCRViewModel::ocrProgressChanged);
    ASSERT_TRUE(progress.wait(60000));

    // Remove pages from the end while the background thread is reading them.
    while (document->pageCount() > 1) {
        ASSERT_TRUE(document->removePage(document->pageCount() - 1));
        QCoreApplication::processEvents();
    }
    waitForRun(*model);
    if (model->ocrText()) {
        EXPECT_FALSE(model->ocrText()->startsWith("Error")) << model->ocrText()->toStdString();
    }

    // A run on a page removed before its turn, and a window closed mid-run.
    model->ocrEntireDocument(document);
    ASSERT_TRUE(document->removePage(0));
    model.reset();
    EXPECT_EQ(document->pageCount(), 0);
}
