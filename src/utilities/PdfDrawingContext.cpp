#include "utilities/PdfDrawingContext.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <cstring>
#include <utility>

namespace {

cairo_status_t appendToBuffer(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<QByteArray*>(closure)->append(reinterpret_cast<const char*>(data),
                                              qsizetype(length));
    return CAIRO_STATUS_SUCCESS;
}

void setSource(cairo_t* cr, const QColor& color) {
    cairo_set_source_rgba(cr, color.redF(), color.greenF(), color.blueF(), color.alphaF());
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
               cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
               cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    }
    // PDF user space (y up) to cairo's page space (y down).
    double y(double pdfY) const { return pageHeight - pdfY; }
    void release() {
        if (cr)
            cairo_destroy(cr);
        if (surface)
            cairo_surface_destroy(surface);
        cr = nullptr;
        surface = nullptr;
    }
};

PdfDrawingContext::PdfDrawingContext() : d_(std::make_unique<Impl>()) {
    // The first page's size is set in beginPage; cairo needs a non-zero size to start.
    d_->surface = cairo_pdf_surface_create_for_stream(appendToBuffer, &d_->bytes, 1, 1);
    if (cairo_surface_status(d_->surface) != CAIRO_STATUS_SUCCESS)
        return;
    d_->cr = cairo_create(d_->surface);
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
    cairo_pdf_surface_set_size(d_->surface, size.width(), size.height());
    ++d_->pageCount;
    d_->pageHeight = size.height();
    d_->inPage = true;
}

void PdfDrawingContext::endPage() {
    if (!d_->ok() || !d_->inPage)
        return;
    cairo_show_page(d_->cr);
    d_->inPage = false;
}

QByteArray PdfDrawingContext::finish() {
    if (!d_->surface || d_->finished)
        return {};
    if (d_->inPage)
        endPage();
    // Without a page cairo still writes its initial 1 x 1 page; no file is better.
    const bool drewFine = d_->ok() && d_->pageCount > 0;
    cairo_destroy(d_->cr);
    d_->cr = nullptr;
    cairo_surface_finish(d_->surface);
    const bool finishedFine = cairo_surface_status(d_->surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(d_->surface);
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
    cairo_new_path(cr);
    cairo_rectangle(cr, rect.x(), d_->y(rect.y() + rect.height()), rect.width(), rect.height());
    setSource(cr, color);
    cairo_fill(cr);
}

void PdfDrawingContext::strokeLines(const QList<QLineF>& lines, const QColor& color, double width) {
    if (!d_->ok() || !d_->inPage || lines.isEmpty())
        return;
    cairo_t* cr = d_->cr;
    cairo_new_path(cr);
    for (const QLineF& line : lines) {
        cairo_move_to(cr, line.x1(), d_->y(line.y1()));
        cairo_line_to(cr, line.x2(), d_->y(line.y2()));
    }
    setSource(cr, color);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(cr);
}

void PdfDrawingContext::fillEllipse(const QRectF& rect, const QColor& color) {
    if (!d_->ok() || !d_->inPage || rect.width() <= 0 || rect.height() <= 0)
        return;
    cairo_t* cr = d_->cr;
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, rect.center().x(), d_->y(rect.center().y()));
    cairo_scale(cr, rect.width() / 2, rect.height() / 2);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    setSource(cr, color);
    cairo_fill(cr);
}

bool PdfDrawingContext::drawImage(const QImage& image, const QRectF& rect) {
    if (!d_->ok() || !d_->inPage || image.isNull() || rect.width() <= 0 || rect.height() <= 0)
        return false;
    // cairo keeps the source until the page is written, so it gets its own copy of the pixels.
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels =
        image.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    cairo_surface_t* source = cairo_image_surface_create(
        alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, pixels.width(), pixels.height());
    if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(source);
        return false;
    }
    cairo_surface_flush(source);
    unsigned char* target = cairo_image_surface_get_data(source);
    const int stride = cairo_image_surface_get_stride(source);
    const size_t rowBytes = size_t(pixels.width()) * 4;
    for (int row = 0; row < pixels.height(); ++row)
        std::memcpy(target + size_t(row) * size_t(stride), pixels.constScanLine(row), rowBytes);
    cairo_surface_mark_dirty(source);

    cairo_t* cr = d_->cr;
    cairo_save(cr);
    cairo_translate(cr, rect.x(), d_->y(rect.y() + rect.height()));
    cairo_scale(cr, rect.width() / pixels.width(), rect.height() / pixels.height());
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_NONE);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(source);
    return d_->ok();
}

int PdfDrawingContext::drawText(const QString& text, const QRectF& rect,
                                const PdfTextStyle& style) {
    if (!d_->ok() || !d_->inPage || text.isEmpty() || rect.width() <= 0 || rect.height() <= 0 ||
        style.fontSize <= 0)
        return 0;
    cairo_t* cr = d_->cr;
    PangoContext* context = pango_cairo_create_context(cr);
    // Unhinted metrics, so the layout is the same at every scale the PDF is viewed at.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);

    PangoLayout* layout = pango_layout_new(context);
    const FontFace face = faceForFontName(style.fontName);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, face.family.toUtf8().constData());
    pango_font_description_set_weight(description, face.weight);
    pango_font_description_set_style(description, face.style);
    pango_font_description_set_absolute_size(description, style.fontSize * PANGO_SCALE);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    pango_layout_set_width(layout, int(std::floor(rect.width() * PANGO_SCALE)));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    const QByteArray utf8 = text.toUtf8();
    pango_layout_set_text(layout, utf8.constData(), int(utf8.size()));
    // Ligature glyphs would come back as U+FB01 and friends in extracted text and search.
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_font_features_new("liga 0, clig 0, dlig 0"));
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);

    const double top = d_->y(rect.y() + rect.height());
    const double limit = rect.height() * PANGO_SCALE;
    setSource(cr, style.color);
    int drawn = 0;
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iter, nullptr, &logical);
        if (logical.y + logical.height > limit)
            break; // this line and every one below it would cross the bottom edge
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
        PangoRectangle lineLogical;
        pango_layout_line_get_extents(line, nullptr, &lineLogical);
        const double x = rect.x() + double(logical.x - lineLogical.x) / PANGO_SCALE;
        const double baseline = top + double(pango_layout_iter_get_baseline(iter)) / PANGO_SCALE;
        cairo_move_to(cr, x, baseline);
        pango_cairo_show_layout_line(cr, line);
        ++drawn;
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    g_object_unref(layout);
    g_object_unref(context);
    cairo_new_path(cr);
    return drawn;
}

QString PdfDrawingContext::familyForFontName(const QString& fontName) {
    return faceForFontName(fontName).family;
}
