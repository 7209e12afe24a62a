#include "pdf/text/AnnotationText.h"

#include "pdf/engine/Internal.h"

namespace pdf {

void setTextTakesAnnotations(const Document& document, bool take) {
    DocumentData& d = *document.data();
    auto lock = d.lock();
    if (d.textWithAnnotations.exchange(take) == take)
        return;
    auto table = d.tableLock();
    for (auto& text : d.texts)
        text.reset();
}

} // namespace pdf
