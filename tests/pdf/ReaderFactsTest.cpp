// What the reader shows about a document besides its pages: page labels, embedded files,
// its properties and the list of annotations, from well-made files and from hostile ones.
#include "pdf/annotations/AnnotationList.h"
#include "pdf/document/Attachments.h"
#include "pdf/document/Document.h"
#include "pdf/document/DocumentProperties.h"
#include "pdf/document/Page.h"
#include "pdf/document/PageLabels.h"
#include "support/ReaderFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace fixtures;
using pdf::PageLabels;

namespace {

// Eight pages: i–iv, then 1–2, then "A-1" and "A-2".
QByteArray frontMatterPdf() {
    ReaderPdf pdf(8);
    return pdf.build("/PageLabels << /Nums [0 << /S /r >> 4 << /S /D >> 6 << /S /D /P (A-) >>] >>");
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PageLabelsTest, LabelsDisplayAndLookupFollowTheFile) {
    auto doc = pdf::Document::fromData(frontMatterPdf());
    ASSERT_TRUE(doc);
    const PageLabels labels = PageLabels::read(*doc);
    ASSERT_EQ(labels.pageCount(), 8);
    QStringList all;
    for (int i = 0; i < 8; ++i)
        all << labels.label(i);
    EXPECT_EQ(all.join(','), "i,ii,iii,iv,1,2,A-1,A-2");
    EXPECT_EQ(labels.display(3), "iv (4)");
    EXPECT_EQ(labels.display(4), "1 (5)");
    EXPECT_TRUE(labels.differs(0));
    // A label first, then a page number; case is forgiven only when nothing matches exactly.
    EXPECT_EQ(labels.indexForText("iv"), 3);
    EXPECT_EQ(labels.indexForText(" IV "), 3);
    EXPECT_EQ(labels.indexForText("2"), 5);
    EXPECT_EQ(labels.indexForText("a-2"), 7);
    EXPECT_EQ(labels.indexForText("8"), 7); // no page is labelled 8: the eighth page
    EXPECT_EQ(labels.indexForText("9"), -1);
    EXPECT_EQ(labels.indexForText("xx"), -1);

    // Without labels every page goes by its number.
    auto plain = pdf::Document::fromData(ReaderPdf(3).build());
    const PageLabels none = PageLabels::read(*plain);
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(none.display(2), "3");
    EXPECT_EQ(none.indexForText("3"), 2);

    EXPECT_EQ(PageLabels::number(PageLabels::Style::UpperRoman, 1994), "MCMXCIV");
    EXPECT_EQ(PageLabels::number(PageLabels::Style::LowerLetters, 28), "bb");
}

TEST(PageLabelsTest, HostileTreesAndNumbersStayBounded) {
    // A tree whose node lists itself twice, ranges with absurd numbers, a prefix of
    // control characters and 300 letters, and a range past the last page.
    ReaderPdf pdf(4);
    const int node = pdf.reserve();
    pdf.set(node, "<< /Kids [" + objectRef(node) + objectRef(node) +
                      "] /Nums [0 << /S /R /St 1000000 >> 1 << /S /a /St 2147483647 >> "
                      "2 << /S /D /P (\x01\x02" +
                      QByteArray(300, 'x') + ") /St -5 >> 3 << /S /Q >> 99 << /S /D >>] >>");
    auto doc = pdf::Document::fromData(pdf.build("/PageLabels " + objectRef(node)));
    ASSERT_TRUE(doc);
    const PageLabels labels = PageLabels::read(*doc);
    EXPECT_EQ(labels.label(0), "1000000");    // too large for a roman numeral
    EXPECT_EQ(labels.label(1), "2147483647"); // or a run of letters
    EXPECT_EQ(labels.label(2), QString(PageLabels::kMaxPrefix, 'x') + "1");
    EXPECT_EQ(labels.label(3), ""); // an unknown style: the prefix alone
    EXPECT_EQ(labels.indexForText("4"), 3);
}

TEST(AttachmentsTest, ListsAndSavesWhatQpdfAttachedAndWhatAnnotationsCarry) {
    if (!toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf is not installed";
    QTemporaryDir dir;
    ReaderPdf pdf(2);
    const int stream = pdf.addStream("<< /Type /EmbeddedFile /Params << /Size 5 >> >>", "hello");
    pdf.annotate(1, "<< /Type /Annot /Subtype /FileAttachment /Rect [72 72 92 92] /FS << /Type "
                    "/Filespec /F (note.txt) /EF << /F " +
                        objectRef(stream) + ">> >> >>");
    const QString base = writeTemp(dir.path(), "base.pdf", pdf.build());
    const QByteArray data(100000, 'z');
    const QString payload = writeTemp(dir.path(), "data.csv", data);
    const QString attached = dir.filePath("attached.pdf");
    int code = -1;
    runTool("qpdf",
            {base, attached, "--add-attachment", payload, "--description=Quarterly figures",
             "--mimetype=text/csv", "--", "--"},
            &code);
    ASSERT_EQ(code, 0);

    auto doc = pdf::Document::open(attached);
    ASSERT_TRUE(doc);
    const auto list = pdf::attachments(*doc);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "data.csv");
    EXPECT_EQ(list[0].description, "Quarterly figures");
    EXPECT_EQ(list[0].mimeType, "text/csv");
    EXPECT_EQ(list[0].size, data.size());
    EXPECT_EQ(list[0].page, -1);
    EXPECT_EQ(list[1].name, "note.txt");
    EXPECT_EQ(list[1].page, 1);

    QString error;
    ASSERT_TRUE(pdf::saveAttachment(*doc, 0, dir.filePath("out.csv"), &error))
        << error.toStdString();
    EXPECT_EQ(readFile(dir.filePath("out.csv")), data);
    ASSERT_TRUE(pdf::saveAttachment(*doc, 1, dir.filePath("note.txt"), &error));
    EXPECT_EQ(readFile(dir.filePath("note.txt")), "hello");
    // Past the limit, and for an index that is not there: an error and no file.
    EXPECT_FALSE(pdf::saveAttachment(*doc, 0, dir.filePath("big.csv"), &error, 1000));
    EXPECT_TRUE(error.contains("larger"));
    EXPECT_FALSE(QFile::exists(dir.filePath("big.csv")));
    EXPECT_FALSE(pdf::saveAttachment(*doc, 2, dir.filePath("none"), &error));
    EXPECT_FALSE(QFile::exists(dir.filePath("none")));
}

TEST(AttachmentsTest, HostileNamesAndSizesAreNeverTrusted) {
    ReaderPdf pdf(1);
    auto embed = [&](const QByteArray& name, const QByteArray& size) {
        const int s =
            pdf.addStream("<< /Type /EmbeddedFile /Params << /Size " + size + " >> >>", "tiny");
        return "<< /Type /Filespec /UF " + name + " /EF << /F " + objectRef(s) + ">> >>";
    };
    QByteArray names = "/Names [";
    names += "(a) " + embed("(" + QByteArray(10000, 'n') + ".txt)", "2147483647");
    names += "(b) " + embed("(../../etc/passwd)", "4");
    names += "(c) " + embed("(/etc/shadow)", "2147483648"); // past what the engine reads
    names += "(d) " + embed("(bell\x07\x1b[31mred.sh)", "4");
    // UTF-16 with a NUL inside: "ok" NUL "evil".
    names += "(e) " + embed("<FEFF006F006B0000006500760069006C>", "4");
    names += "]";
    auto doc =
        pdf::Document::fromData(pdf.build("/Names << /EmbeddedFiles << " + names + " >> >>"));
    ASSERT_TRUE(doc);
    const auto list = pdf::attachments(*doc);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].size, 2147483647LL); // shown as declared, never allocated
    EXPECT_EQ(list[2].size, -1);           // unknown rather than wrong
    for (const auto& a : list)
        for (QChar ch : a.name)
            EXPECT_TRUE(ch.isPrint()) << a.name.toStdString();

    const QString longName = pdf::safeFileName(list[0].name);
    EXPECT_LE(longName.toUtf8().size(), 200);
    EXPECT_TRUE(longName.endsWith(".txt"));
    EXPECT_EQ(pdf::safeFileName(list[1].name), "passwd");
    EXPECT_EQ(pdf::safeFileName(list[2].name), "shadow");
    EXPECT_EQ(pdf::safeFileName(list[3].name), "bell[31mred.sh");
    EXPECT_EQ(pdf::safeFileName(list[4].name), "ok");
    EXPECT_EQ(pdf::safeFileName(".."), "attachment");
    EXPECT_EQ(pdf::safeFileName("C:\\Users\\x\\..\\report.pdf"), "report.pdf");
    EXPECT_EQ(pdf::safeFileName(".hidden"), "hidden");

    // The 2 GB it declares is not what is written: the four bytes it holds are.
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(pdf::saveAttachment(*doc, 0, dir.filePath(longName), &error));
    EXPECT_EQ(readFile(dir.filePath(longName)), "tiny");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(DocumentPropertiesTest, FontsProtectionAndStructureAsOtherToolsReportThem) {
    if (!toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf is not installed";
    QTemporaryDir dir;
    ReaderPdf pdf(3);
    const QString plain =
        writeTemp(dir.path(), "plain.pdf", pdf.build("/MarkInfo << /Marked true >>"));
    auto doc = pdf::Document::open(plain);
    ASSERT_TRUE(doc);
    pdf::DocumentProperties p = pdf::describe(*doc);
    EXPECT_EQ(p.pageCount, 3);
    ASSERT_EQ(p.pageSizes.size(), 1u);
    EXPECT_EQ(p.pageSizes[0].size, QSizeF(612, 792));
    EXPECT_EQ(p.pageSizes[0].pages, 3);
    EXPECT_TRUE(p.tagged);
    EXPECT_FALSE(p.encrypted);
    EXPECT_FALSE(p.linearized);
    ASSERT_EQ(p.fonts.size(), 1u);
    EXPECT_EQ(p.fonts[0].name, "Helvetica");
    EXPECT_EQ(p.fonts[0].type, "Type 1");
    EXPECT_FALSE(p.fonts[0].embedded);

    // Protected and linearised by another tool.
    const QString locked = dir.filePath("locked.pdf");
    int code = -1;
    runTool("qpdf",
            {plain, locked, "--linearize", "--encrypt", "", "owner", "256", "--print=none",
             "--extract=n", "--"},
            &code);
    ASSERT_EQ(code, 0);
    auto protectedDoc = pdf::Document::open(locked);
    ASSERT_TRUE(protectedDoc);
    p = pdf::describe(*protectedDoc);
    EXPECT_TRUE(p.encrypted);
    EXPECT_TRUE(p.encryption.contains("AES")) << p.encryption.toStdString();
    EXPECT_FALSE(p.mayPrint);
    EXPECT_FALSE(p.mayCopy);
    EXPECT_TRUE(p.mayAnnotate);
    EXPECT_TRUE(p.linearized);
    EXPECT_EQ(p.version, "1.7");
}

TEST(AnnotationListTest, ListsRemarksWithRepliesAndAddsAReplyOthersRead) {
    ReaderPdf pdf(3);
    const int note =
        pdf.annotate(0, "<< /Type /Annot /Subtype /Text /Rect [100 700 120 720] "
                        "/T (Ada) /Contents (Check these figures) /M (D:20240102030405Z) >>");
    pdf.annotate(0, "<< /Type /Annot /Subtype /Text /Rect [100 700 120 720] /T (Brian) "
                    "/Contents (They are right) /IRT " +
                        objectRef(note) + ">>");
    pdf.annotate(0, "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] >>");
    pdf.annotate(2, "<< /Type /Annot /Subtype /Highlight /Rect [72 700 200 720] /T (Ada) "
                    "/QuadPoints [72 720 200 720 72 700 200 700] >>");
    auto doc = pdf::Document::fromData(pdf.build());
    ASSERT_TRUE(doc);
    auto list = pdf::listAnnotations(*doc);
    ASSERT_EQ(list.size(), 3u); // the link is nobody's remark
    EXPECT_EQ(list[0].author, "Ada");
    EXPECT_EQ(list[0].contents, "Check these figures");
    EXPECT_EQ(list[0].date, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), QTimeZone::utc()));
    EXPECT_EQ(list[1].inReplyTo, note);
    EXPECT_EQ(list[2].page, 2);
    EXPECT_EQ(list[2].subtype, "Highlight");

    auto page = doc->page(0);
    auto parent = pdf::annotationByObject(*page, note);
    ASSERT_TRUE(parent);
    ASSERT_TRUE(pdf::addReply(*page, *parent, "Thanks", "Cleo"));
    // Written and read again, the reply still names its note.
    auto again = pdf::Document::fromData(doc->dataRepresentation());
    ASSERT_TRUE(again);
    list = pdf::listAnnotations(*again);
    ASSERT_EQ(list.size(), 4u);
    const auto reply =
        std::find_if(list.begin(), list.end(), [](const auto& e) { return e.author == "Cleo"; });
    ASSERT_NE(reply, list.end());
    EXPECT_EQ(reply->contents, "Thanks");
    EXPECT_EQ(reply->inReplyTo, list[0].object);
    EXPECT_TRUE(reply->date.isValid());
}

} // namespace
