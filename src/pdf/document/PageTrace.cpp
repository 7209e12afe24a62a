#include "pdf/document/PageTrace.h"

#include "pdf/engine/Engine.h"

#include <cmath>

namespace pdf {
namespace {

struct TraceDevice {
    fz_device super;
    PageTrace* out;
    fz_matrix toUser; // device space back to PDF user space
    int order;
};

struct PathWalk {
    TracedPath* path;
    fz_matrix ctm;
    fz_matrix toUser;
    fz_point current; // in path space, for flattening curves
};

// Device and walker callbacks run inside the engine, which a C++ exception must not cross:
// running out of memory here is reported the engine's way.
template <typename Work> void engineSafe(fz_context* c, Work&& work) {
    bool failed = false;
    try {
        work();
    } catch (...) {
        failed = true;
    }
    if (failed)
        fz_throw(c, FZ_ERROR_MEMORY, "out of memory tracing the page");
}

QPointF userPoint(const PathWalk* walk, float x, float y) {
    const fz_point p =
        fz_transform_point(fz_transform_point(fz_make_point(x, y), walk->ctm), walk->toUser);
    return {p.x, p.y};
}

void walkMove(fz_context* c, void* arg, float x, float y) {
    auto* walk = static_cast<PathWalk*>(arg);
    walk->current = fz_make_point(x, y);
    engineSafe(c, [&] {
        walk->path->subpaths.append(QPolygonF());
        walk->path->subpaths.last().append(userPoint(walk, x, y));
    });
}

void walkLine(fz_context* c, void* arg, float x, float y) {
    auto* walk = static_cast<PathWalk*>(arg);
    walk->current = fz_make_point(x, y);
    engineSafe(c, [&] {
        if (walk->path->subpaths.isEmpty())
            walk->path->subpaths.append(QPolygonF());
        walk->path->subpaths.last().append(userPoint(walk, x, y));
    });
}

// Curves are flattened, so bounds and points follow the drawn outline rather than
// the control polygon.
void walkCurve(fz_context* c, void* arg, float x1, float y1, float x2, float y2, float x3,
               float y3) {
    auto* walk = static_cast<PathWalk*>(arg);
    if (walk->path->subpaths.isEmpty() || walk->path->subpaths.last().isEmpty()) {
        walkLine(c, arg, x3, y3);
        return;
    }
    const fz_point start = walk->current;
    constexpr int steps = 16;
    for (int i = 1; i <= steps; ++i) {
        const float t = float(i) / steps;
        const float u = 1 - t;
        const float x =
            u * u * u * start.x + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3;
        const float y =
            u * u * u * start.y + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3;
        walkLine(c, arg, x, y);
    }
}

void walkClose(fz_context*, void*) {}

const fz_path_walker pathWalker = {walkMove, walkLine, walkCurve, walkClose,
                                   nullptr,  nullptr,  nullptr,   nullptr};

QColor rgbColor(fz_context* c, fz_colorspace* cs, const float* color, float alpha,
                fz_color_params params) {
    float rgb[3] = {0, 0, 0};
    if (cs && color)
        fz_convert_color(c, cs, color, fz_device_rgb(c), rgb, nullptr, params);
    return QColor::fromRgbF(rgb[0], rgb[1], rgb[2], alpha);
}

void recordPath(fz_context* c, TraceDevice* dev, const fz_path* path, fz_matrix ctm, bool stroked,
                const fz_stroke_state* stroke, fz_colorspace* cs, const float* color, float alpha,
                fz_color_params params) {
    engineSafe(c, [&] { dev->out->paths.emplace_back(); });
    TracedPath* traced = &dev->out->paths.back();
    traced->order = dev->order++;
    traced->stroked = stroked;
    traced->color = rgbColor(c, cs, color, alpha, params);
    if (stroke)
        traced->lineWidth = stroke->linewidth * fz_matrix_expansion(ctm);
    PathWalk walk{traced, ctm, dev->toUser, fz_make_point(0, 0)};
    fz_walk_path(c, path, &pathWalker, &walk);
    engineSafe(c, [&] {
        for (const QPolygonF& subpath : traced->subpaths)
            traced->bounds = traced->bounds.isNull() ? subpath.boundingRect()
                                                     : traced->bounds | subpath.boundingRect();
    });
}

void fillPath(fz_context* c, fz_device* d, const fz_path* path, int, fz_matrix ctm,
              fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    recordPath(c, reinterpret_cast<TraceDevice*>(d), path, ctm, false, nullptr, cs, color, alpha,
               params);
}

void strokePath(fz_context* c, fz_device* d, const fz_path* path, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* cs, const float* color, float alpha,
                fz_color_params params) {
    recordPath(c, reinterpret_cast<TraceDevice*>(d), path, ctm, true, stroke, cs, color, alpha,
               params);
}

void fillText(fz_context* c, fz_device* d, const fz_text* text, fz_matrix ctm, fz_colorspace*,
              const float*, float, fz_color_params) {
    auto* dev = reinterpret_cast<TraceDevice*>(d);
    engineSafe(c, [&] {
        for (const fz_text_span* span = text->head; span; span = span->next) {
            const double size = fz_matrix_expansion(fz_concat(span->trm, ctm));
            for (int i = 0; i < span->len; ++i) {
                const fz_text_item& item = span->items[i];
                if (item.ucs < 0)
                    continue;
                const fz_point p = fz_transform_point(
                    fz_transform_point(fz_make_point(item.x, item.y), ctm), dev->toUser);
                dev->out->glyphs.push_back(
                    {dev->order, char32_t(item.ucs), QPointF(p.x, p.y), size});
            }
        }
    });
    ++dev->order;
}

void fillImage(fz_context* c, fz_device* d, fz_image* image, fz_matrix ctm, float,
               fz_color_params) {
    auto* dev = reinterpret_cast<TraceDevice*>(d);
    const fz_rect box = fz_transform_rect(fz_transform_rect(fz_unit_rect, ctm), dev->toUser);
    engineSafe(c, [&] {
        dev->out->images.push_back(
            {dev->order++, QRectF(QPointF(box.x0, box.y0), QPointF(box.x1, box.y1)).normalized(),
             QSize(image->w, image->h)});
    });
}

} // namespace

std::optional<PageTrace> PageTrace::fromData(const QByteArray& bytes, int pageIndex) {
    if (bytes.isEmpty() || pageIndex < 0)
        return std::nullopt;
    fz_context* c = engine::ctx();
    PageTrace trace;
    PageTrace* out = &trace;
    fz_buffer* buffer = nullptr;
    fz_stream* stream = nullptr;
    fz_document* doc = nullptr;
    fz_page* page = nullptr;
    fz_device* device = nullptr;
    bool ok = false;
    fz_var(buffer);
    fz_var(stream);
    fz_var(doc);
    fz_var(page);
    fz_var(device);
    fz_try(c) {
        buffer = fz_new_buffer_from_copied_data(
            c, reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
        stream = fz_open_buffer(c, buffer);
        doc = fz_open_document_with_stream(c, "application/pdf", stream);
        if (pageIndex < fz_count_pages(c, doc)) {
            page = fz_load_page(c, doc, pageIndex);
            fz_rect mediabox;
            fz_matrix pageCtm;
            pdf_page* pdfPage = pdf_page_from_fz_page(c, page);
            if (!pdfPage)
                fz_throw(c, FZ_ERROR_GENERIC, "not a PDF page");
            pdf_page_transform(c, pdfPage, &mediabox, &pageCtm);
            out->mediaBox =
                QRectF(QPointF(mediabox.x0, mediabox.y0), QPointF(mediabox.x1, mediabox.y1));
            auto* dev = static_cast<TraceDevice*>(
                static_cast<void*>(fz_new_device_of_size(c, sizeof(TraceDevice))));
            device = &dev->super;
            dev->out = out;
            dev->toUser = fz_invert_matrix(pageCtm);
            dev->order = 0;
            dev->super.fill_path = fillPath;
            dev->super.stroke_path = strokePath;
            dev->super.fill_text = fillText;
            dev->super.fill_image = fillImage;
            fz_run_page(c, page, device, fz_identity, nullptr);
            fz_close_device(c, device);
            ok = true;
        }
    }
    fz_always(c) {
        fz_drop_device(c, device);
        fz_drop_page(c, page);
        fz_drop_document(c, doc);
        fz_drop_stream(c, stream);
        fz_drop_buffer(c, buffer);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        return std::nullopt;
    return trace;
}

QString PageTrace::text() const {
    QString result;
    for (const TracedGlyph& glyph : glyphs)
        result += QString::fromUcs4(&glyph.unicode, 1);
    return result;
}

} // namespace pdf
