#include "pdf/document/Document.h"
#include "pdf/text/Selection.h"
#include "support/OcrFixtures.h"
#include "support/PdfFixtures.h"

#include <QFileInfo>
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
    EXPECT_NE(run.err.find("not a PDF file"), std::string::npos) << run.err;
}

TEST_F(CmdOcr, SearchableCopyIsWrittenBesideTheUntouchedOriginal) {
    const QByteArray original = fixtures::runTool("md5sum", {path_});
    const QString out = dir_.filePath("searchable.pdf");
    const CliRun run = ocr({path_, "--searchable", "-o", out, "--jobs", "2", "--lang", "eng"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("text layer added to 2 of 3 pages"), std::string::npos) << run.err;
    EXPECT_EQ(fixtures::runTool("md5sum", {path_}), original);

    const auto written = pdf::Document::open(out);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->findString("closing").size(), 1u);
    if (!fixtures::toolAvailable("pdftotext") || !fixtures::toolAvailable("qpdf"))
        GTEST_SKIP() << "poppler-utils and qpdf check the written file";
    int code = -1;
    fixtures::runTool("qpdf", {"--check", out}, &code);
    EXPECT_EQ(code, 0);
    const QString text = QString::fromUtf8(fixtures::runTool("pdftotext", {out, "-"}));
    EXPECT_TRUE(text.contains("First page heading")) << text.toStdString();
    EXPECT_TRUE(text.contains("Third page closing words")) << text.toStdString();

    // A second run finds text on those pages and leaves them; --force reads them again.
    const QString again = dir_.filePath("again.pdf");
    CliRun rerun = ocr({out, "--searchable", "-o", again});
    EXPECT_NE(rerun.err.find("(2 already had text)"), std::string::npos) << rerun.err;
    rerun = ocr({out, "--searchable", "--force", "-o", again});
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err;
    EXPECT_EQ(pdf::Document::open(again)->findString("closing").size(), 1u);
}

TEST_F(CmdOcr, SearchableRefusesToOverwriteItsInputAndNamesMissingModels) {
    CliRun run = ocr({path_, "--searchable", "-o", path_});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("OUT must not be FILE"), std::string::npos) << run.err;
    run = ocr({path_, "--searchable"});
    EXPECT_EQ(run.exitCode, 2);
    run = ocr({path_, "--force"});
    EXPECT_EQ(run.exitCode, 2);

    const QString out = dir_.filePath("never.pdf");
    run = ocr({path_, "--searchable", "-o", out, "--lang", "eng+kat"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("tesseract-ocr-kat"), std::string::npos) << run.err;
    EXPECT_FALSE(QFileInfo::exists(out));
}
