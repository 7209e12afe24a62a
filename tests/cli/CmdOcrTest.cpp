#include "pdf/Document.h"
#include "support/OcrFixtures.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kCli = QStringLiteral(VELLUMARK_BINARY_DIR "/vellumark-cli");

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliRun ocr(const QStringList& args) {
    CliRun run;
    QByteArray err;
    run.out = fixtures::runTool(kCli, QStringList{"ocr"} + args, &run.exitCode, &err).toStdString();
    run.err = err.toStdString();
    return run;
}

class CmdOcr : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const auto document = fixtures::imageOnlyDocument(
            {fixtures::textPageImage({"First page heading"}, 14), fixtures::blankPageImage(),
             fixtures::textPageImage({"Third page closing words", "and a second line"}, 14)});
        path_ = dir_.filePath("scan.pdf");
        QString error;
        ASSERT_TRUE(document->write(path_, {}, &error)) << error.toStdString();
    }
    QTemporaryDir dir_;
    QString path_;
};

} // namespace

TEST_F(CmdOcr, PrintsTheSectionsOfEveryPageWithText) {
    // Nothing to extract without recognition: the pages are images only.
    if (fixtures::toolAvailable("pdftotext")) {
        EXPECT_TRUE(fixtures::runTool("pdftotext", {path_, "-"}).trimmed().isEmpty());
    }

    const CliRun run = ocr({path_});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "--- Page 1 ---\nFirst page heading\n\n"
                       "--- Page 3 ---\nThird page closing words\nand a second line\n");
}

TEST_F(CmdOcr, OnePageAndTheEmptyNotice) {
    CliRun run = ocr({path_, "--page", "3", "--fast"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Third page closing words\nand a second line\n");

    run = ocr({path_, "--page", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("No text was recognized."), std::string::npos);
}

TEST_F(CmdOcr, BadInputIsRefusedClearly) {
    CliRun run = ocr({path_, "--page", "4"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("there is no page 4"), std::string::npos) << run.err;

    run = ocr({path_, "--page", "zero"});
    EXPECT_EQ(run.exitCode, 2);

    const QString notPdf = fixtures::writeTemp(dir_.path(), "notes.pdf", "just some words");
    run = ocr({notPdf});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("not a readable PDF"), std::string::npos) << run.err;
}
