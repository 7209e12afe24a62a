#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/CliFixture.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PagesCliTest : public fixtures::CliFixture {
protected:
    QString out(const QString& name) { return dir.filePath(name); }
    bool valid(const QString& path) {
        int check = -1;
        runTool("qpdf", {"--check", path}, &check);
        return check == 0;
    }
};

TEST_F(PagesCliTest, EditsWriteANewFileAndLeaveTheInputAlone) {
    const QString in = file("in.pdf", numberedPdf(3));
    const QByteArray original = [&] {
        QFile f(in);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    cli({"pages", "rotate", in, "--page", "2", "--turns", "5", "-o", out("rot.pdf")});
    EXPECT_EQ(code, 0) << err.toStdString();
    const QString info =
        QString::fromUtf8(runTool("pdfinfo", {"-f", "1", "-l", "3", out("rot.pdf")}));
    EXPECT_TRUE(info.contains(QRegularExpression("Page    2 rot:\\s+90"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page    1 rot:\\s+0")));

    cli({"pages", "delete", in, "--page", "3", "-o", out("del.pdf")});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(pdfinfoPages(out("del.pdf")), 2);
    cli({"pages", "insert-blank", in, "--page", "1", "-o", out("blank.pdf")});
    EXPECT_EQ(pdfinfoPages(out("blank.pdf")), 4);
    EXPECT_TRUE(pdftotextPage(out("blank.pdf"), 2).trimmed().isEmpty());
    cli({"pages", "insert", in, file("ins.pdf", textPdf({{"Inserted"}})), "--page", "2", "-o",
         out("ins-out.pdf")});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(pdftotextPage(out("ins-out.pdf"), 3).contains("Inserted"));
    EXPECT_TRUE(valid(out("ins-out.pdf")));

    // Never over the input, and never past the document's pages.
    cli({"pages", "rotate", in, "-o", in});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("one of the files being read"));
    cli({"pages", "delete", in, "--page", "9", "-o", out("x.pdf")});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("no page 9"));
    cli({"pages", "delete", file("one.pdf", numberedPdf(1)), "--page", "1", "-o", out("y.pdf")});
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(QFile::exists(out("y.pdf")));
    QFile again(in);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), original);
}

TEST_F(PagesCliTest, ExtractSplitAndMergeNameWhatWentWrong) {
    const QString in = file("linked.pdf", linkedPdf());
    cli({"pages", "extract", in, "--page", "3", "-o", out("third.pdf")});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(pdfinfoPages(out("third.pdf")), 1);
    cli({"pages", "extract", in, "--page", "1", "-o", out("missing/dir/first.pdf")});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("first.pdf")) << err.toStdString();

    cli({"pages", "split", in, out("parts")});
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(QDir(out("parts")).entryList(QDir::Files),
              QStringList({"page_1.pdf", "page_2.pdf", "page_3.pdf"}));
    EXPECT_TRUE(valid(out("parts/page_2.pdf")));

    const QString junk = file("junk.pdf", garbageBytes());
    cli({"pages", "merge", in, junk, file("two.pdf", numberedPdf(2, "Two")), in, "-o",
         out("merged.pdf")});
    EXPECT_EQ(code, 3); // written, but with a file left out
    EXPECT_TRUE(err.contains("junk.pdf")) << err.toStdString();
    EXPECT_EQ(pdfinfoPages(out("merged.pdf")), 8);
    EXPECT_TRUE(valid(out("merged.pdf")));
    // Each copy of the linked file keeps its links among its own pages.
    const auto links = linksInFile(out("merged.pdf"));
    ASSERT_EQ(links.size(), 8u);
    EXPECT_EQ(links[0], (LinkInfo{1, 3, {}}));
    EXPECT_EQ(links[4], (LinkInfo{6, 8, {}}));
    EXPECT_EQ(links[7], (LinkInfo{8, 6, {}}));
}

// The /P of every highlight in a written file.
QStringList highlightPages(const QString& path) {
    const QByteArray json = runTool("qpdf", {"--json", "--json-key=qpdf", path});
    const QJsonObject objects =
        QJsonDocument::fromJson(json).object()["qpdf"].toArray()[1].toObject();
    QStringList pages;
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        const QJsonObject value = it.value().toObject()["value"].toObject();
        if (value["/Subtype"].toString() == "/Highlight")
            pages << value["/P"].toString();
    }
    return pages;
}

TEST_F(PagesCliTest, AFileMergedSeveralTimesSharesItsContentsButNotItsAnnotations) {
    auto linked = pdf::Document::fromData(linkedPdf());
    ASSERT_NE(linked, nullptr);
    ASSERT_NE(linked->page(1)->addHighlight(QRectF(72, 700, 100, 20), Qt::yellow), nullptr);
    const QString annotated = out("annotated.pdf");
    ASSERT_TRUE(linked->write(annotated));
    const QString base = file("base.pdf", numberedPdf(1, "Base"));
    const QString two = file("two.pdf", numberedPdf(2, "Two"));

    cli({"pages", "merge", base, annotated, "-o", out("once.pdf")});
    ASSERT_EQ(code, 0) << err.toStdString();
    // Twice in a row, then again after another file.
    cli({"pages", "merge", base, annotated, annotated, two, annotated, "-o", out("thrice.pdf")});
    ASSERT_EQ(code, 0) << err.toStdString();
    const QString merged = out("thrice.pdf");
    EXPECT_TRUE(valid(merged));
    ASSERT_EQ(pdfinfoPages(merged), 12);
    for (int first : {2, 5, 10})
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(
                pdftotextPage(merged, first + k).contains(QStringLiteral("Page %1").arg(k + 1)))
                << first + k;
    EXPECT_TRUE(pdftotextPage(merged, 8).simplified().startsWith("Page 1 Two"));

    // Each copy's links lead among its own pages.
    const auto links = linksInFile(merged);
    ASSERT_EQ(links.size(), 12u);
    for (int copy = 0; copy < 3; ++copy) {
        const int first = std::vector<int>{2, 5, 10}[size_t(copy)];
        EXPECT_EQ(links[size_t(copy * 4)], (LinkInfo{first, first + 2, {}})) << copy;
        EXPECT_EQ(links[size_t(copy * 4 + 3)], (LinkInfo{first + 2, first, {}})) << copy;
    }
    // Each copy has a highlight of its own, on its own page.
    const QStringList highlights = highlightPages(merged);
    EXPECT_EQ(highlights.size(), 3);
    EXPECT_EQ(QSet<QString>(highlights.begin(), highlights.end()).size(), 3)
        << highlights.join(", ").toStdString();
    // The copies share the file's fonts: no more of them than after merging it once.
    EXPECT_EQ(fontObjectsInFile(merged), fontObjectsInFile(out("once.pdf")) + 1); // + Two's
}

TEST_F(PagesCliTest, WatermarkMarksEveryPageOrOne) {
    const QString in = file("in.pdf", textPdf({{}, {}}));
    cli({"watermark", in, "--text", QString::fromUtf8("ENTWURF – Vertraulich"), "--opacity", "0.4",
         "-o", out("all.pdf")});
    ASSERT_EQ(code, 0) << err.toStdString();
    EXPECT_TRUE(valid(out("all.pdf")));
    runTool("pdftoppm", {"-r", "72", "-png", out("all.pdf"), out("all")}, &code);
    for (const char* page : {"all-1.png", "all-2.png"}) {
        const QImage img(out(page));
        ASSERT_FALSE(img.isNull()) << page;
        EXPECT_GT(inkShare(img, QRect(306 - 140, 396 - 140, 40, 40)), 0.02) << page; // upper left
        EXPECT_EQ(inkShare(img, QRect(306 + 100, 396 - 140, 40, 40)), 0) << page;
    }
    cli({"watermark", in, "--text", QString::fromUtf8("機密"), "--rotation", "0", "--size", "120",
         "--page", "2", "-o", out("one.pdf")});
    ASSERT_EQ(code, 0) << err.toStdString();
    runTool("pdftoppm", {"-r", "72", "-png", out("one.pdf"), out("one")}, &code);
    EXPECT_EQ(inkShare(QImage(out("one-1.png")), QRect(0, 0, 612, 792)), 0);
    EXPECT_GT(inkShare(QImage(out("one-2.png")), QRect(206, 356, 200, 80)), 0.05);

    cli({"watermark", in, "--text", "", "-o", out("none.pdf")});
    EXPECT_EQ(code, 2);
    cli({"watermark", in, "--text", "X", "--opacity", "3", "-o", out("none.pdf")});
    EXPECT_EQ(code, 2);
}

} // namespace
