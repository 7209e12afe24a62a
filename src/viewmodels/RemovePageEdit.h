#pragma once
// Removes one page (never the last one); the page is kept, annotations and form fields
// included, in a document of its own so undo can put it back where it was.
#include "viewmodels/DocumentEdit.h"

#include "pdf/document/Document.h"

class RemovePageEdit : public DocumentEdit {
public:
    RemovePageEdit(pdf::DocumentPtr document, int index);

    Kind kind() const override { return Kind::pages; }
    bool apply() override;
    void undo() override;

private:
    pdf::DocumentPtr document_;
    int index_;
    pdf::DocumentPtr kept_;
};
