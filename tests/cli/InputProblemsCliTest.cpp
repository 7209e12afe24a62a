// Inputs that cannot simply be read: several files, each with its own password, merged
// into one; files that are missing, folders, FIFOs or not readable, named with their real
// cause by every command; and file names that would drive a terminal, printed escaped.
#include "pdf/document/Document.h"
#include "support/CliFixture.h"
#include "support/PdfFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace fixtures;

namespace {

class InputProblemsCli : public CliFixture {
protected:
    void TearDown() override { qunsetenv("VELLUMARK_PASSWORD"); }

    QString locked(const QString& name, const QString& password, const QString& line) {
        auto doc = pdf::Document::fromData(numberedPdf(2, line));
        pdf::WriteOptions options;
        options.ownerPassword = "owner-" + password;
        options.userPassword = password;
        return file(name, doc->serialize(options));
    }
    static int pages(const QString& path) {
        auto doc = pdf::Document::open(path);
        return doc ? doc->pageCount() : -1;
    }
};

const QString kProgram = QStringLiteral(VELLUMARK_BINARY_DIR "/vellumark-cli");

} // namespace

TEST_F(InputProblemsCli, MergeOpensEachProtectedInputWithItsOwnPasswordAndNamesWhatItLeftOut) {
    const QString base = file("base.pdf", numberedPdf(1, "Base"));
    const QString alpha = locked("alpha.pdf", "alpha", "Alpha");
    const QString beta = locked("beta.pdf", "beta", "Beta");
    const QString fifo = dir.filePath("pipe.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString out = dir.filePath("merged.pdf");

    // The environment's password opens alpha only: beta and the FIFO are left out, the
    // copy is still written, and the exit status says something is missing.
    qputenv("VELLUMARK_PASSWORD", "alpha");
    const QString report = cli(
        {"pages", "merge", base, alpha, beta, fifo, dir.filePath("none.pdf"), "-o", out, "--json"});
    EXPECT_EQ(code, 3) << err.toStdString();
    EXPECT_EQ(pages(out), 3);
    const QString said = QString::fromUtf8(err);
    EXPECT_TRUE(
        said.contains("skipped " + beta + ": the password in VELLUMARK_PASSWORD does not open it"))
        << err.toStdString();
    EXPECT_TRUE(said.contains("skipped " + fifo + ": is a FIFO (named pipe), not a file"));
    EXPECT_TRUE(err.contains("none.pdf: no such file"));
    const QJsonArray skipped = QJsonDocument::fromJson(report.toUtf8())["skipped"].toArray();
    ASSERT_EQ(skipped.size(), 3);
    EXPECT_EQ(skipped[0]["path"].toString(), beta);

    // Told that unreadable files may be left out, the same merge succeeds.
    cli({"pages", "merge", base, alpha, beta, "-o", out, "--skip-unreadable"});
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_TRUE(err.contains("beta.pdf"));

    // On a terminal, every file the environment's password does not open is asked for in
    // turn, and opened with its own answer.
    if (!toolAvailable("script"))
        GTEST_SKIP() << "script (util-linux) gives the terminal";
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELLUMARK_PASSWORD", "alpha");
    run.setProcessEnvironment(environment);
    const QString gamma = locked("gamma.pdf", "gamma", "Gamma");
    const QStringList command{kProgram, "pages", "merge", base, alpha, beta, gamma, "-o", out};
    QStringList quoted;
    for (const QString& word : command)
        quoted << "'" + word + "'";
    run.start("script", {"-qec", quoted.join(' '), "/dev/null"});
    ASSERT_TRUE(run.waitForStarted());
    run.write("beta\ngamma\n");
    run.closeWriteChannel();
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString asked = QString::fromUtf8(run.readAll());
    EXPECT_EQ(run.exitCode(), 0) << asked.toStdString();
    EXPECT_TRUE(asked.contains("Password for " + beta)) << asked.toStdString();
    EXPECT_TRUE(asked.contains("Password for " + gamma));
    EXPECT_EQ(pages(out), 7);
}

TEST_F(InputProblemsCli, EveryCommandNamesTheRealCauseAndPrintsFileNamesSafely) {
    const QString fifo = dir.filePath("pipe.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir.filePath("folder.pdf");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString junk = file("junk.pdf", garbageBytes());
    const QString out = dir.filePath("out.pdf");
    struct Input {
        QString path;
        QString cause;
    };
    std::vector<Input> inputs = {{dir.filePath("missing.pdf"), "no such file"},
                                 {folder, "is a folder, not a file"},
                                 {fifo, "is a FIFO (named pipe), not a file"},
                                 {junk, "not a PDF file, or damaged beyond repair"}};
    if (::geteuid() != 0) { // permissions bind everyone but root
        const QString closed = file("closed.pdf", numberedPdf(1));
        ASSERT_EQ(::chmod(QFile::encodeName(closed).constData(), 0200), 0);
        inputs.push_back({closed, "permission denied"});
    }
    const std::vector<QStringList> commands = {
        {"info", "IN"},
        {"text", "IN"},
        {"search", "IN", "fox"},
        {"forms", "IN"},
        {"render", "IN", "-o", dir.filePath("page.png")},
        {"sign", "IN", "--name", "Ada", "-o", out},
        {"verify", "IN"},
        {"protect", "IN", "--owner", "o", "-o", out},
        {"watermark", "IN", "--text", "W", "-o", out},
        {"fill", "IN", "name=Bob", "-o", out},
        {"pages", "rotate", "IN", "-o", out},
        {"ocr", "IN"},
    };
    for (const Input& input : inputs) {
        for (QStringList args : commands) {
            args.replaceInStrings(QRegularExpression("^IN$"), input.path);
            SCOPED_TRACE(args.join(' ').toStdString());
            cli(args);
            EXPECT_EQ(code, 1);
            EXPECT_EQ(QString::fromUtf8(err).trimmed(),
                      "vellumark-cli: " + input.path + ": " + input.cause);
        }
    }
    EXPECT_FALSE(QFile::exists(out));

    // A name that would recolour the terminal, in a message and in info's File line.
    const QString hostile = dir.filePath("red\x1b[31m\x07.pdf");
    cli({"text", hostile});
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(err.contains('\x1b')) << err.toStdString();
    EXPECT_TRUE(err.contains("red\\x1B[31m\\x07.pdf: no such file")) << err.toStdString();
    QFile written(hostile);
    ASSERT_TRUE(written.open(QIODevice::WriteOnly));
    written.write(numberedPdf(1));
    written.close();
    const QString info = cli({"info", hostile});
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_FALSE(info.contains('\x1b'));
    EXPECT_TRUE(info.startsWith("File: red\\x1B[31m\\x07.pdf\n")) << info.toStdString();
}
