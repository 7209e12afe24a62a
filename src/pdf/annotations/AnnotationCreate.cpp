#include "pdf/annotations/AnnotationCreate.h"

#include "pdf/annotations/AnnotationMaking.h"
#include "pdf/engine/Internal.h"
#include "pdf/text/UnicodeText.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pdf {

using engine::ctx;

namespace {

constexpr float kTextPadding = 2;
constexpr const char* kTypeWriterIntent = "FreeTextTypeWriter";

void rgb(const QColor& color, float out[3]) {
    out[0] = float(color.redF());
    out[1] = float(color.greenF());
    out[2] = float(color.blueF());
}

bool paints(const QColor& color) {
    return color.isValid() && color.alpha() > 0;
}

// From a box as the page is shown (y up, origin at its lower-left corner, `shownWidth` ×
// `shownHeight`) to the same box in page space: turned by the page's rotation, so what is
// drawn there reads upright on screen.
fz_matrix uprightMatrix(int rotation, float shownWidth, float shownHeight) {
    const fz_matrix turn = fz_rotate(float(rotation));
    const fz_rect turned = fz_transform_rect(fz_make_rect(0, 0, shownWidth, shownHeight), turn);
    return fz_concat(turn, fz_translate(-turned.x0, -turned.y0));
}

QSizeF shownSize(const QRectF& pageRect, int rotation) {
    return rotation % 180 ? pageRect.size().transposed() : pageRect.size();
}

void setColorAndOpacity(fz_context* c, pdf_annot* annot, const QColor& color) {
    float col[3];
    rgb(color, col);
    pdf_set_annot_color(c, annot, 3, col);
    if (color.alphaF() < 1.0)
        pdf_set_annot_opacity(c, annot, float(color.alphaF()));
}

} // namespace

AnnotationPtr addTextMarkup(Page& page, MarkupKind kind, const QRectF& rect, const QColor& color) {
    if (rect.isEmpty())
        return nullptr;
    const auto type = kind == MarkupKind::Underline ? PDF_ANNOT_UNDERLINE : PDF_ANNOT_STRIKE_OUT;
    return create(page, type, [&](fz_context* c, pdf_document*, pdf_annot* annot) {
        pdf_obj* obj = pdf_annot_obj(c, annot);
        pdf_dict_put_rect(c, obj, PDF_NAME(Rect), toFz(rect));
        // QuadPoints: upper-left, upper-right, lower-left, lower-right.
        pdf_obj* quad = pdf_dict_put_array(c, obj, PDF_NAME(QuadPoints), 8);
        const float l = float(rect.left()), r = float(rect.right());
        const float b = float(rect.top()), t = float(rect.bottom());
        const float pts[8] = {l, t, r, t, l, b, r, b};
        for (float v : pts)
            pdf_array_push_real(c, quad, v);
        setColorAndOpacity(c, annot, color);
        pdf_dirty_annot(c, annot);
        pdf_update_annot(c, annot);
    });
}

AnnotationPtr addNote(Page& page, QPointF at, const QString& text, const QColor& color) {
    const QTransform toDisplay = page.pageToDisplay();
    const QPointF shownAt = toDisplay.map(at);
    const QRectF rect =
        toDisplay.inverted().mapRect(QRectF(shownAt, QSizeF(kNoteIconSize, kNoteIconSize)));
    const QByteArray utf8 = text.toUtf8();
    float fill[3];
    rgb(paints(color) ? color : QColor(255, 204, 0), fill);
    // Made bare: the engine's defaults would add a popup annotation beside it.
    const auto build = [&](fz_context* c, pdf_document* doc, pdf_annot* annot) {
        pdf_dict_put_rect(c, pdf_annot_obj(c, annot), PDF_NAME(Rect), toFz(rect));
        pdf_set_annot_flags(c, annot, PDF_ANNOT_IS_PRINT);
        pdf_set_annot_contents(c, annot, utf8.constData());
        pdf_set_annot_icon_name(c, annot, "Note");
        pdf_set_annot_color(c, annot, 3, fill);
        // Our own icon: a coloured sheet with a dark edge and a frame inside it. It looks
        // the same turned by any quarter: readers that keep note icons unturned on turned
        // pages (as the PDF rules ask) and readers that turn them show the same picture.
        const float s = float(kNoteIconSize);
        const fz_matrix m = fz_identity;
        setDrawnAppearance(c, doc, annot, rect.width(), rect.height(), [&](fz_device* dev) {
            fz_path* sheet = nullptr;
            fz_path* lines = nullptr;
            fz_stroke_state* stroke = nullptr;
            fz_var(sheet);
            fz_var(lines);
            fz_var(stroke);
            fz_try(c) {
                const float dark[3] = {0.25f, 0.25f, 0.25f};
                sheet = fz_new_path(c);
                fz_rectto(c, sheet, 0.5f, 0.5f, s - 0.5f, s - 0.5f);
                fz_fill_path(c, dev, sheet, 0, m, fz_device_rgb(c), fill, 1,
                             fz_default_color_params);
                stroke = fz_new_stroke_state(c);
                stroke->linewidth = 1;
                fz_stroke_path(c, dev, sheet, stroke, m, fz_device_rgb(c), dark, 1,
                               fz_default_color_params);
                lines = fz_new_path(c);
                fz_rectto(c, lines, 0.27f * s, 0.27f * s, 0.73f * s, 0.73f * s);
                fz_stroke_path(c, dev, lines, stroke, m, fz_device_rgb(c), dark, 1,
                               fz_default_color_params);
            }
            fz_always(c) {
                fz_drop_path(c, sheet);
                fz_drop_path(c, lines);
                fz_drop_stroke_state(c, stroke);
            }
            fz_catch(c) {
                fz_rethrow(c);
            }
        });
    };
    return create(page, PDF_ANNOT_TEXT, build, true);
}

AnnotationPtr addInk(Page& page, const std::vector<std::vector<QPointF>>& strokes,
                     const QColor& color, double lineWidth) {
    std::vector<int> counts;
    std::vector<fz_point> points;
    QRectF bounds;
    for (const std::vector<QPointF>& stroke : strokes) {
        if (stroke.size() < 2)
            continue;
        counts.push_back(int(stroke.size()));
        for (const QPointF& p : stroke) {
            points.push_back(fz_make_point(float(p.x()), float(p.y())));
            bounds |= QRectF(p, QSizeF(0.01, 0.01));
        }
    }
    if (counts.empty())
        return nullptr;
    const double half = std::max(lineWidth, 0.5) / 2;
    const QRectF rect = bounds.adjusted(-half, -half, half, half);
    const int strokeCount = int(counts.size());
    const int* countData = counts.data();
    fz_point* pointData = points.data();
    const int pointCount = int(points.size());
    // Loaded by create() before it builds.
    const PageData& pd = page.data();
    return create(page, PDF_ANNOT_INK, [&](fz_context* c, pdf_document*, pdf_annot* annot) {
        pdf_dict_put_rect(c, pdf_annot_obj(c, annot), PDF_NAME(Rect), toFz(rect));
        // The engine takes ink in its page space and stores it back in PDF space.
        const fz_matrix ctm = pageCtm(c, pd.loaded);
        for (int i = 0; i < pointCount; ++i)
            pointData[i] = fz_transform_point(pointData[i], ctm);
        pdf_set_annot_ink_list(c, annot, strokeCount, countData, pointData);
        pdf_set_annot_border(c, annot, float(std::max(lineWidth, 0.5)));
        setColorAndOpacity(c, annot, color);
        pdf_dirty_annot(c, annot);
        pdf_update_annot(c, annot);
    });
}

AnnotationPtr addShape(Page& page, ShapeKind kind, const QRectF& rect, const QColor& stroke,
                       const QColor& fill, double lineWidth) {
    const QRectF box = rect.normalized();
    if (box.width() < 1 || box.height() < 1)
        return nullptr;
    const auto type = kind == ShapeKind::Rectangle ? PDF_ANNOT_SQUARE : PDF_ANNOT_CIRCLE;
    return create(page, type, [&](fz_context* c, pdf_document*, pdf_annot* annot) {
        pdf_dict_put_rect(c, pdf_annot_obj(c, annot), PDF_NAME(Rect), toFz(box));
        pdf_set_annot_border(c, annot, float(std::max(lineWidth, 0.5)));
        setColorAndOpacity(c, annot, stroke);
        if (paints(fill)) {
            float interior[3];
            rgb(fill, interior);
            pdf_set_annot_interior_color(c, annot, 3, interior);
        }
        pdf_dirty_annot(c, annot);
        pdf_update_annot(c, annot);
    });
}

AnnotationPtr addLine(Page& page, QPointF from, QPointF to, const QColor& color, double lineWidth,
                      bool arrow) {
    if (QLineF(from, to).length() < 1)
        return nullptr;
    const PageData& pd = page.data();
    return create(page, PDF_ANNOT_LINE, [&](fz_context* c, pdf_document*, pdf_annot* annot) {
        // The engine takes the end points in its page space and stores them in PDF space.
        const fz_matrix ctm = pageCtm(c, pd.loaded);
        pdf_set_annot_line(c, annot,
                           fz_transform_point(fz_make_point(float(from.x()), float(from.y())), ctm),
                           fz_transform_point(fz_make_point(float(to.x()), float(to.y())), ctm));
        pdf_set_annot_line_ending_styles(c, annot, PDF_ANNOT_LE_NONE,
                                         arrow ? PDF_ANNOT_LE_OPEN_ARROW : PDF_ANNOT_LE_NONE);
        pdf_set_annot_border(c, annot, float(std::max(lineWidth, 0.5)));
        setColorAndOpacity(c, annot, color);
        pdf_dirty_annot(c, annot);
        pdf_update_annot(c, annot);
    });
}

namespace {

// A text box's glyphs and where they go: the box keeps its top edge and width as shown
// and grows down to hold every line, so nothing typed is ever cut off.
struct TextBoxLayout {
    fz_text* glyphs = nullptr; // the caller drops it
    QRectF box;                // page space
    fz_matrix toBox = fz_identity;
};

TextBoxLayout layoutTextBox(Page& page, const QRectF& rect, const QString& text, double fontSize) {
    TextBoxLayout result;
    const int rotation = page.rotation();
    const QTransform toDisplay = page.pageToDisplay();
    QRectF shown = toDisplay.mapRect(rect.normalized());
    fz_context* c = ctx();
    // Laid out in a box far taller than needed, then measured.
    constexpr float kTall = 100000;
    result.glyphs =
        unicodetext::layout(c, text, float(fontSize), float(shown.width()), kTall, kTextPadding);
    if (!result.glyphs)
        return result;
    fz_rect inked = fz_empty_rect;
    fz_try(c) {
        inked = fz_bound_text(c, result.glyphs, nullptr, fz_identity);
    }
    fz_catch(c) {
        inked = fz_empty_rect;
    }
    const float lowest = fz_is_empty_rect(inked) ? kTall - float(fontSize) : inked.y0;
    const double needed = kTall - lowest + kTextPadding + fontSize * 0.25;
    shown.setHeight(std::max(shown.height(), needed));
    result.box = toDisplay.inverted().mapRect(shown);
    const QSizeF upright = shownSize(result.box, rotation);
    // The layout's top line sits at kTall; the box's top is at its shown height.
    result.toBox =
        fz_concat(fz_translate(0, float(upright.height()) - kTall),
                  uprightMatrix(rotation, float(upright.width()), float(upright.height())));
    return result;
}

// Writes the box's rectangle, text and look into `annot`. Throws through fz_throw.
void fillTextBox(fz_context* c, pdf_document* doc, pdf_annot* annot, const TextBoxLayout& layout,
                 const char* utf8, double fontSize, const float col[3]) {
    pdf_dict_put_rect(c, pdf_annot_obj(c, annot), PDF_NAME(Rect), toFz(layout.box));
    pdf_set_annot_contents(c, annot, utf8);
    // What another program falls back to when it draws the box itself.
    pdf_set_annot_default_appearance(c, annot, "Helv", float(fontSize), 3, col);
    setDrawnAppearance(c, doc, annot, layout.box.width(), layout.box.height(), [&](fz_device* dev) {
        fz_fill_text(c, dev, layout.glyphs, layout.toBox, fz_device_rgb(c), col, 1.0f,
                     fz_default_color_params);
    });
}

} // namespace

AnnotationPtr addTextBox(Page& page, const QRectF& rect, const QString& text, double fontSize,
                         const QColor& color) {
    if (text.trimmed().isEmpty() || fontSize <= 0 || rect.isEmpty())
        return nullptr;
    const TextBoxLayout layout = layoutTextBox(page, rect, text, fontSize);
    if (!layout.glyphs)
        return nullptr;
    const QByteArray utf8 = text.toUtf8();
    float col[3];
    rgb(color, col);
    AnnotationPtr made =
        create(page, PDF_ANNOT_FREE_TEXT, [&](fz_context* c, pdf_document* doc, pdf_annot* annot) {
            pdf_set_annot_border(c, annot, 0);
            pdf_dict_del(c, pdf_annot_obj(c, annot), PDF_NAME(C)); // no background
            // Plain text on the page, no callout: what marks it as a box typed here.
            pdf_dict_puts_drop(c, pdf_annot_obj(c, annot), "IT",
                               pdf_new_name(c, kTypeWriterIntent));
            if (color.alphaF() < 1.0)
                pdf_set_annot_opacity(c, annot, float(color.alphaF()));
            fillTextBox(c, doc, annot, layout, utf8.constData(), fontSize, col);
        });
    fz_drop_text(ctx(), layout.glyphs);
    return made;
}

bool setNoteText(Annotation& note, const QString& text) {
    const PagePtr page = note.page();
    if (!page || note.subtype() != QLatin1String("Text"))
        return false;
    const int index = page->index();
    const QByteArray utf8 = text.toUtf8();
    ChangeScope scope;
    AnnotationData& a = note.data();
    PageData& d = page->data();
    auto lock = d.doc->lock();
    if (a.removed || d.detached)
        return false;
    fz_context* c = ctx();
    bool ok = true;
    fz_var(ok);
    fz_try(c) {
        // Written straight into the dictionary: the engine's own setter would mark the
        // appearance stale and draw its icon over ours.
        pdf_dict_put_text_string(c, pdf_annot_obj(c, a.annot), PDF_NAME(Contents),
                                 utf8.constData());
    }
    fz_catch(c) {
        ok = false;
    }
    if (ok) {
        touch(d);
        announce(*d.doc, {Change::Kind::AnnotationsChanged, {index}});
    }
    return ok;
}

bool isTextBox(const Annotation& annotation) {
    const PagePtr page = annotation.page();
    if (!page)
        return false;
    const AnnotationData& a = annotation.data();
    auto lock = page->data().doc->lock();
    if (a.removed || page->data().detached)
        return false;
    fz_context* c = ctx();
    bool yes = false;
    fz_var(yes);
    fz_try(c) {
        pdf_obj* obj = pdf_annot_obj(c, a.annot);
        yes = pdf_name_eq(c, pdf_dict_get(c, obj, PDF_NAME(Subtype)), PDF_NAME(FreeText)) &&
              std::strcmp(pdf_to_name(c, pdf_dict_gets(c, obj, "IT")), kTypeWriterIntent) == 0;
    }
    fz_catch(c) {
        yes = false;
    }
    return yes;
}

bool setTextBoxText(Annotation& box, const QString& text) {
    const PagePtr page = box.page();
    if (!page || text.trimmed().isEmpty() || box.subtype() != QLatin1String("FreeText"))
        return false;
    const double fontSize = box.fontSize() > 0 ? box.fontSize() : 12;
    const QColor color = box.fontColor().isValid() ? box.fontColor() : QColor(Qt::black);
    // The width and top edge stay; the height follows the new text.
    const QTransform toDisplay = page->pageToDisplay();
    QRectF shown = toDisplay.mapRect(box.bounds());
    shown.setHeight(1);
    const TextBoxLayout layout =
        layoutTextBox(*page, toDisplay.inverted().mapRect(shown), text, fontSize);
    if (!layout.glyphs)
        return false;
    const int index = page->index();
    const QByteArray utf8 = text.toUtf8();
    float col[3];
    rgb(color, col);
    bool ok = false;
    {
        ChangeScope scope;
        AnnotationData& a = box.data();
        PageData& d = page->data();
        auto lock = d.doc->lock();
        if (!a.removed && !d.detached) {
            fz_context* c = ctx();
            ok = true;
            fz_var(ok);
            fz_try(c) {
                fillTextBox(c, d.doc->pdf, a.annot, layout, utf8.constData(), fontSize, col);
            }
            fz_catch(c) {
                ok = false;
            }
            if (ok) {
                touch(d);
                announce(*d.doc, {Change::Kind::AnnotationsChanged, {index}});
            }
        }
    }
    fz_drop_text(ctx(), layout.glyphs);
    return ok;
}

} // namespace pdf
