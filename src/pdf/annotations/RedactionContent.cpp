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
        passContent(c, doc, resources, contents, out, areas, counts, usage);
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
