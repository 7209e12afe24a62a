// Finding pages by number through the document's table of page objects: kept in step with
// every edit of the page tree, right for what pages inherit, and leaving the file as it was.
#include "pdf/document/Document.h"
#include "pdf/document/Links.h"
#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"
#include "support/PdfFixtures.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

QByteArray ref(int number) {
    return QByteArray::number(number) + " 0 R";
}

QByteArray num(double value) {
    return QByteArray::number(value);
}

QString firstLine(const pdf::DocumentPtr& doc, int index) {
    auto page = doc->page(index);
    return page ? page->textPage()->text().simplified().section(' ', 0, 2) : QString();
}

// `count` pages in one flat /Kids array, page i showing "Page i+1 Flat" on a page of
// (200 + i % 50) x (300 + i % 70) points; every seventh page has no box of its own and takes
// the root's 500 x 600, and every page takes its font from the root.
QByteArray flatPdf(int count) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int root = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    QByteArray kids;
    for (int i = 0; i < count; ++i) {
        const int stream =
            pdf.addStream("<< >>", "BT /F1 10 Tf 20 20 Td (Page " + num(i + 1) + " Flat) Tj ET\n");
        const QByteArray box =
            i % 7 == 0 ? QByteArray()
                       : " /MediaBox [0 0 " + num(200 + i % 50) + " " + num(300 + i % 70) + "]";
        kids += ref(pdf.add("<< /Type /Page /Parent " + ref(root) + box + " /Contents " +
                            ref(stream) + " >>")) +
                " ";
    }
    pdf.set(root, "<< /Type /Pages /MediaBox [0 0 500 600] /Resources << /Font << /F1 " +
                      ref(font) + " >> >> /Kids [" + kids + "] /Count " + num(count) + " >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(root) + " >>");
    return pdf.build(catalog);
}

QSizeF flatSize(int i) {
    return i % 7 == 0 ? QSizeF(500, 600) : QSizeF(200 + i % 50, 300 + i % 70);
}

// Every page of `doc` as another reader sees it in the file written from it: the first
// three words of each page's text.
QStringList writtenPages(const pdf::DocumentPtr& doc, const QString& path) {
    if (!doc->write(path))
        return {};
    int code = -1;
    const QString text = QString::fromUtf8(runTool("pdftotext", {path, "-"}, &code));
    QStringList pages = text.split('\f');
    pages.removeLast(); // after the last page's form feed
    for (QString& page : pages)
        page = page.simplified().section(' ', 0, 2);
    return code == 0 ? pages : QStringList();
}

TEST(PageTableTest, EveryEditOfTheTreeKeepsTheLookupsOnTheTreesPages) {
    QTemporaryDir dir;
    auto doc = pdf::Document::fromData(numberedPdf(120, "Edit"));
    ASSERT_TRUE(doc && doc->pageLookupsMatchTree());
    auto other = pdf::Document::fromData(numberedPdf(3, "Other"));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);

    // Removals, insertions of every kind, a merge, a move (a copy in, the original out) and a
    // rotation, each checked against the engine's own walk of the tree.
    const std::vector<std::pair<const char*, std::function<bool()>>> edits = {
        {"remove the first", [&] { return doc->removePage(0); }},
        {"remove one inside", [&] { return doc->removePage(59); }},
        {"remove the last", [&] { return doc->removePage(doc->pageCount() - 1); }},
        {"insert a blank", [&] { return doc->insertBlankPage(5, 200, 300) != nullptr; }},
        {"append a blank",
         [&] { return doc->insertBlankPage(doc->pageCount(), 300, 200) != nullptr; }},
        {"insert an image", [&] { return doc->insertImagePage(40, image, 400, 300) != nullptr; }},
        {"merge",
         [&] {
             return doc->insertPages(*other, {0, 1, 2}, 30) == 3;
         }},
        {"copy in", [&] { return doc->insertPage(doc->page(100), 2) != nullptr; }},
        {"take the original out", [&] { return doc->removePage(101); }},
        {"rotate", [&] { return doc->page(7)->setRotation(90), true; }},
    };
    for (const auto& [name, edit] : edits) {
        ASSERT_TRUE(edit()) << name;
        EXPECT_TRUE(doc->pageLookupsMatchTree()) << name;
    }
    ASSERT_EQ(doc->pageCount(), 123);
    EXPECT_EQ(firstLine(doc, 0), "Page 2 Edit");
    EXPECT_EQ(firstLine(doc, 2), "Page 98 Edit"); // moved
    EXPECT_EQ(doc->page(6)->displaySize(), QSizeF(200, 300));
    EXPECT_EQ(firstLine(doc, 31), "Page 1 Other");
    EXPECT_EQ(doc->page(122)->displaySize(), QSizeF(300, 200));

    // The sizes read from the page objects agree with the loaded pages, page by page.
    const auto sizes = doc->pageSizes();
    ASSERT_EQ(sizes.size(), 123u);
    for (int i = 0; i < 123; ++i)
        ASSERT_EQ(sizes[size_t(i)], doc->page(i)->displaySize()) << i;
    EXPECT_EQ(sizes[7], QSizeF(792, 612));

    // Another reader finds the same pages in the same order in what we write.
    if (!toolAvailable("pdftotext"))
        GTEST_SKIP() << "pdftotext not installed";
    const QStringList theirs = writtenPages(doc, dir.filePath("edited.pdf"));
    ASSERT_EQ(theirs.size(), 123);
    for (int i = 0; i < 123; ++i)
        EXPECT_EQ(theirs[i], firstLine(doc, i)) << i;
}

// Six pages, page n of (100 + n) x 200 points, in a tree laid out by `layout`, which
// sets the root (object `root`) and any inner nodes from the pages' object numbers.
QByteArray
treePdf(const std::function<void(MiniPdf&, int root, const std::vector<int>& pages)>& layout) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int root = pdf.reserve();
    std::vector<int> pages;
    for (int n = 1; n <= 6; ++n)
        pages.push_back(pdf.add("<< /Type /Page /Parent " + ref(root) + " /MediaBox [0 0 " +
                                num(100 + n) + " 200] >>"));
    layout(pdf, root, pages);
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(root) + " >>");
    return pdf.build(catalog);
}

std::vector<int> pageNumbersBySize(const pdf::DocumentPtr& doc) {
    std::vector<int> numbers;
    for (const QSizeF& size : doc->pageSizes())
        numbers.push_back(size.height() == 200 ? int(size.width()) - 100 : 0);
    return numbers;
}

TEST(PageTableTest, TheWalkAtOpeningServesTheLookupsOfWhatItFoundAndRepaired) {
    using Pages = const std::vector<int>&;
    auto kids = [](std::initializer_list<QByteArray> items) {
        return "/Kids [" + QList<QByteArray>(items).join(' ') + "]";
    };
    auto node = [&](MiniPdf& pdf, int number, int parent, std::initializer_list<QByteArray> items,
                    int count) {
        pdf.set(number, "<< /Type /Pages " + (parent ? "/Parent " + ref(parent) : QByteArray()) +
                            " " + kids(items) + " /Count " + num(count) + " >>");
    };
    // root > A (pages 1, 2, B (pages 3, 4)), pages 5, 6: sound, or with one fault.
    auto nested = [&](int countOfB) {
        return [&, countOfB](MiniPdf& pdf, int root, Pages p) {
            const int a = pdf.reserve();
            const int b = pdf.reserve();
            node(pdf, b, a, {ref(p[2]), ref(p[3])}, countOfB);
            node(pdf, a, root, {ref(p[0]), ref(p[1]), ref(b)}, 4);
            node(pdf, root, 0, {ref(a), ref(p[4]), ref(p[5])}, 6);
            for (int i : {0, 1, 2, 3}) // their /Parent is the root: each names its real one
                pdf.set(p[size_t(i)], "<< /Type /Page /Parent " + ref(i < 2 ? a : b) +
                                          " /MediaBox [0 0 " + num(101 + i) + " 200] >>");
        };
    };
    const std::vector<std::tuple<const char*, QByteArray, std::vector<int>>> cases = {
        {"sound nested tree", treePdf(nested(2)), {1, 2, 3, 4, 5, 6}},
        {"an inner count that lies", treePdf(nested(7)), {1, 2, 3, 4, 5, 6}},
        {"a page listed twice",
         treePdf([&](MiniPdf& pdf, int root, Pages p) {
             node(pdf, root, 0, {ref(p[0]), ref(p[1]), ref(p[0]), ref(p[2])}, 4);
         }),
         {1, 2, 1, 3}},
        {"a page naming another parent",
         treePdf([&](MiniPdf& pdf, int root, Pages p) {
             const int other = pdf.add("<< /Type /Pages /Kids [] /Count 0 >>");
             pdf.set(p[1], "<< /Type /Page /Parent " + ref(other) + " /MediaBox [0 0 102 200] >>");
             node(pdf, root, 0, {ref(p[0]), ref(p[1]), ref(p[2])}, 3);
         }),
         {1, 2, 3}},
        {"a loop back to the root",
         treePdf([&](MiniPdf& pdf, int root, Pages p) {
             const int a = pdf.reserve();
             node(pdf, a, root, {ref(p[1]), ref(root), ref(p[2])}, 2);
             node(pdf, root, 0, {ref(p[0]), ref(a), ref(p[3])}, 4);
         }),
         {1, 2, 3, 4}},
        {"kids that are no pages",
         treePdf([&](MiniPdf& pdf, int root, Pages p) {
             node(pdf, root, 0, {ref(p[0]), "999 0 R", "42", ref(p[4])}, 4);
         }),
         {1, 5}},
    };
    QTemporaryDir dir;
    for (const auto& [name, bytes, expected] : cases) {
        const QString path = writeTemp(dir.path(), "tree.pdf", bytes);
        for (const auto& doc :
             {pdf::Document::fromData(bytes), pdf::Document::openForLookup(path)}) {
            ASSERT_TRUE(doc) << name;
            ASSERT_EQ(doc->pageCount(), int(expected.size())) << name;
            EXPECT_EQ(pageNumbersBySize(doc), expected) << name;
            EXPECT_TRUE(doc->pageLookupsMatchTree()) << name;
            EXPECT_EQ(doc->page(int(expected.size()) - 1)->mediaBox().width(),
                      100 + expected.back())
                << name;
            // Edits after the walk keep the lookups on the engine's pages.
            ASSERT_TRUE(doc->removePage(0)) << name;
            EXPECT_TRUE(doc->pageLookupsMatchTree()) << name;
            ASSERT_TRUE(doc->insertBlankPage(1, 150, 200)) << name;
            EXPECT_TRUE(doc->pageLookupsMatchTree()) << name;
            std::vector<int> edited(expected.begin() + 1, expected.end());
            edited.insert(edited.begin() + std::min<size_t>(1, edited.size()), 50);
            EXPECT_EQ(pageNumbersBySize(doc), edited) << name;
        }
    }
}

TEST(PageTableTest, TwentyThousandFlatPagesGiveEverySizeAndText) {
    constexpr int kPages = 20000;
    auto doc = pdf::Document::fromData(flatPdf(kPages));
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pageCount(), kPages);
    const auto sizes = doc->pageSizes();
    ASSERT_EQ(sizes.size(), size_t(kPages));
    for (int i = 0; i < kPages; ++i)
        ASSERT_EQ(sizes[size_t(i)], flatSize(i)) << i;
    // Each page loaded in turn, as `info` does, with what it inherits from the root.
    for (int i = 0; i < kPages; ++i) {
        auto page = doc->page(i);
        ASSERT_TRUE(page) << i;
        ASSERT_EQ(page->mediaBox().size(), flatSize(i)) << i;
    }
    // The text of every page, read from the private copies, each in its own slot.
    const auto texts = doc->textPages();
    ASSERT_EQ(texts.size(), size_t(kPages));
    for (int i = 0; i < kPages; ++i)
        ASSERT_EQ(texts[size_t(i)]->text().simplified(), QStringLiteral("Page %1 Flat").arg(i + 1))
            << i;
    const auto found = doc->findString("Page 19999 Flat");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(doc->indexForPage(found[0].pages().front()), 19998);
}

TEST(PageTableTest, PagesKeepWhatTheyInheritFromEveryLevelOfTheTree) {
    // root (box 400 x 500, font) > A (rotated 90) > pages 1-2; root > B (crop 200 x 250) >
    // page 3 and C > page 4 (its own box 300 x 300).
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int root = pdf.reserve();
    const int a = pdf.reserve();
    const int b = pdf.reserve();
    const int cNode = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    auto page = [&](int parent, int n, const QByteArray& extra) {
        const int stream =
            pdf.addStream("<< >>", "BT /F1 10 Tf 20 20 Td (Leaf " + num(n) + ") Tj ET\n");
        return pdf.add("<< /Type /Page /Parent " + ref(parent) + extra + " /Contents " +
                       ref(stream) + " >>");
    };
    const int p1 = page(a, 1, {});
    const int p2 = page(a, 2, {});
    const int p3 = page(b, 3, {});
    const int p4 = page(cNode, 4, " /MediaBox [0 0 300 300]");
    pdf.set(cNode, "<< /Type /Pages /Parent " + ref(b) + " /Kids [" + ref(p4) + "] /Count 1 >>");
    pdf.set(b, "<< /Type /Pages /Parent " + ref(root) + " /CropBox [0 0 200 250] /Kids [" +
                   ref(p3) + " " + ref(cNode) + "] /Count 2 >>");
    pdf.set(a, "<< /Type /Pages /Parent " + ref(root) + " /Rotate 90 /Kids [" + ref(p1) + " " +
                   ref(p2) + "] /Count 2 >>");
    pdf.set(root, "<< /Type /Pages /MediaBox [0 0 400 500] /Resources << /Font << /F1 " +
                      ref(font) + " >> >> /Kids [" + ref(a) + " " + ref(b) + "] /Count 4 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(root) + " >>");
    auto doc = pdf::Document::fromData(pdf.build(catalog));
    ASSERT_TRUE(doc && doc->pageCount() == 4);
    EXPECT_TRUE(doc->pageLookupsMatchTree());

    const QSizeF shown[] = {{500, 400}, {500, 400}, {200, 250}, {200, 250}};
    const auto sizes = doc->pageSizes();
    for (int i = 0; i < 4; ++i) {
        auto p = doc->page(i);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->displaySize(), shown[i]) << i;
        EXPECT_EQ(sizes[size_t(i)], shown[i]) << i;
        EXPECT_EQ(p->rotation(), i < 2 ? 90 : 0) << i;
        EXPECT_EQ(p->textPage()->text().simplified(), QStringLiteral("Leaf %1").arg(i + 1));
    }
    EXPECT_EQ(doc->page(3)->mediaBox().size(), QSizeF(300, 300));
    EXPECT_EQ(doc->page(2)->mediaBox().size(), QSizeF(400, 500));
}

TEST(PageTableTest, ALinkToAPageByItsNumberLeadsToThatPage) {
    // Page 1 links to page 4 by number (a destination other readers accept too); page 4 is
    // 500 points tall, so the top of its view shows where the engine found that page.
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int root = pdf.reserve();
    const int link =
        pdf.add("<< /Type /Annot /Subtype /Link /Rect [72 600 272 630] /Dest [3 /XYZ 0 400 0] >>");
    QByteArray kids;
    for (int i = 0; i < 6; ++i)
        kids += ref(pdf.add("<< /Type /Page /Parent " + ref(root) + " /MediaBox [0 0 300 " +
                            num(i == 3 ? 500 : 792) + "]" +
                            (i == 0 ? " /Annots [" + ref(link) + "]" : QByteArray()) + " >>")) +
                " ";
    pdf.set(root, "<< /Type /Pages /Kids [" + kids + "] /Count 6 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(root) + " >>");
    auto doc = pdf::Document::fromData(pdf.build(catalog));
    ASSERT_TRUE(doc);
    const auto links = pdf::links(*doc->page(0));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].destination.page, 3);
    ASSERT_TRUE(links[0].destination.top.has_value());
    EXPECT_NEAR(*links[0].destination.top, 100, 0.01);
}

// What another reader finds at the top of a file: the trailer's /Root, the catalog's
// /Pages, and how many page-tree nodes the file holds.
struct FileTop {
    QString root, pages;
    int treeNodes = 0;
    int pageCount = 0;
};

FileTop readFileTop(const QString& path) {
    FileTop top;
    int code = -1;
    const QJsonObject json =
        QJsonDocument::fromJson(runTool("qpdf", {"--json", "--json-key=qpdf", path}, &code))
            .object()["qpdf"]
            .toArray()[1]
            .toObject();
    if (code != 0)
        return top;
    top.root = json["trailer"].toObject()["value"].toObject()["/Root"].toString();
    const QString catalogKey = "obj:" + top.root;
    top.pages = json[catalogKey].toObject()["value"].toObject()["/Pages"].toString();
    for (auto it = json.begin(); it != json.end(); ++it) {
        const QJsonObject value = it.value().toObject()["value"].toObject();
        top.treeNodes += value["/Type"].toString() == "/Pages";
        top.pageCount += value["/Type"].toString() == "/Page";
    }
    return top;
}

TEST(PageTableTest, LoadingPagesLeavesTheFileAsItWasEvenWhenItIsRepairedMeanwhile) {
    if (!toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf not installed";
    QTemporaryDir dir;
    // A cross-reference stream (its trailer belongs to an object of the file) and an
    // annotation of page 3 whose entry points at the wrong bytes: loading that page repairs
    // the file while the pages are being found.
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int root = pdf.reserve();
    const int note = pdf.add("<< /Type /Annot /Subtype /Square /Rect [10 10 50 50] >>");
    QByteArray kids;
    for (int i = 0; i < 40; ++i)
        kids += ref(pdf.add("<< /Type /Page /Parent " + ref(root) + " /MediaBox [0 0 300 400]" +
                            (i == 2 ? " /Annots [" + ref(note) + "]" : QByteArray()) + " >>")) +
                " ";
    pdf.set(root, "<< /Type /Pages /Kids [" + kids + "] /Count 40 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(root) + " >>");
    const QString plain = writeTemp(dir.path(), "plain.pdf", pdf.build(catalog));
    const QString streamed = dir.filePath("streamed.pdf");
    int code = -1;
    runTool("qpdf", {"--object-streams=generate", plain, streamed}, &code);
    ASSERT_EQ(code, 0);

    for (const QString& source : {streamed, plain}) {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        if (source == plain) {
            // The annotation's entry in the table, pointed at the file's header.
            const qsizetype table = bytes.indexOf('\n', bytes.lastIndexOf("xref\n0 ") + 5) + 1;
            bytes.replace(table + 20 * note, 10, "0000000001");
        }
        auto doc = pdf::Document::fromData(bytes);
        ASSERT_TRUE(doc && doc->pageCount() == 40) << source.toStdString();
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(doc->page(i)) << i;
        EXPECT_EQ(doc->pageSizes().back(), QSizeF(300, 400));
        const QString written = dir.filePath("written.pdf");
        ASSERT_TRUE(doc->write(written));
        runTool("qpdf", {"--check", written}, &code);
        EXPECT_EQ(code, 0) << source.toStdString();
        const FileTop top = readFileTop(written);
        EXPECT_TRUE(top.root.endsWith(" R")) << top.root.toStdString();
        EXPECT_TRUE(top.pages.endsWith(" R")) << top.pages.toStdString();
        EXPECT_EQ(top.treeNodes, 1);
        EXPECT_EQ(top.pageCount, 40);
    }
}

} // namespace
