#pragma once
// A document opened from a file's bytes on a context of its own, for the signature code
// that reads and appends to those bytes without touching any open document.
#include "pdf/engine/Internal.h"

#include <QByteArray>

namespace pdf::signatures {

// A document opened from bytes on its own context; the bytes must outlive it.
struct BytesDocument {
    fz_context* c = nullptr;
    fz_buffer* buffer = nullptr;
    fz_stream* stream = nullptr;
    pdf_document* doc = nullptr;

    // A protected file is unlocked with `password` (or none); one that stays locked is no
    // document, as its strings and streams would read as ciphertext.
    BytesDocument(fz_context* context, const QByteArray& bytes, const QByteArray& password = {})
        : c(context) {
        if (!c || bytes.isEmpty())
            return;
        const char* pw = password.constData();
        fz_try(c) {
            buffer = fz_new_buffer_from_shared_data(
                c, reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
            stream = fz_open_buffer(c, buffer);
            doc = pdf_open_document_with_stream(c, stream);
            if (pdf_needs_password(c, doc) && !pdf_authenticate_password(c, doc, "") &&
                !pdf_authenticate_password(c, doc, pw)) {
                pdf_drop_document(c, doc);
                doc = nullptr;
            }
        }
        fz_catch(c) {
            pdf_drop_document(c, doc);
            doc = nullptr;
        }
    }
    ~BytesDocument() {
        if (!c)
            return;
        pdf_drop_document(c, doc);
        fz_drop_stream(c, stream);
        fz_drop_buffer(c, buffer);
    }
    BytesDocument(const BytesDocument&) = delete;
    BytesDocument& operator=(const BytesDocument&) = delete;
};

} // namespace pdf::signatures
