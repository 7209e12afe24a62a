// sign, verify and ocr on password-protected inputs: the password comes from
// VELLUMARK_PASSWORD, the signed copy keeps the input's encryption and another reader
// verifies its signature with the same password.
#include "pdf/document/Document.h"
#include "pdf/text/Selection.h"
#include "support/OcrFixtures.h"
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ProtectedSignCli : public ::testing::Test {
protected:
    QTemporaryDir dir;

    sigfix::ProcessResult cli(const QStringList& args, const QString& password = {}) {
        QStringList environment{"XDG_DATA_HOME=" + dir.path() + "/data"};
        if (!password.isNull())
            environment << "VELLUMARK_PASSWORD=" + password;
        return sigfix::runProgram(VELLUMARK_BINARY_DIR "/vellumark-cli", args, environment);
    }
    // `bytes` encrypted by qpdf with the given arguments after the two passwords.
    QString encrypted(const QString& name, const QByteArray& bytes, const QString& user,
                      const QStringList& how) {
        const QString plain = fixtures::writeTemp(dir.path(), "plain-" + name, bytes);
        const QString out = dir.filePath(name);
        const auto run = sigfix::runProgram(
            "qpdf", QStringList{"--allow-weak-crypto", "--encrypt", user, "owner-pw"} + how +
                        QStringList{"--", plain, out});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return out;
    }
    static QString showEncryption(const QString& path, const QString& password) {
        return QString::fromUtf8(
            sigfix::runProgram("qpdf", {"--password=" + password, "--show-encryption", path}).out);
    }
};

bool tools() {
    return fixtures::toolAvailable("qpdf") && fixtures::toolAvailable("pdfsig");
}

} // namespace

TEST_F(ProtectedSignCli, SignedCopyKeepsTheEncryptionAndVerifiesWithThePassword) {
    if (!tools())
        GTEST_SKIP() << "qpdf or pdfsig not installed";
    const QByteArray letter = sigfix::letterPdf({"Agreement", "Terms"});
    struct Case {
        QString name;
        QString user;
        QStringList how;
    };
    // AES-256 (one key for the file) and RC4 128 (a key per object), each needing a
    // password; and an owner-only file that opens without one but forbids printing.
    const Case cases[] = {
        {"aes256.pdf", "user-pw", {"256"}},
        {"rc4.pdf", "user-pw", {"128", "--use-aes=n"}},
        {"no-print.pdf", "", {"256", "--print=none"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString in = encrypted(c.name, letter, c.user, c.how);
        const QString out = dir.filePath("signed-" + c.name);
        if (!c.user.isEmpty()) {
            // Without the password: refused, nothing written.
            const auto refused = cli({"sign", in, "--name", "Ada", "-o", out});
            EXPECT_EQ(refused.exitCode, 1);
            EXPECT_TRUE(refused.err.contains("VELLUMARK_PASSWORD")) << refused.err.toStdString();
            EXPECT_FALSE(QFile::exists(out));
            EXPECT_EQ(cli({"sign", in, "--name", "Ada", "-o", out}, "wrong").exitCode, 1);
            EXPECT_FALSE(QFile::exists(out));
        }
        const auto signedRun = cli({"sign", in, "--name", "Ada", "-o", out}, c.user);
        ASSERT_EQ(signedRun.exitCode, 0) << signedRun.err.toStdString();

        // The same protection, and a sound file.
        const QString before = showEncryption(in, c.user);
        ASSERT_TRUE(before.contains("R = ")) << before.toStdString();
        EXPECT_EQ(showEncryption(out, c.user), before);
        EXPECT_EQ(showEncryption(out, "owner-pw"), showEncryption(in, "owner-pw"));
        const auto check = sigfix::runProgram("qpdf", {"--password=" + c.user, "--check", out});
        EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
        auto reopened = pdf::Document::open(out);
        ASSERT_NE(reopened, nullptr);
        EXPECT_EQ(reopened->isLocked(), !c.user.isEmpty());

        // Another reader verifies the signature, with either password.
        for (const QStringList& password :
             {QStringList{"-upw", c.user}, QStringList{"-opw", "owner-pw"}}) {
            const QString report =
                QString::fromUtf8(sigfix::runProgram("pdfsig", password + QStringList{out}).out);
            EXPECT_TRUE(report.contains("Signature Validation: Signature is Valid."))
                << report.toStdString();
            EXPECT_TRUE(report.contains("Signer Certificate Common Name: Ada"));
            EXPECT_TRUE(report.contains("Total document signed"));
        }

        // Our verify reads it with the password, and reads the signer's name as written.
        const auto verified = cli({"verify", out}, c.user);
        EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString() << verified.err.toStdString();
        EXPECT_TRUE(verified.out.startsWith("Signed by Ada on ")) << verified.out.toStdString();
        EXPECT_TRUE(verified.out.contains(": valid, not changed since"));
        EXPECT_TRUE(verified.out.contains("Signature is valid. Signed by Ada"));
        if (!c.user.isEmpty()) {
            const auto locked = cli({"verify", out});
            EXPECT_EQ(locked.exitCode, 1);
            EXPECT_TRUE(locked.err.contains("VELLUMARK_PASSWORD")) << locked.err.toStdString();
        }

        // A second signature is appended under the same protection; both still hold, the
        // first with the second's field added after it.
        const QString twice = dir.filePath("twice-" + c.name);
        const auto second = cli({"sign", out, "--name", "Grace", "-o", twice}, c.user);
        ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
        EXPECT_EQ(showEncryption(twice, c.user), before);
        const QString both =
            QString::fromUtf8(sigfix::runProgram("pdfsig", {"-upw", c.user, twice}).out);
        EXPECT_EQ(both.count("Signature Validation: Signature is Valid."), 2) << both.toStdString();
        const auto again = cli({"verify", twice}, c.user);
        const QList<QByteArray> lines = again.out.split('\n');
        ASSERT_GE(lines.size(), 3) << again.out.toStdString();
        EXPECT_TRUE(lines[0].startsWith("Signed by Ada "));
        EXPECT_TRUE(lines[0].contains("valid, changed after signing (allowed: signatures added)"))
            << lines[0].toStdString();
        EXPECT_TRUE(lines[1].startsWith("Signed by Grace "));
        EXPECT_TRUE(lines[1].contains("valid, not changed since")) << lines[1].toStdString();
        EXPECT_EQ(lines[2], "Signature is valid. Signed by Grace");
    }
}

TEST_F(ProtectedSignCli, OcrReadsAProtectedFileAndItsSearchableCopyStaysProtected) {
    const auto scan = fixtures::imageOnlyDocument(
        {fixtures::textPageImage({"Protected scan heading"}, 14), fixtures::blankPageImage()});
    pdf::WriteOptions protection;
    protection.ownerPassword = "owner-pw";
    protection.userPassword = "user-pw";
    const QString in = fixtures::writeTemp(dir.path(), "scan.pdf", scan->serialize(protection));

    const auto refused = cli({"ocr", in, "--page", "1"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("VELLUMARK_PASSWORD")) << refused.err.toStdString();

    const auto read = cli({"ocr", in, "--page", "1"}, "user-pw");
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_TRUE(read.out.contains("Protected scan heading")) << read.out.toStdString();

    const QString out = dir.filePath("searchable.pdf");
    const auto searchable = cli({"ocr", in, "--searchable", "-o", out, "--jobs", "2"}, "user-pw");
    ASSERT_EQ(searchable.exitCode, 0) << searchable.err.toStdString();
    auto copy = pdf::Document::open(out);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isLocked());
    ASSERT_TRUE(copy->unlock("user-pw"));
    EXPECT_EQ(copy->findString("scan heading").size(), 1u);
}
