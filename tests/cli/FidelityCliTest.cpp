// What other readers make of the files the command line writes, and what it reads of files
// shaped the way other producers write them. Every written file is read back by poppler
// (pdftotext, pdftoppm, pdfinfo, pdffonts) or qpdf, not by the engine that wrote it.
#include "support/FidelityFixtures.h"
#include "support/HostileFixtures.h"
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"

#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

using namespace fixtures;

namespace {

bool haveReaders() {
    return toolAvailable("qpdf") && toolAvailable("pdftotext") && toolAvailable("pdftoppm") &&
           toolAvailable("pdfinfo") && toolAvailable("pdffonts");
}

class FidelityCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveReaders())
            GTEST_SKIP() << "poppler-utils and qpdf are needed to read the files back";
    }
    QTemporaryDir dir;
    sigfix::ProcessResult cli(const QStringList& args, const QStringList& env = {}) {
        return sigfix::runProgram(VELLUMARK_BINARY_DIR "/vellumark-cli", args,
                                  QStringList{"XDG_DATA_HOME=" + dir.path() + "/data"} + env);
    }
    QString file(const QString& name, const QByteArray& bytes) {
        return writeTemp(dir.path(), name, bytes);
    }
    // qpdf finds nothing wrong with the file.
    static void expectClean(const QString& path) {
        int code = -1;
        QByteArray err;
        const QByteArray out = runTool("qpdf", {"--check", path}, &code, &err);
        EXPECT_EQ(code, 0) << path.toStdString() << "\n" << out.toStdString() << err.toStdString();
    }
    static QString popplerText(const QString& path, int page = 0) {
        QStringList args{"-enc", "UTF-8"};
        if (page > 0)
            args << "-f" << QString::number(page) << "-l" << QString::number(page);
        return QString::fromUtf8(runTool("pdftotext", args << path << "-"));
    }
    // Page `page` as poppler draws it at 72 dpi.
    QImage popplerImage(const QString& path, int page) {
        const QString prefix = dir.filePath(QStringLiteral("poppler-%1").arg(page));
        runTool("pdftoppm", {"-r", "72", "-png", "-singlefile", "-f", QString::number(page), "-l",
                             QString::number(page), path, prefix});
        return QImage(prefix + ".png");
    }
    static int darkPixels(const QImage& image, const QRect& area) {
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 200;
        return dark;
    }
};

} // namespace

TEST_F(FidelityCliTest, FilledFieldsShowEveryScriptInOtherReaders) {
    const QString form = file("form.pdf", unicodeFormPdf({"Kraków", "Łódź", "東京"}));
    const QString latin = dir.filePath("latin.pdf");
    auto run = cli({"fill", form, "name=Łódź Dvořák", "city=Łódź", "-o", latin});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectClean(latin);
    const QString text = popplerText(latin);
    EXPECT_TRUE(text.contains("Łódź Dvořák")) << text.toStdString();
    EXPECT_EQ(text.count("Łódź"), 2) << text.toStdString(); // the text field and the choice
    EXPECT_FALSE(text.contains(QChar(0xB7))) << text.toStdString();
    // Both fields are drawn (page 400 × 300; fields at y 200–230 and 100–130 from the bottom).
    const QImage page = popplerImage(latin, 1);
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(darkPixels(page, QRect(20, 70, 360, 30)), 40);
    EXPECT_GT(darkPixels(page, QRect(20, 170, 360, 30)), 20);

    // A field turned a quarter (/MK /R 90) reads upward along its tall box.
    const QString upright = file("upright.pdf", unicodeFormPdf({"Łódź"}, 90));
    const QString turned = dir.filePath("turned.pdf");
    run = cli({"fill", upright, "name=Łódź Dvořák", "-o", turned});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(popplerText(turned).contains("Łódź Dvořák"));
    const QImage tall = popplerImage(turned, 1);
    QRect ink;
    for (int y = 0; y < tall.height(); ++y)
        for (int x = 0; x < tall.width(); ++x)
            if (qGray(tall.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    EXPECT_GT(ink.height(), 3 * ink.width()) << ink.width() << "x" << ink.height();
    EXPECT_TRUE(QRect(20, 20, 30, 260).contains(ink)) << ink.x() << "," << ink.y();

    const QString cjk = dir.filePath("cjk.pdf");
    run = cli({"fill", form, "name=東京都 Dvořák", "city=東京", "-o", cjk});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectClean(cjk);
    const QString cjkText = popplerText(cjk);
    EXPECT_TRUE(cjkText.contains("東京都 Dvořák")) << cjkText.toStdString();
    // The faces are embedded as subsets: a CJK face is megabytes whole.
    EXPECT_LT(QFileInfo(cjk).size(), 120 * 1024);
    const QString fonts = QString::fromUtf8(runTool("pdffonts", {cjk}));
    EXPECT_FALSE(fonts.contains(QRegularExpression(R"(\bno\s+no\b)"))) << fonts.toStdString();
}

TEST_F(FidelityCliTest, WatermarkOnAPageSharingItsAnnotationsStaysOnThatPage) {
    const QString shared = file("shared.pdf", sharedAnnotsPdf());
    const QString one = dir.filePath("one.pdf");
    auto run = cli({"watermark", shared, "--text", "DRAFT", "--opacity", "1", "--size", "60",
                    "--page", "3", "-o", one});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectClean(one);
    // The watermark crosses the middle of its page; the red square sits in a corner.
    const QRect middle(100, 100, 100, 100);
    EXPECT_GT(darkPixels(popplerImage(one, 3), middle), 50);
    EXPECT_EQ(darkPixels(popplerImage(one, 4), middle), 0);

    // On every page: a page sharing its array gets one watermark, not one per sharer, so
    // its translucent grey is exactly as dark as on a page of its own.
    const QString all = dir.filePath("all.pdf");
    run = cli(
        {"watermark", shared, "--text", "DRAFT", "--opacity", "0.3", "--size", "60", "-o", all});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectClean(all);
    auto darkest = [](const QImage& image, const QRect& area) {
        int low = 255;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                low = std::min(low, qGray(image.pixel(x, y)));
        return low;
    };
    const int alone = darkest(popplerImage(all, 1), middle);
    EXPECT_LT(alone, 230);
    EXPECT_NEAR(darkest(popplerImage(all, 3), middle), alone, 3);
    EXPECT_NEAR(darkest(popplerImage(all, 4), middle), alone, 3);
}

TEST_F(FidelityCliTest, WrittenPageTreesCarryTheTrueCountAndEmptyFilesAreRefused) {
    const QString lying = file("lying.pdf", lyingCountPdf(9));
    const std::vector<QStringList> writers = {
        {"pages", "rotate", lying, "--page", "1"},
        {"protect", lying, "--owner", "secret"},
        {"sign", lying, "--name", "Ann"},
    };
    int n = 0;
    for (QStringList args : writers) {
        const QString out = dir.filePath(QStringLiteral("out%1.pdf").arg(n++));
        const auto run = cli(args << "-o" << out);
        ASSERT_EQ(run.exitCode, 0) << args.join(' ').toStdString() << run.err.toStdString();
        expectClean(out);
        EXPECT_TRUE(QString::fromUtf8(runTool("pdfinfo", {out}))
                        .contains(QRegularExpression(R"(Pages:\s+1\n)")))
            << args.join(' ').toStdString();
    }
    const auto info = cli({"info", lying});
    EXPECT_TRUE(info.out.contains("Pages: 1\n")) << info.out.toStdString();

    const QString empty = file("empty.pdf", zeroPagePdf());
    const std::vector<QStringList> refused = {
        {"pages", "rotate", empty, "--all"},
        {"protect", empty, "--owner", "secret"},
        {"watermark", empty, "--text", "DRAFT"},
        {"sign", empty, "--name", "Ann"},
    };
    for (QStringList args : refused) {
        const QString out = dir.filePath(QStringLiteral("out%1.pdf").arg(n++));
        const auto run = cli(args << "-o" << out);
        EXPECT_NE(run.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("no page")) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out)) << args.join(' ').toStdString();
    }
    for (const QStringList& args : {QStringList{"text", empty}, {"search", empty, "x"}}) {
        const auto run = cli(args);
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("no page")) << run.err.toStdString();
    }
    const auto render = cli({"render", empty, "--all", "-o", dir.filePath("pngs")});
    EXPECT_NE(render.exitCode, 0);
    EXPECT_TRUE(render.err.contains("no page")) << render.err.toStdString();
}

TEST_F(FidelityCliTest, PageTextIsWhatLiesInsideThePage) {
    const QString pdf = file("off.pdf", offPageTextPdf());
    const auto text = cli({"text", pdf});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains("Visible words here")) << text.out.toStdString();
    EXPECT_FALSE(text.out.contains("Hidden")) << text.out.toStdString();
    EXPECT_FALSE(popplerText(pdf).contains("Hidden")); // the other reader agrees
    const auto search = cli({"search", pdf, "Hidden"});
    EXPECT_FALSE(search.out.contains("Hidden")) << search.out.toStdString();
    EXPECT_TRUE(cli({"search", pdf, "words"}).out.contains("words"));
}

TEST_F(FidelityCliTest, InfoOnALockedFileShowsOnlyWhatItCanRead) {
    const QString plain = file("titled.pdf", titledPdf("Quarterly Secrets"));
    const QString locked = dir.filePath("locked.pdf");
    ASSERT_EQ(cli({"protect", plain, "--owner", "o", "--user", "u", "-o", locked}).exitCode, 0);
    ASSERT_TRUE(QString::fromUtf8(runTool("qpdf", {"--show-encryption", "--password=u", locked}))
                    .contains("AES"));
    const auto info = cli({"info", locked});
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("Locked: yes")) << info.out.toStdString();
    EXPECT_FALSE(info.out.contains("Title")) << info.out.toStdString();
    EXPECT_FALSE(info.out.contains("Pages:")) << info.out.toStdString();
    EXPECT_FALSE(info.out.contains("\\x")) << info.out.toStdString(); // no escaped ciphertext
    const auto unlocked = cli({"info", locked}, {"VELLUMARK_PASSWORD=u"});
    EXPECT_TRUE(unlocked.out.contains("Title: Quarterly Secrets")) << unlocked.out.toStdString();
}

TEST_F(FidelityCliTest, WatermarkFontsAreSubsets) {
    const QString pdf = file("plain.pdf", numberedPdf(3));
    const qint64 before = QFileInfo(pdf).size();
    const QString latin = dir.filePath("latin.pdf");
    ASSERT_EQ(
        cli({"watermark", pdf, "--text", "CONFIDENTIAL", "--opacity", "1", "-o", latin}).exitCode,
        0);
    const QString cjk = dir.filePath("cjk.pdf");
    ASSERT_EQ(
        cli({"watermark", pdf, "--text", "機密文書 Łódź", "--opacity", "1", "-o", cjk}).exitCode,
        0);
    // Whole faces added 350 KB (Latin) and 2.5 MB (CJK).
    EXPECT_LT(QFileInfo(latin).size() - before, 40 * 1024);
    EXPECT_LT(QFileInfo(cjk).size() - before, 80 * 1024);
    for (const QString& out : {latin, cjk}) {
        expectClean(out);
        const QString fonts = QString::fromUtf8(runTool("pdffonts", {out}));
        // name, type, encoding, emb, sub, uni, object: every embedded face is a subset.
        const QStringList lines = fonts.split('\n', Qt::SkipEmptyParts).mid(2);
        ASSERT_FALSE(lines.isEmpty()) << fonts.toStdString();
        for (const QString& line : lines) {
            if (line.contains("Helvetica"))
                continue; // the page's own text
            EXPECT_TRUE(line.contains(QRegularExpression(R"(\byes\s+yes\s+yes\b)")))
                << line.toStdString();
            EXPECT_TRUE(line.contains(QRegularExpression(R"(^[A-Z]{6}\+)"))) << line.toStdString();
        }
        // The glyphs are still there: poppler draws the watermark across each page.
        EXPECT_GT(darkPixels(popplerImage(out, 2), QRect(200, 300, 200, 200)), 100);
    }
}

TEST_F(FidelityCliTest, ADamagedHeaderIsRepaired) {
    for (const QByteArray& header : {QByteArray("%PDX-1.7"), QByteArray("%!PS-1.0")}) {
        const QString pdf = file("damaged.pdf", damagedHeaderPdf(header));
        const auto text = cli({"text", pdf});
        EXPECT_EQ(text.exitCode, 0) << header.toStdString() << text.err.toStdString();
        EXPECT_TRUE(text.out.contains("Damaged header")) << text.out.toStdString();
        const QString out = dir.filePath("repaired.pdf");
        ASSERT_EQ(cli({"pages", "rotate", pdf, "--page", "1", "-o", out}).exitCode, 0);
        expectClean(out);
        EXPECT_TRUE(popplerText(out).contains("Damaged header"));
    }
    // Bytes with no PDF objects at all are still refused.
    const auto junk = cli({"text", file("junk.pdf", "Just some words, no objects.\n")});
    EXPECT_NE(junk.exitCode, 0);
}

TEST_F(FidelityCliTest, OddRotationsAreReportedDrawnAndWrittenAlike) {
    const QString pdf = file("rot.pdf", oddRotationPdf());
    const auto info = cli({"info", pdf});
    const QStringList expected = {"rotation 90\n", "rotation 270\n", "rotation 90\n",
                                  "rotation 180\n"};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(info.out.contains(QStringLiteral("Page %1: media box [0 0 200 400], %2")
                                          .arg(i + 1)
                                          .arg(expected[i])
                                          .toUtf8()))
            << info.out.toStdString();

    // Written out, every reader turns the pages as we draw them.
    const QString out = dir.filePath("out.pdf");
    ASSERT_EQ(cli({"pages", "rotate", pdf, "--page", "2", "-o", out}).exitCode, 0);
    expectClean(out);
    const QString listed = QString::fromUtf8(runTool("pdfinfo", {"-f", "1", "-l", "4", out}));
    for (const auto& [page, degrees] : {std::pair{1, 90}, {2, 0}, {3, 90}, {4, 180}})
        EXPECT_TRUE(listed.contains(
            QRegularExpression(QStringLiteral(R"(Page\s+%1 rot:\s+%2\n)").arg(page).arg(degrees))))
            << listed.toStdString();
    const QString png = dir.filePath("page1.png");
    ASSERT_EQ(cli({"render", out, "--page", "1", "--scale", "1", "-o", png}).exitCode, 0);
    const QImage ours(png);
    const QImage theirs = popplerImage(out, 1);
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_GT(ours.width(), ours.height()); // 45 is drawn as a quarter turn: landscape
}

TEST_F(FidelityCliTest, NumbersAreCheckedWhereTheyAreRead) {
    const QString pdf = file("in.pdf", numberedPdf(1));
    const QString out = dir.filePath("out.png");
    for (const char* scale : {"nan", "1e-9", "inf", "-1", "17", "2x"}) {
        const auto run = cli({"render", pdf, "--scale", scale, "-o", out});
        EXPECT_EQ(run.exitCode, 2) << scale;
        EXPECT_TRUE(run.err.contains("--scale")) << run.err.toStdString();
    }
    for (const QStringList& option : {QStringList{"--opacity", "nan"},
                                      {"--size", "inf"},
                                      {"--rotation", "nan"},
                                      {"--size", "0"}}) {
        const auto run = cli(QStringList{"watermark", pdf, "--text", "X", "-o", out} + option);
        EXPECT_EQ(run.exitCode, 2) << option.join(' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(out));

    // A page no PNG can hold says so instead of writing an empty file with success.
    MiniPdf wide;
    const int catalog = wide.reserve();
    const int pages = wide.reserve();
    const int page = wide.add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 1000000000 1] >>");
    wide.set(pages, "<< /Type /Pages /Kids [" + QByteArray::number(page) + " 0 R] /Count 1 >>");
    wide.set(catalog, "<< /Type /Catalog /Pages 2 0 R >>");
    const auto run = cli({"render", file("wide.pdf", wide.build(catalog)), "-o", out});
    EXPECT_EQ(run.exitCode, 1);
    // Either limit may be the one met first; the message names it.
    EXPECT_TRUE(run.err.contains("pixels a side") || run.err.contains("megapixels"))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("e+")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out));
}
