#include "pdf/annotations/FieldAppearance.h"

#include "pdf/document/PageRotation.h"
#include "pdf/text/UnicodeText.h"

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
    float background[3] = {1, 1, 1};
    float border[3] = {0, 0, 0};
    bool hasBackground = false, hasBorder = false;
    float borderWidth = 1;
    int quadding = 0;
    int rotation = 0; // /MK /R: the field's content turned counter-clockwise
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
        look.hasBackground = pdf_annot_MK_BG_rgb(c, widget, look.background) != 0;
        look.hasBorder = pdf_annot_MK_BC_rgb(c, widget, look.border) != 0;
        look.borderWidth = pdf_annot_border(c, widget);
        look.rotation = normalizedRotation(
            pdf_dict_get_int(c, pdf_dict_get(c, obj, PDF_NAME(MK)), PDF_NAME(R)));
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
    const float boxWidth = look.rect.x1 - look.rect.x0, boxHeight = look.rect.y1 - look.rect.y0;
    // A turned field is laid out along its turned sides, then turned into its box.
    const bool sideways = look.rotation == 90 || look.rotation == 270;
    const float width = sideways ? boxHeight : boxWidth, height = sideways ? boxWidth : boxHeight;
    fz_matrix turn = fz_identity;
    if (look.rotation == 90)
        turn = fz_make_matrix(0, 1, -1, 0, boxWidth, 0);
    else if (look.rotation == 180)
        turn = fz_make_matrix(-1, 0, 0, -1, boxWidth, boxHeight);
    else if (look.rotation == 270)
        turn = fz_make_matrix(0, -1, 1, 0, 0, boxHeight);
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
    fz_path* frame = nullptr;
    fz_stroke_state* stroke = nullptr;
    bool ok = true;
    fz_var(frame);
    fz_var(stroke);
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
        // The background and border the field asks for (/MK), as the engine draws them.
        if (look.hasBackground || (look.hasBorder && look.borderWidth > 0)) {
            const float inset = look.hasBorder ? look.borderWidth / 2 : 0;
            frame = fz_new_path(c);
            fz_rectto(c, frame, inset, inset, boxWidth - inset, boxHeight - inset);
            if (look.hasBackground)
                fz_fill_path(c, dev, frame, 0, fz_identity, fz_device_rgb(c), look.background, 1.0f,
                             fz_default_color_params);
            if (look.hasBorder && look.borderWidth > 0) {
                stroke = fz_new_stroke_state(c);
                stroke->linewidth = look.borderWidth;
                fz_stroke_path(c, dev, frame, stroke, fz_identity, fz_device_rgb(c), look.border,
                               1.0f, fz_default_color_params);
            }
        }
        fz_fill_text(c, dev, text, fz_concat(fz_translate(std::max(0.0f, dx), dy), turn),
                     fz_device_rgb(c), look.color, 1.0f, fz_default_color_params);
        fz_close_device(c, dev);
        // Form readers expect the field's drawing inside a marked-content section.
        marked = fz_new_buffer(c, fz_buffer_storage(c, contents, nullptr) + 32);
        fz_append_string(c, marked, "/Tx BMC\nq\n");
        fz_append_buffer(c, marked, contents);
        fz_append_string(c, marked, "\nQ\nEMC\n");
        pdf_set_annot_appearance(c, widget, "N", nullptr, fz_identity,
                                 fz_make_rect(0, 0, boxWidth, boxHeight), res, marked);
    }
    fz_always(c) {
        fz_drop_device(c, dev);
        fz_drop_path(c, frame);
        fz_drop_stroke_state(c, stroke);
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
