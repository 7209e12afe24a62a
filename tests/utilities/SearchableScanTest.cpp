// Making scanned documents searchable: recognition on several threads, then a text layer
// that this program and other readers find where the words stand.
#include "utilities/OCRService.h"

#include "pdf/text/Selection.h"
#include "pdf/text/TextLayer.h"
#include "support/OcrFixtures.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <mutex>
#include <thread>

namespace {

// The sample passage at 12 pt, wrapped to the page's text width.
QStringList passageLines() {
    return fixtures::wrapText(fixtures::samplePassage(), 12, 468);
}

QRectF foundBox(const pdf::DocumentPtr& doc, const QString& word, int pageIndex) {
    for (const auto& selection : doc->findString(word)) {
        const auto page = doc->page(pageIndex);
        const QRectF box = selection.boundsForPage(page);
        if (!box.isEmpty())
            return page->pageToDisplay().mapRect(box);
    }
    return {};
}

// Every edge of `actual` within `tolerance` points of the same edge of `expected`.
::testing::AssertionResult within(const QRectF& actual, const QRectF& expected, double tolerance) {
    const double worst = std::max(
        {std::abs(actual.left() - expected.left()), std::abs(actual.right() - expected.right()),
         std::abs(actual.top() - expected.top()), std::abs(actual.bottom() - expected.bottom())});
    if (worst <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "found (" << actual.left() << ", " << actual.top() << ", " << actual.right() << ", "
           << actual.bottom() << ") drawn (" << expected.left() << ", " << expected.top() << ", "
           << expected.right() << ", " << expected.bottom() << "), off by " << worst << " pt";
}

OCRService::OCRError errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const OCRService::OCRError& error) {
        return error;
    }
    ADD_FAILURE() << "no OCRError";
    return OCRService::OCRError::noPage();
}

} // namespace

TEST(SearchableScan, ScanBecomesSearchableWithWordsWhereTheyAreDrawn) {
    const QStringList lines = passageLines();
    // Scanned at 300 dpi; a second page has text of its own and must be left alone.
    auto doc = fixtures::scannedDocument({fixtures::textPageImage(lines, 12, 300)});
    auto typed = pdf::Document::fromData(fixtures::textPdf({{"Typed page of its own"}}));
    ASSERT_EQ(doc->insertPages(*typed, {0}, 1), 1);
    const QImage pixelsBefore = doc->page(0)->render(1.0);
    const auto typedContentBefore = doc->page(1)->text();

    std::mutex mutex;
    std::vector<int> progress;
    OCRService::SearchableOptions options;
    options.progressHandler = [&](int done, int total) {
        std::lock_guard lock(mutex);
        progress.push_back(done * 100 + total);
    };
    const auto run = OCRService::recognizeForTextLayer(doc, options);
    EXPECT_EQ(run.pagesWithText, 1);
    ASSERT_EQ(run.pages.size(), 1u);
    EXPECT_EQ(progress, std::vector<int>{101});
    EXPECT_FALSE(doc->page(0)->text().has_value()) << "recognition alone changes nothing";

    EXPECT_EQ(OCRService::addTextLayers(run), 1);
    EXPECT_EQ(doc->page(0)->render(1.0), pixelsBefore);
    EXPECT_EQ(doc->page(1)->text(), typedContentBefore);
    EXPECT_FALSE(pdf::hasTextLayer(*doc->page(1)));

    // Our own search finds the word over its ink: it has ascenders and a descender, so the
    // line's height is the word's.
    const QRectF drawn = fixtures::drawnWordBox(lines, "weighbridge", 12, 300);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_TRUE(within(foundBox(doc, "weighbridge", 0), drawn, 2.0));
    EXPECT_GE(fixtures::wordAccuracy(fixtures::samplePassage(), *doc->page(0)->text()), 0.95);

    QTemporaryDir dir;
    const QString path = dir.filePath("searchable.pdf");
    QString error;
    ASSERT_TRUE(doc->write(path, {}, &error)) << error.toStdString();
    if (!fixtures::toolAvailable("pdftotext") || !fixtures::toolAvailable("qpdf"))
        GTEST_SKIP() << "poppler-utils and qpdf check the written file";
    int code = -1;
    fixtures::runTool("qpdf", {"--check", path}, &code);
    EXPECT_EQ(code, 0);
    const QString theirs =
        QString::fromUtf8(fixtures::runTool("pdftotext", {"-l", "1", path, "-"}));
    EXPECT_GE(fixtures::wordAccuracy(fixtures::samplePassage(), theirs), 0.95)
        << theirs.toStdString();
}

TEST(SearchableScan, RotatedScanGetsItsTextTheRightWay) {
    const QStringList lines = passageLines().mid(0, 8);
    // Stored on its side, shown upright through /Rotate 90, as scanners do with landscape feeds.
    const QImage upright = fixtures::textPageImage(lines, 12, 144);
    auto doc = pdf::Document::create();
    auto page = doc->insertImagePage(0, upright.transformed(QTransform().rotate(-90)), 792, 612);
    ASSERT_TRUE(page);
    page->setRotation(90);

    const auto run = OCRService::recognizeForTextLayer(doc, {});
    EXPECT_EQ(OCRService::addTextLayers(run), 1);
    const QString text = page->text().value_or(QString());
    EXPECT_GE(fixtures::wordAccuracy(lines.join(' '), text), 0.95) << text.toStdString();
    const QRectF drawn = fixtures::drawnWordBox(lines, "weighbridge", 12, 144);
    EXPECT_TRUE(within(foundBox(doc, "weighbridge", 0), drawn, 2.0));
}

TEST(SearchableScan, RedoReplacesOurLayerAndCancelChangesNothing) {
    auto doc =
        fixtures::scannedDocument({fixtures::textPageImage({"Second stamp for the ministry"}, 14),
                                   fixtures::blankPageImage()});

    // Cancelled before it starts: an error the callers drop, and no page touched.
    base::CancelToken cancel;
    cancel.cancel();
    OCRService::SearchableOptions options;
    options.cancel = &cancel;
    EXPECT_EQ(errorOf([&] { OCRService::recognizeForTextLayer(doc, options); }).kind(),
              OCRService::OCRError::Kind::cancelled);
    EXPECT_FALSE(doc->page(0)->text().has_value());

    EXPECT_EQ(OCRService::addTextLayers(OCRService::recognizeForTextLayer(doc, {})), 1);
    EXPECT_FALSE(pdf::hasTextLayer(*doc->page(1))) << "nothing read, no layer";
    // Without force the page now counts as having text; with it, the layer is redone once.
    EXPECT_EQ(OCRService::recognizeForTextLayer(doc, {}).pagesWithText, 1);
    OCRService::SearchableOptions force;
    force.force = true;
    force.jobs = 1;
    EXPECT_EQ(OCRService::addTextLayers(OCRService::recognizeForTextLayer(doc, force)), 1);
    EXPECT_EQ(doc->findString("ministry").size(), 1u);
}

TEST(SearchableScan, LanguagesComeFromTheInstalledModels) {
    const QStringList installed = OCRService::installedLanguages();
    EXPECT_TRUE(installed.contains("eng"));
    EXPECT_FALSE(installed.contains("osd"));
    EXPECT_EQ(OCRService::languageDisplayName("eng"), "English (eng)");
    EXPECT_EQ(OCRService::languageDisplayName("xyz"), "xyz");

    auto doc = fixtures::scannedDocument({fixtures::blankPageImage()});
    // Georgian is not among the models this machine has: the error names its package.
    OCRService::SearchableOptions options;
    options.languages = {"eng+kat"};
    const auto error = errorOf([&] { OCRService::recognizeForTextLayer(doc, options); });
    EXPECT_TRUE(error.message().contains("Install the Debian package tesseract-ocr-kat"))
        << error.what();
    options.languages = {"chi_sim"};
    if (!installed.contains("chi_sim")) {
        EXPECT_TRUE(errorOf([&] { OCRService::recognizeForTextLayer(doc, options); })
                        .message()
                        .contains("tesseract-ocr-chi-sim"));
    }
}

TEST(SearchableScan, EveryRecognisingThreadKeepsOpenMPToItself) {
    // The limit is a per-thread setting: a worker that missed it would run Tesseract's
    // network layers on a team of threads and fight its neighbour for the cores.
    using GetLevels = int (*)();
    const auto get = reinterpret_cast<GetLevels>(dlsym(RTLD_DEFAULT, "omp_get_max_active_levels"));
    if (!get)
        GTEST_SKIP() << "Tesseract is built without OpenMP";
    for (int round = 0; round < 2; ++round) {
        int levels = -1;
        std::thread worker([&] {
            OCRService::recognizeText(fixtures::blankPageImage(72), 72, {"eng"},
                                      OCRService::RecognitionLevel::fast);
            levels = get();
        });
        worker.join();
        EXPECT_EQ(levels, 0) << "round " << round;
    }
}
