// vellumark-cli attachments: files qpdf attached are listed and come out byte for byte;
// names from a hostile file never choose where anything is written.
#include "support/CliFixture.h"
#include "support/ReaderFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace fixtures;

namespace {

class AttachmentsCli : public CliFixture {};

TEST_F(AttachmentsCli, ListsAndExtractsWhatQpdfAttached) {
    if (!toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf is not installed";
    const QString base = file("base.pdf", ReaderPdf(1).build());
    QByteArray table;
    for (int i = 0; i < 5000; ++i)
        table += QByteArray::number(i) + ",row\n";
    const QString payload = file("table.csv", table);
    const QString attached = dir.filePath("attached.pdf");
    runTool("qpdf",
            {base, attached, "--add-attachment", payload, "--description=The\ttable", "--", "--"},
            &code);
    ASSERT_EQ(code, 0);

    const QString listed = cli({"attachments", attached});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(listed, QStringLiteral("1\t%1\t-\ttable.csv\tThe table\n").arg(table.size()));

    const QString out = dir.filePath("out");
    cli({"attachments", attached, "--extract", out});
    ASSERT_EQ(code, 0) << err.toStdString();
    QFile written(out + "/table.csv");
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), table);
    // Again into the same folder: nothing there is replaced.
    const auto json = QJsonDocument::fromJson(
        cli({"attachments", attached, "--extract", out, "--json"}).toUtf8());
    ASSERT_EQ(code, 0);
    EXPECT_EQ(json["attachments"][0]["path"].toString(), out + "/table (2).csv");
    EXPECT_EQ(json["attachments"][0]["size"].toInt(), table.size());
}

TEST_F(AttachmentsCli, HostileNamesStayInsideTheFolder) {
    ReaderPdf pdf(1);
    QByteArray names = "/Names [";
    int key = 0;
    for (const QByteArray& name :
         {QByteArray("(../../escaped.txt)"), QByteArray("(/tmp/absolute.txt)"),
          QByteArray("(\x1b]0;title\x07.txt)"), QByteArray("(..)"),
          QByteArray("<FEFF002E002E002F0000002F0065>"), "(" + QByteArray(10000, 'n') + ")"}) {
        const int s = pdf.addStream("<< /Type /EmbeddedFile >>", "x");
        names += "(" + QByteArray::number(key++) + ") << /Type /Filespec /UF " + name +
                 " /EF << /F " + objectRef(s) + ">> >> ";
    }
    const QString input =
        file("hostile.pdf", pdf.build("/Names << /EmbeddedFiles << " + names + "] >> >>"));
    const QString listed = cli({"attachments", input});
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(listed.contains(QChar(0x1b))); // nothing reaches the terminal raw
    EXPECT_EQ(listed.count(u'\n'), 6);

    const QString out = dir.filePath("inside");
    cli({"attachments", input, "--extract", out});
    EXPECT_EQ(code, 0) << err.toStdString();
    const QStringList files = QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(files.size(), 6) << files.join(" | ").toStdString();
    for (const QString& name : files) {
        EXPECT_FALSE(name.startsWith(u'.'));
        EXPECT_LE(name.toUtf8().size(), 200 + 8);
    }
    // Nothing landed beside the folder or at the absolute path.
    EXPECT_FALSE(QFile::exists(dir.filePath("escaped.txt")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

} // namespace
