// vellumark-cli sign and verify against another reader's signature checker (poppler's
// pdfsig) and another program's signatures.
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class StandardSignatureCliTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    sigfix::ProcessResult cli(const QStringList& args, const QStringList& environment = {}) {
        return sigfix::runProgram(VELLUMARK_BINARY_DIR "/vellumark-cli", args,
                                  QStringList{"XDG_DATA_HOME=" + dir.path() + "/data"} +
                                      environment);
    }
    QString input() {
        return fixtures::writeTemp(dir.path(), "in.pdf",
                                   sigfix::letterPdf({"Agreement", "Terms", "Annex"}));
    }
    QString signedCopy(const QString& name = "Ada Lovelace") {
        const QString out = dir.path() + "/signed.pdf";
        const auto run = cli({"sign", input(), "--name", name, "-o", out});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return out;
    }
    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    static QString pdfsig(const QString& path) {
        return QString::fromUtf8(sigfix::runProgram("pdfsig", {path}).out);
    }
};

} // namespace

TEST_F(StandardSignatureCliTest, AnotherReaderVerifiesOurSignatureOverTheWholeDocument) {
    const QString out = signedCopy();
    const QString report = pdfsig(out);
    EXPECT_TRUE(report.contains("Signer Certificate Common Name: Ada Lovelace"))
        << report.toStdString();
    EXPECT_TRUE(report.contains("Signature Type: ETSI.CAdES.detached"));
    EXPECT_TRUE(report.contains("Signing Hash Algorithm: SHA-256"));
    EXPECT_TRUE(report.contains("Total document signed"));
    EXPECT_TRUE(report.contains("Signature Validation: Signature is Valid."));
    EXPECT_EQ(sigfix::runProgram("qpdf", {"--check", out}).exitCode, 0);
}

TEST_F(StandardSignatureCliTest, ChangesAfterSigningAndBrokenBytesAreReported) {
    const QString out = signedCopy();
    const QByteArray bytes = read(out);

    // An incremental update that adds an empty page object and lists nothing new: still a
    // change after signing, and not a form or an annotation.
    const QByteArray previous =
        bytes.mid(bytes.lastIndexOf("startxref") + 9).trimmed().split('\n')[0];
    QByteArray update = "\n9000 0 obj\n<</Producer(after)>>\nendobj\n";
    const qsizetype objectAt = bytes.size() + 1;
    const qsizetype xref = bytes.size() + update.size();
    const QByteArray trailer = bytes.mid(bytes.lastIndexOf("trailer"));
    const QByteArray root = trailer.mid(trailer.indexOf("/Root")).split('/')[1];
    update += "xref\n9000 1\n" + QByteArray::number(objectAt).rightJustified(10, '0') +
              " 00000 n \ntrailer\n<</Size 9001/" + root + "/Info 9000 0 R/Prev " + previous +
              ">>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    const QString appended = write(dir.path() + "/appended.pdf", bytes + update);
    auto run = cli({"verify", appended});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.out.contains(": valid, changed after signing (content changed)"))
        << run.out.toStdString();
    EXPECT_TRUE(pdfsig(appended).contains("Not total document signed"));

    // One byte changed inside the signed range: both readers call the signature invalid.
    QByteArray flipped = bytes;
    const qsizetype at = flipped.indexOf("/MediaBox");
    flipped[at + 1] = 'm';
    const QString broken = write(dir.path() + "/flipped.pdf", flipped);
    run = cli({"verify", broken});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(
        run.out.contains(": signature broken (the signed bytes do not match its signature);"))
        << run.out.toStdString();
    const QString report = pdfsig(broken);
    EXPECT_TRUE(report.contains("Signature Validation:")) << report.toStdString();
    EXPECT_FALSE(report.contains("Signature is Valid."));

    // Cut to fewer pages by another tool: the record no longer passes for valid.
    const QString cut = dir.path() + "/cut.pdf";
    ASSERT_EQ(sigfix::runProgram("qpdf", {out, "--pages", out, "1-2", "--", cut}).exitCode, 0);
    run = cli({"verify", cut});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(
        run.out.endsWith("Signature verification failed - document may have been modified\n"))
        << run.out.toStdString();
}

TEST_F(StandardSignatureCliTest, SignaturesMadeByAnotherProgramAreListedAndChecked) {
    const auto certificate = sigfix::makeCertificate(dir.path(), "Grace Hopper", "pw");
    const QString theirs = dir.path() + "/theirs.pdf";
    auto signing = sigfix::signWithPdfsig(dir.path(), certificate, "pw", input(), theirs);
    ASSERT_EQ(signing.exitCode, 0) << signing.err.toStdString();

    auto run = cli({"verify", theirs});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    const QString out = QString::fromUtf8(run.out);
    EXPECT_TRUE(out.startsWith("Signed by Grace Hopper on ")) << out.toStdString();
    EXPECT_TRUE(out.contains(": valid, not changed since; self-signed certificate"));
    EXPECT_EQ(out.count('\n'), 1);

    // Their signature over ours: both listed; ours saw only a signature field added.
    const QString both = dir.path() + "/both.pdf";
    QDir(dir.path() + "/nss").removeRecursively();
    ASSERT_EQ(sigfix::signWithPdfsig(dir.path(), certificate, "pw", signedCopy(), both).exitCode,
              0);
    run = cli({"verify", both});
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("Signed by Ada Lovelace"));
    EXPECT_TRUE(lines[0].contains("changed after signing (form filling or annotations only)"));
    EXPECT_TRUE(lines[1].startsWith("Signed by Grace Hopper"));
    EXPECT_TRUE(lines[1].contains(": valid, not changed since"));
    EXPECT_EQ(lines[2], "Signature verification failed - document may have been modified");
    EXPECT_EQ(run.exitCode, 3);
}

TEST_F(StandardSignatureCliTest, APkcs12FileSignsAndAWrongPasswordWritesNothing) {
    const auto certificate = sigfix::makeCertificate(dir.path(), "Katherine Johnson", "s3cret");
    const QString out = dir.path() + "/p12.pdf";
    auto wrong = cli({"sign", input(), "--p12", certificate.p12, "-o", out},
                     {"VELLUMARK_P12_PASSWORD=nope"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.err.trimmed(),
              "vellumark-cli: Signing failed: The password for signer.p12 is wrong");
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_FALSE(QDir(dir.path() + "/data").exists()); // no key made either

    // No password at all, and no terminal to ask on.
    auto none = cli({"sign", input(), "--p12", certificate.p12, "-o", out});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("VELLUMARK_P12_PASSWORD"));
    EXPECT_FALSE(QFile::exists(out));

    auto right = cli({"sign", input(), "--p12", certificate.p12, "-o", out},
                     {"VELLUMARK_P12_PASSWORD=s3cret"});
    ASSERT_EQ(right.exitCode, 0) << right.err.toStdString();
    EXPECT_EQ(right.out, "Signed by Katherine Johnson: " + out.toUtf8() + "\n");
    EXPECT_FALSE(right.out.contains("s3cret"));
    auto verified = cli({"verify", out});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.startsWith("Signed by Katherine Johnson on "));
    EXPECT_TRUE(verified.out.endsWith("Signature is valid. Signed by Katherine Johnson\n"));
    EXPECT_TRUE(pdfsig(out).contains("Signature is Valid."));

    // The same key and certificate as older systems export them (RC2-40, 3DES).
    const QString legacy = sigfix::exportPkcs12(
        dir.path(), "legacy.pfx", "s3cret",
        {"-legacy", "-inkey", dir.path() + "/signer.key", "-in", certificate.certificatePem});
    const QString again = dir.path() + "/legacy.pdf";
    right = cli({"sign", input(), "--p12", legacy, "-o", again}, {"VELLUMARK_P12_PASSWORD=s3cret"});
    ASSERT_EQ(right.exitCode, 0) << right.err.toStdString();
    EXPECT_TRUE(pdfsig(again).contains("Signature is Valid."));
}

TEST_F(StandardSignatureCliTest, VerifyExitStatusForUnsignedFiles) {
    auto run = cli({"verify", input()});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.out, "Document is not digitally signed\n");
}
