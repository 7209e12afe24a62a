// Merging keeps every file's outline, each under an entry named after its file, read back
// by the engine and by qpdf.
#include "pdf/document/Document.h"
#include "pdf/document/Links.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"
#include "utilities/PageOperations.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Two pages; the outline is "Intro" (page 1) and "Details" (page 2).
QByteArray twoEntryPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int outlines = pdf.reserve();
    const int intro = pdf.reserve();
    const int details = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    auto ref = [](int n) { return QByteArray::number(n) + " 0 R "; };
    QList<int> kids;
    for (int i = 0; i < 2; ++i) {
        const int content = pdf.addStream("<< >>", "BT /F1 12 Tf 72 720 Td (Other " +
                                                       QByteArray::number(i + 1) + ") Tj ET");
        kids << pdf.add("<< /Type /Page /Parent " + ref(pages) +
                        "/MediaBox [0 0 612 792] /Resources << /Font << /F1 " + ref(font) +
                        ">> >> /Contents " + ref(content) + ">>");
    }
    pdf.set(pages, "<< /Type /Pages /Kids [" + ref(kids[0]) + ref(kids[1]) + "] /Count 2 >>");
    pdf.set(intro, "<< /Title (Intro) /Parent " + ref(outlines) + "/Next " + ref(details) +
                       "/Dest [" + ref(kids[0]) + "/Fit] >>");
    pdf.set(details, "<< /Title (Details) /Parent " + ref(outlines) + "/Prev " + ref(intro) +
                         "/Dest [" + ref(kids[1]) + "/XYZ 0 700 0] >>");
    pdf.set(outlines,
            "<< /Type /Outlines /First " + ref(intro) + "/Last " + ref(details) + "/Count 2 >>");
    pdf.set(catalog,
            "<< /Type /Catalog /Pages " + ref(pages) + "/Outlines " + ref(outlines) + ">>");
    return pdf.build(catalog);
}

// qpdf's reading of the outline: each entry as "title@page" with its children in brackets.
QString qpdfOutline(const QJsonArray& items) {
    QStringList parts;
    for (const auto& value : items) {
        const QJsonObject item = value.toObject();
        QString text =
            item["title"].toString() + "@" + QString::number(item["destpageposfrom1"].toInt());
        const QJsonArray kids = item["kids"].toArray();
        if (!kids.isEmpty())
            text += "[" + qpdfOutline(kids) + "]";
        parts << text;
    }
    return parts.join(", ");
}

QJsonObject qpdfJson(const QString& path, const QString& key) {
    int code = -1;
    const QByteArray json = runTool("qpdf", {"--json", "--json-key=" + key, path}, &code);
    EXPECT_EQ(code, 0);
    return QJsonDocument::fromJson(json).object();
}

// The engine's reading: titles and 1-based pages, the same shape.
QString engineOutline(const std::vector<pdf::OutlineItem>& items) {
    QStringList parts;
    for (const auto& item : items) {
        QString text = item.title + "@" + QString::number(item.destination.page + 1);
        if (!item.children.empty())
            text += "[" + engineOutline(item.children) + "]";
        parts << text;
    }
    return parts.join(", ");
}

class MergeOutlineTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString merged(const QString& base, const QStringList& others) {
        auto doc = pdf::Document::open(base);
        EXPECT_NE(doc, nullptr);
        const auto result = PageOperations::mergeDocuments(doc, others);
        EXPECT_TRUE(result.skipped.isEmpty());
        const QString out = dir.filePath("merged.pdf");
        EXPECT_TRUE(doc->write(out));
        int code = -1;
        runTool("qpdf", {"--check", out}, &code);
        EXPECT_EQ(code, 0);
        return out;
    }
};

TEST_F(MergeOutlineTest, EveryFileKeepsItsOutlineUnderAnEntryNamedAfterIt) {
    const QString guide = writeTemp(dir.path(), "guide.pdf", navigationPdf());
    const QString other = writeTemp(dir.path(), "other.pdf", twoEntryPdf());
    const QString out = merged(guide, {other});

    // guide.pdf has five pages: other.pdf's entries now lead to pages 6 and 7.
    const QString expected = "guide@1[Part I@1[Chapter 1@2[Section 1.1@3]], Part II@3, "
                             "Website@0], other@6[Intro@6, Details@7]";
    EXPECT_EQ(qpdfOutline(qpdfJson(out, "outlines")["outlines"].toArray()).toStdString(),
              expected.toStdString());
    auto reread = pdf::Document::open(out);
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(engineOutline(pdf::outline(*reread)).toStdString(), expected.toStdString());
    // The web address entry still opens its address.
    const auto top = pdf::outline(*reread);
    ASSERT_EQ(top.size(), 2u);
    ASSERT_EQ(top[0].children.size(), 3u);
    EXPECT_EQ(top[0].children[2].uri, "https://example.org/guide");
}

TEST_F(MergeOutlineTest, AnOutlineThatLoopsIsCopiedOnceAndTheMergeEnds) {
    const QString base = writeTemp(dir.path(), "plain.pdf", numberedPdf(2));
    const QString looped = writeTemp(dir.path(), "looped.pdf", navigationPdf(true));
    const QString out = merged(base, {looped});
    // "Website" names "Part I" as its next sibling; the copy stops there. The base file has
    // no outline but still gets its entry, so each file is found the same way.
    EXPECT_EQ(qpdfOutline(qpdfJson(out, "outlines")["outlines"].toArray()).toStdString(),
              "plain@1, looped@3[Part I@3[Chapter 1@4[Section 1.1@5]], Part II@5, Website@0]");
}

TEST_F(MergeOutlineTest, FilesWithoutOutlinesGetNone) {
    const QString a = writeTemp(dir.path(), "a.pdf", numberedPdf(2));
    const QString b = writeTemp(dir.path(), "b.pdf", numberedPdf(3));
    const QString out = merged(a, {b});
    EXPECT_TRUE(qpdfJson(out, "outlines")["outlines"].toArray().isEmpty());
    EXPECT_EQ(pdf::Document::open(out)->pageCount(), 5);
}

TEST_F(MergeOutlineTest, MergedPagesKeepTheirLinksAndFields) {
    const QString linked = writeTemp(dir.path(), "linked.pdf", linkedPdf());
    const QString form = writeTemp(dir.path(), "form.pdf", formPdf());
    const QString out = merged(linked, {form});
    const int linkedPages = pdf::Document::fromData(linkedPdf())->pageCount();
    EXPECT_EQ(pdf::Document::open(out)->pageCount(), linkedPages + 2);
    // The links of linked.pdf lead where they did; the form's fields sit on its pages.
    const auto before = linksInFile(linked);
    EXPECT_EQ(linksInFile(out), before);
    QStringList fields;
    for (const auto& f : qpdfJson(out, "acroform")["acroform"].toObject()["fields"].toArray())
        fields << f.toObject()["fullname"].toString() + "@" +
                      QString::number(f.toObject()["pageposfrom1"].toInt() - linkedPages);
    fields.sort();
    EXPECT_EQ(fields.join(" ").toStdString(),
              "agree@1 choice@1 choice@1 city@2 colour@1 name@1 sig@1");
    EXPECT_TRUE(pdftotextPage(out, linkedPages + 2).contains("Second page"));
}

} // namespace
