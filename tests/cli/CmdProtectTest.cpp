#include "support/PdfFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

const QString kCli = QStringLiteral(VELLUMARK_BINARY_DIR "/vellumark-cli");

class CmdProtect : public testing::Test {
protected:
    void SetUp() override {
        if (!toolAvailable("pdftotext") || !toolAvailable("qpdf"))
            GTEST_SKIP() << "poppler-utils and qpdf are needed";
        input_ = writeTemp(dir_.path(), "input.pdf", numberedPdf(2, "Quarterly numbers"));
    }
    int cli(const QStringList& args, QByteArray* err = nullptr) {
        int code = -1;
        runTool(kCli, QStringList{"protect"} + args, &code, err);
        return code;
    }
    QTemporaryDir dir_;
    QString input_;
};

TEST_F(CmdProtect, WritesCopiesWithPasswordsAndPermissions) {
    const QString owner = dir_.filePath("owner.pdf");
    ASSERT_EQ(cli({input_, "--owner", "boss", "--no-print", "-o", owner}), 0);
    int code = -1;
    EXPECT_TRUE(runTool("pdftotext", {owner, "-"}, &code).contains("Quarterly numbers"));
    const QByteArray enc = runTool("qpdf", {"--show-encryption", owner});
    EXPECT_TRUE(enc.contains("print low resolution: not allowed")) << enc.toStdString();
    EXPECT_TRUE(enc.contains("extract for any purpose: allowed"));

    const QString both = dir_.filePath("both.pdf");
    ASSERT_EQ(cli({input_, "--owner", "boss", "--user", "staff", "--no-copy", "-o", both}), 0);
    runTool("pdftotext", {both, "-"}, &code);
    EXPECT_NE(code, 0);
    EXPECT_TRUE(runTool("pdftotext", {"-upw", "staff", both, "-"}).contains("Quarterly numbers"));
    EXPECT_TRUE(runTool("qpdf", {"--show-encryption", "--password=staff", both})
                    .contains("extract for any purpose: not allowed"));

    // The input is left as it was.
    EXPECT_TRUE(runTool("qpdf", {"--show-encryption", input_}).contains("File is not encrypted"));
}

TEST_F(CmdProtect, RefusesBadUsageAndNamesFailures) {
    const QString out = dir_.filePath("out.pdf");
    EXPECT_EQ(cli({input_, "-o", out}), 2);                // no owner password
    EXPECT_EQ(cli({input_, "--owner", "", "-o", out}), 2); // empty owner password
    EXPECT_EQ(cli({input_, "--owner", "x"}), 2);           // no output
    EXPECT_FALSE(QFile::exists(out));
    QByteArray err;
    EXPECT_EQ(cli({input_, "--owner", "x", "-o", input_}, &err), 1); // never over the original
    EXPECT_TRUE(err.contains("one of the files being read")) << err.toStdString();
    EXPECT_EQ(cli({dir_.filePath("missing.pdf"), "--owner", "x", "-o", out}, &err), 1);
    EXPECT_TRUE(err.contains("no such file"));
    EXPECT_EQ(cli({input_, "--owner", "x", "-o", dir_.filePath("nowhere/out.pdf")}, &err), 1);
    EXPECT_TRUE(err.contains("could not be written")) << err.toStdString();
    // The password appears nowhere in what the command says.
    EXPECT_FALSE(err.contains("--owner"));
}

} // namespace
