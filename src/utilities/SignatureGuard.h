#pragma once
// Asked before an edit of a document that may be signed: whether the edit keeps every
// signature valid, invalidates some (and whose), or is refused by the document's
// certification. Every writer that changes a signed document asks it first.
#include "utilities/StandardSignature.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace pdf {
class Document;
}

class SignatureGuard {
public:
    SignatureGuard() = delete;

    // What an edit does to the signed bytes. Annotations, form values and signatures are
    // appended after them; content (pages turned, removed, inserted or reordered, merged,
    // redacted, a text layer added) changes what was signed; a rewrite (new protection,
    // optimisation) cannot be appended at all.
    enum class Edit { annotations, formValues, signature, content, rewrite };

    struct Verdict {
        enum class Kind { clear, invalidates, refused };
        Kind kind = Kind::clear;
        QStringList signers; // whose valid signatures it invalidates, in field order
        // For the person: "It invalidates the signature of Grace Hopper." / "The document
        // is certified by Ada Lovelace to allow form filling and signing only."; empty when clear.
        QString reason;

        bool clear() const { return kind == Kind::clear; }
    };

    // The verdict on `edit` of `document` as it was read (its signatures, its certification).
    // Signatures that are broken already are not counted. Never throws.
    static Verdict check(const pdf::Document& document, Edit edit);
    // The same from the document's signatures as StandardSignature::verify gave them.
    static Verdict check(const std::vector<StandardSignature::Result>& signatures, Edit edit);
};
