// Editing documents someone else signed (with poppler's pdfsig): every writer appends, so
// the first signature still holds for pdfsig and for verify; edits that change what was
// signed are refused without --force; a certification is kept to.
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SignedEditsCliTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    sigfix::ProcessResult cli(const QStringList& args, const QStringList& environment = {}) {
        return sigfix::runProgram(VELLUMARK_BINARY_DIR "/vellumark-cli", args,
                                  QStringList{"XDG_DATA_HOME=" + dir.path() + "/data"} +
                                      environment);
    }
    QString path(const QString& name) const { return dir.path() + "/" + name; }
    // `bytes` signed by Grace Hopper with pdfsig (a user password opens a protected input).
    QString signedByPdfsig(const QByteArray& bytes, const QString& name,
                           const QString& password = {}) {
        const auto certificate = sigfix::makeCertificate(dir.path(), "Grace Hopper", "pw");
        QDir(path("nss")).removeRecursively();
        const QString in = fixtures::writeTemp(dir.path(), "unsigned-" + name, bytes);
        const auto run =
            sigfix::signWithPdfsig(dir.path(), certificate, "pw", in, path(name), password);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return path(name);
    }
    // pdfsig's verdict on each signature of `file`, in order.
    static QStringList pdfsigVerdicts(const QString& file, const QString& password = {}) {
        QStringList args{file};
        if (!password.isEmpty())
            args = QStringList{"-upw", password, file};
        QStringList verdicts;
        for (const QString& line :
             QString::fromUtf8(sigfix::runProgram("pdfsig", args).out).split('\n'))
            if (line.contains("Signature Validation:"))
                verdicts << line.section(':', 1).trimmed();
        return verdicts;
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QJsonObject signature(const QJsonObject& report, int index) {
        return report.value("signatures").toArray().at(index).toObject();
    }
    static QJsonObject signatureBy(const QJsonObject& report, const QString& signer) {
        for (const QJsonValue& s : report.value("signatures").toArray())
            if (s.toObject().value("signer").toString() == signer)
                return s.toObject();
        return {};
    }
    QJsonObject verifyJson(const QString& file, int* status) {
        const auto run = cli({"verify", "--json", file});
        *status = run.exitCode;
        return QJsonDocument::fromJson(run.out).object();
    }
};

} // namespace

TEST_F(SignedEditsCliTest, EveryWriterAppendsSoTheFirstSignatureHolds) {
    const QString form = signedByPdfsig(fixtures::formPdf(), "form.pdf");
    const QByteArray signedBytes = read(form);
    ASSERT_EQ(pdfsigVerdicts(form), QStringList{"Signature is Valid."});

    // Watermark (an annotation), form values, and a second signature over both.
    ASSERT_EQ(cli({"watermark", form, "--text", "DRAFT", "-o", path("marked.pdf")}).exitCode, 0);
    ASSERT_EQ(cli({"fill", path("marked.pdf"), "name=Ada", "agree=on", "-o", path("filled.pdf")})
                  .exitCode,
              0);
    ASSERT_EQ(
        cli({"sign", path("filled.pdf"), "--name", "Ada Lovelace", "-o", path("co.pdf")}).exitCode,
        0);
    for (const QString name : {"marked.pdf", "filled.pdf", "co.pdf"}) {
        const QByteArray written = read(path(name));
        EXPECT_TRUE(written.startsWith(signedBytes)) << name.toStdString();
        EXPECT_EQ(pdfsigVerdicts(path(name)).value(0), "Signature is Valid.") << name.toStdString();
        EXPECT_EQ(sigfix::runProgram("qpdf", {"--check", path(name)}).exitCode, 0);
    }
    EXPECT_EQ(pdfsigVerdicts(path("co.pdf")),
              (QStringList{"Signature is Valid.", "Signature is Valid."}));

    // verify tells the later revisions apart and calls every signature valid.
    int status = -1;
    const QJsonObject report = verifyJson(path("co.pdf"), &status);
    EXPECT_EQ(status, 0) << QJsonDocument(report).toJson().toStdString();
    ASSERT_EQ(report["signatures"].toArray().size(), 2);
    const QJsonObject grace = signatureBy(report, "Grace Hopper");
    EXPECT_EQ(grace["change"].toString(), "allowed");
    EXPECT_EQ(grace["changes"].toArray(), (QJsonArray{"signatures", "formValues", "annotations"}));
    EXPECT_TRUE(grace["summary"].toString().contains(
        "valid, changed after signing (allowed: signatures added, form values, annotations)"));
    EXPECT_EQ(signatureBy(report, "Ada Lovelace")["change"].toString(), "none");
    EXPECT_TRUE(report["record"].toObject()["valid"].toBool());
}

TEST_F(SignedEditsCliTest, AProtectedSignedInputStaysProtectedAndSigned) {
    const QString input = path("locked.pdf");
    ASSERT_EQ(cli({"protect", fixtures::writeTemp(dir.path(), "plain.pdf", sigfix::letterPdf()),
                   "--owner", "boss", "--user", "open", "-o", input})
                  .exitCode,
              0);
    const QString signedInput = signedByPdfsig(read(input), "locked-signed.pdf", "open");
    const auto run =
        cli({"watermark", signedInput, "--text", "COPY", "--rotation", "0", "-o", path("out.pdf")},
            {"VELLUMARK_PASSWORD=open"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(pdfsigVerdicts(path("out.pdf"), "open").value(0), "Signature is Valid.");
    const QByteArray encryption =
        fixtures::runTool("qpdf", {"--show-encryption", "--password=open", path("out.pdf")});
    EXPECT_TRUE(encryption.contains("User password = open")) << encryption.toStdString();
    const QByteArray text = fixtures::runTool("pdftotext", {"-upw", "open", path("out.pdf"), "-"});
    EXPECT_TRUE(text.contains("COPY")) << text.toStdString();
}

TEST_F(SignedEditsCliTest, EditsThatChangeSignedContentNeedForce) {
    const QString input = signedByPdfsig(sigfix::letterPdf({"One", "Two"}), "two.pdf");
    const QString out = path("out.pdf");
    for (const QStringList& edit :
         {QStringList{"pages", "delete", input, "--page", "2", "-o", out},
          QStringList{"pages", "rotate", input, "-o", out},
          QStringList{"pages", "merge", input, input, "-o", out},
          QStringList{"protect", input, "--owner", "boss", "-o", out},
          QStringList{"redact", input, "--text", "Two", "-o", out},
          QStringList{"optimize", input, "--level", "lossless", "-o", out}}) {
        const auto run = cli(edit);
        EXPECT_EQ(run.exitCode, 2) << edit.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("It invalidates the signature of Grace Hopper."))
            << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }

    // Forced, the deletion is still appended: the signature holds for what was signed,
    // and verify says the content changed after it.
    auto run = cli({"pages", "delete", input, "--page", "2", "-o", out, "--force"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(fixtures::runTool("pdfinfo", {out}).simplified().contains("Pages: 1 "));
    run = cli({"verify", out});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.out.contains("valid, changed after signing (content changed)"));

    // A forced redaction is never appended: the signed revision, which holds what was taken
    // out, must not ride along in the copy.
    QFile::remove(out);
    run = cli({"redact", input, "--text", "Two", "-o", out, "--force"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(read(out).startsWith(read(input).left(read(input).size() - 1)));
    EXPECT_FALSE(fixtures::runTool("pdftotext", {out, "-"}).contains("Two"));
}

TEST_F(SignedEditsCliTest, ACertificationDecidesWhatMayFollow) {
    const QString plain = fixtures::writeTemp(dir.path(), "form.pdf", fixtures::formPdf());
    const QString strict = path("strict.pdf"), forms = path("forms.pdf");
    ASSERT_EQ(
        cli({"sign", plain, "--name", "Ada", "--certify", "no-changes", "-o", strict}).exitCode, 0);
    ASSERT_EQ(
        cli({"sign", plain, "--name", "Ada", "--certify", "form-filling", "-o", forms}).exitCode,
        0);
    EXPECT_EQ(pdfsigVerdicts(strict), QStringList{"Signature is Valid."});

    // Nothing may follow a no-changes certification, not even a signature.
    auto run = cli({"watermark", strict, "--text", "X", "-o", path("a.pdf")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("certified by Ada to allow no changes")) << run.err.toStdString();
    EXPECT_EQ(cli({"sign", strict, "--name", "Bob", "-o", path("b.pdf")}).exitCode, 2);
    EXPECT_FALSE(QFile::exists(path("a.pdf")) || QFile::exists(path("b.pdf")));

    // Form filling and signing follow the second level; an annotation does not.
    ASSERT_EQ(cli({"fill", forms, "name=Bob", "-o", path("c.pdf")}).exitCode, 0);
    ASSERT_EQ(cli({"sign", path("c.pdf"), "--name", "Bob", "-o", path("d.pdf")}).exitCode, 0);
    int status = -1;
    QJsonObject report = verifyJson(path("d.pdf"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(signature(report, 0)["certifies"].toBool());
    EXPECT_EQ(signature(report, 0)["certification"].toString(), "form-filling");
    EXPECT_EQ(cli({"watermark", path("d.pdf"), "--text", "X", "-o", path("e.pdf")}).exitCode, 2);
    ASSERT_EQ(
        cli({"watermark", path("d.pdf"), "--text", "X", "-o", path("e.pdf"), "--force"}).exitCode,
        0);
    report = verifyJson(path("e.pdf"), &status);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(signature(report, 0)["change"].toString(), "notAllowed");
    EXPECT_EQ(signature(report, 1)["change"].toString(), "notAllowed");

    // Only the first signer certifies.
    run = cli({"sign", forms, "--name", "Bob", "--certify", "annotations", "-o", path("f.pdf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Only the first signature can certify")) << run.err.toStdString();
}
