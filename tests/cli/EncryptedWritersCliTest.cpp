// Every writer keeps an encrypted input encrypted, whatever the input's cross-reference
// form: files qpdf encrypted with AES-256, AES-128 and RC4, with a classic table and with
// object and cross-reference streams, go through each command that writes a copy, and
// qpdf and pdftotext read the copies back with the same password.
#include "support/CliFixture.h"
#include "support/PdfFixtures.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class EncryptedWritersCli : public CliFixture {
protected:
    void TearDown() override { qunsetenv("VELLUMARK_PASSWORD"); }

    // `plain` encrypted by qpdf: `how` after the passwords, `streams` for object streams.
    QString encrypted(const QString& name, const QString& plain, const QStringList& how,
                      bool streams) {
        const QString out = dir.filePath(name);
        QStringList args{"--allow-weak-crypto", "--encrypt", "user-pw", "owner-pw"};
        args << how << "--";
        if (streams)
            args << "--object-streams=generate";
        int exit = -1;
        QByteArray error;
        runTool("qpdf", args + QStringList{plain, out}, &exit, &error);
        EXPECT_EQ(exit, 0) << error.toStdString();
        return out;
    }
    static QString encryption(const QString& path) {
        return QString::fromUtf8(
            runTool("qpdf", {"--password=user-pw", "--show-encryption", path}));
    }
    static QString readText(const QString& path) {
        return QString::fromUtf8(runTool("pdftotext", {"-upw", "user-pw", path, "-"}));
    }
};

} // namespace

TEST_F(EncryptedWritersCli, EveryWriterKeepsEachEncryptionWithAndWithoutObjectStreams) {
    if (!toolAvailable("qpdf") || !toolAvailable("pdftotext"))
        GTEST_SKIP() << "qpdf or pdftotext not installed";
    const QString plain = file("plain.pdf", numberedPdf(2, "Sealed words"));
    const QString form = file("form.pdf", formPdf());
    const QString extra = file("extra.pdf", numberedPdf(1, "Appended words"));
    struct Method {
        const char* name;
        QStringList how;
    };
    const Method methods[] = {
        {"aes256", {"256"}}, {"aes128", {"128", "--use-aes=y"}}, {"rc4", {"128", "--use-aes=n"}}};
    struct Writer {
        const char* name;
        QStringList args; // IN and OUT stand for the input and the copy
        bool form = false;
    };
    const Writer writers[] = {
        {"sign", {"sign", "IN", "--name", "Ada", "-o", "OUT"}},
        {"watermark", {"watermark", "IN", "--text", "DRAFT", "-o", "OUT"}},
        {"rotate", {"pages", "rotate", "IN", "-o", "OUT"}},
        {"merge", {"pages", "merge", "IN", extra, "-o", "OUT"}},
        {"extract", {"pages", "extract", "IN", "--page", "2", "-o", "OUT"}},
        {"fill", {"fill", "IN", "name=Bob", "-o", "OUT"}, true},
    };
    qputenv("VELLUMARK_PASSWORD", "user-pw");
    for (const Method& method : methods) {
        for (const bool streams : {false, true}) {
            const QString tag = QString(method.name) + (streams ? "-streams" : "-table");
            const QString in = encrypted(tag + ".pdf", plain, method.how, streams);
            const QString formIn = encrypted(tag + "-form.pdf", form, method.how, streams);
            const QString before = encryption(in);
            ASSERT_TRUE(before.contains("R = ")) << before.toStdString();
            for (const Writer& writer : writers) {
                SCOPED_TRACE((tag + " " + writer.name).toStdString());
                const QString out = dir.filePath(tag + "-" + writer.name + ".pdf");
                QStringList args = writer.args;
                args.replaceInStrings(QRegularExpression("^IN$"), writer.form ? formIn : in);
                args.replaceInStrings(QRegularExpression("^OUT$"), out);
                cli(args);
                ASSERT_EQ(code, 0) << err.toStdString();
                EXPECT_EQ(encryption(out), writer.form ? encryption(formIn) : before);
                int checked = -1;
                const QByteArray report =
                    runTool("qpdf", {"--password=user-pw", "--check", out}, &checked);
                EXPECT_EQ(checked, 0) << report.toStdString();
                if (writer.form) {
                    EXPECT_TRUE(cli({"forms", out}).contains("Bob")) << err.toStdString();
                    continue;
                }
                const QString text = readText(out);
                EXPECT_TRUE(text.contains("Sealed words")) << text.toStdString();
                if (QString(writer.name) == "merge") {
                    EXPECT_TRUE(text.contains("Appended words")) << text.toStdString();
                }
            }
        }
    }
}

TEST_F(EncryptedWritersCli, ASignatureAppendedToAStreamFileKeepsItsEncryption) {
    if (!toolAvailable("qpdf") || !toolAvailable("pdftotext"))
        GTEST_SKIP() << "qpdf or pdftotext not installed";
    // A signed file that qpdf then encrypted into streams: the next signature is appended
    // after the cross-reference stream instead of rewriting the file.
    const QString plain = file("plain.pdf", numberedPdf(1, "Signed words"));
    const QString signedPlain = dir.filePath("signed.pdf");
    cli({"sign", plain, "--name", "Ada", "-o", signedPlain});
    ASSERT_EQ(code, 0) << err.toStdString();
    const QString in = encrypted("signed-streams.pdf", signedPlain, {"256"}, true);
    const QByteArray inBytes = [&] {
        QFile f(in);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    qputenv("VELLUMARK_PASSWORD", "user-pw");
    const QString out = dir.filePath("appended.pdf");
    cli({"sign", in, "--name", "Grace", "-o", out});
    ASSERT_EQ(code, 0) << err.toStdString();
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith(inBytes)) << "the update is not appended";
    EXPECT_EQ(encryption(out), encryption(in));
    int checked = -1;
    runTool("qpdf", {"--password=user-pw", "--check", out}, &checked);
    EXPECT_EQ(checked, 0);
    EXPECT_TRUE(readText(out).contains("Signed words"));
}
