// Page trees read as other readers read them: a page listed again is shown again, only a
// node inside itself is cut, a deep tree still yields its page, and a tree that yields
// nothing gives way to the page objects of the file. Every file is written by hand here.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using namespace fixtures;

namespace {

QByteArray ref(int number) {
    return QByteArray::number(number) + " 0 R";
}

// Two pages, A (101 x 200, "Alpha") and B (102 x 200, "Beta"), placed by `tree`, which
// sets the catalog and the nodes; `parent` is what the pages name as their parent.
struct Pages {
    int catalog;
    int a;
    int b;
    int parent;
};
QByteArray treePdf(const std::function<void(MiniPdf&, const Pages&)>& tree,
                   const QByteArray& pageA = {}) {
    MiniPdf pdf;
    const Pages p{pdf.reserve(), pdf.reserve(), pdf.reserve(), pdf.reserve()};
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const auto page = [&](int number, const QByteArray& word, int width) {
        const int contents = pdf.addStream("<< >>", "BT /F1 12 Tf 10 100 Td (" + word + ") Tj ET");
        pdf.set(number, "<< /Type /Page /Parent " + ref(p.parent) +
                            (width ? " /MediaBox [0 0 " + QByteArray::number(width) + " 200]"
                                   : QByteArray()) +
                            " /Resources << /Font << /F1 " + ref(font) + " >> >> /Contents " +
                            ref(contents) + " >>");
    };
    page(p.a, "Alpha", pageA.isNull() ? 101 : 0);
    page(p.b, "Beta", 102);
    pdf.set(p.parent, "<< /Type /Pages /Kids [" + ref(p.a) + " " + ref(p.b) + "] /Count 2 >>");
    pdf.set(p.catalog, "<< /Type /Catalog /Pages " + ref(p.parent) + " >>");
    tree(pdf, p);
    return pdf.build(p.catalog);
}

QString words(const pdf::DocumentPtr& doc) {
    QStringList found;
    for (int i = 0; i < doc->pageCount(); ++i)
        found << doc->page(i)->textPage()->text().simplified() + "@" +
                     QString::number(doc->page(i)->mediaBox().width());
    return found.join(' ');
}

} // namespace

TEST(PageTreeReading, EveryPageThePeersShowIsShownAndOnlyRealLoopsAreCut) {
    const auto node = [](const QList<QByteArray>& kids, int count, const QByteArray& extra = {}) {
        return "<< /Type /Pages /Kids [" + kids.join(' ') + "] /Count " +
               QByteArray::number(count) + extra + " >>";
    };
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"a page listed twice", treePdf([&](MiniPdf& pdf, const Pages& p) {
             pdf.set(p.parent, node({ref(p.a), ref(p.b), ref(p.a)}, 3));
         })},
        {"a page that inherits its box from a node listing it twice",
         treePdf(
             [&](MiniPdf& pdf, const Pages& p) {
                 const int inner = pdf.add(node(
                     {ref(p.a), ref(p.a)}, 2, " /MediaBox [0 0 400 200] /Parent " + ref(p.parent)));
                 pdf.set(p.parent, node({ref(inner), ref(p.b)}, 3));
             },
             "no box")},
        {"a /Count lower than the kids", treePdf([&](MiniPdf& pdf, const Pages& p) {
             pdf.set(p.parent, node({ref(p.a), ref(p.b)}, 1));
         })},
        {"a loop back to the root", treePdf([&](MiniPdf& pdf, const Pages& p) {
             const int inner = pdf.add(node({ref(p.b), ref(p.parent)}, 1));
             pdf.set(p.parent, node({ref(p.a), ref(inner)}, 2));
         })},
        {"kids of different kinds: an untyped node beside a page",
         treePdf([&](MiniPdf& pdf, const Pages& p) {
             const int inner = pdf.add("<< /Kids [" + ref(p.b) + "] /Count 1 >>");
             pdf.set(p.parent, node({ref(p.a), ref(inner)}, 2));
         })},
        {"a tree 300 levels deep", treePdf([&](MiniPdf& pdf, const Pages& p) {
             int below = pdf.add(node({ref(p.a), ref(p.b)}, 2));
             for (int level = 0; level < 300; ++level)
                 below = pdf.add(node({ref(below)}, 2));
             pdf.set(p.catalog, "<< /Type /Catalog /Pages " + ref(below) + " >>");
         })},
        {"a tree whose kids are all missing",
         treePdf([&](MiniPdf& pdf, const Pages& p) { pdf.set(p.parent, node({"999 0 R"}, 2)); })},
        {"a catalog without a tree", treePdf([&](MiniPdf& pdf, const Pages& p) {
             pdf.set(p.catalog, "<< /Type /Catalog >>");
         })},
    };
    const std::vector<QString> expected = {
        "Alpha@101 Beta@102 Alpha@101", "Alpha@400 Alpha@400 Beta@102", "Alpha@101 Beta@102",
        "Alpha@101 Beta@102",           "Alpha@101 Beta@102",           "Alpha@101 Beta@102",
        "Alpha@101 Beta@102",           "Alpha@101 Beta@102",
    };
    QTemporaryDir dir;
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [name, bytes] = cases[i];
        SCOPED_TRACE(name);
        const QString path = writeTemp(dir.path(), "tree.pdf", bytes);
        for (const auto& doc : {pdf::Document::fromData(bytes), pdf::Document::open(path)}) {
            ASSERT_TRUE(doc);
            EXPECT_EQ(words(doc), expected[i]);
            EXPECT_TRUE(doc->pageLookupsMatchTree());
            // A page shown twice is two pages: each is found at its own place.
            for (int index = 0; index < doc->pageCount(); ++index)
                EXPECT_EQ(doc->indexForPage(doc->page(index)), index);
        }
        // Written out, the pages are what other readers count.
        const QString written = dir.filePath("written.pdf");
        ASSERT_TRUE(pdf::Document::fromData(bytes)->write(written));
        if (toolAvailable("qpdf")) {
            int code = -1;
            const QByteArray shown = runTool("qpdf", {"--show-npages", written}, &code);
            EXPECT_EQ(code, 0);
            EXPECT_EQ(shown.trimmed().toInt(), expected[i].count('@'));
        }
    }
}

TEST(PageTreeReading, RepeatsOfRepeatsStopAtTheStatedBound) {
    // Each of 40 nodes lists the next one twice: 2^40 pages claimed through repeats.
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int leaf = pdf.reserve();
    int below = leaf;
    for (int level = 0; level < 40; ++level)
        below =
            pdf.add("<< /Type /Pages /Kids [" + ref(below) + " " + ref(below) + "] /Count 2 >>");
    pdf.set(leaf, "<< /Type /Page /MediaBox [0 0 100 100] >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(below) + " >>");
    auto doc = pdf::Document::fromData(pdf.build(catalog));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->pageCount(), 10001); // the page once, then 10,000 repeats
}
