#include "viewmodels/FormFieldViewModel.h"

#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FormValueEdit.h"

FormFieldViewModel::FormFieldViewModel(DocumentViewModel& documentVM, QObject* parent)
    : QObject(parent), documentVM_(documentVM) {}

QString FormFieldViewModel::headerText() const {
    return tr("%1 fields found").arg(formFields_.size());
}

void FormFieldViewModel::detectFormFields() {
    const pdf::DocumentPtr document = documentVM_.pdfDocument();
    if (!document)
        return;
    formFields_ = FormFieldService::detectFormFields(*document);
    emit formFieldsChanged();
}

void FormFieldViewModel::setValue(int row, const QString& text) {
    if (!valid(row))
        return;
    FormField& field = formFields_[size_t(row)];
    if (field.value == text)
        return;
    field.value = text;
    // The page view follows the document's notice of the new value.
    if (field.annotation)
        documentVM_.perform(
            std::make_unique<FormValueEdit>(documentVM_.pdfDocument(), field.annotation, text));
}

bool FormFieldViewModel::buttonState(int row) const {
    if (!valid(row) || !formFields_[size_t(row)].annotation)
        return false;
    return formFields_[size_t(row)].annotation->buttonWidgetState();
}

void FormFieldViewModel::setButtonState(int row, bool on) {
    if (!valid(row) || !formFields_[size_t(row)].annotation)
        return;
    documentVM_.perform(std::make_unique<FormValueEdit>(documentVM_.pdfDocument(),
                                                        formFields_[size_t(row)].annotation, on));
    emit buttonStatesChanged();
}

void FormFieldViewModel::goToField(int row) {
    if (valid(row))
        documentVM_.goToPage(formFields_[size_t(row)].pageIndex);
}
