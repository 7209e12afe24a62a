#pragma once
// Puts another document in place of the open one (the signed copy after signing); undo
// brings back the document that was open.
#include "viewmodels/DocumentEdit.h"

#include "pdf/document/Document.h"

class DocumentViewModel;

class ReplaceDocumentEdit : public DocumentEdit {
public:
    ReplaceDocumentEdit(QString name, DocumentViewModel& documentVM, pdf::DocumentPtr replacement);

    // A signature fills in the document's signature field.
    Kind kind() const override { return Kind::formValues; }
    bool apply() override;
    void undo() override;
    // The signed copy brings its own signed bytes; the signing was asked about before.
    std::optional<SignatureGuard::Edit> signatureEffect() const override { return std::nullopt; }

private:
    void show(const pdf::DocumentPtr& document);

    DocumentViewModel& documentVM_;
    pdf::DocumentPtr replacement_;
    pdf::DocumentPtr previous_;
};
