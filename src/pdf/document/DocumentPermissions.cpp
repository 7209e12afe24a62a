#include "pdf/document/DocumentPermissions.h"

#include "pdf/engine/Internal.h"

namespace pdf {

Permissions permissionsOf(const Document& document) {
    DocumentData& d = *document.data();
    auto lock = d.lock();
    Permissions allowed;
    if (!d.pdf || !d.pdf->crypt || d.ownerAccess)
        return allowed;
    fz_context* c = engine::ctx();
    int p = ~0;
    int revision = 0;
    fz_var(p);
    fz_var(revision);
    fz_try(c) {
        p = pdf_crypt_permissions(c, d.pdf->crypt);
        revision = pdf_crypt_revision(c, d.pdf->crypt);
    }
    fz_catch(c) {
        return allowed; // protection the engine cannot read is its own to refuse
    }
    const auto bit = [p](int n) { return (p & (1 << (n - 1))) != 0; };
    allowed.print = bit(3);
    allowed.modify = bit(4);
    allowed.copy = bit(5);
    allowed.annotate = bit(6);
    // Revision 2 has no bits of its own for forms and pages: they follow annotating and
    // modifying.
    allowed.fillForms = allowed.annotate || (revision >= 3 && bit(9));
    allowed.assemble = allowed.modify || (revision >= 3 && bit(11));
    return allowed;
}

} // namespace pdf
