// Taking what lies under redaction marks out of a page's content streams: glyphs and image
// pixels through the engine's content filter, painted subpaths through a pass of our own
// over the filtered stream, and the fill of each area appended last.
#include "pdf/annotations/RedactionContent.h"

#include <cmath>
#include <cstring>

namespace pdf {

void RedactionAreas::push(fz_context* c, const RedactionArea& area) {
    if (len == cap) {
        const int grown = cap ? cap * 2 : 8;
        items = fz_realloc_array(c, items, grown, RedactionArea);
        cap = grown;
    }
    items[len++] = area;
}

void RedactionAreas::release(fz_context* c) {
    fz_free(c, items);
    *this = {};
}

const RedactionArea* RedactionAreas::at(fz_point point) const {
    for (int i = 0; i < len; ++i)
        if (fz_is_point_inside_rect(point, items[i].box))
            return &items[i];
    return nullptr;
}

bool RedactionAreas::meets(fz_rect rect) const {
    for (int i = 0; i < len; ++i)
        if (!fz_is_empty_rect(fz_intersect_rect(rect, items[i].box)))
            return true;
    return false;
}

namespace {

struct FilterState {
    const RedactionAreas* areas;
    ContentCounts* counts;
};

// A glyph goes when the centre of its box lies under a mark: a mark drawn over a word
// takes every letter it mostly covers, and none of its neighbours.
int dropGlyph(fz_context*, void* opaque, int*, int, fz_matrix trm, fz_matrix ctm, fz_rect bbox) {
    auto* state = static_cast<FilterState*>(opaque);
    const fz_point centre = fz_transform_point(
        fz_make_point((bbox.x0 + bbox.x1) / 2, (bbox.y0 + bbox.y1) / 2), fz_concat(trm, ctm));
    if (!state->areas->at(centre))
        return 0;
    ++state->counts->glyphs;
    return 1;
}

// Paints, in the pixels of `pix`, the part of each area that falls on the image placed by
// `ctm` (the unit square to the page); `opaque` for a soft mask, the fill colours for the
// image itself. Returns the number of areas that cover the whole image.
int paintAreas(const RedactionAreas& areas, fz_pixmap* pix, fz_matrix ctm, bool mask) {
    const fz_matrix toImage = fz_invert_matrix(ctm);
    const fz_rect placed = fz_transform_rect(fz_unit_rect, ctm);
    int whole = 0;
    for (int i = 0; i < areas.len; ++i) {
        const RedactionArea& area = areas.items[i];
        if (fz_is_empty_rect(fz_intersect_rect(placed, area.box)))
            continue;
        if (fz_contains_rect(area.box, placed))
            ++whole;
        // Image space: row 0 is the top edge (unit y = 1). Rounded outwards.
        const fz_rect u = fz_transform_rect(area.box, toImage);
        const int x0 = std::max(0, int(std::floor(u.x0 * float(pix->w))));
        const int x1 = std::min(pix->w, int(std::ceil(u.x1 * float(pix->w))));
        const int y0 = std::max(0, int(std::floor((1 - u.y1) * float(pix->h))));
        const int y1 = std::min(pix->h, int(std::ceil((1 - u.y0) * float(pix->h))));
        unsigned char value[4] = {255, 255, 255, 255};
        if (!mask)
            for (int k = 0; k < 3; ++k)
                value[k] = static_cast<unsigned char>(std::lround(area.fill[k] * 255));
        for (int y = y0; y < y1; ++y) {
            unsigned char* s = pix->samples + ptrdiff_t(y) * pix->stride + ptrdiff_t(x0) * pix->n;
            for (int x = x0; x < x1; ++x, s += pix->n)
                std::memcpy(s, value, size_t(pix->n));
        }
    }
    return whole;
}

// The image's pixels, in RGB for a picture (gray for a soft mask), ready to be painted.
fz_pixmap* editablePixels(fz_context* c, fz_image* image, bool mask) {
    fz_pixmap* pix = fz_get_pixmap_from_image(c, image, nullptr, nullptr, nullptr, nullptr);
    fz_colorspace* wanted = mask ? fz_device_gray(c) : fz_device_rgb(c);
    if (pix->colorspace == wanted)
        return pix;
    fz_pixmap* converted = nullptr;
    fz_try(c) {
        converted = fz_convert_pixmap(c, pix, wanted, nullptr, nullptr, fz_default_color_params,
                                      pix->alpha);
    }
    fz_always(c) {
        fz_drop_pixmap(c, pix);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return converted;
}

// The engine's contract: the same image to keep it, a new one (ours to give) to replace
// it, null to remove it.
fz_image* redactImage(fz_context* c, void* opaque, fz_matrix ctm, const char*, fz_image* image) {
    auto* state = static_cast<FilterState*>(opaque);
    const fz_rect placed = fz_transform_rect(fz_unit_rect, ctm);
    if (!state->areas->meets(placed))
        return image;
    // A stencil mask carries its shape in the pixels' polarity alone; one that meets a
    // mark goes whole rather than be turned into a picture of itself.
    if (image->imagemask) {
        ++state->counts->imagesRemoved;
        return nullptr;
    }
    fz_pixmap* pix = nullptr;
    fz_pixmap* maskPix = nullptr;
    fz_image* mask = nullptr;
    fz_image* result = nullptr;
    fz_var(pix);
    fz_var(maskPix);
    fz_var(mask);
    fz_try(c) {
        pix = editablePixels(c, image, false);
        if (paintAreas(*state->areas, pix, ctm, false) > 0) {
            ++state->counts->imagesRemoved;
        } else {
            if (image->mask) {
                maskPix = editablePixels(c, image->mask, true);
                paintAreas(*state->areas, maskPix, ctm, true);
                mask = fz_new_image_from_pixmap(c, maskPix, nullptr);
            }
            result = fz_new_image_from_pixmap(c, pix, mask);
            ++state->counts->imagesCut;
        }
    }
    fz_always(c) {
        fz_drop_pixmap(c, pix);
        fz_drop_pixmap(c, maskPix);
        fz_drop_image(c, mask);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return result;
}

// The pass over paths: the engine's own writer of content streams, with the path
// operators taken over. Subpaths are held until the painting operator, then written
// again except those that lie wholly under a mark. Dropping such a subpath changes the
// winding only inside its own outline, which is under the mark: nothing outside it moves.
// A subpath crossing a mark's edge stays whole (the area's fill covers what lies under it).
struct PathOp {
    char op; // m l c v y h r (re)
    float v[6];
};

struct PathPass {
    pdf_processor writer{}; // the writer's own operations
    const RedactionAreas* areas = nullptr;
    ContentCounts* counts = nullptr;
    fz_matrix ctm = fz_identity;
    float lineWidth = 1;
    fz_matrix* ctmStack = nullptr;
    float* widthStack = nullptr;
    int depth = 0;
    int depthCap = 0;
    PathOp* ops = nullptr;
    int len = 0;
    int cap = 0;
    void (*clip)(fz_context*, pdf_processor*) = nullptr; // W or W* waiting for its paint
    // Optional content: with a usage, what it hides for that usage is left out.
    const char* usage = nullptr;
    pdf_document* doc = nullptr;
    pdf_obj* resources = nullptr;
    int hidden = 0; // depth of marked content inside a hidden group
};

thread_local PathPass* pass = nullptr;

void record(fz_context* c, char op, std::initializer_list<float> values) {
    PathPass& p = *pass;
    if (p.len == p.cap) {
        const int grown = p.cap ? p.cap * 2 : 64;
        p.ops = fz_realloc_array(c, p.ops, grown, PathOp);
        p.cap = grown;
    }
    PathOp& o = p.ops[p.len++];
    o.op = op;
    int i = 0;
    for (float v : values)
        o.v[i++] = v;
}

void opM(fz_context* c, pdf_processor*, float x, float y) {
    record(c, 'm', {x, y});
}
void opL(fz_context* c, pdf_processor*, float x, float y) {
    record(c, 'l', {x, y});
}
void opC(fz_context* c, pdf_processor*, float a, float b, float d, float e, float f, float g) {
    record(c, 'c', {a, b, d, e, f, g});
}
void opV(fz_context* c, pdf_processor*, float a, float b, float d, float e) {
    record(c, 'v', {a, b, d, e});
}
void opY(fz_context* c, pdf_processor*, float a, float b, float d, float e) {
    record(c, 'y', {a, b, d, e});
}
void opH(fz_context* c, pdf_processor*) {
    record(c, 'h', {});
}
void opRe(fz_context* c, pdf_processor*, float x, float y, float w, float h) {
    record(c, 'r', {x, y, w, h});
}

void replay(fz_context* c, pdf_processor* proc, const PathOp& o) {
    const pdf_processor& w = pass->writer;
    switch (o.op) {
    case 'm':
        w.op_m(c, proc, o.v[0], o.v[1]);
        break;
    case 'l':
        w.op_l(c, proc, o.v[0], o.v[1]);
        break;
    case 'c':
        w.op_c(c, proc, o.v[0], o.v[1], o.v[2], o.v[3], o.v[4], o.v[5]);
        break;
    case 'v':
        w.op_v(c, proc, o.v[0], o.v[1], o.v[2], o.v[3]);
        break;
    case 'y':
        w.op_y(c, proc, o.v[0], o.v[1], o.v[2], o.v[3]);
        break;
    case 'h':
        w.op_h(c, proc);
        break;
    default:
        w.op_re(c, proc, o.v[0], o.v[1], o.v[2], o.v[3]);
        break;
    }
}

fz_rect opBounds(const PathOp& o, fz_matrix ctm) {
    fz_rect r = fz_empty_rect;
    const int points = o.op == 'c' ? 3 : (o.op == 'v' || o.op == 'y') ? 2 : o.op == 'h' ? 0 : 1;
    for (int i = 0; i < points; ++i)
        r = fz_include_point_in_rect(
            r, fz_transform_point(fz_make_point(o.v[2 * i], o.v[2 * i + 1]), ctm));
    if (o.op == 'r')
        r = fz_transform_rect(fz_make_rect(o.v[0], o.v[1], o.v[0] + o.v[2], o.v[1] + o.v[3]), ctm);
    return r;
}

bool underOneArea(fz_rect r) {
    for (int i = 0; i < pass->areas->len; ++i)
        if (fz_contains_rect(pass->areas->items[i].box, r))
            return true;
    return false;
}

void paint(fz_context* c, pdf_processor* proc, void (*op)(fz_context*, pdf_processor*),
           bool strokes) {
    PathPass& p = *pass;
    if (p.hidden > 0) {
        p.len = 0;
        p.clip = nullptr;
        return;
    }
    if (p.clip) {
        // A clipping path is written as it is: it shows nothing by itself.
        for (int i = 0; i < p.len; ++i)
            replay(c, proc, p.ops[i]);
        p.clip(c, proc);
        p.clip = nullptr;
        op(c, proc);
        p.len = 0;
        return;
    }
    // A stroke reaches beyond its path: by its whole width, to stay on the safe side.
    const float reach = strokes ? p.lineWidth * fz_matrix_expansion(p.ctm) + 0.5f : 0;
    bool kept = false;
    for (int start = 0; start < p.len;) {
        int end = start + 1;
        while (end < p.len && p.ops[end].op != 'm' && p.ops[end].op != 'r')
            ++end;
        fz_rect box = fz_empty_rect;
        for (int i = start; i < end; ++i)
            box = fz_union_rect(box, opBounds(p.ops[i], p.ctm));
        if (!fz_is_empty_rect(box) && underOneArea(fz_expand_rect(box, reach))) {
            ++p.counts->paths;
        } else {
            for (int i = start; i < end; ++i)
                replay(c, proc, p.ops[i]);
            kept = true;
        }
        start = end;
    }
    if (kept)
        op(c, proc);
    p.len = 0;
}

#define VELLUMARK_PAINT(name, strokes)                                                             \
    void paint_##name(fz_context* c, pdf_processor* proc) {                                        \
        paint(c, proc, pass->writer.op_##name, strokes);                                           \
    }
VELLUMARK_PAINT(S, true)
VELLUMARK_PAINT(s, true)
VELLUMARK_PAINT(F, false)
VELLUMARK_PAINT(f, false)
VELLUMARK_PAINT(fstar, false)
VELLUMARK_PAINT(B, true)
VELLUMARK_PAINT(Bstar, true)
VELLUMARK_PAINT(b, true)
VELLUMARK_PAINT(bstar, true)
VELLUMARK_PAINT(n, false)
#undef VELLUMARK_PAINT

void opW(fz_context*, pdf_processor*) {
    pass->clip = pass->writer.op_W;
}
void opWstar(fz_context*, pdf_processor*) {
    pass->clip = pass->writer.op_Wstar;
}

void opQ(fz_context* c, pdf_processor* proc) {
    PathPass& p = *pass;
    if (p.depth == p.depthCap) {
        const int grown = p.depthCap ? p.depthCap * 2 : 16;
        p.ctmStack = fz_realloc_array(c, p.ctmStack, grown, fz_matrix);
        p.widthStack = fz_realloc_array(c, p.widthStack, grown, float);
        p.depthCap = grown;
    }
    p.ctmStack[p.depth] = p.ctm;
    p.widthStack[p.depth++] = p.lineWidth;
    p.writer.op_q(c, proc);
}
void opRestore(fz_context* c, pdf_processor* proc) {
    PathPass& p = *pass;
    if (p.depth > 0) {
        p.ctm = p.ctmStack[--p.depth];
        p.lineWidth = p.widthStack[p.depth];
    }
    p.writer.op_Q(c, proc);
}
void opCm(fz_context* c, pdf_processor* proc, float a, float b, float d, float e, float f,
          float g) {
    pass->ctm = fz_concat(fz_make_matrix(a, b, d, e, f, g), pass->ctm);
    pass->writer.op_cm(c, proc, a, b, d, e, f, g);
}
void opWidth(fz_context* c, pdf_processor* proc, float width) {
    pass->lineWidth = width;
    pass->writer.op_w(c, proc, width);
}

void opBDC(fz_context* c, pdf_processor* proc, const char* tag, pdf_obj* raw, pdf_obj* cooked) {
    PathPass& p = *pass;
    if (p.hidden > 0) {
        ++p.hidden;
        return;
    }
    if (p.usage && std::strcmp(tag, "OC") == 0 &&
        pdf_is_ocg_hidden(c, p.doc, p.resources, p.usage, cooked)) {
        p.hidden = 1;
        return;
    }
    p.writer.op_BDC(c, proc, tag, raw, cooked);
}
void opBMC(fz_context* c, pdf_processor* proc, const char* tag) {
    if (pass->hidden > 0)
        ++pass->hidden;
    else
        pass->writer.op_BMC(c, proc, tag);
}
void opEMC(fz_context* c, pdf_processor* proc) {
    if (pass->hidden > 0)
        --pass->hidden;
    else
        pass->writer.op_EMC(c, proc);
}
// What draws is left out inside a hidden group; what moves the text position stays.
void opTj(fz_context* c, pdf_processor* proc, char* s, size_t n) {
    if (!pass->hidden)
        pass->writer.op_Tj(c, proc, s, n);
}
void opTJ(fz_context* c, pdf_processor* proc, pdf_obj* array) {
    if (!pass->hidden)
        pass->writer.op_TJ(c, proc, array);
}
void opSquote(fz_context* c, pdf_processor* proc, char* s, size_t n) {
    if (!pass->hidden)
        pass->writer.op_squote(c, proc, s, n);
    else
        pass->writer.op_Tstar(c, proc);
}
void opDquote(fz_context* c, pdf_processor* proc, float aw, float ac, char* s, size_t n) {
    if (!pass->hidden) {
        pass->writer.op_dquote(c, proc, aw, ac, s, n);
    } else {
        pass->writer.op_Tw(c, proc, aw);
        pass->writer.op_Tc(c, proc, ac);
        pass->writer.op_Tstar(c, proc);
    }
}
void opDoImage(fz_context* c, pdf_processor* proc, const char* name, fz_image* image) {
    if (!pass->hidden)
        pass->writer.op_Do_image(c, proc, name, image);
}
void opDoForm(fz_context* c, pdf_processor* proc, const char* name, pdf_obj* form,
              pdf_obj* resources) {
    if (!pass->hidden)
        pass->writer.op_Do_form(c, proc, name, form, resources);
}
void opSh(fz_context* c, pdf_processor* proc, const char* name, fz_shade* shade) {
    if (!pass->hidden)
        pass->writer.op_sh(c, proc, name, shade);
}
void opBI(fz_context* c, pdf_processor* proc, fz_image* image, const char* colorspace) {
    if (!pass->hidden)
        pass->writer.op_BI(c, proc, image, colorspace);
}

// Runs the page's content through the path pass into `out`.
// With a `usage`, what optional content hides for that usage is left out as well.
void removeCoveredPaths(fz_context* c, pdf_document* doc, pdf_obj* resources, pdf_obj* contents,
                        fz_buffer* out, const RedactionAreas& areas, ContentCounts& counts,
                        const char* usage = nullptr) {
    PathPass state;
    state.areas = &areas;
    state.counts = &counts;
    pdf_processor* proc = nullptr;
    fz_var(proc);
    pass = &state;
    fz_try(c) {
        proc = pdf_new_buffer_processor(c, out, 0);
        state.writer = *proc;
        proc->op_m = opM;
        proc->op_l = opL;
        proc->op_c = opC;
        proc->op_v = opV;
        proc->op_y = opY;
        proc->op_h = opH;
        proc->op_re = opRe;
        proc->op_S = paint_S;
        proc->op_s = paint_s;
        proc->op_F = paint_F;
        proc->op_f = paint_f;
        proc->op_fstar = paint_fstar;
        proc->op_B = paint_B;
        proc->op_Bstar = paint_Bstar;
        proc->op_b = paint_b;
        proc->op_bstar = paint_bstar;
        proc->op_n = paint_n;
        proc->op_W = opW;
        proc->op_Wstar = opWstar;
        proc->op_q = opQ;
        proc->op_Q = opRestore;
        proc->op_cm = opCm;
        proc->op_w = opWidth;
        if (usage) {
            state.usage = usage;
            state.doc = doc;
            state.resources = resources;
            proc->op_BDC = opBDC;
            proc->op_BMC = opBMC;
            proc->op_EMC = opEMC;
            proc->op_Tj = opTj;
            proc->op_TJ = opTJ;
            proc->op_squote = opSquote;
            proc->op_dquote = opDquote;
            proc->op_Do_image = opDoImage;
            proc->op_Do_form = opDoForm;
            proc->op_sh = opSh;
            proc->op_BI = opBI;
        }
        pdf_process_contents(c, proc, doc, resources, contents, nullptr);
        pdf_close_processor(c, proc);
    }
    fz_always(c) {
        pdf_drop_processor(c, proc);
        fz_free(c, state.ops);
        fz_free(c, state.ctmStack);
        fz_free(c, state.widthStack);
        pass = nullptr;
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

constexpr const char* kOverlayFont = "RedactionOverlay";

// Each area filled, with its overlay text centred in it, after everything else.
void appendFills(fz_context* c, pdf_obj* page, fz_buffer* out, const RedactionAreas& areas) {
    fz_font* font = nullptr;
    fz_var(font);
    fz_try(c) {
        fz_append_string(c, out, "\nq\n");
        for (int i = 0; i < areas.len; ++i) {
            const RedactionArea& a = areas.items[i];
            fz_append_printf(c, out, "%g %g %g rg %g %g %g %g re f\n", a.fill[0], a.fill[1],
                             a.fill[2], a.box.x0, a.box.y0, a.box.x1 - a.box.x0,
                             a.box.y1 - a.box.y0);
            if (!a.overlay[0])
                continue;
            if (!font)
                font = fz_new_base14_font(c, "Helvetica");
            float width = 0;
            for (const char* s = a.overlay; *s; ++s)
                width += fz_advance_glyph(
                    c, font, fz_encode_character(c, font, static_cast<unsigned char>(*s)), 0);
            const float boxW = a.box.x1 - a.box.x0, boxH = a.box.y1 - a.box.y0;
            const float size = std::min(boxH * 0.6f, width > 0 ? boxW * 0.9f / width : 0);
            if (size < 3)
                continue;
            const float light = 0.3f * a.fill[0] + 0.59f * a.fill[1] + 0.11f * a.fill[2];
            const float ink = light < 0.5f ? 1 : 0;
            fz_append_printf(c, out, "BT /%s %g Tf %g g %g %g Td <", kOverlayFont, size, ink,
                             a.box.x0 + (boxW - width * size) / 2,
                             a.box.y0 + (boxH - size * 0.7f) / 2);
            for (const char* s = a.overlay; *s; ++s)
                fz_append_printf(c, out, "%02x", static_cast<unsigned char>(*s));
            fz_append_string(c, out, "> Tj ET\n");
            pdf_obj* res = pdf_dict_get(c, page, PDF_NAME(Resources));
            if (!res) {
                // Inherited resources are shared with other pages: the page gets a copy.
                pdf_obj* inherited = pdf_dict_get_inheritable(c, page, PDF_NAME(Resources));
                res = inherited ? pdf_copy_dict(c, inherited)
                                : pdf_new_dict(c, pdf_get_bound_document(c, page), 1);
                pdf_dict_put_drop(c, page, PDF_NAME(Resources), res);
            }
            pdf_obj* fonts = pdf_dict_get(c, res, PDF_NAME(Font));
            if (!fonts)
                fonts = pdf_dict_put_dict(c, res, PDF_NAME(Font), 1);
            if (!pdf_dict_gets(c, fonts, kOverlayFont)) {
                pdf_obj* helv = pdf_dict_puts_dict(c, fonts, kOverlayFont, 4);
                pdf_dict_put(c, helv, PDF_NAME(Type), PDF_NAME(Font));
                pdf_dict_put(c, helv, PDF_NAME(Subtype), PDF_NAME(Type1));
                pdf_dict_put_name(c, helv, PDF_NAME(BaseFont), "Helvetica");
                pdf_dict_put(c, helv, PDF_NAME(Encoding), PDF_NAME(WinAnsiEncoding));
            }
        }
        fz_append_string(c, out, "Q\n");
    }
    fz_always(c) {
        fz_drop_font(c, font);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

// Type 3 glyph procedures, saved before the content filter runs and put back after it: the
// filter rewrites them as page content (a q before d0/d1, which other readers refuse), and
// they draw glyph shapes, not the page's text.
struct SavedProc {
    pdf_obj* stream;
    fz_buffer* data;
};

struct SavedProcs {
    SavedProc* items = nullptr;
    int len = 0;
    int cap = 0;
    void save(fz_context* c, pdf_obj* stream) {
        for (int i = 0; i < len; ++i)
            if (pdf_objcmp(c, items[i].stream, stream) == 0)
                return;
        if (len == cap) {
            const int grown = cap ? cap * 2 : 32;
            items = fz_realloc_array(c, items, grown, SavedProc);
            cap = grown;
        }
        items[len].stream = pdf_keep_obj(c, stream);
        items[len].data = nullptr;
        ++len; // counted before loading, so that release() drops it whatever happens
        items[len - 1].data = pdf_load_stream(c, stream);
    }
    void restore(fz_context* c, pdf_document* doc) {
        for (int i = 0; i < len; ++i)
            pdf_update_stream(c, doc, items[i].stream, items[i].data, 0);
    }
    void release(fz_context* c) {
        for (int i = 0; i < len; ++i) {
            pdf_drop_obj(c, items[i].stream);
            fz_drop_buffer(c, items[i].data);
        }
        fz_free(c, items);
        *this = {};
    }
};

void saveType3Procs(fz_context* c, pdf_obj* resources, SavedProcs& saved, int depth) {
    if (!resources || depth > 8 || pdf_mark_obj(c, resources))
        return;
    fz_try(c) {
        pdf_obj* fonts = pdf_dict_get(c, resources, PDF_NAME(Font));
        for (int i = 0; i < pdf_dict_len(c, fonts); ++i) {
            pdf_obj* font = pdf_dict_get_val(c, fonts, i);
            if (!pdf_name_eq(c, pdf_dict_get(c, font, PDF_NAME(Subtype)), PDF_NAME(Type3)))
                continue;
            pdf_obj* procs = pdf_dict_get(c, font, PDF_NAME(CharProcs));
            for (int k = 0; k < pdf_dict_len(c, procs); ++k)
                if (pdf_is_stream(c, pdf_dict_get_val(c, procs, k)))
                    saved.save(c, pdf_dict_get_val(c, procs, k));
        }
        pdf_obj* xobjects = pdf_dict_get(c, resources, PDF_NAME(XObject));
        for (int i = 0; i < pdf_dict_len(c, xobjects); ++i) {
            pdf_obj* xobject = pdf_dict_get_val(c, xobjects, i);
            if (pdf_name_eq(c, pdf_dict_get(c, xobject, PDF_NAME(Subtype)), PDF_NAME(Form)))
                saveType3Procs(c, pdf_dict_get(c, xobject, PDF_NAME(Resources)), saved, depth + 1);
        }
    }
    fz_always(c) {
        pdf_unmark_obj(c, resources);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

// The page's content again, through the pass, into a content stream of the page's own.
void rewriteContent(fz_context* c, pdf_document* doc, pdf_page* page, const RedactionAreas& areas,
                    ContentCounts& counts, const char* usage) {
    fz_buffer* out = nullptr;
    pdf_obj* stream = nullptr;
    fz_var(out);
    fz_var(stream);
    fz_try(c) {
        out = fz_new_buffer(c, 4096);
        pdf_obj* resources = pdf_dict_get_inheritable(c, page->obj, PDF_NAME(Resources));
        pdf_obj* contents = pdf_dict_get(c, page->obj, PDF_NAME(Contents));
        removeCoveredPaths(c, doc, resources, contents, out, areas, counts, usage);
        // A stream of the page's own: the old one may be shared with other pages.
        stream = pdf_add_stream(c, doc, out, nullptr, 0);
        pdf_dict_put(c, page->obj, PDF_NAME(Contents), stream);
    }
    fz_always(c) {
        fz_drop_buffer(c, out);
        pdf_drop_obj(c, stream);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace

void dropHiddenContent(fz_context* c, pdf_document* doc, pdf_page* page) {
    const RedactionAreas none;
    ContentCounts counts;
    rewriteContent(c, doc, page, none, counts, "View");
}

void fillAreas(fz_context* c, pdf_page* page, const RedactionAreas& areas) {
    fz_buffer* out = nullptr;
    fz_var(out);
    fz_try(c) {
        pdf_obj* contents = pdf_dict_get(c, page->obj, PDF_NAME(Contents));
        out = pdf_load_stream(c, contents);
        appendFills(c, page->obj, out, areas);
        pdf_update_stream(c, page->doc, contents, out, 0);
    }
    fz_always(c) {
        fz_drop_buffer(c, out);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

void redactPageContent(fz_context* c, pdf_document* doc, pdf_page* page,
                       const RedactionAreas& areas, ContentCounts& counts) {
    FilterState state{&areas, &counts};
    pdf_filter_options filter{};
    filter.opaque = &state;
    filter.text_filter = dropGlyph;
    filter.image_filter = redactImage;
    filter.recurse = 1;        // forms drawn by the page are filtered too,
    filter.instance_forms = 1; // each use on its own, as it is placed there
    filter.sanitize = 1;
    filter.ascii = 0;
    SavedProcs procs;
    fz_try(c) {
        saveType3Procs(c, pdf_dict_get_inheritable(c, page->obj, PDF_NAME(Resources)), procs, 0);
        pdf_filter_page_contents(c, doc, page, &filter);
        procs.restore(c, doc);
    }
    fz_always(c) {
        procs.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }

    rewriteContent(c, doc, page, areas, counts, nullptr);
}

} // namespace pdf
