#include "pdf/document/DocumentRepair.h"

#include "pdf/document/Document.h"
#include "pdf/engine/Internal.h"

namespace pdf {

bool wasRepaired(const Document& document) {
    DocumentData& d = *document.data();
    auto lock = d.lock();
    return d.pdf && d.pdf->repair_attempted;
}

} // namespace pdf
