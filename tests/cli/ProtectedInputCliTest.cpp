// Protected inputs on the command line: the password comes from VELLUMARK_PASSWORD (never
// an argument), copies keep the input's encryption and permissions, and info says which
// protection a file has.
#include "pdf/document/Document.h"
#include "support/CliFixture.h"
#include "support/PdfFixtures.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class ProtectedInputCli : public CliFixture {
protected:
    void TearDown() override { qunsetenv("VELLUMARK_PASSWORD"); }

    QString protectedFile(const QString& name, const QString& user, bool printing) {
        auto doc = pdf::Document::fromData(numberedPdf(2));
        pdf::WriteOptions options;
        options.ownerPassword = "owner-secret";
        options.userPassword = user;
        options.allowPrinting = printing;
        return file(name, doc->serialize(options));
    }
    static QString encryption(const QString& path, const QString& password = {}) {
        QStringList args{"--show-encryption", path};
        if (!password.isEmpty())
            args.prepend("--password=" + password);
        return QString::fromUtf8(runTool("qpdf", args));
    }
};

} // namespace

TEST_F(ProtectedInputCli, APasswordFromTheEnvironmentOpensTheFile) {
    const QString in = protectedFile("locked.pdf", "pw", true);
    cli({"text", in});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("VELLUMARK_PASSWORD")) << err.toStdString();

    qputenv("VELLUMARK_PASSWORD", "wrong");
    cli({"text", in});
    EXPECT_EQ(code, 1);

    qputenv("VELLUMARK_PASSWORD", "pw");
    const QString text = cli({"text", in});
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_TRUE(text.contains("Page 2")) << text.toStdString();
    const QString info = cli({"info", in});
    EXPECT_TRUE(info.contains("Protection: a password is needed to open it")) << info.toStdString();
    EXPECT_TRUE(info.contains("Pages: 2"));
}

TEST_F(ProtectedInputCli, CopiesKeepTheInputsEncryptionAndPermissions) {
    if (!toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf not installed";
    // Opens without a password, but the owner forbade printing.
    const QString in = protectedFile("no-print.pdf", {}, false);
    const QString info = cli({"info", in});
    EXPECT_TRUE(info.contains("Protection: opens without a password")) << info.toStdString();
    ASSERT_TRUE(encryption(in).contains("print low resolution: not allowed"))
        << encryption(in).toStdString();

    const QString watermarked = dir.filePath("watermarked.pdf");
    cli({"watermark", in, "--text", "DRAFT", "-o", watermarked});
    ASSERT_EQ(code, 0) << err.toStdString();
    const QString rotated = dir.filePath("rotated.pdf");
    cli({"pages", "rotate", in, "--page", "1", "-o", rotated});
    ASSERT_EQ(code, 0) << err.toStdString();
    for (const QString& out : {watermarked, rotated}) {
        const QString shown = encryption(out);
        EXPECT_TRUE(shown.contains("print low resolution: not allowed")) << shown.toStdString();
        int status = -1;
        runTool("qpdf", {"--check", out}, &status);
        EXPECT_EQ(status, 0) << out.toStdString();
    }

    // A password-protected input gives a copy that asks for the same password.
    qputenv("VELLUMARK_PASSWORD", "pw");
    const QString locked = protectedFile("locked.pdf", "pw", true);
    const QString copy = dir.filePath("locked-copy.pdf");
    cli({"pages", "delete", locked, "--page", "1", "-o", copy});
    ASSERT_EQ(code, 0) << err.toStdString();
    auto reopened = pdf::Document::open(copy);
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(reopened->isLocked());
    ASSERT_TRUE(reopened->unlock("pw"));
    EXPECT_EQ(reopened->pageCount(), 1);
}
