#include "utilities/PdfDrawingContext.h"

#include "utilities/LazyLibrary.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <cstring>
#include <utility>

namespace {

// Loaded on first use (see LazyLibrary.h): the text layout libraries bring fontconfig,
// glib and the X client libraries with them.
#define PANGO_CAIRO_FUNCTIONS(X)                                                                   \
    X(cairo_arc)                                                                                   \
    X(cairo_create)                                                                                \
    X(cairo_destroy)                                                                               \
    X(cairo_fill)                                                                                  \
    X(cairo_font_options_create)                                                                   \
    X(cairo_font_options_destroy)                                                                  \
    X(cairo_font_options_set_hint_metrics)                                                         \
    X(cairo_font_options_set_hint_style)                                                           \
    X(cairo_get_source)                                                                            \
    X(cairo_image_surface_create)                                                                  \
    X(cairo_image_surface_get_data)                                                                \
    X(cairo_image_surface_get_stride)                                                              \
    X(cairo_line_to)                                                                               \
    X(cairo_move_to)                                                                               \
    X(cairo_new_path)                                                                              \
    X(cairo_paint)                                                                                 \
    X(cairo_pattern_set_extend)                                                                    \
    X(cairo_pdf_surface_create_for_stream)                                                         \
    X(cairo_pdf_surface_set_size)                                                                  \
    X(cairo_rectangle)                                                                             \
    X(cairo_restore)                                                                               \
    X(cairo_save)                                                                                  \
    X(cairo_scale)                                                                                 \
    X(cairo_set_line_cap)                                                                          \
    X(cairo_set_line_width)                                                                        \
    X(cairo_set_source_rgba)                                                                       \
    X(cairo_set_source_surface)                                                                    \
    X(cairo_show_page)                                                                             \
    X(cairo_status)                                                                                \
    X(cairo_stroke)                                                                                \
    X(cairo_surface_destroy)                                                                       \
    X(cairo_surface_finish)                                                                        \
    X(cairo_surface_flush)                                                                         \
    X(cairo_surface_mark_dirty)                                                                    \
    X(cairo_surface_status)                                                                        \
    X(cairo_translate)                                                                             \
    X(g_object_unref)                                                                              \
    X(pango_attr_font_features_new)                                                                \
    X(pango_attr_list_insert)                                                                      \
    X(pango_attr_list_new)                                                                         \
    X(pango_attr_list_unref)                                                                       \
    X(pango_cairo_context_set_font_options)                                                        \
    X(pango_cairo_create_context)                                                                  \
    X(pango_cairo_show_layout_line)                                                                \
    X(pango_font_description_free)                                                                 \
    X(pango_font_description_new)                                                                  \
    X(pango_font_description_set_absolute_size)                                                    \
    X(pango_font_description_set_family)                                                           \
    X(pango_font_description_set_style)                                                            \
    X(pango_font_description_set_weight)                                                           \
    X(pango_layout_get_iter)                                                                       \
    X(pango_layout_iter_free)                                                                      \
    X(pango_layout_iter_get_baseline)                                                              \
    X(pango_layout_iter_get_line_extents)                                                          \
    X(pango_layout_iter_get_line_readonly)                                                         \
    X(pango_layout_iter_next_line)                                                                 \
    X(pango_layout_line_get_extents)                                                               \
    X(pango_layout_new)                                                                            \
    X(pango_layout_set_attributes)                                                                 \
    X(pango_layout_set_font_description)                                                           \
    X(pango_layout_set_text)                                                                       \
    X(pango_layout_set_width)                                                                      \
    X(pango_layout_set_wrap)

struct PangoCairo {
    PANGO_CAIRO_FUNCTIONS(VELLUMARK_LIBRARY_MEMBER)
};

bool load(PangoCairo& table, QString* error) {
    void* handle = utilities::openLibrary({"libpangocairo-1.0.so.0"}, error);
    if (!handle)
        return false;
    PANGO_CAIRO_FUNCTIONS(VELLUMARK_LIBRARY_RESOLVE)
    return true;
}

// Null when the libraries are not installed; nothing is drawn then.
const PangoCairo* loadedLibrary() {
    static PangoCairo table;
    static const bool loaded = load(table, nullptr);
    return loaded ? &table : nullptr;
}

// Only called once a surface exists, that is, once the library loaded.
const PangoCairo& lib() {
    return *loadedLibrary();
}

cairo_status_t appendToBuffer(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<QByteArray*>(closure)->append(reinterpret_cast<const char*>(data),
                                              qsizetype(length));
    return CAIRO_STATUS_SUCCESS;
}

void setSource(cairo_t* cr, const QColor& color) {
    lib().cairo_set_source_rgba(cr, color.redF(), color.greenF(), color.blueF(), color.alphaF());
}

struct FontFace {
    QString family;
    PangoWeight weight = PANGO_WEIGHT_NORMAL;
    PangoStyle style = PANGO_STYLE_NORMAL;
};

// The base-14 names resolve to their metric-compatible twins; anything else is
// handed to fontconfig as a family name and falls back from there.
FontFace faceForFontName(const QString& fontName) {
    static const struct {
        const char* base;
        const char* family;
    } twins[] = {
        {"Helvetica", "Nimbus Sans"},    {"Arial", "Nimbus Sans"},      {"Times", "Nimbus Roman"},
        {"Times-Roman", "Nimbus Roman"}, {"Courier", "Nimbus Mono PS"},
    };
    FontFace face;
    QString base = fontName.trimmed();
    const qsizetype dash = base.indexOf('-');
    QString variant;
    if (dash > 0) {
        variant = base.mid(dash + 1);
        base = base.left(dash);
    }
    if (variant.contains("Bold", Qt::CaseInsensitive))
        face.weight = PANGO_WEIGHT_BOLD;
    if (variant.contains("Oblique", Qt::CaseInsensitive) ||
        variant.contains("Italic", Qt::CaseInsensitive))
        face.style = variant.contains("Oblique", Qt::CaseInsensitive) ? PANGO_STYLE_OBLIQUE
                                                                      : PANGO_STYLE_ITALIC;
    face.family = base;
    for (const auto& twin : twins) {
        if (base.compare(twin.base, Qt::CaseInsensitive) == 0 ||
            fontName.compare(twin.base, Qt::CaseInsensitive) == 0) {
            face.family = twin.family;
            break;
        }
    }
    if (face.family.isEmpty())
        face.family = QStringLiteral("Nimbus Sans");
    return face;
}

} // namespace

struct PdfDrawingContext::Impl {
    QByteArray bytes;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    double pageHeight = 0;
    bool inPage = false;
    bool finished = false;
    bool failed = false;
    int pageCount = 0;

    bool ok() const {
        return surface && cr && !finished && !failed &&
               lib().cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
               lib().cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    }
    // PDF user space (y up) to cairo's page space (y down).
    double y(double pdfY) const { return pageHeight - pdfY; }
    void release() {
        if (cr)
            lib().cairo_destroy(cr);
        if (surface)
            lib().cairo_surface_destroy(surface);
        cr = nullptr;
        surface = nullptr;
    }
};

PdfDrawingContext::PdfDrawingContext() : d_(std::make_unique<Impl>()) {
    if (!loadedLibrary())
        return;
    // The first page's size is set in beginPage; cairo needs a non-zero size to start.
    d_->surface = lib().cairo_pdf_surface_create_for_stream(appendToBuffer, &d_->bytes, 1, 1);
    if (lib().cairo_surface_status(d_->surface) != CAIRO_STATUS_SUCCESS)
        return;
    d_->cr = lib().cairo_create(d_->surface);
}

PdfDrawingContext::~PdfDrawingContext() {
    d_->release();
}

bool PdfDrawingContext::isValid() const {
    return d_->ok();
}

void PdfDrawingContext::beginPage(QSizeF size) {
    if (!d_->ok())
        return;
    if (d_->inPage)
        endPage();
    // cairo would write a page without area; such a page is refused instead.
    if (!(size.width() > 0) || !(size.height() > 0) || !std::isfinite(size.width()) ||
        !std::isfinite(size.height())) {
        d_->failed = true;
        return;
    }
    lib().cairo_pdf_surface_set_size(d_->surface, size.width(), size.height());
    ++d_->pageCount;
    d_->pageHeight = size.height();
    d_->inPage = true;
}

void PdfDrawingContext::endPage() {
    if (!d_->ok() || !d_->inPage)
        return;
    lib().cairo_show_page(d_->cr);
    d_->inPage = false;
}

QByteArray PdfDrawingContext::finish() {
    if (!d_->surface || d_->finished)
        return {};
    if (d_->inPage)
        endPage();
    // Without a page cairo still writes its initial 1 x 1 page; no file is better.
    const bool drewFine = d_->ok() && d_->pageCount > 0;
    lib().cairo_destroy(d_->cr);
    d_->cr = nullptr;
    lib().cairo_surface_finish(d_->surface);
    const bool finishedFine = lib().cairo_surface_status(d_->surface) == CAIRO_STATUS_SUCCESS;
    lib().cairo_surface_destroy(d_->surface);
    d_->surface = nullptr;
    d_->finished = true;
    if (!drewFine || !finishedFine)
        return {};
    return std::exchange(d_->bytes, QByteArray());
}

void PdfDrawingContext::fillRect(const QRectF& rect, const QColor& color) {
    if (!d_->ok() || !d_->inPage)
        return;
    cairo_t* cr = d_->cr;
    lib().cairo_new_path(cr);
    lib().cairo_rectangle(cr, rect.x(), d_->y(rect.y() + rect.height()), rect.width(),
                          rect.height());
    setSource(cr, color);
    lib().cairo_fill(cr);
}

void PdfDrawingContext::strokeLines(const QList<QLineF>& lines, const QColor& color, double width) {
    if (!d_->ok() || !d_->inPage || lines.isEmpty())
        return;
    cairo_t* cr = d_->cr;
    lib().cairo_new_path(cr);
    for (const QLineF& line : lines) {
        lib().cairo_move_to(cr, line.x1(), d_->y(line.y1()));
        lib().cairo_line_to(cr, line.x2(), d_->y(line.y2()));
    }
    setSource(cr, color);
    lib().cairo_set_line_width(cr, width);
    lib().cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    lib().cairo_stroke(cr);
}

void PdfDrawingContext::fillEllipse(const QRectF& rect, const QColor& color) {
    if (!d_->ok() || !d_->inPage || rect.width() <= 0 || rect.height() <= 0)
        return;
    cairo_t* cr = d_->cr;
    lib().cairo_new_path(cr);
    lib().cairo_save(cr);
    lib().cairo_translate(cr, rect.center().x(), d_->y(rect.center().y()));
    lib().cairo_scale(cr, rect.width() / 2, rect.height() / 2);
    lib().cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    lib().cairo_restore(cr);
    setSource(cr, color);
    lib().cairo_fill(cr);
}

bool PdfDrawingContext::drawImage(const QImage& image, const QRectF& rect) {
    if (!d_->ok() || !d_->inPage || image.isNull() || rect.width() <= 0 || rect.height() <= 0)
        return false;
    // cairo keeps the source until the page is written, so it gets its own copy of the pixels.
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels =
        image.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    cairo_surface_t* source = lib().cairo_image_surface_create(
        alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, pixels.width(), pixels.height());
    if (lib().cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
        lib().cairo_surface_destroy(source);
        return false;
    }
    lib().cairo_surface_flush(source);
    unsigned char* target = lib().cairo_image_surface_get_data(source);
    const int stride = lib().cairo_image_surface_get_stride(source);
    const size_t rowBytes = size_t(pixels.width()) * 4;
    for (int row = 0; row < pixels.height(); ++row)
        std::memcpy(target + size_t(row) * size_t(stride), pixels.constScanLine(row), rowBytes);
    lib().cairo_surface_mark_dirty(source);

    cairo_t* cr = d_->cr;
    lib().cairo_save(cr);
    lib().cairo_translate(cr, rect.x(), d_->y(rect.y() + rect.height()));
    lib().cairo_scale(cr, rect.width() / pixels.width(), rect.height() / pixels.height());
    lib().cairo_set_source_surface(cr, source, 0, 0);
    lib().cairo_pattern_set_extend(lib().cairo_get_source(cr), CAIRO_EXTEND_NONE);
    lib().cairo_paint(cr);
    lib().cairo_restore(cr);
    lib().cairo_surface_destroy(source);
    return d_->ok();
}

int PdfDrawingContext::drawText(const QString& text, const QRectF& rect,
                                const PdfTextStyle& style) {
    if (!d_->ok() || !d_->inPage || text.isEmpty() || rect.width() <= 0 || rect.height() <= 0 ||
        style.fontSize <= 0)
        return 0;
    cairo_t* cr = d_->cr;
    PangoContext* context = lib().pango_cairo_create_context(cr);
    // Unhinted metrics, so the layout is the same at every scale the PDF is viewed at.
    cairo_font_options_t* options = lib().cairo_font_options_create();
    lib().cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    lib().cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    lib().pango_cairo_context_set_font_options(context, options);
    lib().cairo_font_options_destroy(options);

    PangoLayout* layout = lib().pango_layout_new(context);
    const FontFace face = faceForFontName(style.fontName);
    PangoFontDescription* description = lib().pango_font_description_new();
    lib().pango_font_description_set_family(description, face.family.toUtf8().constData());
    lib().pango_font_description_set_weight(description, face.weight);
    lib().pango_font_description_set_style(description, face.style);
    lib().pango_font_description_set_absolute_size(description, style.fontSize * PANGO_SCALE);
    lib().pango_layout_set_font_description(layout, description);
    lib().pango_font_description_free(description);
    lib().pango_layout_set_width(layout, int(std::floor(rect.width() * PANGO_SCALE)));
    lib().pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    const QByteArray utf8 = text.toUtf8();
    lib().pango_layout_set_text(layout, utf8.constData(), int(utf8.size()));
    // Ligature glyphs would come back as U+FB01 and friends in extracted text and search.
    PangoAttrList* attributes = lib().pango_attr_list_new();
    lib().pango_attr_list_insert(attributes,
                                 lib().pango_attr_font_features_new("liga 0, clig 0, dlig 0"));
    lib().pango_layout_set_attributes(layout, attributes);
    lib().pango_attr_list_unref(attributes);

    const double top = d_->y(rect.y() + rect.height());
    const double limit = rect.height() * PANGO_SCALE;
    setSource(cr, style.color);
    int drawn = 0;
    PangoLayoutIter* iter = lib().pango_layout_get_iter(layout);
    do {
        PangoRectangle logical;
        lib().pango_layout_iter_get_line_extents(iter, nullptr, &logical);
        if (logical.y + logical.height > limit)
            break; // this line and every one below it would cross the bottom edge
        PangoLayoutLine* line = lib().pango_layout_iter_get_line_readonly(iter);
        PangoRectangle lineLogical;
        lib().pango_layout_line_get_extents(line, nullptr, &lineLogical);
        const double x = rect.x() + double(logical.x - lineLogical.x) / PANGO_SCALE;
        const double baseline =
            top + double(lib().pango_layout_iter_get_baseline(iter)) / PANGO_SCALE;
        lib().cairo_move_to(cr, x, baseline);
        lib().pango_cairo_show_layout_line(cr, line);
        ++drawn;
    } while (lib().pango_layout_iter_next_line(iter));
    lib().pango_layout_iter_free(iter);
    lib().g_object_unref(layout);
    lib().g_object_unref(context);
    lib().cairo_new_path(cr);
    return drawn;
}

QString PdfDrawingContext::familyForFontName(const QString& fontName) {
    return faceForFontName(fontName).family;
}
