#pragma once
// The fillable fields of a document: detection in page order, the labels a row shows, and
// filling by field name (for the command line). Text, button and choice widgets only:
// signature widgets and every other annotation are left out.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"

#include <QString>
#include <QUuid>

#include <stdexcept>
#include <vector>

struct FormField {
    QUuid id; // fresh at detection; identity of a row
    pdf::AnnotationPtr annotation;
    pdf::PagePtr page;
    int pageIndex = 0;
    QString value; // the widget's string value as read at detection, then as edited

    // "Text", "Button" or "Choice".
    QString fieldType() const;
    // The field's name, or "Field" when it has none.
    QString displayName() const;
    // "Page 2 • Text"
    QString locationLine() const;
};

class FormFieldService {
public:
    class FillError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    static bool isFillable(pdf::WidgetFieldType type);
    static QString fieldTypeName(pdf::WidgetFieldType type);

    // Every text, button and choice widget, page by page, in each page's own order.
    static std::vector<FormField> detectFormFields(const pdf::Document& document);

    // The value a listing shows: text and choice values as stored, check boxes "on"/"off",
    // radio buttons "on (option)"/"off (option)".
    static QString displayValue(const FormField& field);

    // Sets the field called `name`: a text field takes any text; a choice field one of its
    // options; a check box on/off (also yes/no, true/false, 1/0 or its own option name);
    // a radio group the option of the button to switch on. Throws FillError naming the
    // reason when the field is missing, is a signature, or refuses the value.
    static void fill(const pdf::Document& document, const QString& name, const QString& value);

    FormFieldService() = delete;
};
