#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

using namespace fixtures;

namespace {

std::map<QString, pdf::AnnotationPtr> widgets(const pdf::DocumentPtr& doc) {
    std::map<QString, pdf::AnnotationPtr> out;
    for (int i = 0; i < doc->pageCount(); ++i)
        for (const auto& a : doc->page(i)->annotations())
            if (a->isWidget())
                out[a->fieldName() +
                    (a->isRadioButton() ? QString::number(out.size()) : QString())] = a;
    return out;
}

TEST(FormTest, WidgetsReportTypesNamesAndValues) {
    auto doc = pdf::Document::fromData(formPdf());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->formFieldCount(), 7);
    auto w = widgets(doc);
    EXPECT_EQ(w["name"]->widgetFieldType(), pdf::WidgetFieldType::Text);
    EXPECT_EQ(w["name"]->widgetStringValue(), "Alice");
    EXPECT_EQ(w["agree"]->widgetFieldType(), pdf::WidgetFieldType::Button);
    EXPECT_TRUE(w["agree"]->isCheckBox());
    EXPECT_FALSE(w["agree"]->buttonWidgetState());
    EXPECT_EQ(w["colour"]->widgetFieldType(), pdf::WidgetFieldType::Choice);
    EXPECT_EQ(w["colour"]->choiceOptions(), QStringList({"Red", "Green", "Blue"}));
    EXPECT_EQ(w["sig"]->widgetFieldType(), pdf::WidgetFieldType::Signature);
    EXPECT_EQ(w["city"]->page()->index(), 1);
    EXPECT_EQ(w["city"]->subtype(), "Widget");
}

TEST(FormTest, FilledValuesReachOtherReaders) {
    QTemporaryDir dir;
    auto doc = pdf::Document::fromData(formPdf());
    std::vector<pdf::AnnotationPtr> radios;
    pdf::AnnotationPtr name, agree, colour;
    for (const auto& a : doc->page(0)->annotations()) {
        if (a->isRadioButton())
            radios.push_back(a);
        else if (a->fieldName() == "name")
            name = a;
        else if (a->fieldName() == "agree")
            agree = a;
        else if (a->fieldName() == "colour")
            colour = a;
    }
    ASSERT_EQ(radios.size(), 2u);
    const quint64 rev = doc->page(0)->revision();
    EXPECT_TRUE(name->setWidgetStringValue("Zoë Müller"));
    EXPECT_GT(doc->page(0)->revision(), rev);
    EXPECT_EQ(name->widgetStringValue(), "Zoë Müller");
    agree->setButtonWidgetState(true);
    EXPECT_TRUE(agree->buttonWidgetState());
    EXPECT_TRUE(radios[0]->buttonWidgetState());
    radios[1]->setButtonWidgetState(true);
    EXPECT_TRUE(radios[1]->buttonWidgetState());
    EXPECT_FALSE(radios[0]->buttonWidgetState()); // one of the group stays on
    EXPECT_TRUE(colour->setWidgetStringValue("Blue"));

    const QString out = dir.filePath("filled.pdf");
    ASSERT_TRUE(doc->write(out));
    int code = -1;
    runTool("qpdf", {"--check", out}, &code);
    EXPECT_EQ(code, 0);
    const QString text = QString::fromUtf8(runTool("pdftotext", {out, "-"}));
    EXPECT_TRUE(text.contains("Zoë Müller")) << text.toStdString();
    EXPECT_TRUE(text.contains("Blue"));
    auto reread = pdf::Document::open(out);
    auto w = widgets(reread);
    EXPECT_TRUE(w["agree"]->buttonWidgetState());
    EXPECT_EQ(w["name"]->widgetStringValue(), "Zoë Müller");
}

} // namespace
