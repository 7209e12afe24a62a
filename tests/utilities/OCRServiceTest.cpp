#include "utilities/OCRService.h"

#include "support/OcrFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Level = OCRService::RecognitionLevel;
const QStringList kEnglish{"en-US"};

QString recognise(const QImage& image, Level level = Level::accurate) {
    return OCRService::recognizeText(image, 144, kEnglish, level);
}

// Restores TESSDATA_PREFIX after a test points it elsewhere.
class TessdataOverride {
public:
    explicit TessdataOverride(const QString& path)
        : had_(qEnvironmentVariableIsSet("TESSDATA_PREFIX")), old_(qgetenv("TESSDATA_PREFIX")) {
        qputenv("TESSDATA_PREFIX", path.toUtf8());
    }
    ~TessdataOverride() {
        if (had_)
            qputenv("TESSDATA_PREFIX", old_);
        else
            qunsetenv("TESSDATA_PREFIX");
    }

private:
    bool had_;
    QByteArray old_;
};

OCRService::OCRError errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const OCRService::OCRError& error) {
        return error;
    }
    ADD_FAILURE() << "no OCRError was thrown";
    return OCRService::OCRError::noPage();
}

} // namespace

TEST(OCRService, CleanTwelvePointTextIsReadAccurately) {
    const QString passage = fixtures::samplePassage();
    const QImage page = fixtures::textPageImage(fixtures::wrapText(passage, 12, 468));

    const QString accurate = recognise(page);
    const double accuracy = fixtures::wordAccuracy(passage, accurate);
    RecordProperty("accurate_word_accuracy", QString::number(accuracy, 'f', 4).toStdString());
    EXPECT_GE(accuracy, 0.98) << accurate.toStdString();

    // The fast level gives up a little accuracy, not the text.
    const QString fast = recognise(page, Level::fast);
    const double fastAccuracy = fixtures::wordAccuracy(passage, fast);
    RecordProperty("fast_word_accuracy", QString::number(fastAccuracy, 'f', 4).toStdString());
    EXPECT_GE(fastAccuracy, 0.9) << fast.toStdString();
}

TEST(OCRService, TwoLinesAreJoinedWithOneLineFeed) {
    const QImage page = fixtures::textPageImage(
        {"Quarterly report for the northern region", "Prepared by the finance team"}, 14);
    EXPECT_EQ(recognise(page).toStdString(),
              "Quarterly report for the northern region\nPrepared by the finance team");
}

TEST(OCRService, BlankImageGivesEmptyText) {
    EXPECT_EQ(recognise(fixtures::blankPageImage()), QString());
}

TEST(OCRService, NullImageIsARenderFailure) {
    const auto error = errorOf([] { recognise(QImage()); });
    EXPECT_EQ(error.kind(), OCRService::OCRError::Kind::renderFailed);
    EXPECT_STREQ(error.what(), "Failed to render page for OCR");
}

TEST(OCRService, LanguagesAreCheckedWithClearMessages) {
    const QImage page = fixtures::blankPageImage(72);

    auto error = errorOf([&] { OCRService::recognizeText(page, 72, {"xx-YY"}, Level::accurate); });
    EXPECT_EQ(error.kind(), OCRService::OCRError::Kind::recognitionFailed);
    EXPECT_EQ(error.message(), "OCR failed: Unsupported recognition language \"xx-YY\"");

    error = errorOf([&] { OCRService::recognizeText(page, 72, {}, Level::accurate); });
    EXPECT_TRUE(error.message().startsWith("OCR failed: "));

    // Plain English codes all reach the same model.
    EXPECT_NO_THROW(OCRService::recognizeText(page, 72, {"en", "en-GB", "en_US"}, Level::fast));
}

TEST(OCRService, MissingModelNamesThePackageToInstall) {
    QTemporaryDir empty;
    TessdataOverride override(empty.path());
    EXPECT_EQ(OCRService::tessdataPath(), empty.path());

    const auto error = errorOf([] { recognise(fixtures::blankPageImage(72)); });
    EXPECT_EQ(error.kind(), OCRService::OCRError::Kind::recognitionFailed);
    EXPECT_TRUE(error.message().startsWith("OCR failed: ")) << error.what();
    EXPECT_TRUE(error.message().contains("tesseract-ocr-eng")) << error.what();
    EXPECT_TRUE(error.message().contains(empty.path())) << error.what();
}

TEST(OCRService, CancelledRunStops) {
    const QImage page =
        fixtures::textPageImage(fixtures::wrapText(fixtures::samplePassage(), 12, 468));
    base::CancelToken cancel;
    cancel.cancel();
    const auto error =
        errorOf([&] { OCRService::recognizeText(page, 144, kEnglish, Level::accurate, &cancel); });
    EXPECT_EQ(error.kind(), OCRService::OCRError::Kind::cancelled);
}

TEST(OCRService, SectionsFollowPageOrderWithBlankLinesBetween) {
    EXPECT_EQ(OCRService::sectionedText({{2, "third"}, {0, "first\nline two"}}).toStdString(),
              "--- Page 1 ---\nfirst\nline two\n\n--- Page 3 ---\nthird");
    EXPECT_EQ(OCRService::sectionedText({}), QString());
}

TEST(OCRService, ErrorMessages) {
    EXPECT_STREQ(OCRService::OCRError::noPage().what(), "No page available for OCR");
    EXPECT_STREQ(OCRService::OCRError::recognitionFailed("engine stopped").what(),
                 "OCR failed: engine stopped");
}

TEST(OCRService, ImageOnlyPageIsRenderedAndRead) {
    const auto document = fixtures::imageOnlyDocument({fixtures::textPageImage(
        {"Quarterly report for the northern region", "Prepared by the finance team"}, 14)});
    const auto page = document->page(0);
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->text().value_or(QString()).trimmed().isEmpty()); // no text layer to read
    EXPECT_EQ(OCRService::recognizeText(page, kEnglish, Level::accurate).toStdString(),
              "Quarterly report for the northern region\nPrepared by the finance team");

    // A page taken out of its document has nothing left to draw.
    ASSERT_TRUE(document->removePage(0));
    const auto error = errorOf([&] { OCRService::recognizeText(page, kEnglish, Level::accurate); });
    EXPECT_EQ(error.kind(), OCRService::OCRError::Kind::renderFailed);
}

TEST(OCRService, DocumentRunReportsProgressAndKeepsOnlyPagesWithText) {
    const auto document = fixtures::imageOnlyDocument(
        {fixtures::textPageImage({"First page heading"}, 14), fixtures::blankPageImage(),
         fixtures::textPageImage({"Third page closing words"}, 14)});
    std::vector<std::pair<int, int>> calls;
    const auto pages = OCRService::recognizeText(
        document, kEnglish, [&](int current, int total) { calls.emplace_back(current, total); });

    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages.at(0), "First page heading");
    EXPECT_EQ(pages.at(2), "Third page closing words");
    EXPECT_EQ(OCRService::sectionedText(pages).toStdString(),
              "--- Page 1 ---\nFirst page heading\n\n--- Page 3 ---\nThird page closing words");
}
