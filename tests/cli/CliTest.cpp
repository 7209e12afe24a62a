#include "support/CliFixture.h"
#include "support/FileSizeLimit.h"
#include "support/PdfFixtures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

using CliTest = fixtures::CliFixture;

TEST_F(CliTest, InfoDescribesPagesEntriesAndForms) {
    const QString out = cli({"info", file("form.pdf", formPdf())});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(out.contains("Pages: 2\n"));
    EXPECT_TRUE(out.contains("Form fields: 7\n"));
    EXPECT_TRUE(out.contains("Page 2: media box [0 0 612 792], rotation 0\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("Encrypted: no"));
}

TEST_F(CliTest, InfoWritesEveryBoxToTheByteAsBefore) {
    // Boxes with fractions, negative corners, corners given the wrong way round, sides past a
    // million (written with an exponent) and halfway between two six-digit numbers, a box
    // inherited from the tree, and none at all (Letter).
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int root = pdf.reserve();
    const QByteArray pages[] = {
        "/MediaBox [0 0 595.276 841.89]",
        "/MediaBox [0.5 0.5 100.25 200.125] /Rotate 90",
        "/MediaBox [-10.5 -20.25 300 400] /Rotate 180",
        "/MediaBox [3 4 2 1] /Rotate -90",
        "/MediaBox [0 0 100000.5 1234567] /Rotate 450",
        "",
        "/MediaBox [0 0 0.0001 0.00002]",
    };
    QByteArray kids;
    for (const QByteArray& entries : pages)
        kids += QByteArray::number(pdf.add("<< /Type /Page /Parent " + QByteArray::number(root) +
                                           " 0 R " + entries + " >>")) +
                " 0 R ";
    pdf.set(root,
            "<< /Type /Pages /MediaBox [0 0 419.528 595.276] /Kids [" + kids + "] /Count 7 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(root) + " 0 R >>");
    const QString out = cli({"info", file("boxes.pdf", pdf.build(catalog))});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(out.endsWith("Pages: 7\n"
                             "Form fields: 0\n"
                             "Page 1: media box [0 0 595.276 841.89], rotation 0\n"
                             "Page 2: media box [0.5 0.5 100.25 200.125], rotation 90\n"
                             "Page 3: media box [-10.5 -20.25 300 400], rotation 180\n"
                             "Page 4: media box [2 1 3 4], rotation 270\n"
                             "Page 5: media box [0 0 100001 1.23457e+06], rotation 90\n"
                             "Page 6: media box [0 0 419.528 595.276], rotation 0\n"
                             "Page 7: media box [0 0 0.0001 2e-05], rotation 0\n"))
        << out.toStdString();
}

TEST_F(CliTest, InfoEndsWithNothingLostThoughItKeepsItsDocumentToTheEnd) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a sanitized build does not run under valgrind";
#endif
    if (!toolAvailable("valgrind"))
        GTEST_SKIP() << "valgrind not installed";
    const QString pdf = file("n.pdf", numberedPdf(30));
    int status = -1;
    QByteArray report;
    const QByteArray out =
        runTool("valgrind",
                {"--leak-check=full", "--errors-for-leak-kinds=definite,possible",
                 "--error-exitcode=9", VELLUMARK_BINARY_DIR "/vellumark-cli", "info", pdf},
                &status, &report);
    EXPECT_EQ(status, 0) << report.toStdString();
    EXPECT_TRUE(out.contains("Page 30: media box [0 0 612 792], rotation 0\n"));
    EXPECT_TRUE(report.contains("definitely lost: 0 bytes")) << report.toStdString();
}

TEST_F(CliTest, TextSeparatesPagesAndSkipsPagesWithoutText) {
    const QString pdf = file("t.pdf", textPdf({{"first page"}, {}, {"third", "page"}}));
    const QString out = cli({"text", pdf});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, "first page\n\n--- Page 3 ---\n\nthird\npage");
    cli({"text", pdf, "-o", dir.filePath("out.txt")});
    EXPECT_EQ(code, 0);
    QFile written(dir.filePath("out.txt"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), out);
}

TEST_F(CliTest, SearchListsMatchesInOrderWithTheCountLast) {
    const QString pdf =
        file("s.pdf", textPdf({{"Needle here"}, {"nothing"}, {"a needle and a NEEDLE"}}));
    const QStringList lines = cli({"search", pdf, "needle"}).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(lines,
              QStringList({"page 1: Needle", "page 3: needle", "page 3: NEEDLE", "3 matches"}));
}

TEST_F(CliTest, RenderWritesPngsAtTwiceThePointSize) {
    const QString pdf = file("r.pdf", numberedPdf(3));
    cli({"render", pdf, "--page", "2", "-o", dir.filePath("p2.png")});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(QImage(dir.filePath("p2.png")).size(), QSize(1224, 1584));
    cli({"render", pdf, "--all", "--scale", "0.5", "-o", dir.filePath("all")});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(QDir(dir.filePath("all")).entryList(QDir::Files),
              QStringList({"page_1.png", "page_2.png", "page_3.png"}));
    EXPECT_EQ(QImage(dir.filePath("all/page_3.png")).size(), QSize(306, 396));
    cli({"render", pdf, "--page", "9", "-o", dir.filePath("p9.png")});
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("p9.png")));
}

TEST_F(CliTest, AWriteThatRunsOutOfRoomKeepsTheOldFile) {
    const QString pdf = file("r.pdf", numberedPdf(1));
    const QString target = file("p1.png", "the previous picture");
    {
        FileSizeLimit full(1024); // inherited by the command: its PNG does not fit
        ASSERT_TRUE(full.active());
        cli({"render", pdf, "--page", "1", "-o", target});
    }
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("could not be written")) << err.constData();
    EXPECT_TRUE(err.contains("File too large")) << err.constData();
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "the previous picture");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"p1.png", "r.pdf"}));
}

TEST_F(CliTest, BadInputAndBadUsageAreToldApart) {
    cli({"text", file("junk.pdf", garbageBytes())});
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("junk.pdf"));
    cli({"text"});
    EXPECT_EQ(code, 2);
    cli({"frobnicate"});
    EXPECT_EQ(code, 2);
    cli({"render", file("x.pdf", numberedPdf(1))});
    EXPECT_EQ(code, 2);
    const QString help = cli({"search", "--help"});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(help.contains("Usage: vellumark-cli search"));
}

} // namespace

namespace {

TEST_F(CliTest, ImagesAndTextBecomePdfs) {
    QImage img(144, 72, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    img.setDotsPerMeterX(2835);
    img.setDotsPerMeterY(2835);
    ASSERT_TRUE(img.save(dir.filePath("a.png")));
    const QString junk = file("b.png", "not an image");
    cli({"images", dir.filePath("a.png"), junk, "-o", dir.filePath("out.pdf")});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(err.contains("b.png")); // the skipped file is named
    const QString info = QString::fromUtf8(runTool("pdfinfo", {dir.filePath("out.pdf")}));
    EXPECT_TRUE(info.contains("144 x 72 pts")) << info.toStdString();
    cli({"images", junk, "-o", dir.filePath("none.pdf")});
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("none.pdf")));

    const QString txt = file("note.txt", "Grüße aus Berlin\nzweite Zeile");
    cli({"text-to-pdf", txt, "-o", dir.filePath("note.pdf")});
    EXPECT_EQ(code, 0);
    const QString text = QString::fromUtf8(runTool("pdftotext", {dir.filePath("note.pdf"), "-"}));
    EXPECT_TRUE(text.contains("Grüße aus Berlin")) << text.toStdString();
    EXPECT_TRUE(text.contains("zweite Zeile"));
}

} // namespace
