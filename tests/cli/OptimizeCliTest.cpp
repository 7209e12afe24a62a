// vellumark-cli optimize, judged by other readers: what a smaller copy must keep (qpdf's
// view of outline, fields, labels and annotations; poppler's text), what it does to images
// (pdfimages), and when it writes nothing at all.
#include "support/CliFixture.h"
#include "support/FidelityFixtures.h"
#include "support/OptimizeFixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>

using namespace fixtures;

namespace {

class OptimizeCliTest : public CliFixture {
protected:
    void SetUp() override {
        for (const char* tool : {"qpdf", "pdftotext", "pdfinfo", "pdfimages"})
            if (!toolAvailable(tool))
                GTEST_SKIP() << tool << " is needed to read the copies back";
    }
    QJsonObject optimize(const QString& in, const QString& out, const QStringList& more = {}) {
        const QString json = cli(QStringList{"optimize", in, "-o", out, "--json"} + more);
        return QJsonDocument::fromJson(json.toUtf8()).object();
    }
    static void expectClean(const QString& path) {
        int status = -1;
        const QByteArray out = runTool("qpdf", {"--check", path}, &status);
        EXPECT_EQ(status, 0) << out.toStdString();
    }
    static QByteArray text(const QString& path) { return runTool("pdftotext", {path, "-"}); }
    // What qpdf finds of the outline, the fields' values, the page labels and each page's
    // annotations: names and values, not object numbers, which a rewrite changes.
    static QStringList structure(const QString& path) {
        const QJsonObject json =
            QJsonDocument::fromJson(runTool("qpdf", {"--json", path})).object();
        QStringList seen;
        std::function<void(const QJsonArray&)> outline = [&](const QJsonArray& items) {
            for (const auto& item : items) {
                const QJsonObject o = item.toObject();
                seen << "outline " + o["title"].toString() + " -> " +
                            QString::number(o["destpageposfrom1"].toInt());
                outline(o["kids"].toArray());
            }
        };
        outline(json["outlines"].toArray());
        for (const auto& field : json["acroform"].toObject()["fields"].toArray())
            seen << "field " + field.toObject()["fullname"].toString() + " = " +
                        field.toObject()["value"].toString();
        // Annotations are read through the page objects, which --json lists as "obj:N 0 R".
        const QJsonObject objects = json["qpdf"].toArray().at(1).toObject();
        const auto resolve = [&](const QJsonValue& value) {
            const QString text = value.toString();
            return text.endsWith(" R") ? objects["obj:" + text].toObject()["value"] : value;
        };
        for (const auto& item : json["pages"].toArray()) {
            const QJsonObject page = item.toObject();
            const QJsonObject label = page["label"].toObject();
            seen << "page " + label["/P"].toString() + " " + label["/S"].toString();
            for (const auto& annot : resolve(resolve(page["object"])["/Annots"]).toArray()) {
                const QJsonObject a = resolve(annot).toObject();
                seen << "annot " + a["/Subtype"].toString() + " " +
                            resolve(a["/Contents"]).toString() +
                            resolve(resolve(a["/A"])["/URI"]).toString();
            }
        }
        return seen;
    }
    // pdfimages -list rows: "width height color enc" for each image drawn.
    static QStringList images(const QString& path) {
        QStringList rows;
        const QStringList lines =
            QString::fromUtf8(runTool("pdfimages", {"-list", path})).split('\n');
        for (const QString& line : lines.mid(2)) {
            const QStringList f = line.simplified().split(' ');
            if (f.size() > 8)
                rows << f[3] + " " + f[4] + " " + f[5] + " " + f[8];
        }
        return rows;
    }
};

TEST_F(OptimizeCliTest, EveryLevelKeepsTextLinksOutlineFieldsLabelsAndAnnotations) {
    const QString in = file("in.pdf", survivorsPdf());
    const QStringList before = structure(in);
    ASSERT_TRUE(before.contains("field name = u:Alice") && before.contains("page u:A- /D") &&
                before.contains("annot /Link u:https://example.org") &&
                before.contains("annot /Square u:note") && before.contains("outline Third -> 3"))
        << before.join('\n').toStdString();
    for (const QString level : {"lossless", "balanced", "small"}) {
        SCOPED_TRACE(level.toStdString());
        const QString out = dir.filePath(level + ".pdf");
        const QJsonObject report = optimize(in, out, {"--level", level});
        ASSERT_EQ(code, 0) << err.toStdString();
        ASSERT_TRUE(report["written"].toBool());
        EXPECT_TRUE(report["objectStreams"].toBool());
        EXPECT_GE(report["objectsMerged"].toInt(), 1); // the image drawn twice, stored once
        EXPECT_EQ(report["resourcesDropped"].toInt(), 1);
        EXPECT_LT(QFileInfo(out).size(), QFileInfo(in).size());
        expectClean(out);
        EXPECT_EQ(text(out), text(in));
        EXPECT_EQ(structure(out), before);
        EXPECT_TRUE(runTool("qpdf", {"--show-object=trailer", out}).contains("/Root"));
        EXPECT_EQ(images(out).size(), 2);
        EXPECT_TRUE(QString::fromUtf8(runTool("pdfinfo", {out}))
                        .contains(QRegularExpression("Pages:\\s+3")));
    }
}

TEST_F(OptimizeCliTest, ImagesShrinkByPlacementGreyTurnsGreyAndNothingGrows) {
    // Drawn 160 pt wide, so 640 px are 288 dpi; the tiny JPEG is drawn at 72 dpi.
    const QByteArray photo = jpegOf(greyPhoto(), 92);
    const QByteArray tiny = jpegOf(greyPhoto(160, 120).scaled(160, 120), 20);
    const QString in =
        file("in.pdf", imagePagesPdf({{photo, {}, 160}, {{}, chart(), 160}, {tiny, {}, 160}}));
    const QString out = dir.filePath("out.pdf");
    const QJsonObject report = optimize(in, out, {"--jpeg-quality", "100"});
    ASSERT_EQ(code, 0) << err.toStdString();
    expectClean(out);
    const QStringList rows = images(out);
    ASSERT_EQ(rows.size(), 3);
    // 150 dpi over 160 pt: 333 px wide. The grey photo is stored grey, the chart stays
    // lossless, and the tiny JPEG, which quality 100 would only make larger, is untouched.
    EXPECT_EQ(rows[0], "333 250 gray jpeg");
    EXPECT_EQ(rows[1], "333 250 rgb image");
    EXPECT_EQ(rows[2], "160 120 rgb jpeg");
    runTool("pdfimages", {"-f", "3", "-l", "3", "-j", out, dir.filePath("kept")});
    QFile kept(dir.filePath("kept-000.jpg"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), tiny);
    EXPECT_EQ(report["images"].toObject()["madeGrey"].toInt(), 1);
    EXPECT_EQ(report["images"].toObject()["resampled"].toInt(), 2);
}

TEST_F(OptimizeCliTest, WritesNothingWhenItCannotOrNeedNot) {
    // No pages: refused, nothing written.
    const QString empty = file("empty.pdf", zeroPagePdf());
    cli({"optimize", empty, "-o", dir.filePath("e.pdf")});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("no page")) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("e.pdf")));
    // Already as small as the level makes it: said so, exit 0, nothing written.
    const QString once = dir.filePath("once.pdf");
    optimize(file("in.pdf", survivorsPdf()), once, {"--level", "lossless"});
    ASSERT_EQ(code, 0);
    const QString again = dir.filePath("again.pdf");
    const QString said = cli({"optimize", once, "-o", again, "--level", "lossless"});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(said.contains("already as small as this level makes it")) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(again));
    // The input as the output: refused before any work.
    cli({"optimize", once, "-o", once});
    EXPECT_EQ(code, 1);
    // A JPEG cut short is kept as it is, and counted.
    QByteArray cut = jpegOf(greyPhoto(), 90);
    cut.chop(cut.size() / 3);
    const QString damaged =
        file("damaged.pdf", imagePagesPdf({{cut, {}, 160}, {{}, chart(), 160}}));
    const QString out = dir.filePath("d.pdf");
    const QJsonObject report = optimize(damaged, out);
    ASSERT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(report["images"].toObject()["damaged"].toInt(), 1);
    runTool("pdfimages", {"-f", "1", "-l", "1", "-j", out, dir.filePath("cut")});
    QFile kept(dir.filePath("cut-000.jpg"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), cut);
}

TEST_F(OptimizeCliTest, AProtectedFileKeepsItsProtection) {
    const QString in = file("in.pdf", survivorsPdf());
    const QString locked = dir.filePath("locked.pdf");
    cli({"protect", in, "--owner", "boss", "--no-copy", "-o", locked});
    ASSERT_EQ(code, 0) << err.toStdString();
    const QString out = dir.filePath("out.pdf");
    const QJsonObject report = optimize(locked, out, {"--level", "lossless"});
    ASSERT_EQ(code, 0) << err.toStdString();
    ASSERT_TRUE(report["written"].toBool());
    const QByteArray shown = runTool("qpdf", {"--show-encryption", out});
    EXPECT_TRUE(shown.contains("R = 6")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("extract for any purpose: not allowed")) << shown.toStdString();
    expectClean(out);
    EXPECT_EQ(text(out), text(in));
}

} // namespace
