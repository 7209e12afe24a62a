#include "pdf/document/PageTrace.h"
#include "support/ComposeSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using compose_test::runTool;
using compose_test::writeFile;

namespace {

const QString cli = QStringLiteral(VELLUMARK_BINARY_DIR "/vellumark-cli");

} // namespace

TEST(ComposeCommand, ComposesPagesFromADescription) {
    QTemporaryDir dir;
    ASSERT_TRUE(
        writeFile(dir.filePath("logo.png"), compose_test::encodedImage(100, 50, Qt::green)));
    const QByteArray description = R"({
      "pages": [
        { "size": "letter", "template": "lined",
          "textBlocks": [ { "text": "Minutes of the meeting" },
                          { "text": "Grüße, Ωμέγα, 你好", "fontSize": 18, "x": 50, "y": 200, "width": 300, "height": 80 } ],
          "imageBlocks": [ { "path": "logo.png" },
                           { "path": "logo.png", "x": 300, "y": 500, "width": 250, "height": 180 } ] },
        { "size": "custom", "width": 400.5, "height": 300, "template": "dotGrid" }
      ] })";
    ASSERT_TRUE(writeFile(dir.filePath("doc.json"), description));
    const QString out = dir.filePath("out.pdf");
    const auto result = runTool(cli, {"compose", dir.filePath("doc.json"), "-o", out});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();

    EXPECT_EQ(runTool("qpdf", {"--check", out}).exitCode, 0);
    const QString text = runTool("pdftotext", {"-enc", "UTF-8", out, "-"}).out;
    EXPECT_TRUE(text.contains("Minutes of the meeting"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Grüße, Ωμέγα, 你好")));
    const QString info = runTool("pdfinfo", {"-f", "1", "-l", "2", out}).out;
    EXPECT_TRUE(info.contains("400.5 x 300 pts")) << info.toStdString();

    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto page = pdf::PageTrace::fromData(file.readAll(), 0);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->images.size(), 2u);
    // Placed as the sheet places it: natural size at (50, 50) from the top-left.
    EXPECT_NEAR(page->images[0].rect.x(), 50, 0.01);
    EXPECT_NEAR(page->images[0].rect.top(), 792 - 50 - 50, 0.01);
    EXPECT_NEAR(page->images[0].rect.width(), 100, 0.01);
    EXPECT_NEAR(page->images[1].rect.width(), 250, 0.01);
    EXPECT_NEAR(page->images[1].rect.height(), 180, 0.01);
}

TEST(ComposeCommand, RejectsBadDescriptionsWithoutWriting) {
    QTemporaryDir dir;
    const QString out = dir.filePath("out.pdf");
    struct Case {
        QByteArray json;
        QString message;
    };
    for (const Case& c : {Case{"{ not json", "not valid JSON"}, Case{"[]", "describes no pages"},
                          Case{R"([{"size": "A4"}])", "page 1: unknown size \"A4\""},
                          Case{R"([{}, {"template": "dots"}])", "page 2: unknown template"},
                          Case{R"([{"imageBlocks": [{"path": "missing.png"}]}])",
                               "page 1, image block 1: cannot read"},
                          Case{R"([{"textBlocks": [{"text": "a", "x": 5}]}])", "give all of"}}) {
        ASSERT_TRUE(writeFile(dir.filePath("bad.json"), c.json));
        const auto result = runTool(cli, {"compose", dir.filePath("bad.json"), "-o", out});
        EXPECT_EQ(result.exitCode, 1) << c.json.toStdString();
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
    EXPECT_EQ(runTool(cli, {"compose", dir.filePath("bad.json")}).exitCode, 2);
}
