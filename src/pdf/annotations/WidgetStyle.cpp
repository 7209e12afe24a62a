#include "pdf/annotations/WidgetStyle.h"

#include "pdf/document/Page.h"
#include "pdf/engine/Internal.h"

namespace pdf {

WidgetStyle widgetStyle(const Annotation& widget) {
    const AnnotationData& a = widget.data();
    auto lock = a.page->data().doc->lock();
    WidgetStyle style;
    if (a.removed || a.page->data().detached)
        return style;
    fz_context* c = engine::ctx();
    int flags = 0;
    float size = 0;
    fz_var(flags);
    fz_var(size);
    fz_try(c) {
        flags = pdf_field_flags(c, pdf_annot_obj(c, a.annot));
        const char* font = nullptr;
        float color[4];
        int components = 0;
        pdf_annot_default_appearance(c, a.annot, &font, &size, &components, color);
    }
    fz_catch(c) {
        return style;
    }
    style.multiline = (flags & PDF_TX_FIELD_IS_MULTILINE) != 0;
    style.comboBox = (flags & PDF_CH_FIELD_IS_COMBO) != 0;
    style.fontSize = size;
    return style;
}

} // namespace pdf
