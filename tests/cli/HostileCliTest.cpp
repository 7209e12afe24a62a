// The command line against hostile input: no command writes over what it reads, text from
// documents reaches the terminal escaped, fixed names do not follow links, odd files are
// refused at once and failed writes name their cause.
#include "support/HostileFixtures.h"
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace fixtures;

namespace {

class HostileCliTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    sigfix::ProcessResult cli(const QStringList& args, const QStringList& env = {}) {
        return sigfix::runProgram(VELLUMARK_BINARY_DIR "/vellumark-cli", args,
                                  QStringList{"XDG_DATA_HOME=" + dir.path() + "/data"} + env);
    }
    QString file(const QString& name, const QByteArray& bytes) {
        return writeTemp(dir.path(), name, bytes);
    }
    static QByteArray hashOf(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly)
                   ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                   : QByteArray();
    }
};

} // namespace

TEST_F(HostileCliTest, NoWritingCommandWritesOverItsInput) {
    const QString pdf = file("in.pdf", formPdf());
    const QString second = file("second.pdf", numberedPdf(2));
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString png = dir.filePath("photo.png");
    ASSERT_TRUE(red.save(png));
    const QString txt = file("notes.txt", "Some notes\n");
    const QString json = file("page.json", R"({"pages": [{"textBlocks": [{"text": "Hi"}]}]})");
    const QString alias = dir.filePath("alias.pdf");
    ASSERT_TRUE(QFile::link(pdf, alias));

    const std::vector<QStringList> runs = {
        {"text", pdf, "-o", pdf},
        {"text", pdf, "-o", alias}, // another name for the same file
        {"render", pdf, "-o", pdf},
        {"images", png, "-o", png},
        {"text-to-pdf", txt, "-o", txt},
        {"compose", json, "-o", json},
        {"protect", pdf, "--owner", "secret", "-o", pdf},
        {"watermark", pdf, "--text", "DRAFT", "-o", alias},
        {"fill", pdf, "name=Bob", "-o", pdf},
        {"sign", pdf, "--name", "Ann", "-o", pdf},
        {"pages", "rotate", pdf, "--page", "1", "-o", pdf},
        {"pages", "insert", pdf, second, "-o", second},
        {"pages", "merge", pdf, second, "-o", second},
    };
    for (const QStringList& args : runs) {
        const QString target = args[args.indexOf("-o") + 1];
        const QByteArray before = hashOf(target);
        const auto run = cli(args);
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString() << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("one of the files being read"))
            << args.join(' ').toStdString() << "\n"
            << run.err.toStdString();
        EXPECT_EQ(hashOf(target), before) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(QFileInfo(alias).isSymLink());
}

TEST_F(HostileCliTest, RenderAllReplacesAPlantedLinkAndLeavesItsTargetAlone) {
    const QString pdf = file("in.pdf", numberedPdf(2));
    const QString out = dir.filePath("shared");
    ASSERT_TRUE(QDir().mkpath(out));
    const QString victim = file("victim.txt", "not yours");
    ASSERT_TRUE(QFile::link(victim, out + "/page_1.png"));
    const auto run = cli({"render", pdf, "--all", "--scale", "0.5", "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo(out + "/page_1.png").isSymLink());
    EXPECT_FALSE(QImage(out + "/page_1.png").isNull());
    QFile kept(victim);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "not yours");
}

TEST_F(HostileCliTest, DocumentTextReachesTheTerminalEscaped) {
    const QString pdf = file("title.pdf", titledPdf("\x1b]0;owned\x07\x1b[2JReport"));
    const auto info = cli({"info", pdf});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_FALSE(info.out.contains('\x1b'));
    EXPECT_FALSE(info.out.contains('\x07'));
    EXPECT_TRUE(info.out.contains("Title: \\x1B]0;owned\\x07\\x1B[2JReport\n"))
        << info.out.toStdString();

    // A signer's name is document text too when it is read back.
    const QString in = file("plain.pdf", numberedPdf(1));
    const QString out = dir.filePath("signed.pdf");
    ASSERT_EQ(cli({"sign", in, "--name", "Eve\x1b[2J", "-o", out}).exitCode, 0);
    const auto verify = cli({"verify", out});
    EXPECT_EQ(verify.exitCode, 0) << verify.err.toStdString();
    EXPECT_FALSE(verify.out.contains('\x1b'));
    EXPECT_TRUE(verify.out.contains("Eve\\x1B[2J")) << verify.out.toStdString();
}

TEST_F(HostileCliTest, LyingStructuresAnswerAtOnce) {
    const QString lying = file("lying.pdf", lyingCountPdf(2147483647));
    QElapsedTimer timer;
    timer.start();
    const auto info = cli({"info", lying});
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("Pages: 1\n")) << info.out.toStdString();
    const auto render = cli({"render", lying, "--scale", "0.5", "-o", dir.filePath("one.png")});
    EXPECT_EQ(render.exitCode, 0) << render.err.toStdString();
    // The claimed five pages are one: deleting it is refused for the right reason.
    const auto del = cli({"pages", "delete", file("five.pdf", lyingCountPdf(5)), "--page", "3",
                          "-o", dir.filePath("out.pdf")});
    EXPECT_EQ(del.exitCode, 1);
    EXPECT_TRUE(del.err.contains("there is no page 3 (the document has 1)"))
        << del.err.toStdString();

    const QString looped = file("field.pdf", selfListingFieldPdf());
    const QString extracted = dir.filePath("extracted.pdf");
    const auto extract = cli({"pages", "extract", looped, "--page", "1", "-o", extracted});
    EXPECT_EQ(extract.exitCode, 0) << extract.err.toStdString();
    const auto merge = cli({"pages", "merge", looped, looped, "-o", dir.filePath("merged.pdf")});
    EXPECT_EQ(merge.exitCode, 0) << merge.err.toStdString();
    EXPECT_LT(timer.elapsed(), 10000);
    if (toolAvailable("qpdf")) {
        int code = -1;
        runTool("qpdf", {"--check", extracted}, &code);
        EXPECT_EQ(code, 0);
    }
}

TEST_F(HostileCliTest, WhatIsNotARegularFileIsRefusedAtOnce) {
    const QString fifo = dir.filePath("pipe.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    for (const QStringList& args :
         std::vector<QStringList>{{"info", fifo},
                                  {"text", fifo},
                                  {"info", "/dev/zero"},
                                  {"render", "/dev/zero", "-o", dir.filePath("z.png")},
                                  {"text-to-pdf", fifo, "-o", dir.filePath("t.pdf")}}) {
        const auto run = cli(args);
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(", not a file")) << run.err.toStdString();
    }
    EXPECT_LT(timer.elapsed(), 10000);
}

TEST_F(HostileCliTest, AFullDiskIsNamedNotUnknown) {
    // The file size limit stands in for a full disk; its signal is ignored so the write fails.
    const QString pdf = file("in.pdf", numberedPdf(2));
    const QString shell = QStringLiteral("trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"");
    const QString program = VELLUMARK_BINARY_DIR "/vellumark-cli";
    // The signer's key is made first, without the limit: the signed copy is what must fail.
    ASSERT_EQ(cli({"sign", pdf, "--name", "Ann", "-o", dir.filePath("first.pdf")}).exitCode, 0);
    for (const QStringList& args : std::vector<QStringList>{
             {"render", pdf, "-o", dir.filePath("big.png")},
             {"render", pdf, "--all", "-o", dir.filePath("all")},
             // Small outputs, held in the writer's buffer until the end:
             {"sign", pdf, "--name", "Ann", "-o", dir.filePath("signed.pdf")},
             {"text-to-pdf", file("notes.txt", "Hello\n"), "-o", dir.filePath("notes.pdf")}}) {
        const auto run = sigfix::runProgram("/bin/sh", QStringList{"-c", shell, program} + args,
                                            {"XDG_DATA_HOME=" + dir.path() + "/data"});
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("File too large")) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("nknown error")) << run.err.toStdString();
        // No cut-off file is left under the name asked for.
        EXPECT_FALSE(QFileInfo(args[args.indexOf("-o") + 1]).isFile())
            << args.join(' ').toStdString();
    }
}

TEST_F(HostileCliTest, ProtectTakesPasswordsFromTheEnvironment) {
    const QString pdf = file("in.pdf", numberedPdf(1));
    const QString out = dir.filePath("locked.pdf");
    const auto run = cli({"protect", pdf, "-o", out}, {"VELLUMARK_OWNER_PASSWORD=owner-secret",
                                                       "VELLUMARK_USER_PASSWORD=user-secret"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    if (toolAvailable("qpdf")) {
        int code = -1;
        runTool("qpdf", {"--check", "--password=user-secret", out}, &code);
        EXPECT_EQ(code, 0);
        runTool("qpdf", {"--check", "--password=wrong", out}, &code);
        EXPECT_NE(code, 0);
    }
    // Without a password from anywhere and no terminal to ask on, it is a usage error.
    EXPECT_EQ(cli({"protect", pdf, "-o", dir.filePath("none.pdf")}).exitCode, 2);
}

TEST_F(HostileCliTest, ImagesPastThePixelBudgetAreSkippedWithTheReason) {
    QImage small(20, 20, QImage::Format_RGB32);
    small.fill(Qt::blue);
    const QString ok = dir.filePath("small.png");
    ASSERT_TRUE(small.save(ok));
    // A 20000 × 20000 PNG header: refused from its header, never decoded.
    const QString big = file("huge.png", pngHeaderOnly(20000, 20000));
    const auto run = cli({"images", ok, big, "-o", dir.filePath("out.pdf")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("huge.png: larger than 64 megapixels")) << run.err.toStdString();
}
