// Trusted timestamps from a timestamp authority the test runs itself on 127.0.0.1: the
// token is judged by openssl's own checker, and a server that is down, silent or talks
// nonsense leaves no signed file behind.
#include "utilities/Timestamp.h"
#include "support/SignatureFixtures.h"
#include "utilities/DigitalSignatureService.h"
#include "utilities/StandardSignature.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Integrity = StandardSignature::Integrity;

namespace {

class TimestampTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    KeyStore keys{dir.path() + "/keys"};

    sigfix::ProcessResult cli(const QStringList& args) {
        return sigfix::runProgram(VELLUMARK_BINARY_DIR "/vellumark-cli", args,
                                  {"XDG_DATA_HOME=" + dir.path() + "/data"});
    }
    QString input() {
        const QString path = dir.path() + "/in.pdf";
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(sigfix::letterPdf({"Deed"}));
        return path;
    }
    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The CMS of the file's last signature.
    static QByteArray lastCms(const QByteArray& pdf) {
        const qsizetype from = pdf.lastIndexOf("/Contents<") + 10;
        return QByteArray::fromHex(pdf.mid(from, pdf.indexOf('>', from) - from));
    }
    QString save(const QString& name, const QByteArray& bytes) {
        QFile file(dir.path() + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
};

} // namespace

TEST_F(TimestampTest, ASignatureCarriesATokenThatOpensslAcceptsAndVerifyShowsItsTime) {
    const sigfix::TimestampAuthority authority(dir.path(), "sign");
    ASSERT_FALSE(authority.url.isEmpty());
    const QString out = dir.path() + "/stamped.pdf";
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
    const auto signing = cli({"sign", input(), "--name", "Ada", "--tsa", authority.url, "-o", out});
    ASSERT_EQ(signing.exitCode, 0) << signing.err.toStdString();

    // openssl's checker: the token holds under the authority and stamps our signature value.
    const QByteArray cms = lastCms(read(out));
    const QString token = save("token.der", Timestamp::tokenOf(cms));
    const QString value = save("value.bin", Timestamp::signatureValueOf(cms));
    const auto check =
        sigfix::runProgram("openssl", {"ts", "-verify", "-in", token, "-token_in", "-data", value,
                                       "-CAfile", authority.certificate});
    EXPECT_EQ(check.exitCode, 0) << check.err.toStdString();
    EXPECT_TRUE(check.out.contains("Verification: OK"));

    // verify shows the authority's time as the signing time; pdfsig still calls it valid.
    const auto verified = cli({"verify", "--json", out});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    const auto results = StandardSignature::verify(read(out));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].isGood());
    EXPECT_EQ(results[0].timestampAuthority, "Test Timestamp Authority");
    EXPECT_GE(results[0].timestampTime, before);
    EXPECT_LE(results[0].timestampTime, QDateTime::currentDateTimeUtc().addSecs(2));
    EXPECT_FALSE(results[0].timestampTrusted); // not among the system's authorities
    EXPECT_TRUE(results[0].summary().contains(
        " (timestamp by Test Timestamp Authority, an authority not trusted here): valid"));
    const auto trusting = StandardSignature::verify(read(out), authority.certificate);
    ASSERT_EQ(trusting.size(), 1u);
    EXPECT_TRUE(trusting[0].timestampTrusted);
    EXPECT_TRUE(trusting[0].summary().contains(" (timestamp by Test Timestamp Authority): valid"));
    EXPECT_TRUE(verified.out.contains("\"authority\": \"Test Timestamp Authority\""));
    EXPECT_TRUE(sigfix::runProgram("pdfsig", {out}).out.contains("Signature is Valid."));

    // A token whose time was changed no longer holds, and takes the signature with it.
    QByteArray forged = read(out);
    const QByteArray year = QDateTime::currentDateTimeUtc().toString("yyyyMMdd").toLatin1().toHex();
    const qsizetype at = forged.indexOf(year.toUpper(), forged.lastIndexOf("/Contents<"));
    ASSERT_GT(at, 0);
    forged[at + 1] = forged[at + 1] == '1' ? '2' : '1';
    const auto broken = StandardSignature::verify(forged);
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_EQ(broken[0].integrity, Integrity::Broken);
    EXPECT_EQ(broken[0].reason, "its timestamp token's signature does not hold");
}

TEST_F(TimestampTest, AServerThatIsDownSilentOrTalksNonsenseWritesNothing) {
    // Nothing listens on port 1 of the loopback: the connection is refused.
    const QString down = "http://127.0.0.1:1/";
    const sigfix::TimestampAuthority garbage(dir.path(), "garbage");
    QTemporaryDir other;
    const sigfix::TimestampAuthority silent(other.path(), "silent");

    const QString out = dir.path() + "/never.pdf";
    const std::pair<QString, QString> servers[] = {
        {down, "cannot be reached: Connection refused"},
        {garbage.url, "did not answer with a timestamp"},
        {"https://127.0.0.1/", "is not an http:// address"},
    };
    for (const auto& [url, message] : servers) {
        const auto run = cli({"sign", input(), "--name", "Ada", "--tsa", url, "-o", out});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.trimmed(), "vellumark-cli: Signing failed: The timestamp server " +
                                         url.toUtf8() + " " + message.toUtf8());
        EXPECT_FALSE(QFile::exists(out));
    }

    // A server that takes the request and never answers is given up on.
    StandardSignature::Options options;
    options.timestampServer = silent.url;
    options.timestampTimeoutMs = 1000;
    try {
        StandardSignature::sign(sigfix::letterPdf(),
                                DigitalSignatureService::identityFor("Ada", keys), "Ada", options);
        ADD_FAILURE() << "signed without an answer";
    } catch (const DigitalSignatureService::SignatureError& error) {
        EXPECT_EQ(error.description(), "Signing failed: The timestamp server " + silent.url +
                                           " did not answer within 1 s");
    }
}
