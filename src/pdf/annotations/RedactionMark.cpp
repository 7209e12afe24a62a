// Redaction marks: Redact annotations that show, until applied, an outline of each area.
#include "pdf/annotations/AnnotationMaking.h"
#include "pdf/annotations/Redaction.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Internal.h"

namespace pdf {

using engine::ctx;

namespace {

// Outline colour of a mark under review: the fill itself would hide what is being judged.
constexpr float kOutline[3] = {0.85f, 0.1f, 0.1f};
constexpr float kOutlineWidth = 1.5f;

void putQuadPoints(fz_context* c, pdf_obj* annot, const std::vector<fz_rect>& boxes) {
    // QuadPoints: upper-left, upper-right, lower-left, lower-right of each area.
    pdf_obj* quads = pdf_dict_put_array(c, annot, PDF_NAME(QuadPoints), int(boxes.size()) * 8);
    for (const fz_rect& r : boxes) {
        const float pts[8] = {r.x0, r.y1, r.x1, r.y1, r.x0, r.y0, r.x1, r.y0};
        for (float v : pts)
            pdf_array_push_real(c, quads, v);
    }
}

void drawOutlines(fz_context* c, fz_device* dev, const std::vector<fz_rect>& boxes, fz_rect frame) {
    fz_path* path = nullptr;
    fz_stroke_state* stroke = nullptr;
    fz_var(path);
    fz_var(stroke);
    fz_try(c) {
        path = fz_new_path(c);
        for (const fz_rect& r : boxes) {
            const float inset = kOutlineWidth / 2;
            fz_rectto(c, path, r.x0 - frame.x0 + inset, r.y0 - frame.y0 + inset,
                      r.x1 - frame.x0 - inset, r.y1 - frame.y0 - inset);
        }
        stroke = fz_new_stroke_state(c);
        stroke->linewidth = kOutlineWidth;
        fz_stroke_path(c, dev, path, stroke, fz_identity, fz_device_rgb(c), kOutline, 1,
                       fz_default_color_params);
    }
    fz_always(c) {
        fz_drop_path(c, path);
        fz_drop_stroke_state(c, stroke);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace

AnnotationPtr addRedactionMark(Page& page, const std::vector<QRectF>& areas,
                               const RedactionStyle& style) {
    const QRectF media = page.mediaBox();
    std::vector<fz_rect> boxes;
    fz_rect frame = fz_empty_rect;
    for (const QRectF& area : areas) {
        const QRectF clipped = area.normalized().intersected(media);
        if (clipped.width() <= 0 || clipped.height() <= 0)
            continue;
        boxes.push_back(toFz(clipped));
        frame = fz_union_rect(frame, boxes.back());
    }
    if (boxes.empty())
        return nullptr;
    const QColor fillColor = style.fill.isValid() ? style.fill : QColor(Qt::black);
    const float fill[3] = {float(fillColor.redF()), float(fillColor.greenF()),
                           float(fillColor.blueF())};
    const QByteArray overlay = style.overlayText.toUtf8();

    return create(
        page, PDF_ANNOT_REDACT,
        [&](fz_context* c, pdf_document* doc, pdf_annot* annot) {
            pdf_obj* obj = pdf_annot_obj(c, annot);
            pdf_dict_put_rect(c, obj, PDF_NAME(Rect), frame);
            putQuadPoints(c, obj, boxes);
            pdf_set_annot_flags(c, annot, PDF_ANNOT_IS_PRINT);
            pdf_set_annot_color(c, annot, 3, kOutline);
            // Set directly: the engine's setter refuses /IC on this subtype, which the
            // standard gives it for the fill.
            pdf_obj* ic = pdf_dict_put_array(c, obj, PDF_NAME(IC), 3);
            for (float v : fill)
                pdf_array_push_real(c, ic, v);
            if (!overlay.isEmpty())
                pdf_dict_puts_drop(c, obj, "OverlayText",
                                   pdf_new_text_string(c, overlay.constData()));
            setDrawnAppearance(c, doc, annot, frame.x1 - frame.x0, frame.y1 - frame.y0,
                               [&](fz_device* dev) { drawOutlines(c, dev, boxes, frame); });
        },
        true);
}

std::vector<QRectF> redactionAreas(const Annotation& annotation) {
    std::vector<QRectF> areas;
    if (annotation.subtype() != QLatin1String("Redact"))
        return areas;
    const AnnotationData& a = annotation.data();
    if (a.removed || !a.page)
        return areas;
    auto lock = a.page->data().doc->lock();
    fz_context* c = ctx();
    float values[4096];
    int count = 0;
    fz_var(count);
    fz_rect rect = fz_empty_rect;
    fz_try(c) {
        pdf_obj* obj = pdf_annot_obj(c, a.annot);
        pdf_obj* quads = pdf_dict_get(c, obj, PDF_NAME(QuadPoints));
        const int n = std::min(pdf_array_len(c, quads) / 8 * 8, int(std::size(values)));
        for (count = 0; count < n; ++count)
            values[count] = pdf_array_get_real(c, quads, count);
        rect = pdf_dict_get_rect(c, obj, PDF_NAME(Rect));
    }
    fz_catch(c) {
        count = 0;
    }
    for (int i = 0; i + 8 <= count; i += 8) {
        fz_rect box = fz_empty_rect;
        for (int k = 0; k < 8; k += 2)
            box = fz_include_point_in_rect(box, fz_make_point(values[i + k], values[i + k + 1]));
        areas.push_back(fromFz(box));
    }
    if (areas.empty() && !fz_is_empty_rect(rect))
        areas.push_back(fromFz(rect));
    return areas;
}

} // namespace pdf
