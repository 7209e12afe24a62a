// Signatures made to mislead: byte ranges that overlap, leave gaps, point past the end or
// cover nothing, contents that overflow their hole or are no CMS, and a certificate chain
// that loops. None may pass for valid, in the service or on the command line.
#include "support/SignatureFixtures.h"
#include "utilities/DigitalSignatureService.h"
#include "utilities/StandardSignature.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Integrity = StandardSignature::Integrity;

namespace {

class HostileSignatureTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    KeyStore keys{dir.path() + "/keys"};

    // The signed file with its /ByteRange numbers replaced, in the same number of bytes.
    static QByteArray withByteRange(QByteArray pdf, const QList<qint64>& numbers) {
        const auto match = QRegularExpression("/ByteRange\\[([^\\]]*)\\]")
                               .match(QString::fromLatin1(pdf), pdf.lastIndexOf("/ByteRange"));
        QByteArray text;
        for (const qint64 n : numbers)
            text += QByteArray::number(n) + " ";
        const qsizetype room = match.capturedLength(1);
        EXPECT_LE(text.size(), room);
        pdf.replace(match.capturedStart(1), room, text.leftJustified(room, ' '));
        return pdf;
    }
    static QList<qint64> byteRange(const QByteArray& pdf) {
        const QByteArray inner = pdf.mid(pdf.lastIndexOf("/ByteRange[") + 11).split(']').first();
        QList<qint64> numbers;
        for (const QByteArray& n : inner.simplified().split(' '))
            numbers << n.toLongLong();
        return numbers;
    }
    QString cliVerify(const QByteArray& pdf, int* status) {
        const QString path = dir.path() + "/hostile.pdf";
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pdf);
        file.close();
        const auto run = sigfix::runProgram(VELLUMARK_BINARY_DIR "/vellumark-cli", {"verify", path},
                                            {"XDG_DATA_HOME=" + dir.path() + "/data"});
        *status = run.exitCode;
        return QString::fromUtf8(run.out);
    }
};

} // namespace

TEST_F(HostileSignatureTest, MisleadingByteRangesAndContentsAreBrokenWithTheirReason) {
    const QByteArray good = StandardSignature::sign(
        sigfix::letterPdf(), DigitalSignatureService::identityFor("Ada", keys), "Ada");
    const auto r = byteRange(good);
    ASSERT_EQ(r.size(), 4);
    const qint64 size = good.size();
    const qint64 holeStart = r[1];
    const qint64 holeEnd = r[2];
    ASSERT_EQ(r[3], size - holeEnd);

    QByteArray notCms = good;
    const QByteArray junk = QByteArray("this is not a signature").toHex();
    notCms.replace(holeStart + 1, junk.size(), junk);

    const std::pair<QByteArray, QString> cases[] = {
        {withByteRange(good, {0, holeEnd + 10, holeEnd, size - holeEnd}),
         "its byte range overlaps itself"},
        {withByteRange(good, {0, holeStart, holeEnd + 20, size - holeEnd - 20}),
         "its byte range leaves parts of the file unsigned"},
        {withByteRange(good, {0, holeStart, holeEnd, 20, holeEnd + 40, size - holeEnd - 40}),
         "its byte range leaves parts of the file unsigned"},
        {withByteRange(good, {20, holeStart - 20, holeEnd, size - holeEnd}),
         "its byte range leaves parts of the file unsigned"},
        {withByteRange(good, {0, holeStart, holeEnd, size - holeEnd + 100}),
         "its byte range points past the end of the file"},
        {withByteRange(good, {0, 0, 0, 0}), "its byte range covers nothing"},
        {withByteRange(good, {0, size, size, 0}), "its byte range does not leave out its contents"},
        {withByteRange(good, {0, holeStart, holeEnd - 10, size - holeEnd + 10}),
         "its contents are larger than the hole its byte range leaves"},
        {notCms, "its signature data is not a CMS signature"},
    };
    for (const auto& [pdf, reason] : cases) {
        const auto results = StandardSignature::verify(pdf);
        ASSERT_EQ(results.size(), 1u) << reason.toStdString();
        EXPECT_EQ(results[0].integrity, Integrity::Broken) << reason.toStdString();
        EXPECT_EQ(results[0].reason, reason);
        int status = 0;
        const QString out = cliVerify(pdf, &status);
        EXPECT_EQ(status, 3) << out.toStdString();
        EXPECT_TRUE(out.startsWith("Signed by Ada")) << out.toStdString();
        EXPECT_TRUE(out.contains(": signature broken (" + reason + ")")) << out.toStdString();
    }
}

TEST_F(HostileSignatureTest, ACertificateChainThatLoopsCannotBeVerified) {
    // A is issued by B and B by A: each vouches for the other, nothing for either.
    const QString d = dir.path();
    auto openssl = [](const QStringList& args) {
        const auto run = sigfix::runProgram("openssl", args);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    };
    openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", d + "/b.key", "-out",
             d + "/b0.pem", "-days", "30", "-subj", "/CN=Loop B"});
    openssl({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", d + "/a.key", "-out", d + "/a.csr",
             "-subj", "/CN=Loop A"});
    openssl({"x509", "-req", "-in", d + "/a.csr", "-CA", d + "/b0.pem", "-CAkey", d + "/b.key",
             "-set_serial", "2", "-days", "30", "-out", d + "/a.pem"});
    openssl({"req", "-new", "-key", d + "/b.key", "-out", d + "/b.csr", "-subj", "/CN=Loop B"});
    openssl({"x509", "-req", "-in", d + "/b.csr", "-CA", d + "/a.pem", "-CAkey", d + "/a.key",
             "-set_serial", "3", "-days", "30", "-out", d + "/b.pem"});
    const QString p12 = sigfix::exportPkcs12(
        d, "loop.p12", "pw",
        {"-inkey", d + "/a.key", "-in", d + "/a.pem", "-certfile", d + "/b.pem"});
    const SigningIdentity identity = SigningIdentity::readPkcs12(p12, "pw");
    ASSERT_EQ(identity.chain.size(), 1u);

    const QByteArray pdf = StandardSignature::sign(sigfix::letterPdf(), identity, "Loop A");
    const auto results = StandardSignature::verify(pdf);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].integrity, Integrity::Unsupported);
    EXPECT_EQ(results[0].reason, "its certificate chain loops");
    EXPECT_FALSE(results[0].isGood());
    int status = 0;
    const QString out = cliVerify(pdf, &status);
    EXPECT_EQ(status, 5) << out.toStdString();
    EXPECT_TRUE(out.contains("Loop A on ") &&
                out.contains(": cannot verify (its certificate chain loops)"))
        << out.toStdString();
}
