#include "utilities/FormFieldService.h"
#include "pdf/document/Document.h"
#include "support/PdfFixtures.h"
#include "support/ToolFixtures.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

const FormField* find(const std::vector<FormField>& fields, const QString& name, int nth = 0) {
    for (const auto& f : fields)
        if (f.displayName() == name && nth-- == 0)
            return &f;
    return nullptr;
}

TEST(FormFieldServiceTest, DetectsFillableWidgetsInPageOrder) {
    auto doc = pdf::Document::fromData(formPdf());
    ASSERT_NE(doc, nullptr);
    const auto fields = FormFieldService::detectFormFields(*doc);
    QStringList rows;
    for (const auto& f : fields)
        rows << f.displayName() + " | " + f.locationLine() + " | " + f.value;
    // The signature field "sig" is left out.
    EXPECT_EQ(
        rows,
        QStringList({"name | Page 1 \u2022 Text | Alice", "agree | Page 1 \u2022 Button | Off",
                     "choice | Page 1 \u2022 Button | a", "choice | Page 1 \u2022 Button | a",
                     "colour | Page 1 \u2022 Choice | Red", "city | Page 2 \u2022 Text | Paris"}));
    QSet<QUuid> ids;
    for (const auto& f : fields) {
        ids.insert(f.id);
        EXPECT_EQ(f.page, doc->page(f.pageIndex));
        EXPECT_EQ(f.annotation->page(), f.page);
    }
    EXPECT_EQ(ids.size(), 6);
    EXPECT_EQ(FormFieldService::displayValue(*find(fields, "agree")), "off");
    EXPECT_EQ(FormFieldService::displayValue(*find(fields, "choice", 0)), "on (a)");
    EXPECT_EQ(FormFieldService::displayValue(*find(fields, "choice", 1)), "off (b)");
    EXPECT_EQ(FormFieldService::displayValue(*find(fields, "colour")), "Red");
}

TEST(FormFieldServiceTest, UnnamedFieldsAndOtherAnnotations) {
    auto doc = pdf::Document::fromData(unnamedFieldPdf());
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->page(0)->annotations().size(), 4u);
    const auto fields = FormFieldService::detectFormFields(*doc);
    // The square and the signature are skipped; the push button is a button widget.
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].displayName(), "Field");
    EXPECT_EQ(fields[0].value, "untitled value");
    EXPECT_EQ(fields[1].displayName(), "send");
    EXPECT_EQ(fields[1].fieldType(), "Button");
    EXPECT_THROW(FormFieldService::fill(*doc, "send", "on"), FormFieldService::FillError);
    EXPECT_THROW(FormFieldService::fill(*doc, "signature", "x"), FormFieldService::FillError);

    auto empty = pdf::Document::fromData(numberedPdf(3));
    EXPECT_TRUE(FormFieldService::detectFormFields(*empty).empty());
}

TEST(FormFieldServiceTest, FillRefusesWhatAFieldCannotHold) {
    auto doc = pdf::Document::fromData(formPdf());
    auto expectRefused = [&](const QString& name, const QString& value, const char* words) {
        try {
            FormFieldService::fill(*doc, name, value);
            ADD_FAILURE() << name.toStdString() << "=" << value.toStdString() << " was accepted";
        } catch (const FormFieldService::FillError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QLatin1String(words))) << e.what();
        }
    };
    expectRefused("nobody", "x", "no field named nobody");
    expectRefused("sig", "x", "signature");
    expectRefused("colour", "Purple", "Red, Green, Blue");
    expectRefused("choice", "c", "a, b");
    expectRefused("agree", "maybe", "on or off");
    // Nothing was changed by the refusals.
    const auto fields = FormFieldService::detectFormFields(*doc);
    EXPECT_EQ(find(fields, "colour")->annotation->widgetStringValue(), "Red");
    EXPECT_TRUE(find(fields, "choice", 0)->annotation->buttonWidgetState());
    EXPECT_FALSE(find(fields, "agree")->annotation->buttonWidgetState());
}

TEST(FormFieldServiceTest, FilledCopyShowsItsValuesInOtherReaders) {
    if (!toolAvailable("pdftotext") || !toolAvailable("pdftoppm") || !toolAvailable("qpdf"))
        GTEST_SKIP() << "poppler-utils and qpdf are needed";
    QTemporaryDir dir;
    auto doc = pdf::Document::fromData(formPdf());
    const QString before = writeTemp(dir.path(), "before.pdf", formPdf());
    FormFieldService::fill(*doc, "name", "Grace Hopper");
    FormFieldService::fill(*doc, "city", "Arlington");
    FormFieldService::fill(*doc, "colour", "Green");
    FormFieldService::fill(*doc, "agree", "yes");
    FormFieldService::fill(*doc, "choice", "b");
    const auto fields = FormFieldService::detectFormFields(*doc);
    EXPECT_FALSE(find(fields, "choice", 0)->annotation->buttonWidgetState());
    EXPECT_TRUE(find(fields, "choice", 1)->annotation->buttonWidgetState());

    const QString out = dir.filePath("filled.pdf");
    ASSERT_TRUE(doc->write(out));
    int code = -1;
    runTool("qpdf", {"--check", out}, &code);
    EXPECT_EQ(code, 0);
    const QString text = QString::fromUtf8(runTool("pdftotext", {out, "-"}));
    EXPECT_TRUE(text.contains("Grace Hopper")) << text.toStdString();
    EXPECT_TRUE(text.contains("Arlington"));
    EXPECT_TRUE(text.contains("Green"));

    // The check mark and the moved radio dot are drawn by another renderer.
    const QRectF agree(72, 640, 14, 14), radioA(72, 600, 14, 14), radioB(100, 600, 14, 14);
    EXPECT_EQ(darkPixels(popplerRegion(before, 1, agree)), 0);
    EXPECT_GT(darkPixels(popplerRegion(out, 1, agree)), 5);
    EXPECT_GT(darkPixels(popplerRegion(before, 1, radioA)), 5);
    EXPECT_EQ(darkPixels(popplerRegion(out, 1, radioA)), 0);
    EXPECT_GT(darkPixels(popplerRegion(out, 1, radioB)), 5);
    const QRectF nameBox(72, 680, 228, 20);
    EXPECT_NE(popplerRegion(before, 1, nameBox), popplerRegion(out, 1, nameBox));
    EXPECT_GT(darkPixels(popplerRegion(out, 1, nameBox)), 20);

    // Off again: the check box can be cleared.
    FormFieldService::fill(*doc, "agree", "off");
    EXPECT_FALSE(find(fields, "agree")->annotation->buttonWidgetState());
}

} // namespace
