#include "pdf/FieldAppearance.h"

#include "pdf/UnicodeText.h"

#include <QByteArray>

#include <algorithm>

namespace pdf::fieldappearance {

namespace {

constexpr float kPadding = 2;
constexpr int kMultiline = 1 << 12;

struct FieldLook {
    fz_rect rect{};
    float size = 0; // 0: fit the box
    float color[3] = {0, 0, 0};
    int quadding = 0;
    bool multiline = false;
    bool ok = false;
};

FieldLook readLook(fz_context* c, pdf_annot* widget) {
    FieldLook look;
    fz_try(c) {
        pdf_obj* obj = pdf_annot_obj(c, widget);
        look.rect = pdf_dict_get_rect(c, obj, PDF_NAME(Rect));
        const char* da = pdf_to_str_buf(c, pdf_dict_get_inheritable(c, obj, PDF_NAME(DA)));
        if (!da || !*da)
            da = pdf_to_str_buf(c, pdf_dict_getp(c, pdf_trailer(c, pdf_annot_page(c, widget)->doc),
                                                 "Root/AcroForm/DA"));
        const char* font = nullptr;
        int n = 0;
        float color[4] = {0, 0, 0, 0};
        pdf_parse_default_appearance(c, da ? da : "", &font, &look.size, &n, color);
        if (n == 1) {
            look.color[0] = look.color[1] = look.color[2] = color[0];
        } else if (n == 3) {
            std::copy(color, color + 3, look.color);
        } else if (n == 4) {
            for (int i = 0; i < 3; ++i)
                look.color[i] = (1 - color[i]) * (1 - color[3]);
        }
        look.quadding = pdf_annot_quadding(c, widget);
        look.multiline = (pdf_annot_field_flags(c, widget) & kMultiline) != 0;
        look.ok = !fz_is_empty_rect(look.rect);
    }
    fz_catch(c) {
        look.ok = false;
    }
    return look;
}

} // namespace

bool drawValue(fz_context* c, pdf_annot* widget, const QString& value) {
    const FieldLook look = readLook(c, widget);
    if (!look.ok)
        return false;
    const float width = look.rect.x1 - look.rect.x0, height = look.rect.y1 - look.rect.y0;
    // A size of 0 asks for one that fits the box: a line's height, at most 12 points.
    float size =
        look.size > 0 ? look.size : std::clamp((height - 2 * kPadding) / 1.2f, 4.0f, 12.0f);
    if (!look.multiline)
        size = std::min(size, std::max(4.0f, height - 2 * kPadding));
    // One line is laid out in a box only as tall as a line, so it shrinks rather than wraps.
    fz_text* text = unicodetext::layout(
        c, value, size, width, look.multiline ? height : std::min(height, 2.3f * size), kPadding);
    if (!text)
        return false;
    pdf_document* doc = pdf_annot_page(c, widget)->doc;
    pdf_obj* res = nullptr;
    fz_buffer* contents = nullptr;
    fz_buffer* marked = nullptr;
    fz_device* dev = nullptr;
    bool ok = true;
    fz_var(res);
    fz_var(contents);
    fz_var(marked);
    fz_var(dev);
    fz_try(c) {
        // A single line sits on the box's middle, placed as /Q asks; lines of a multi-line
        // field start at its top.
        const fz_rect ink = fz_bound_text(c, text, nullptr, fz_identity);
        float dx = 0, dy = 0;
        if (!fz_is_empty_rect(ink)) {
            const float room = width - 2 * kPadding;
            const float used = ink.x1 - kPadding;
            if (look.quadding == 1)
                dx = (room - used) / 2;
            else if (look.quadding == 2)
                dx = room - used;
            if (!look.multiline)
                dy = (height / 2) - (ink.y0 + ink.y1) / 2;
        }
        res = pdf_new_dict(c, doc, 2);
        contents = fz_new_buffer(c, 256);
        dev = pdf_new_pdf_device(c, doc, fz_identity, res, contents);
        fz_fill_text(c, dev, text, fz_translate(std::max(0.0f, dx), dy), fz_device_rgb(c),
                     look.color, 1.0f, fz_default_color_params);
        fz_close_device(c, dev);
        // Form readers expect the field's drawing inside a marked-content section.
        marked = fz_new_buffer(c, fz_buffer_storage(c, contents, nullptr) + 32);
        fz_append_string(c, marked, "/Tx BMC\nq\n");
        fz_append_buffer(c, marked, contents);
        fz_append_string(c, marked, "\nQ\nEMC\n");
        pdf_set_annot_appearance(c, widget, "N", nullptr, fz_identity,
                                 fz_make_rect(0, 0, width, height), res, marked);
    }
    fz_always(c) {
        fz_drop_device(c, dev);
        pdf_drop_obj(c, res);
        fz_drop_buffer(c, contents);
        fz_drop_buffer(c, marked);
        fz_drop_text(c, text);
    }
    fz_catch(c) {
        ok = false;
    }
    return ok;
}

} // namespace pdf::fieldappearance
