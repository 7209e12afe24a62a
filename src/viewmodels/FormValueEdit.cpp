#include "viewmodels/FormValueEdit.h"

#include <QCoreApplication>

FormValueEdit::FormValueEdit(pdf::DocumentPtr document, const pdf::AnnotationPtr& widget,
                             Value value)
    : DocumentEdit(QCoreApplication::translate("FormValueEdit", "Fill Form Field")),
      document_(std::move(document)), widget_(AnnotationLocation::of(widget)),
      value_(std::move(value)) {}

FormValueEdit::Value FormValueEdit::valueOf(const pdf::Annotation& widget, const Value& like) {
    if (std::holds_alternative<bool>(like))
        return widget.buttonWidgetState();
    return widget.widgetStringValue();
}

bool FormValueEdit::set(pdf::Annotation& widget, const Value& value) {
    if (const bool* on = std::get_if<bool>(&value)) {
        widget.setButtonWidgetState(*on);
        return widget.buttonWidgetState() == *on;
    }
    return widget.setWidgetStringValue(std::get<QString>(value));
}

bool FormValueEdit::apply() {
    const pdf::AnnotationPtr widget = document_ ? widget_.resolve(*document_) : nullptr;
    if (!widget)
        return false;
    previous_ = valueOf(*widget, value_);
    if (previous_ == value_)
        return false;
    return set(*widget, value_);
}

void FormValueEdit::undo() {
    if (const pdf::AnnotationPtr widget = document_ ? widget_.resolve(*document_) : nullptr)
        set(*widget, previous_);
}
