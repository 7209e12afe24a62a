// --json documents read back and held against what the files really hold, as other tools
// (poppler, qpdf) read them.
#include "pdf/document/Document.h"
#include "support/CliFixture.h"
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"

#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class JsonOutputTest : public CliFixture {
protected:
    void SetUp() override {
        if (!toolAvailable("pdfinfo") || !toolAvailable("pdftotext") || !toolAvailable("qpdf"))
            GTEST_SKIP() << "poppler-utils and qpdf read the files back";
    }
    // The one JSON object the command printed; its exit status lands in `code`.
    QJsonObject json(const QStringList& args) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(cli(args).toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError)
            << args.join(' ').toStdString() << ": " << err.toStdString();
        EXPECT_TRUE(document.isObject());
        return document.object();
    }
    static int pdfPages(const QString& path) {
        static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
        return pages.match(QString::fromUtf8(runTool("pdfinfo", {path}))).captured(1).toInt();
    }
    // Each file of a writer's report is there, of the size and page count reported.
    static void expectFilesAsReported(const QJsonObject& report, int count) {
        const QJsonArray files = report["files"].toArray();
        EXPECT_EQ(files.size(), count) << QJsonDocument(report).toJson().toStdString();
        for (const QJsonValue& file : files) {
            const QString path = file["path"].toString();
            EXPECT_EQ(file["bytes"].toInteger(), QFileInfo(path).size()) << path.toStdString();
            EXPECT_GT(file["bytes"].toInteger(), 0);
            if (file.toObject().contains("pages")) {
                EXPECT_EQ(file["pages"].toInt(), pdfPages(path)) << path.toStdString();
            }
        }
    }
};

TEST_F(JsonOutputTest, InfoSearchAndFormsTellWhatOtherReadersFind) {
    // Three pages, the second turned: sizes and rotation as poppler reads them.
    const QString rotated = dir.filePath("rotated.pdf");
    const QJsonObject written = json(
        {"pages", "rotate", file("n.pdf", numberedPdf(3)), "--page", "2", "-o", rotated, "--json"});
    EXPECT_EQ(written["action"].toString(), "rotate");
    expectFilesAsReported(written, 1);
    const QJsonObject info = json({"info", rotated, "--json"});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(info["pages"].toInt(), pdfPages(rotated));
    EXPECT_EQ(info["protection"].toString(), "none");
    const QString boxes =
        QString::fromUtf8(runTool("pdfinfo", {"-box", "-f", "1", "-l", "3", rotated}));
    for (const QJsonValue& page : info["pageBoxes"].toArray()) {
        const int n = page["page"].toInt();
        const QJsonArray box = page["mediaBox"].toArray();
        const auto poppler = QRegularExpression(QStringLiteral("Page\\s+%1 MediaBox:\\s+(\\S+)\\s+"
                                                               "(\\S+)\\s+(\\S+)\\s+(\\S+)")
                                                    .arg(n))
                                 .match(boxes);
        ASSERT_TRUE(poppler.hasMatch()) << boxes.toStdString();
        for (int i = 0; i < 4; ++i)
            EXPECT_DOUBLE_EQ(box[i].toDouble(), poppler.captured(i + 1).toDouble()) << n;
        EXPECT_TRUE(boxes.contains(QRegularExpression(
            QStringLiteral("Page\\s+%1 rot:\\s+%2\\n").arg(n).arg(page["rotation"].toInt()))))
            << n << " " << boxes.toStdString();
    }

    // Matches, page by page, as pdftotext's text counts them.
    const QString text = file(
        "s.pdf",
        textPdf({{"Needle one", "needle two"}, {"nothing here"}, {"a NEEDLE", "and needles"}}));
    const QJsonObject found = json({"search", text, "needle", "--json"});
    EXPECT_EQ(found["query"].toString(), "needle");
    std::map<int, int> perPage;
    for (const QJsonValue& match : found["matches"].toArray()) {
        EXPECT_EQ(match["text"].toString().toLower(), "needle");
        ++perPage[match["page"].toInt()];
    }
    int total = 0;
    for (int page = 1; page <= 3; ++page) {
        const QString layout = QString::fromUtf8(runTool(
            "pdftotext", {"-f", QString::number(page), "-l", QString::number(page), text, "-"}));
        const int expected = int(layout.count("needle", Qt::CaseInsensitive));
        EXPECT_EQ(perPage[page], expected) << page;
        total += expected;
    }
    EXPECT_EQ(found["count"].toInt(), total);
    EXPECT_EQ(total, 4);

    // Every field qpdf finds in the form, on its page.
    const QString form = file("form.pdf", formPdf());
    const QJsonObject fields = json({"forms", form, "--json"});
    const QJsonObject acroform =
        QJsonDocument::fromJson(runTool("qpdf", {"--json=2", "--json-key=acroform", form}))
            .object()["acroform"]
            .toObject();
    std::map<QString, int> qpdfPages;
    for (const QJsonValue& field : acroform["fields"].toArray())
        if (field["fieldtype"].toString() != "/Sig")
            qpdfPages[field["fullname"].toString()] = field["pageposfrom1"].toInt();
    std::map<QString, int> ours;
    for (const QJsonValue& field : fields["fields"].toArray())
        ours[field["name"].toString()] = field["page"].toInt();
    EXPECT_EQ(ours, qpdfPages);
}

TEST_F(JsonOutputTest, WritersReportTheFilesTheyWrote) {
    const QString pdf = file("in.pdf", numberedPdf(3));
    const QString png = dir.filePath("p2.png");
    const QJsonObject one =
        json({"render", pdf, "--page", "2", "--scale", "0.5", "-o", png, "--json"});
    expectFilesAsReported(one, 1);
    const QJsonObject image = one["files"][0].toObject();
    EXPECT_EQ(QSize(image["width"].toInt(), image["height"].toInt()), QImage(png).size());
    EXPECT_EQ(QImage(png).size(), QSize(306, 396));
    expectFilesAsReported(
        json({"render", pdf, "--all", "--scale", "0.25", "-o", dir.filePath("all"), "--json"}), 3);
    expectFilesAsReported(json({"pages", "split", pdf, dir.filePath("split"), "--json"}), 3);

    const QString junk = file("junk.png", "not an image");
    const QJsonObject merged =
        json({"pages", "merge", pdf, pdf, junk, "-o", dir.filePath("merged.pdf"), "--json"});
    expectFilesAsReported(merged, 1);
    EXPECT_EQ(merged["files"][0]["pages"].toInt(), 6);
    const QJsonObject skipped{{"path", junk},
                              {"reason", "not a PDF file, or damaged beyond repair"}};
    EXPECT_EQ(merged["skipped"].toArray(), QJsonArray{skipped});

    const QJsonObject marked = json({"watermark", pdf, "--text", "DRAFT", "--page", "3", "-o",
                                     dir.filePath("marked.pdf"), "--json"});
    expectFilesAsReported(marked, 1);
    EXPECT_EQ(marked["marked"].toArray(), QJsonArray{3});
    const QJsonObject text = json({"text", pdf, "-o", dir.filePath("t.txt"), "--json"});
    expectFilesAsReported(text, 1);
    const QJsonObject locked =
        json({"protect", pdf, "--owner", "o", "--no-print", "-o", dir.filePath("p.pdf"), "--json"});
    expectFilesAsReported(locked, 1);
    EXPECT_EQ(locked["printing"], false);
    EXPECT_TRUE(QString::fromUtf8(runTool("qpdf", {"--show-encryption", dir.filePath("p.pdf")}))
                    .contains("print low resolution: not allowed"));

    // Failure and bad usage read the same with --json: nothing on stdout, one line on stderr.
    EXPECT_EQ(cli({"render", pdf, "--page", "9", "-o", png, "--json"}), "");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_EQ(cli({"text", pdf, "--json"}), "");
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.contains("--json")) << err.toStdString();
}

TEST_F(JsonOutputTest, VerifyTellsWhatPdfsigFindsWithTheSameExitStatus) {
    if (!toolAvailable("pdfsig"))
        GTEST_SKIP() << "pdfsig checks the signature";
    const QStringList home{"XDG_DATA_HOME=" + dir.filePath("data")};
    const QString cliPath = VELLUMARK_BINARY_DIR "/vellumark-cli";
    const QString in = file("in.pdf", numberedPdf(2));
    const QString out = dir.filePath("signed.pdf");
    const auto signedRun = sigfix::runProgram(
        cliPath, {"sign", in, "--name", "Ann Example", "-o", out, "--json"}, home);
    ASSERT_EQ(signedRun.exitCode, 0) << signedRun.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(signedRun.out).object();
    EXPECT_EQ(report["signer"].toString(), "Ann Example");
    expectFilesAsReported(report, 1);

    const QString pdfsig = QString::fromUtf8(runTool("pdfsig", {out}));
    for (const QString& path : {out, in}) {
        const auto plain = sigfix::runProgram(cliPath, {"verify", path}, home);
        const auto asJson = sigfix::runProgram(cliPath, {"verify", path, "--json"}, home);
        EXPECT_EQ(asJson.exitCode, plain.exitCode) << path.toStdString();
        const QJsonObject verdict = QJsonDocument::fromJson(asJson.out).object();
        EXPECT_EQ(verdict["status"].toInt(), asJson.exitCode);
        const QJsonArray signatures = verdict["signatures"].toArray();
        EXPECT_EQ(verdict["signed"].toBool(), path == out);
        EXPECT_EQ(signatures.size(), path == out ? pdfsig.count("Signature #") : 0);
        for (const QJsonValue& signature : signatures) {
            EXPECT_TRUE(pdfsig.contains("Common Name: " + signature["signer"].toString()))
                << pdfsig.toStdString();
            EXPECT_EQ(signature["integrity"].toString(), "valid");
            EXPECT_EQ(signature["ours"].toBool(), true);
            EXPECT_TRUE(QString::fromUtf8(plain.out).contains(signature["summary"].toString()));
        }
    }
    // Written again after signing: broken, 3 with and without --json.
    const QString changed = dir.filePath("changed.pdf");
    const auto document = pdf::Document::open(out);
    ASSERT_TRUE(document);
    document->setInfo(pdf::InfoKey::Title, "changed");
    ASSERT_TRUE(document->write(changed));
    const auto plain = sigfix::runProgram(cliPath, {"verify", changed}, home);
    const auto asJson = sigfix::runProgram(cliPath, {"verify", changed, "--json"}, home);
    EXPECT_EQ(plain.exitCode, 3);
    EXPECT_EQ(asJson.exitCode, 3);
    EXPECT_EQ(QJsonDocument::fromJson(asJson.out)["status"].toInt(), 3);
}

} // namespace
