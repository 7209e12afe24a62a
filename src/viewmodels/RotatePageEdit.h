#pragma once
// Turns one page clockwise by a quarter; undo turns it back.
#include "viewmodels/DocumentEdit.h"

#include "pdf/document/Document.h"

class RotatePageEdit : public DocumentEdit {
public:
    RotatePageEdit(pdf::DocumentPtr document, int index);

    Kind kind() const override { return Kind::pages; }
    bool apply() override;
    void undo() override;

private:
    pdf::DocumentPtr document_;
    int index_;
    int previous_ = 0;
};
