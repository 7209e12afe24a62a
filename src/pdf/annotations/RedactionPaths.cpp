// The pass over a page's content after the engine's filter: painted subpaths lying wholly
// under a mark, and what hidden optional content draws, are left out of the stream written.
#include "pdf/annotations/RedactionContent.h"

#include <cstring>
#include <initializer_list>

namespace pdf {

namespace {

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
    // A form may belong to a hidden group of its own, without marked content around it.
    pdf_obj* group = pdf_dict_get(c, form, PDF_NAME(OC));
    if (pass->hidden ||
        (group && pdf_is_ocg_hidden(c, pass->doc, pass->resources, pass->usage, group)))
        return;
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

} // namespace

void passContent(fz_context* c, pdf_document* doc, pdf_obj* resources, pdf_obj* contents,
                 fz_buffer* out, const RedactionAreas& areas, ContentCounts& counts,
                 const char* usage) {
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

} // namespace pdf
