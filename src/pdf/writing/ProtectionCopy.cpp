#include "pdf/writing/ProtectionCopy.h"

#include "pdf/engine/Internal.h"

namespace pdf {

using engine::ctx;

bool takeProtectionOf(Document& copy, const Document& source) {
    DocumentData& from = *source.data();
    DocumentData& to = *copy.data();
    if (&from == &to)
        return true;
    auto sourceLock = from.lock();
    if (!from.pdf->crypt)
        return true;
    if (from.locked || to.pdf->crypt)
        return false;
    auto copyLock = to.lock();
    fz_context* c = ctx();
    const QByteArray password = from.password;
    pdf_obj* encrypt = nullptr;
    pdf_obj* id = nullptr;
    pdf_crypt* crypt = nullptr;
    int ok = 0;
    fz_var(encrypt);
    fz_var(id);
    fz_var(crypt);
    fz_var(ok);
    fz_try(c) {
        pdf_obj* trailer = pdf_trailer(c, from.pdf);
        // The dictionary becomes an object of its own, which the writer leaves unencrypted.
        encrypt = pdf_graft_object(
            c, to.pdf, pdf_resolve_indirect(c, pdf_dict_get(c, trailer, PDF_NAME(Encrypt))));
        if (pdf_is_array(c, pdf_dict_get(c, trailer, PDF_NAME(ID))))
            id = pdf_graft_object(c, to.pdf, pdf_dict_get(c, trailer, PDF_NAME(ID)));
        crypt = pdf_new_crypt(c, encrypt, id);
        pdf_obj* ref = pdf_add_object(c, to.pdf, encrypt);
        // Adding an object may open a new section with a trailer of its own: ask afterwards.
        pdf_dict_put_drop(c, pdf_trailer(c, to.pdf), PDF_NAME(Encrypt), ref);
        if (id)
            pdf_dict_put(c, pdf_trailer(c, to.pdf), PDF_NAME(ID), id);
        to.pdf->crypt = crypt;
        crypt = nullptr;
        ok = pdf_authenticate_password(c, to.pdf, password.constData());
    }
    fz_always(c) {
        pdf_drop_crypt(c, crypt);
        pdf_drop_obj(c, id);
        pdf_drop_obj(c, encrypt);
    }
    fz_catch(c) {
        ok = 0;
    }
    if (!ok) {
        // Written unprotected rather than with a key nobody could use.
        fz_try(c) {
            pdf_drop_crypt(c, to.pdf->crypt);
            to.pdf->crypt = nullptr;
            pdf_dict_del(c, pdf_trailer(c, to.pdf), PDF_NAME(Encrypt));
        }
        fz_catch(c) {}
        return false;
    }
    to.password = password;
    to.ownerAccess = from.ownerAccess;
    return true;
}

} // namespace pdf
