// Deleting or extracting pages takes their form fields with them and keeps the others, as
// qpdf reads the written file.
#include "pdf/document/Document.h"
#include "support/PdfFixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Three pages. A text field "address" has one widget on page 1 and one on page 2; page 3
// holds "note", or with `shared` lists page 2's /Annots array instead (so it shows the
// address widget of page 2 too).
QByteArray splitFieldPdf(bool shared = false) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int pages[3] = {pdf.reserve(), pdf.reserve(), pdf.reserve()};
    auto ref = [](int n) { return QByteArray::number(n) + " 0 R "; };
    const int address = pdf.reserve();
    const int w1 = pdf.add("<< /Type /Annot /Subtype /Widget /Parent " + ref(address) +
                           "/Rect [72 680 300 700] /P " + ref(pages[0]) + ">>");
    const int w2 = pdf.add("<< /Type /Annot /Subtype /Widget /Parent " + ref(address) +
                           "/Rect [72 640 300 660] /P " + ref(pages[1]) + ">>");
    pdf.set(address, "<< /FT /Tx /T (address) /V (Main St) /DA (/Helv 12 Tf 0 g) /Kids [" +
                         ref(w1) + ref(w2) + "] >>");
    const int note = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Tx /T (note) "
                             "/Rect [72 600 300 620] /DA (/Helv 12 Tf 0 g) /P " +
                             ref(pages[2]) + ">>");
    const int sharedAnnots = pdf.add("[" + ref(w2) + "]");
    const QByteArray annots[3] = {"[" + ref(w1) + "]", ref(sharedAnnots),
                                  shared ? ref(sharedAnnots) : "[" + ref(note) + "]"};
    for (int i = 0; i < 3; ++i) {
        const int content = pdf.addStream("<< >>", "");
        pdf.set(pages[i], "<< /Type /Page /Parent " + ref(pagesObj) +
                              "/MediaBox [0 0 612 792] /Contents " + ref(content) + "/Annots " +
                              annots[i] + ">>");
    }
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + ref(pages[0]) + ref(pages[1]) + ref(pages[2]) +
                          "] /Count 3 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + "/AcroForm << /Fields [" +
                         ref(address) + ref(note) + "] /DA (/Helv 12 Tf 0 g) >> >>");
    return pdf.build(catalog);
}

pdf::DocumentPtr extract(const pdf::DocumentPtr& doc, int index) {
    auto single = pdf::Document::create();
    EXPECT_EQ(single->insertPages(*doc, {index}, 0), 1);
    return single;
}

class PageFieldsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    // Each field widget qpdf finds in the form, as "name@page", sorted.
    QString fieldsInFile(const pdf::DocumentPtr& doc) {
        const QString path = dir.filePath(QString("out%1.pdf").arg(++written_));
        EXPECT_TRUE(doc->write(path));
        int code = -1;
        QByteArray err;
        runTool("qpdf", {"--check", path}, &code, &err);
        EXPECT_EQ(code, 0) << err.toStdString();
        const QByteArray json = runTool("qpdf", {"--json", "--json-key=acroform", path}, &code);
        QStringList fields;
        for (const auto& f :
             QJsonDocument::fromJson(json).object()["acroform"].toObject()["fields"].toArray())
            fields << f.toObject()["fullname"].toString() + "@" +
                          QString::number(f.toObject()["pageposfrom1"].toInt());
        fields.sort();
        return fields.join(" ");
    }

private:
    int written_ = 0;
};

TEST_F(PageFieldsTest, DeletingAPageTakesItsFieldsOutOfTheForm) {
    auto doc = pdf::Document::fromData(formPdf());
    ASSERT_EQ(fieldsInFile(doc).toStdString(),
              "agree@1 choice@1 choice@1 city@2 colour@1 name@1 sig@1");
    ASSERT_TRUE(doc->removePage(0));
    EXPECT_EQ(fieldsInFile(doc).toStdString(), "city@1");
    EXPECT_EQ(doc->formFieldCount(), 1);
}

TEST_F(PageFieldsTest, AFieldKeepsTheWidgetsOfThePagesLeft) {
    auto doc = pdf::Document::fromData(splitFieldPdf());
    ASSERT_EQ(fieldsInFile(doc).toStdString(), "address@1 address@2 note@3");
    ASSERT_TRUE(doc->removePage(1));
    EXPECT_EQ(fieldsInFile(doc).toStdString(), "address@1 note@2");
    ASSERT_TRUE(doc->removePage(0)); // the field's last widget goes, and the field with it
    EXPECT_EQ(fieldsInFile(doc).toStdString(), "note@1");
}

TEST_F(PageFieldsTest, AWidgetAnotherPageStillShowsStays) {
    // Pages 2 and 3 list the same /Annots array: deleting page 2 leaves the widget on page 3.
    auto doc = pdf::Document::fromData(splitFieldPdf(true));
    ASSERT_TRUE(doc->removePage(1));
    EXPECT_EQ(fieldsInFile(doc).toStdString(), "address@1 address@2");
}

TEST_F(PageFieldsTest, AnExtractedPageCarriesOnlyItsOwnFields) {
    auto doc = pdf::Document::fromData(splitFieldPdf());
    auto second = extract(doc, 1);
    EXPECT_EQ(fieldsInFile(second).toStdString(), "address@1");
    auto third = extract(doc, 2);
    EXPECT_EQ(fieldsInFile(third).toStdString(), "note@1");
    auto form = extract(pdf::Document::fromData(formPdf()), 1);
    EXPECT_EQ(fieldsInFile(form).toStdString(), "city@1");
    // Copying both pages of the field keeps both of its widgets.
    auto both = pdf::Document::create();
    ASSERT_EQ(both->insertPages(*doc, {0, 1}, 0), 2);
    EXPECT_EQ(fieldsInFile(both).toStdString(), "address@1 address@2");
    // The source is left as it was.
    EXPECT_EQ(fieldsInFile(doc).toStdString(), "address@1 address@2 note@3");
}

} // namespace
