#pragma once
// A form field's new value: text (or a choice) for text fields and lists, on or off for
// check boxes and radio buttons. Undo puts the old value back.
#include "viewmodels/AnnotationLocation.h"
#include "viewmodels/DocumentEdit.h"

#include <variant>

class FormValueEdit : public DocumentEdit {
public:
    using Value = std::variant<QString, bool>;

    FormValueEdit(pdf::DocumentPtr document, const pdf::AnnotationPtr& widget, Value value);

    Kind kind() const override { return Kind::formValues; }
    bool apply() override;
    void undo() override;
    std::optional<SignatureGuard::Edit> signatureEffect() const override {
        return SignatureGuard::Edit::formValues;
    }

private:
    static Value valueOf(const pdf::Annotation& widget, const Value& like);
    static bool set(pdf::Annotation& widget, const Value& value);

    pdf::DocumentPtr document_;
    AnnotationLocation widget_;
    Value value_;
    Value previous_;
};
