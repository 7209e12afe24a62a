#include "pdf/document/Document.h"
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"
#include "utilities/DigitalSignatureService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Each test has its own user data folder, so its key store starts empty.
class SignVerifyCommandTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString dataHome = dir.path() + "/data";

    sigfix::ProcessResult cli(const QStringList& args, const QString& home = {}) {
        return sigfix::runProgram(VELLUMARK_BINARY_DIR "/vellumark-cli", args,
                                  {"XDG_DATA_HOME=" + (home.isEmpty() ? dataHome : home)});
    }
    QString input() {
        return fixtures::writeTemp(dir.path(), "in.pdf", sigfix::letterPdf({"Agreement"}));
    }
};

} // namespace

TEST_F(SignVerifyCommandTest, SignThenVerifyOnThisMachineAndAnother) {
    const QString in = input();
    const QString out = dir.path() + "/signed.pdf";
    auto signedRun = cli({"sign", in, "--name", "Zoë \"Z\" Ünal", "-o", out});
    ASSERT_EQ(signedRun.exitCode, 0) << signedRun.err.toStdString();
    EXPECT_TRUE(QFile::exists(out));
    // The key landed in this user's key store, private.
    const QString keys = dataHome + "/Vellumark/Brivel PDF/keys";
    EXPECT_EQ(QDir(keys).entryList({"*.pem"}, QDir::Files).size(), 1);
    EXPECT_EQ(QDir(keys).entryList({"*.crt"}, QDir::Files).size(), 1);
    EXPECT_EQ(QFile(keys).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);

    auto verified = cli({"verify", out});
    EXPECT_EQ(verified.exitCode, 0);
    const QStringList lines = QString::fromUtf8(verified.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << verified.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("Signed by Zoë \"Z\" Ünal on ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(": valid, not changed since; self-signed certificate"));
    EXPECT_EQ(lines[1], "Signature is valid. Signed by Zoë \"Z\" Ünal");

    // Without the record's key, the standard signature still vouches for the file.
    auto elsewhere = cli({"verify", out}, dir.path() + "/other-machine");
    EXPECT_EQ(elsewhere.exitCode, 0);
    EXPECT_TRUE(QString::fromUtf8(elsewhere.out).contains(": valid, not changed since"));
    EXPECT_TRUE(
        QString::fromUtf8(elsewhere.out).endsWith("signing key not found on this machine.\n"));

    auto unsignedRun = cli({"verify", in});
    EXPECT_EQ(unsignedRun.exitCode, 4);
    EXPECT_EQ(unsignedRun.out, "Document is not digitally signed\n");

    // The input file was not touched.
    EXPECT_EQ(pdf::Document::open(in)->info(pdf::InfoKey::Subject), QString());
}

TEST_F(SignVerifyCommandTest, ATamperedRecordIsNotValid) {
    const QString out = dir.path() + "/signed.pdf";
    ASSERT_EQ(cli({"sign", input(), "--name", "Ada", "-o", out}).exitCode, 0);
    auto doc = pdf::Document::open(out);
    ASSERT_NE(doc, nullptr);
    auto record = DigitalSignatureService::SignatureMetadata::fromJson(
        doc->info(pdf::InfoKey::Keywords).toUtf8());
    ASSERT_TRUE(record);
    record->documentHash = QByteArray(32, 'x').toBase64();
    doc->setInfo(pdf::InfoKey::Keywords, QString::fromUtf8(record->toJson()));
    const QString tampered = dir.path() + "/tampered.pdf";
    ASSERT_TRUE(doc->write(tampered));
    auto result = cli({"verify", tampered});
    EXPECT_EQ(result.exitCode, 3);
    // Rewriting the file broke the standard signature too.
    EXPECT_TRUE(result.out.contains(": signature broken (")) << result.out.toStdString();
    EXPECT_TRUE(
        result.out.endsWith("\nSignature verification failed - document may have been modified\n"));
}

TEST_F(SignVerifyCommandTest, BadUsageAndBadFiles) {
    const QString in = input();
    EXPECT_EQ(cli({"sign", in, "-o", dir.path() + "/x.pdf"}).exitCode, 2); // no --name
    EXPECT_EQ(cli({"sign", in, "--name", "Ada"}).exitCode, 2);             // no -o
    EXPECT_EQ(cli({"sign", in, "--name", "", "-o", dir.path() + "/x.pdf"}).exitCode, 2);
    EXPECT_EQ(cli({"verify"}).exitCode, 2);
    EXPECT_EQ(cli({"verify", in, in}).exitCode, 2);

    // Never writes over the file it signs.
    const QByteArray before = [&] {
        QFile f(in);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    auto over = cli({"sign", in, "--name", "Ada", "-o", in});
    EXPECT_EQ(over.exitCode, 1);
    QFile after(in);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);

    const QString garbage = fixtures::writeTemp(dir.path(), "junk.pdf", fixtures::garbageBytes());
    auto notPdf = cli({"verify", garbage});
    EXPECT_EQ(notPdf.exitCode, 1);
    EXPECT_FALSE(notPdf.err.isEmpty());
    EXPECT_EQ(cli({"sign", garbage, "--name", "Ada", "-o", dir.path() + "/y.pdf"}).exitCode, 1);
    EXPECT_FALSE(QFile::exists(dir.path() + "/y.pdf"));
}
