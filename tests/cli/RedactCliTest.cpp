// vellumark-cli redact, judged by other readers: poppler, the engine's own tool, qpdf's
// decompressed view of the file, and the images pulled out again.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/CliFixture.h"
#include "support/RedactionFixtures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace fixtures;

namespace {

class RedactCli : public CliFixture {
protected:
    void SetUp() override {
        for (const char* tool : {"pdftotext", "qpdf", "mutool", "pdfimages"})
            if (!toolAvailable(tool))
                GTEST_SKIP() << tool << " is needed";
        input = file("report.pdf", redactionPdf());
    }
    QString input;
};

// Every form a secret can take in a file: plain or UTF-16BE bytes, or UTF-16BE hex.
QList<QByteArray> spellings(const QString& secret) {
    QByteArray utf16;
    for (QChar ch : secret)
        utf16 += char(ch.unicode() >> 8), utf16 += char(ch.unicode() & 0xff);
    return {secret.toUtf8(), secret.toLatin1(), utf16, utf16.toHex(), utf16.toHex().toUpper()};
}

QString ownText(const QString& path) {
    QString text;
    const auto doc = pdf::Document::open(path);
    for (int i = 0; doc && i < doc->pageCount(); ++i)
        text += doc->page(i)->text().value_or(QString()) + "\n";
    return text;
}

TEST_F(RedactCli, TakesTheSecretsOutOfEveryPlaceAndKeepsTheRest) {
    const QString out = dir.filePath("report_redacted.pdf");
    const auto shown = [](const QRectF& r) {
        return QStringLiteral("1:%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    const QString json =
        cli({"redact", input, "--text", "secret", "--text", QStringLiteral("zażółć"), "--text",
             QStringLiteral("秘密"), "--area", shown(redactionPatchShown()), "--area",
             shown(redactionSquareShown()), "--fill", "#ff0000", "-o", out, "--json"});
    ASSERT_EQ(code, 0) << err.toStdString();
    int status = -1;
    runTool("qpdf", {"--check", out}, &status);
    EXPECT_EQ(status, 0);

    const QString poppler = QString::fromUtf8(runTool("pdftotext", {out, "-"}));
    const QString engine = QString::fromUtf8(runTool("mutool", {"draw", "-F", "txt", out}));
    const QString own = ownText(out);
    for (const QString& text : {poppler, engine, own}) {
        for (const QString& secret : redactionSecrets())
            EXPECT_FALSE(text.contains(secret, Qt::CaseInsensitive)) << text.toStdString();
        for (const QString& word : redactionKeptWords())
            EXPECT_TRUE(text.contains(word)) << word.toStdString() << " in " << text.toStdString();
    }

    const QString qdf = dir.filePath("qdf.pdf");
    runTool("qpdf", {"--qdf", "--object-streams=disable", out, qdf});
    QFile raw(qdf);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    ASSERT_TRUE(bytes.contains("Lima chapter")); // the readable view really is readable
    for (const QString& secret : redactionSecrets())
        for (const QByteArray& spelling : spellings(secret))
            EXPECT_FALSE(bytes.toLower().contains(spelling.toLower()))
                << secret.toStdString() << " as " << spelling.toStdString();
    EXPECT_FALSE(bytes.contains("/Thumb"));
    EXPECT_FALSE(bytes.contains("/Redact"));

    // The patch is red in the image itself; the rest of the image is as it was.
    runTool("pdfimages", {"-png", out, dir.filePath("img")});
    const QImage image(dir.filePath("img-000.png"));
    ASSERT_EQ(image.size(), QSize(40, 40));
    for (QPoint p : {QPoint(10, 10), QPoint(15, 15), QPoint(19, 19)})
        EXPECT_EQ(image.pixelColor(p), QColor(255, 0, 0)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(9, 15), QPoint(20, 15), QPoint(15, 9), QPoint(15, 20), QPoint(35, 35)})
        EXPECT_EQ(image.pixelColor(p), QColor(0, 200, 0)) << p.x() << "," << p.y();

    const QJsonObject report = QJsonDocument::fromJson(json.toUtf8()).object();
    const QJsonObject first = report["pages"].toArray()[0].toObject();
    EXPECT_EQ(first["imagesCut"].toInt(), 1);
    EXPECT_EQ(first["paths"].toInt(), 1);       // the square; the line through it stays
    EXPECT_EQ(first["annotations"].toInt(), 2); // the link and the note over the secret
    const QJsonObject elsewhere = report["elsewhere"].toObject();
    for (const char* where : {"information", "metadata", "outline", "annotations"})
        EXPECT_EQ(elsewhere[where].toInt(), 1) << where;
}

// Areas given as the pages are shown, turned 90 and 270 degrees: computed here from the
// rotation alone. The secret spans x 103.3–152, y 297–310 in user space on a 612 × 792 box.
// The marks go through a file of their own first, as standard Redact annotations to review:
// nothing is removed until that file is redacted in turn.
TEST_F(RedactCli, RedactsRotatedPagesWhereTheyAreShown) {
    const QString marked = dir.filePath("marked.pdf");
    // /Rotate 90 shows user (x, y) at (y, x); /Rotate 270 at (792 − y, 612 − x).
    cli({"redact", input, "--area", "2:295,104,17,47", "--area", "3:480,461,17,47", "--mark-only",
         "-o", marked});
    ASSERT_EQ(code, 0) << err.toStdString();
    EXPECT_TRUE(runTool("pdftotext", {"-f", "2", "-l", "2", marked, "-"}).contains("SECRET"));
    EXPECT_EQ(runTool("qpdf", {"--qdf", "--object-streams=disable", marked, "-"}).count("/Redact"),
              2);
    const QString out = dir.filePath("turned.pdf");
    cli({"redact", marked, "-o", out});
    ASSERT_EQ(code, 0) << err.toStdString();
    const QString text = QString::fromUtf8(runTool("pdftotext", {"-f", "2", "-l", "3", out, "-"}));
    EXPECT_FALSE(text.contains("SECRET")) << text.toStdString();
    for (const char* word : {"Hotel", "India", "Juliet", "Kilo"})
        EXPECT_TRUE(text.contains(word)) << word << " in " << text.toStdString();
}

TEST_F(RedactCli, RefusesWhatItCannotDoAndWritesNothing) {
    const QString out = dir.filePath("out.pdf");
    const struct {
        QStringList args;
        int code;
        const char* message;
    } cases[] = {
        {{"--text", "absent"}, 2, "nothing matched"},
        {{"--regex", "(unclosed"}, 2, "does not compile"},
        {{"--area", "1:700,10,20,20"}, 1, "lies outside page 1"},
        {{"--area", "9:10,10,20,20"}, 1, "there is no page 9"},
        {{"--area", "1:10,10,0,20"}, 2, "PAGE:X,Y,W,H"},
        {{"--fill", "nocolour", "--text", "secret"}, 2, "--fill"},
    };
    for (const auto& c : cases) {
        cli(QStringList{"redact", input} + c.args + QStringList{"-o", out});
        EXPECT_EQ(code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(err.contains(c.message)) << err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << c.args.join(' ').toStdString();
    }
    cli({"redact", input, "--text", "absent", "--allow-empty", "-o", out});
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_TRUE(QFile::exists(out));
}

TEST_F(RedactCli, SanitisesOnItsOwnAndSaysWhatItFound) {
    const QString in = file("plans.pdf", sanitizePdf());
    const QString out = dir.filePath("plans_clean.pdf");
    const QString json = cli({"redact", in, "--sanitize", "-o", out, "--json"});
    ASSERT_EQ(code, 0) << err.toStdString();
    const QJsonObject found =
        QJsonDocument::fromJson(json.toUtf8()).object()["sanitized"].toObject();
    EXPECT_EQ(found["metadata"].toInt(), 3); // two information entries and the XMP packet
    EXPECT_EQ(found["scripts"].toInt(), 2);  // the named script and the opening action
    EXPECT_EQ(found["embeddedFiles"].toInt(), 2);
    EXPECT_EQ(found["hiddenLayers"].toInt(), 1);
    EXPECT_EQ(found["comments"].toInt(), 1);

    int status = -1;
    runTool("qpdf", {"--check", out}, &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(runTool("pdftotext", {out, "-"}).contains("Visible words"));
    const QString qdf = dir.filePath("clean_qdf.pdf");
    runTool("qpdf", {"--qdf", "--object-streams=disable", out, qdf});
    QFile raw(qdf);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    for (const char* gone : {"Planner", "JavaScript", "app.alert", "EmbeddedFile", "plan.txt",
                             "HiddenLayerWord", "Comment text"})
        EXPECT_FALSE(bytes.contains(gone)) << gone;
}

TEST_F(RedactCli, KeepsTheProtectionOfAProtectedInput) {
    const QString locked = dir.filePath("locked.pdf");
    cli({"protect", input, "--owner", "boss", "--user", "staff", "-o", locked});
    ASSERT_EQ(code, 0) << err.toStdString();
    const QString out = dir.filePath("locked_redacted.pdf");
    qputenv("VELLUMARK_PASSWORD", "staff");
    cli({"redact", locked, "--text", "secret", "-o", out});
    qunsetenv("VELLUMARK_PASSWORD");
    ASSERT_EQ(code, 0) << err.toStdString();
    int status = -1;
    runTool("pdftotext", {out, "-"}, &status);
    EXPECT_NE(status, 0); // no password, no text
    const QString text = QString::fromUtf8(runTool("pdftotext", {"-upw", "staff", out, "-"}));
    EXPECT_TRUE(text.contains("Bravo"));
    EXPECT_FALSE(text.contains("SECRET"));
}

} // namespace
