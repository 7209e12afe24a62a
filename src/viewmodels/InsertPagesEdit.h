#pragma once
// Inserts pages (a blank page, another file's pages, merged files) through a function that
// says where they went. Undo takes them out and keeps them, so a redo puts back the same
// pages without reading any file again.
#include "viewmodels/DocumentEdit.h"

#include "pdf/document/Document.h"

#include <functional>

class InsertPagesEdit : public DocumentEdit {
public:
    struct Inserted {
        int at = 0;
        int count = 0;
    };
    using Inserter = std::function<Inserted(const pdf::DocumentPtr&)>;

    InsertPagesEdit(QString name, pdf::DocumentPtr document, Inserter insert);

    Kind kind() const override { return Kind::pages; }
    bool apply() override;
    void undo() override;

    const Inserted& inserted() const { return inserted_; }

private:
    pdf::DocumentPtr document_;
    Inserter insert_;
    Inserted inserted_;
    pdf::DocumentPtr undone_; // the pages taken out by undo(), for a redo
};
