#include "support/PdfFixtures.h"
#include "support/ToolFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

const QString kCli = QStringLiteral(VELLUMARK_BINARY_DIR "/vellumark-cli");

QString cli(const QStringList& args, int* code, QByteArray* err = nullptr) {
    return QString::fromUtf8(runTool(kCli, args, code, err));
}

TEST(CmdForms, ListsFillableFields) {
    QTemporaryDir dir;
    const QString form = writeTemp(dir.path(), "form.pdf", formPdf());
    int code = -1;
    EXPECT_EQ(cli({"forms", form}, &code), "1\tname\tText\tAlice\n"
                                           "1\tagree\tButton\toff\n"
                                           "1\tchoice\tButton\ton (a)\n"
                                           "1\tchoice\tButton\toff (b)\n"
                                           "1\tcolour\tChoice\tRed\n"
                                           "2\tcity\tText\tParis\n");
    EXPECT_EQ(code, 0);
    const QString plain = writeTemp(dir.path(), "plain.pdf", numberedPdf(1));
    EXPECT_EQ(cli({"forms", plain}, &code), "");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(cli({"forms", writeTemp(dir.path(), "bad.pdf", garbageBytes())}, &code), "");
    EXPECT_EQ(code, 1);
}

TEST(CmdFill, WritesAFilledCopyOthersCanRead) {
    if (!toolAvailable("pdftotext") || !toolAvailable("pdftoppm") || !toolAvailable("qpdf"))
        GTEST_SKIP() << "poppler-utils and qpdf are needed";
    QTemporaryDir dir;
    const QString form = writeTemp(dir.path(), "form.pdf", formPdf());
    const QString out = dir.filePath("filled.pdf");
    int code = -1;
    QByteArray err;
    cli({"fill", form, "name=Ada = Lovelace", "agree=on", "choice=b", "colour=Blue", "-o", out},
        &code, &err);
    ASSERT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(cli({"forms", out}, &code), "1\tname\tText\tAda = Lovelace\n"
                                          "1\tagree\tButton\ton\n"
                                          "1\tchoice\tButton\toff (a)\n"
                                          "1\tchoice\tButton\ton (b)\n"
                                          "1\tcolour\tChoice\tBlue\n"
                                          "2\tcity\tText\tParis\n");
    runTool("qpdf", {"--check", out}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(runTool("pdftotext", {out, "-"}).contains("Ada = Lovelace"));
    EXPECT_GT(darkPixels(popplerRegion(out, 1, QRectF(72, 640, 14, 14))), 5);
    // The input is untouched.
    EXPECT_TRUE(cli({"forms", form}, &code).startsWith("1\tname\tText\tAlice\n"));
}

TEST(CmdFill, WritesNothingWhenAValueIsRefused) {
    QTemporaryDir dir;
    const QString form = writeTemp(dir.path(), "form.pdf", formPdf());
    const QString out = dir.filePath("filled.pdf");
    int code = -1;
    QByteArray err;
    cli({"fill", form, "name=Bob", "colour=Mauve", "-o", out}, &code, &err);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("Red, Green, Blue")) << err.toStdString();
    cli({"fill", form, "nobody=1", "-o", out}, &code, &err);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("no field named nobody"));
    cli({"fill", form, "justaname", "-o", out}, &code);
    EXPECT_EQ(code, 2);
    cli({"fill", form, "name=x", "-o", form}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(QFile::exists(out));
}

} // namespace
