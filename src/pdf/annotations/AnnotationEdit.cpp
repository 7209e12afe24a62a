#include "pdf/annotations/AnnotationEdit.h"

#include "pdf/annotations/OwnAnnots.h"
#include "pdf/engine/Internal.h"
#include "pdf/text/UnicodeText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pdf {

using engine::ctx;

struct AnnotationSnapshot::Data {
    std::shared_ptr<DocumentData> doc;
    pdf_obj* dict = nullptr;
    int object = 0; // the number it had, which replies (/IRT) name
    ~Data() {
        if (!dict)
            return;
        auto lock = doc->lock();
        pdf_drop_obj(ctx(), dict);
    }
};

AnnotationSnapshot::AnnotationSnapshot(std::unique_ptr<Data> d, QString subtype)
    : d_(std::move(d)), subtype_(std::move(subtype)) {}

AnnotationSnapshot::~AnnotationSnapshot() = default;

bool AnnotationSnapshot::sameAs(const AnnotationSnapshot& other) const {
    if (d_->doc != other.d_->doc)
        return false;
    auto lock = d_->doc->lock();
    fz_context* c = ctx();
    int different = 1;
    fz_var(different);
    fz_try(c) {
        different = pdf_objcmp(c, d_->dict, other.d_->dict);
    }
    fz_catch(c) {
        different = 1;
    }
    return different == 0;
}

namespace {

bool isSubtype(fz_context* c, pdf_obj* obj, std::initializer_list<const char*> names) {
    const char* name = pdf_dict_get_name(c, obj, PDF_NAME(Subtype));
    if (!name)
        return false;
    for (const char* n : names)
        if (std::strcmp(name, n) == 0)
            return true;
    return false;
}

// Free text whose appearance the engine wrote (its standard font, Latin text). Free text
// drawn by us in other fonts, or rotated (watermarks), keeps its own appearance.
// `textFits`: its text is all in the standard font (found out before the engine's guard).
bool isPlainFreeText(fz_context* c, pdf_obj* obj, bool textFits) {
    if (!textFits)
        return false;
    pdf_obj* normal = pdf_dict_getl(c, obj, PDF_NAME(AP), PDF_NAME(N), nullptr);
    if (!pdf_is_stream(c, normal))
        return true;
    pdf_obj* fonts = pdf_dict_getl(c, normal, PDF_NAME(Resources), PDF_NAME(Font), nullptr);
    return pdf_dict_len(c, fonts) == 0 || pdf_dict_gets(c, fonts, "Helv") != nullptr;
}

// Subtypes whose appearance the engine draws from the dictionary alone.
bool engineDraws(fz_context* c, pdf_obj* obj, bool textFits) {
    if (isSubtype(c, obj,
                  {"Square", "Circle", "Line", "Polygon", "PolyLine", "Ink", "Highlight",
                   "Underline", "StrikeOut", "Squiggly", "Text"}))
        return true;
    return isSubtype(c, obj, {"FreeText"}) && isPlainFreeText(c, obj, textFits);
}

// Whether the annotation's text is all in the engine's standard font. Read under the lock
// but outside any guard, since the check makes Qt strings.
bool textFitsStandardFont(const Annotation& annotation) {
    const AnnotationData& a = annotation.data();
    auto lock = a.page->data().doc->lock();
    if (a.removed || a.page->data().detached)
        return false;
    fz_context* c = ctx();
    const char* text = nullptr;
    fz_var(text);
    fz_try(c) {
        text = pdf_dict_get_text_string(c, pdf_annot_obj(c, a.annot), PDF_NAME(Contents));
    }
    fz_catch(c) {
        return false;
    }
    return unicodetext::fitsStandardFont(QString::fromUtf8(text));
}

bool hasAppearance(fz_context* c, pdf_obj* obj) {
    return pdf_is_stream(c, pdf_dict_getl(c, obj, PDF_NAME(AP), PDF_NAME(N), nullptr)) ||
           pdf_is_dict(c, pdf_dict_getl(c, obj, PDF_NAME(AP), PDF_NAME(N), nullptr));
}

// Draws the appearance again into a new stream: the old one stays as it was, for an undo.
void redraw(fz_context* c, pdf_annot* annot) {
    pdf_dict_del(c, pdf_annot_obj(c, annot), PDF_NAME(AP));
    pdf_dirty_annot(c, annot);
    pdf_update_annot(c, annot);
}

// After edits that keep the appearance: the engine must not take the changed dictionary
// for a reason to draw it anew (it would draw a stamp's generic face over its image).
void keepAppearance(fz_context* c, pdf_annot* annot) {
    pdf_clean_obj(c, pdf_annot_obj(c, annot));
}

// A new direct array of the points of `array` moved by `m`. A new one, not the old one
// changed in place: another annotation may share it, and a snapshot may refer to it.
pdf_obj* transformedPoints(fz_context* c, pdf_document* doc, pdf_obj* array, fz_matrix m) {
    const int n = pdf_array_len(c, array);
    pdf_obj* out = pdf_new_array(c, doc, n);
    fz_try(c) {
        for (int i = 0; i + 1 < n; i += 2) {
            fz_point p =
                fz_make_point(pdf_array_get_real(c, array, i), pdf_array_get_real(c, array, i + 1));
            p = fz_transform_point(p, m);
            pdf_array_push_real(c, out, p.x);
            pdf_array_push_real(c, out, p.y);
        }
    }
    fz_catch(c) {
        pdf_drop_obj(c, out);
        fz_rethrow(c);
    }
    return out;
}

void transformKey(fz_context* c, pdf_document* doc, pdf_obj* obj, const char* key, fz_matrix m) {
    pdf_obj* array = pdf_dict_gets(c, obj, key);
    if (pdf_is_array(c, array))
        pdf_dict_puts_drop(c, obj, key, transformedPoints(c, doc, array, m));
}

// Moves every point the annotation is drawn from: its Rect, marked areas, strokes,
// vertices, line ends and callout line.
void transformGeometry(fz_context* c, pdf_annot* annot, fz_matrix m) {
    pdf_obj* obj = pdf_annot_obj(c, annot);
    pdf_document* doc = pdf_get_bound_document(c, obj);
    const fz_rect rect = pdf_dict_get_rect(c, obj, PDF_NAME(Rect));
    pdf_dict_put_rect(c, obj, PDF_NAME(Rect), fz_transform_rect(rect, m));
    transformKey(c, doc, obj, "QuadPoints", m);
    transformKey(c, doc, obj, "Vertices", m);
    transformKey(c, doc, obj, "L", m);
    transformKey(c, doc, obj, "CL", m);
    pdf_obj* ink = pdf_dict_get(c, obj, PDF_NAME(InkList));
    if (pdf_is_array(c, ink)) {
        const int strokes = pdf_array_len(c, ink);
        pdf_obj* out = pdf_new_array(c, doc, strokes);
        fz_try(c) {
            for (int i = 0; i < strokes; ++i)
                pdf_array_push_drop(c, out, transformedPoints(c, doc, pdf_array_get(c, ink, i), m));
            pdf_dict_put(c, obj, PDF_NAME(InkList), out);
        }
        fz_always(c) {
            pdf_drop_obj(c, out);
        }
        fz_catch(c) {
            fz_rethrow(c);
        }
    }
}

// The area a person sees as the annotation: the marked text for markup, else the Rect.
fz_rect frameOf(fz_context* c, pdf_obj* obj) {
    fz_rect r = pdf_dict_get_rect(c, obj, PDF_NAME(Rect));
    pdf_obj* quads = pdf_dict_get(c, obj, PDF_NAME(QuadPoints));
    const int n = pdf_array_len(c, quads);
    if (n >= 8 && n % 8 == 0) {
        fz_rect q = fz_empty_rect;
        for (int i = 0; i < n; i += 2)
            q = fz_include_point_in_rect(q, fz_make_point(pdf_array_get_real(c, quads, i),
                                                          pdf_array_get_real(c, quads, i + 1)));
        r = q;
    }
    return r;
}

// Runs `body` on a live annotation under its document's lock and announces the change
// when it returns true. The body runs inside the engine's guard: plain C calls only.
template <typename F> bool editAnnotation(Annotation& annotation, F body) {
    AnnotationData& a = annotation.data();
    ChangeScope scope;
    auto lock = a.page->data().doc->lock();
    if (a.removed || a.page->data().detached)
        return false;
    fz_context* c = ctx();
    bool changed = false;
    fz_var(changed);
    fz_try(c) {
        changed = body(c, a.annot, pdf_annot_obj(c, a.annot));
    }
    fz_catch(c) {
        changed = false;
    }
    if (changed) {
        touch(a.page->data());
        announce(*a.page->data().doc, {Change::Kind::AnnotationsChanged, {a.page->index()}});
    }
    return changed;
}

template <typename T, typename F>
T readAnnotation(const Annotation& annotation, T fallback, F body) {
    const AnnotationData& a = annotation.data();
    auto lock = a.page->data().doc->lock();
    if (a.removed || a.page->data().detached)
        return fallback;
    fz_context* c = ctx();
    T result = fallback;
    fz_var(result);
    fz_try(c) {
        result = body(c, a.annot, pdf_annot_obj(c, a.annot));
    }
    fz_catch(c) {
        result = fallback;
    }
    return result;
}

QColor colorFrom(int n, const float v[4], float alpha = 1.0f) {
    if (n == 1)
        return QColor::fromRgbF(v[0], v[0], v[0], alpha);
    if (n == 3)
        return QColor::fromRgbF(v[0], v[1], v[2], alpha);
    if (n == 4)
        return QColor::fromCmykF(v[0], v[1], v[2], v[3], alpha).toRgb();
    return {};
}

// A value for a restored dictionary: objects of the document are shared, the snapshot's
// own direct parts copied so the snapshot stays as it was for the next undo.
pdf_obj* copyValue(fz_context* c, pdf_obj* value) {
    return pdf_is_indirect(c, value) ? pdf_keep_obj(c, value) : pdf_deep_copy_obj(c, value);
}

void restoreInto(fz_context* c, pdf_obj* obj, pdf_obj* saved) {
    for (int i = pdf_dict_len(c, obj) - 1; i >= 0; --i) {
        pdf_obj* key = pdf_dict_get_key(c, obj, i);
        if (!pdf_dict_get(c, saved, key))
            pdf_dict_del(c, obj, key);
    }
    const int n = pdf_dict_len(c, saved);
    for (int i = 0; i < n; ++i)
        pdf_dict_put_drop(c, obj, pdf_dict_get_key(c, saved, i),
                          copyValue(c, pdf_dict_get_val(c, saved, i)));
}

} // namespace

bool isEditable(const Annotation& annotation) {
    return readAnnotation(annotation, false, [](fz_context* c, pdf_annot* a, pdf_obj* obj) {
        if (isSubtype(c, obj, {"Widget", "Link", "Popup"}))
            return false;
        // Locked ones say they must not be moved, changed or deleted.
        const int flags = pdf_annot_flags(c, a);
        return (flags & (PDF_ANNOT_IS_HIDDEN | PDF_ANNOT_IS_NO_VIEW | PDF_ANNOT_IS_LOCKED)) == 0;
    });
}

std::vector<AnnotationPtr> editableAnnotations(const Page& page) {
    std::vector<AnnotationPtr> out;
    for (AnnotationPtr& a : page.annotations())
        if (isEditable(*a))
            out.push_back(std::move(a));
    return out;
}

std::optional<AnnotationFacts> annotationFacts(const Annotation& annotation) {
    struct Raw {
        bool ok = false;
        char subtype[32] = {};
        fz_rect frame{};
        int colorN = 0;
        float color[4] = {};
        float alpha = 1;
        bool hasLine = false;
        fz_point a{}, b{};
        float width = 0;
        float fontSize = 0;
    };
    const Raw raw =
        readAnnotation(annotation, Raw{}, [](fz_context* c, pdf_annot* annot, pdf_obj* obj) {
            Raw r;
            const char* name = pdf_dict_get_name(c, obj, PDF_NAME(Subtype));
            std::strncpy(r.subtype, name ? name : "", sizeof r.subtype - 1);
            r.frame = frameOf(c, obj);
            r.alpha = pdf_annot_opacity(c, annot);
            if (isSubtype(c, obj, {"FreeText"})) {
                const char* font = nullptr;
                pdf_annot_default_appearance(c, annot, &font, &r.fontSize, &r.colorN, r.color);
            } else {
                pdf_annot_color(c, annot, &r.colorN, r.color);
            }
            if (isSubtype(c, obj, {"Line"})) {
                pdf_obj* l = pdf_dict_get(c, obj, PDF_NAME(L));
                if (pdf_array_len(c, l) >= 4) {
                    r.hasLine = true;
                    r.a = fz_make_point(pdf_array_get_real(c, l, 0), pdf_array_get_real(c, l, 1));
                    r.b = fz_make_point(pdf_array_get_real(c, l, 2), pdf_array_get_real(c, l, 3));
                }
            }
            if (pdf_dict_get(c, obj, PDF_NAME(BS)) || pdf_dict_get(c, obj, PDF_NAME(Border)))
                r.width = pdf_annot_border(c, annot);
            r.ok = true;
            return r;
        });
    if (!raw.ok)
        return std::nullopt;
    AnnotationFacts facts;
    facts.subtype = QString::fromLatin1(raw.subtype);
    facts.frame = fromFz(raw.frame);
    facts.color = colorFrom(raw.colorN, raw.color, raw.alpha);
    if (raw.hasLine)
        facts.lineEnds = std::make_pair(QPointF(raw.a.x, raw.a.y), QPointF(raw.b.x, raw.b.y));
    facts.lineWidth = raw.width;
    facts.fontSize = raw.fontSize;
    return facts;
}

AnnotationPtr annotationAt(const Page& page, QPointF point, double slop) {
    std::vector<AnnotationPtr> hits = annotationsAt(page, point, slop);
    return hits.empty() ? nullptr : hits.front();
}

std::vector<AnnotationPtr> annotationsAt(const Page& page, QPointF point, double slop) {
    std::vector<AnnotationPtr> hits;
    const std::vector<AnnotationPtr> all = editableAnnotations(page);
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        const std::optional<AnnotationFacts> facts = annotationFacts(**it);
        if (!facts)
            continue;
        if (facts->lineEnds) {
            // A slanted line's frame is mostly empty: only the stroke itself is a hit.
            const QPointF a = facts->lineEnds->first, b = facts->lineEnds->second;
            const QPointF d = b - a;
            const double len2 = QPointF::dotProduct(d, d);
            const double t =
                len2 > 0 ? std::clamp(QPointF::dotProduct(point - a, d) / len2, 0.0, 1.0) : 0.0;
            const QPointF near = a + t * d - point;
            if (std::hypot(near.x(), near.y()) <= slop + facts->lineWidth / 2 + 2)
                hits.push_back(*it);
            continue;
        }
        if (facts->frame.normalized().adjusted(-slop, -slop, slop, slop).contains(point))
            hits.push_back(*it);
    }
    return hits;
}

bool takesColor(const QString& subtype) {
    static const QStringList kinds = {"Square",    "Circle",   "Line",      "Polygon",
                                      "PolyLine",  "Ink",      "Highlight", "Underline",
                                      "StrikeOut", "Squiggly", "Text",      "FreeText"};
    return kinds.contains(subtype);
}

bool takesLineWidth(const QString& subtype) {
    static const QStringList kinds = {"Square", "Circle", "Line", "Polygon", "PolyLine", "Ink"};
    return kinds.contains(subtype);
}

bool takesFontSize(const QString& subtype) {
    return subtype == QLatin1String("FreeText");
}

bool moveAnnotation(Annotation& annotation, QPointF delta) {
    if (delta.isNull() || !std::isfinite(delta.x()) || !std::isfinite(delta.y()))
        return false;
    const fz_matrix m = fz_translate(float(delta.x()), float(delta.y()));
    const bool fits = textFitsStandardFont(annotation);
    return editAnnotation(annotation, [&](fz_context* c, pdf_annot* a, pdf_obj* obj) {
        transformGeometry(c, a, m);
        // The appearance follows the Rect; one is made only where none was written yet,
        // so other readers show what this one shows.
        if (engineDraws(c, obj, fits) && !hasAppearance(c, obj))
            redraw(c, a);
        else
            keepAppearance(c, a);
        return true;
    });
}

bool resizeAnnotation(Annotation& annotation, const QRectF& frame) {
    const QRectF to = frame.normalized();
    if (to.width() < 1 || to.height() < 1 || !std::isfinite(to.width()) ||
        !std::isfinite(to.height()))
        return false;
    const bool fits = textFitsStandardFont(annotation);
    return editAnnotation(annotation, [&](fz_context* c, pdf_annot* a, pdf_obj* obj) {
        const fz_rect from = frameOf(c, obj);
        const float w = from.x1 - from.x0, h = from.y1 - from.y0;
        // A straight horizontal or vertical line has no extent to scale on one axis.
        const float sx = w > 0.01f ? float(to.width()) / w : 1.0f;
        const float sy = h > 0.01f ? float(to.height()) / h : 1.0f;
        if (std::abs(sx - 1) < 1e-4f && std::abs(sy - 1) < 1e-4f &&
            std::abs(from.x0 - float(to.left())) < 1e-3f &&
            std::abs(from.y0 - float(to.top())) < 1e-3f)
            return false;
        fz_matrix m = fz_translate(-from.x0, -from.y0);
        m = fz_concat(m, fz_scale(sx, sy));
        m = fz_concat(m, fz_translate(float(to.left()), float(to.top())));
        transformGeometry(c, a, m);
        if (engineDraws(c, obj, fits))
            redraw(c, a);
        else
            keepAppearance(c, a);
        return true;
    });
}

bool setLineEnds(Annotation& annotation, QPointF start, QPointF end) {
    return editAnnotation(annotation, [&](fz_context* c, pdf_annot* a, pdf_obj* obj) {
        if (!isSubtype(c, obj, {"Line"}))
            return false;
        pdf_obj* l = pdf_new_array(c, pdf_get_bound_document(c, obj), 4);
        pdf_dict_put_drop(c, obj, PDF_NAME(L), l);
        for (const double v : {start.x(), start.y(), end.x(), end.y()})
            pdf_array_push_real(c, l, v);
        redraw(c, a);
        return true;
    });
}

bool setAnnotationColor(Annotation& annotation, const QColor& color) {
    if (!color.isValid())
        return false;
    const float v[3] = {float(color.redF()), float(color.greenF()), float(color.blueF())};
    const float alpha = float(color.alphaF());
    const bool fits = textFitsStandardFont(annotation);
    return editAnnotation(annotation, [&](fz_context* c, pdf_annot* a, pdf_obj* obj) {
        if (!engineDraws(c, obj, fits))
            return false;
        if (isSubtype(c, obj, {"FreeText"})) {
            const char* font = nullptr;
            float size = 12, old[4];
            int n = 0;
            pdf_annot_default_appearance(c, a, &font, &size, &n, old);
            char name[64] = "Helv";
            if (font && *font)
                std::strncpy(name, font, sizeof name - 1);
            pdf_set_annot_default_appearance(c, a, name, size, 3, v);
        } else {
            pdf_set_annot_color(c, a, 3, v);
        }
        pdf_set_annot_opacity(c, a, alpha);
        redraw(c, a);
        return true;
    });
}

bool setAnnotationLineWidth(Annotation& annotation, double width) {
    if (!(width > 0) || width > 100)
        return false;
    return editAnnotation(annotation, [&](fz_context* c, pdf_annot* a, pdf_obj* obj) {
        if (!isSubtype(c, obj, {"Square", "Circle", "Line", "Polygon", "PolyLine", "Ink"}))
            return false;
        if (std::abs(pdf_annot_border(c, a) - float(width)) < 1e-4f &&
            pdf_dict_get(c, obj, PDF_NAME(BS)))
            return false;
        // A border style another annotation shares is copied before it changes.
        pdf_obj* bs = pdf_dict_get(c, obj, PDF_NAME(BS));
        if (pdf_is_indirect(c, bs))
            pdf_dict_put_drop(c, obj, PDF_NAME(BS), pdf_copy_dict(c, bs));
        else if (pdf_is_dict(c, bs))
            pdf_dict_put_drop(c, obj, PDF_NAME(BS), pdf_deep_copy_obj(c, bs));
        pdf_set_annot_border(c, a, float(width));
        redraw(c, a);
        return true;
    });
}

bool setAnnotationFontSize(Annotation& annotation, double size) {
    if (!(size >= 1) || size > 500)
        return false;
    const bool fits = textFitsStandardFont(annotation);
    return editAnnotation(annotation, [&](fz_context* c, pdf_annot* a, pdf_obj* obj) {
        if (!isSubtype(c, obj, {"FreeText"}) || !engineDraws(c, obj, fits))
            return false;
        const char* font = nullptr;
        float old = 0, color[4] = {0, 0, 0, 0};
        int n = 0;
        pdf_annot_default_appearance(c, a, &font, &old, &n, color);
        if (std::abs(old - float(size)) < 1e-4f)
            return false;
        char name[64] = "Helv";
        if (font && *font)
            std::strncpy(name, font, sizeof name - 1);
        pdf_set_annot_default_appearance(c, a, name, float(size), n, color);
        redraw(c, a);
        return true;
    });
}

std::shared_ptr<const AnnotationSnapshot> snapshot(const Annotation& annotation) {
    struct Raw {
        pdf_obj* dict = nullptr;
        char subtype[32] = {};
        int object = 0;
    };
    const Raw raw = readAnnotation(annotation, Raw{}, [](fz_context* c, pdf_annot*, pdf_obj* obj) {
        Raw r;
        const char* name = pdf_dict_get_name(c, obj, PDF_NAME(Subtype));
        std::strncpy(r.subtype, name ? name : "", sizeof r.subtype - 1);
        r.dict = pdf_deep_copy_obj(c, pdf_resolve_indirect(c, obj));
        r.object = pdf_to_num(c, obj);
        return r;
    });
    if (!raw.dict)
        return nullptr;
    auto data = std::make_unique<AnnotationSnapshot::Data>();
    data->doc = annotation.data().page->data().doc;
    data->dict = raw.dict;
    data->object = raw.object;
    return std::make_shared<AnnotationSnapshot>(std::move(data), QString::fromLatin1(raw.subtype));
}

bool restore(Annotation& annotation, const AnnotationSnapshot& snapshot) {
    if (snapshot.data().doc != annotation.data().page->data().doc)
        return false;
    pdf_obj* saved = snapshot.data().dict;
    return editAnnotation(annotation, [&](fz_context* c, pdf_annot* a, pdf_obj* obj) {
        restoreInto(c, pdf_resolve_indirect(c, obj), saved);
        keepAppearance(c, a);
        return true;
    });
}

AnnotationPtr reinsert(Page& page, const AnnotationSnapshot& snapshot) {
    PageData& p = page.data();
    if (snapshot.data().doc != p.doc)
        return nullptr;
    ChangeScope scope;
    auto lock = p.doc->lock();
    pdf_page* target = p.detached ? nullptr : p.engine();
    if (!target)
        return nullptr;
    fz_context* c = ctx();
    pdf_obj* saved = snapshot.data().dict;
    pdf_annot* annot = nullptr;
    fz_var(annot);
    fz_try(c) {
        enum pdf_annot_type type =
            pdf_annot_type_from_string(c, pdf_dict_get_name(c, saved, PDF_NAME(Subtype)));
        if (type == PDF_ANNOT_UNKNOWN || type == PDF_ANNOT_WIDGET)
            type = PDF_ANNOT_SQUARE; // the saved Subtype replaces it below
        ensureOwnAnnotsArray(c, target->obj);
        annot = pdf_create_annot_raw(c, target, type);
        pdf_obj* obj = pdf_resolve_indirect(c, pdf_annot_obj(c, annot));
        restoreInto(c, obj, saved);
        if (pdf_dict_get(c, saved, PDF_NAME(P)))
            pdf_dict_put(c, obj, PDF_NAME(P), target->obj);
        // A popup that went with the annotation is no longer on the page.
        pdf_obj* popup = pdf_dict_get(c, obj, PDF_NAME(Popup));
        if (popup && !pdf_array_contains(c, pdf_dict_get(c, target->obj, PDF_NAME(Annots)), popup))
            pdf_dict_del(c, obj, PDF_NAME(Popup));
        keepAppearance(c, annot);
        // It comes back under another number: the replies on its page follow it there.
        pdf_obj* annots = pdf_dict_get(c, target->obj, PDF_NAME(Annots));
        for (int i = 0, n = pdf_array_len(c, annots); i < n && snapshot.data().object > 0; ++i) {
            pdf_obj* other = pdf_array_get(c, annots, i);
            if (pdf_to_num(c, pdf_dict_get(c, other, PDF_NAME(IRT))) == snapshot.data().object)
                pdf_dict_put(c, other, PDF_NAME(IRT), pdf_annot_obj(c, annot));
        }
    }
    fz_catch(c) {
        pdf_drop_annot(c, annot);
        return nullptr;
    }
    touch(p);
    announce(*p.doc, {Change::Kind::AnnotationsAdded, {page.index()}});
    AnnotationPtr wrapped = wrapAnnotation(page.shared_from_this(), annot);
    pdf_drop_annot(c, annot);
    return wrapped;
}

} // namespace pdf
