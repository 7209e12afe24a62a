#pragma once
// The form fields sheet's rows: the fillable fields of the open document as found when the
// sheet was shown, and the edits that go straight into those fields. Values reach a file
// only when a copy of the document is written.
#include "utilities/FormFieldService.h"

#include <QObject>
#include <QString>

#include <vector>

class DocumentViewModel;

class FormFieldViewModel : public QObject {
    Q_OBJECT

public:
    explicit FormFieldViewModel(DocumentViewModel& documentVM, QObject* parent = nullptr);

    const std::vector<FormField>& formFields() const { return formFields_; }
    // "3 fields found" (the same wording for one).
    QString headerText() const;

    // Lists the fields of the open document again; without a document the list is kept.
    void detectFormFields();

    // Types `text` into the row's field and redraws the page view.
    void setValue(int row, const QString& text);
    // The state a button row's toggle shows, read from the field each time.
    bool buttonState(int row) const;
    // Switches a check box or radio button; a radio group keeps one button on, so turning
    // the one that is on off may be refused. Every toggle should read its state again.
    void setButtonState(int row, bool on);
    // Shows the row's page in the main view.
    void goToField(int row);

signals:
    void formFieldsChanged();
    void buttonStatesChanged();

private:
    bool valid(int row) const { return row >= 0 && row < int(formFields_.size()); }

    DocumentViewModel& documentVM_;
    std::vector<FormField> formFields_;
};
