#include "pdf/document/Page.h"

#include "pdf/annotations/Annotation.h"
#include "pdf/annotations/OwnAnnots.h"
#include "pdf/document/DisplayList.h"
#include "pdf/document/Document.h"
#include "pdf/document/PageRotation.h"
#include "pdf/document/PixelBudget.h"
#include "pdf/engine/Internal.h"
#include "pdf/text/FontSubset.h"
#include "pdf/text/TextPage.h"
#include "pdf/text/UnicodeText.h"

#include <QColor>

#include <algorithm>
#include <cmath>

namespace pdf {

using engine::ctx;

fz_matrix pageCtm(fz_context* c, pdf_page* page) {
    fz_matrix ctm = fz_identity;
    pdf_page_transform(c, page, nullptr, &ctm);
    return ctm;
}

fz_rect toFz(const QRectF& r) {
    return fz_make_rect(float(r.left()), float(r.top()), float(r.right()), float(r.bottom()));
}

QRectF fromFz(const fz_rect& r) {
    return QRectF(QPointF(r.x0, r.y0), QPointF(r.x1, r.y1)).normalized();
}

void touch(PageData& d) {
    ++d.revision;
}

pdf_page* PageData::engine() {
    if (loaded || loadFailed || detached)
        return loaded;
    if (doc->hasUnloaded.load())
        doc->dropUnloaded(); // see renumber()
    fz_context* c = ctx();
    doc->loadPageMap(c);
    pdf_page* raw = nullptr;
    fz_var(raw);
    fz_try(c) {
        raw = loadPdfPage(c, doc->pdf, index);
        // Through the page map the engine hands out the page dictionary itself. Whatever
        // refers to the page (an annotation's /P, a destination) needs the reference that a
        // lookup through the tree gives, or the page would be written out a second time.
        const int number = pdf_obj_parent_num(c, raw->obj);
        if (!pdf_is_indirect(c, raw->obj) && number > 0) {
            pdf_obj* ref = pdf_new_indirect(c, doc->pdf, number, 0);
            pdf_drop_obj(c, raw->obj);
            raw->obj = ref;
        }
    }
    fz_catch(c) {
        if (raw)
            fz_drop_page(c, &raw->super);
        raw = nullptr;
    }
    loaded = raw;
    loadFailed = !raw;
    return loaded;
}

PageGeometry PageData::currentGeometry() const {
    auto table = doc->tableLock();
    if (detached || index < 0 || index >= int(doc->geometry.size()))
        return geometry;
    return doc->geometry[size_t(index)];
}

Page::Page(std::unique_ptr<PageData> d) : d_(std::move(d)) {}

Page::~Page() {
    if (!d_->loaded)
        return;
    // Let go of on the window's thread too: never wait there for a worker's recording.
    DocumentData& doc = *d_->doc;
    if (doc.mutex.try_lock()) {
        fz_drop_page(ctx(), &d_->loaded->super);
        doc.mutex.unlock();
    } else {
        doc.unload(d_->loaded);
    }
}

// Everything up to pageToDisplay() is answered from the page table, without the engine.
std::shared_ptr<Document> Page::document() const {
    if (d_->detached)
        return nullptr;
    pdf_page* page = d_->engine();
    if (!page)
        return nullptr;
    return d_->doc->owner.lock();
}

int Page::index() const {
    auto table = d_->doc->tableLock();
    return d_->detached ? -1 : d_->index;
}

bool Page::isDetached() const {
    return d_->detached;
}

QRectF Page::mediaBox() const {
    return d_->currentGeometry().mediaBox;
}

int Page::rotation() const {
    return d_->currentGeometry().rotation;
}

void Page::setRotation(int degrees) {
    ChangeScope scope;
    auto lock = d_->doc->lock();
    pdf_page* page = d_->engine();
    if (!page || d_->detached)
        return;
    const int r = normalizedRotation(degrees);
    fz_context* c = ctx();
    fz_try(c) {
        pdf_dict_put_int(c, page->obj, PDF_NAME(Rotate), r);
    }
    fz_catch(c) {
        return;
    }
    d_->doc->readGeometry(c, d_->index, 1);
    touch(*d_);
    ++d_->doc->structureRevision;
    announce(*d_->doc, {Change::Kind::PagesRotated, {d_->index}});
}

QSizeF Page::displaySize() const {
    return d_->currentGeometry().displaySize;
}

QTransform Page::pageToDisplay() const {
    return d_->currentGeometry().toDisplay;
}

std::optional<QString> Page::text() const {
    auto tp = textPage();
    if (!tp || tp->isEmpty())
        return std::nullopt;
    return tp->text();
}

std::shared_ptr<const TextPage> Page::textPage() const {
    auto& texts = d_->doc->texts;
    {
        // Kept text is handed out without the engine: selections are painted from it.
        auto table = d_->doc->tableLock();
        const int slot = d_->detached ? -1 : d_->index;
        if (slot >= 0 && slot < int(texts.size()) && texts[size_t(slot)])
            return texts[size_t(slot)];
    }
    auto lock = d_->doc->lock();
    pdf_page* page = d_->engine();
    auto text = page ? extractTextPage(ctx(), page, d_->doc->textWithAnnotations)
                     : std::make_shared<TextPage>();
    auto table = d_->doc->tableLock();
    const int slot = d_->detached ? -1 : d_->index;
    if (slot >= 0 && slot < int(texts.size())) {
        if (texts[size_t(slot)])
            return texts[size_t(slot)]; // one page, one text, whoever read it first
        texts[size_t(slot)] = text;
        d_->doc->trimTexts(slot);
    }
    return text;
}

std::shared_ptr<DisplayList> Page::displayList(bool annotations,
                                               const base::CancelToken* cancel) const {
    auto lock = d_->doc->lock();
    pdf_page* page = d_->detached ? nullptr : d_->engine();
    if (!page || (cancel && cancel->isCancelled()))
        return nullptr;
    fz_context* c = ctx();
    fz_display_list* list = nullptr;
    fz_device* dev = nullptr;
    fz_rect bounds = fz_empty_rect;
    CancelCookie guard(cancel);
    fz_cookie* cookie = guard.get();
    fz_var(c);
    fz_var(cookie);
    fz_var(list);
    fz_var(dev);
    bool ok = true;
    fz_try(c) {
        if (annotations)
            pdf_update_page(c, page);
        bounds = fz_bound_page(c, &page->super);
        list = fz_new_display_list(c, bounds);
        dev = fz_new_list_device(c, list);
        // The cookie lets the window stop a long recording of a page it no longer shows.
        if (annotations)
            fz_run_page(c, &page->super, dev, fz_identity, cookie);
        else
            fz_run_page_contents(c, &page->super, dev, fz_identity, cookie);
        fz_close_device(c, dev);
    }
    fz_always(c) {
        fz_drop_device(c, dev);
    }
    fz_catch(c) {
        ok = false;
    }
    // A stopped recording holds part of the page: it is not one to keep.
    if (!ok || (cancel && cancel->isCancelled())) {
        fz_drop_display_list(c, list);
        return nullptr;
    }
    auto data = std::make_unique<DisplayListData>();
    data->list = list;
    data->bounds = bounds;
    return std::make_shared<DisplayList>(std::move(data));
}

QImage Page::render(double scale, bool annotations) const {
    auto list = displayList(annotations);
    if (!list)
        return {};
    return list->render(scaleWithinBudget(list->size(), scale));
}

QImage Page::thumbnail(QSize size) const {
    auto list = displayList(true);
    if (!list || size.isEmpty())
        return {};
    const QSizeF s = list->size();
    if (s.isEmpty())
        return {};
    const double scale = std::min(size.width() / s.width(), size.height() / s.height());
    return list->render(scale);
}

std::vector<std::shared_ptr<Annotation>> Page::annotations() const {
    auto lock = d_->doc->lock();
    std::vector<std::shared_ptr<Annotation>> result;
    pdf_page* page = d_->detached ? nullptr : d_->engine();
    if (!page)
        return result;
    fz_context* c = ctx();
    // Counted first, so the list is made outside the guarded region that fills it.
    int count = 0;
    fz_var(count);
    fz_try(c) {
        for (pdf_annot* a = pdf_first_annot(c, page); a; a = pdf_next_annot(c, a))
            ++count;
        for (pdf_annot* w = pdf_first_widget(c, page); w; w = pdf_next_widget(c, w))
            ++count;
    }
    fz_catch(c) {
        count = 0;
    }
    std::vector<pdf_annot*> raw(size_t(count), nullptr);
    pdf_annot** filling = raw.data();
    int filled = 0;
    fz_var(filling);
    fz_var(filled);
    fz_try(c) {
        for (pdf_annot* a = pdf_first_annot(c, page); a && filled < count; a = pdf_next_annot(c, a))
            filling[filled++] = a;
        for (pdf_annot* w = pdf_first_widget(c, page); w && filled < count;
             w = pdf_next_widget(c, w))
            filling[filled++] = w;
    }
    fz_catch(c) {}
    raw.resize(size_t(filled));
    auto self = std::const_pointer_cast<Page>(shared_from_this());
    for (pdf_annot* a : raw)
        result.push_back(wrapAnnotation(self, a));
    return result;
}

std::shared_ptr<Annotation> wrapAnnotation(const std::shared_ptr<Page>& page, pdf_annot* annot) {
    auto& map = page->data().annotations;
    auto it = map.find(annot);
    if (it != map.end())
        if (auto existing = it->second.lock())
            return existing;
    auto data = std::make_unique<AnnotationData>();
    data->page = page;
    data->annot = pdf_keep_annot(ctx(), annot);
    auto wrapped = std::make_shared<Annotation>(std::move(data));
    map[annot] = wrapped;
    return wrapped;
}

namespace {

void setRect(fz_context* c, pdf_annot* annot, const QRectF& r) {
    pdf_dict_put_rect(c, pdf_annot_obj(c, annot), PDF_NAME(Rect), toFz(r));
}

void rgb(const QColor& color, float out[3]) {
    out[0] = float(color.redF());
    out[1] = float(color.greenF());
    out[2] = float(color.blueF());
}

} // namespace

fz_image* imageFromQImage(fz_context* c, const QImage& img) {
    if (img.format() != QImage::Format_RGBA8888)
        fz_throw(c, FZ_ERROR_GENERIC, "the image is not in RGBA8888");
    const int w = img.width(), h = img.height();
    fz_pixmap* color = nullptr;
    fz_pixmap* alpha = nullptr;
    fz_image* mask = nullptr;
    fz_image* image = nullptr;
    fz_var(color);
    fz_var(alpha);
    fz_var(mask);
    fz_try(c) {
        color = fz_new_pixmap(c, fz_device_rgb(c), w, h, nullptr, 0);
        alpha = fz_new_pixmap(c, fz_device_gray(c), w, h, nullptr, 0);
        bool opaque = true;
        for (int y = 0; y < h; ++y) {
            const uchar* src = img.constScanLine(y);
            unsigned char* dc = color->samples + y * color->stride;
            unsigned char* da = alpha->samples + y * alpha->stride;
            for (int x = 0; x < w; ++x) {
                dc[3 * x] = src[4 * x];
                dc[3 * x + 1] = src[4 * x + 1];
                dc[3 * x + 2] = src[4 * x + 2];
                da[x] = src[4 * x + 3];
                opaque = opaque && src[4 * x + 3] == 255;
            }
        }
        if (!opaque)
            mask = fz_new_image_from_pixmap(c, alpha, nullptr);
        image = fz_new_image_from_pixmap(c, color, mask);
    }
    fz_always(c) {
        fz_drop_pixmap(c, color);
        fz_drop_pixmap(c, alpha);
        fz_drop_image(c, mask);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return image;
}

namespace {

const char* const kBoldFonts[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/opentype/urw-base35/NimbusSans-Bold.otf",
};
const char* const kFallbackFonts[] = {
    "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};

fz_font* loadFirstFont(fz_context* c, const char* const* paths, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        fz_font* font = nullptr;
        fz_var(font);
        fz_try(c) {
            font = fz_new_font_from_file(c, nullptr, paths[i], 0, 0);
        }
        fz_catch(c) {
            font = nullptr;
        }
        if (font)
            return font;
    }
    return nullptr;
}

} // namespace

// Hands out an annotation just created on this page and lets go of the creation reference.
std::shared_ptr<Annotation> Page::adoptNewAnnotation(pdf_annot* annot) {
    touch(*d_);
    announce(*d_->doc, {Change::Kind::AnnotationsAdded, {d_->index}});
    auto wrapped = wrapAnnotation(std::const_pointer_cast<Page>(shared_from_this()), annot);
    pdf_drop_annot(ctx(), annot);
    return wrapped;
}

std::shared_ptr<Annotation> Page::addHighlight(const QRectF& rect, const QColor& color) {
    ChangeScope scope;
    auto lock = d_->doc->lock();
    if (d_->detached)
        return nullptr;
    pdf_page* page = d_->engine();
    if (!page)
        return nullptr;
    fz_context* c = ctx();
    pdf_annot* annot = nullptr;
    fz_var(annot);
    fz_try(c) {
        ensureOwnAnnotsArray(c, page->obj);
        annot = pdf_create_annot(c, page, PDF_ANNOT_HIGHLIGHT);
        pdf_obj* obj = pdf_annot_obj(c, annot);
        setRect(c, annot, rect);
        // QuadPoints: upper-left, upper-right, lower-left, lower-right.
        pdf_obj* quad = pdf_dict_put_array(c, obj, PDF_NAME(QuadPoints), 8);
        const float l = float(rect.left()), r = float(rect.right());
        const float b = float(rect.top()), t = float(rect.bottom());
        const float pts[8] = {l, t, r, t, l, b, r, b};
        for (float v : pts)
            pdf_array_push_real(c, quad, v);
        float col[3];
        rgb(color, col);
        pdf_set_annot_color(c, annot, 3, col);
        pdf_set_annot_opacity(c, annot, float(color.alphaF()));
        pdf_dirty_annot(c, annot);
        pdf_update_annot(c, annot);
    }
    fz_catch(c) {
        pdf_drop_annot(c, annot);
        return nullptr;
    }
    return adoptNewAnnotation(annot);
}

std::shared_ptr<Annotation> Page::addFreeText(const QRectF& rect, const QString& text,
                                              double fontSize, const QColor& fontColor) {
    ChangeScope scope;
    auto lock = d_->doc->lock();
    if (d_->detached)
        return nullptr;
    pdf_page* page = d_->engine();
    if (!page)
        return nullptr;
    fz_context* c = ctx();
    pdf_annot* annot = nullptr;
    fz_var(annot);
    const QByteArray utf8 = text.toUtf8();
    // MuPDF's own free-text appearance draws only what its WinAnsi font has: other scripts
    // get an appearance of ours, with fonts that cover them.
    fz_text* glyphs = unicodetext::fitsStandardFont(text)
                          ? nullptr
                          : unicodetext::layout(c, text, float(fontSize), float(rect.width()),
                                                float(rect.height()), 1.0f);
    fz_var(glyphs);
    fz_try(c) {
        ensureOwnAnnotsArray(c, page->obj);
        annot = pdf_create_annot(c, page, PDF_ANNOT_FREE_TEXT);
        setRect(c, annot, rect);
        pdf_set_annot_contents(c, annot, utf8.constData());
        float col[3];
        rgb(fontColor, col);
        pdf_set_annot_default_appearance(c, annot, "Helv", float(fontSize), 3, col);
        pdf_set_annot_border(c, annot, 0);
        pdf_dict_del(c, pdf_annot_obj(c, annot), PDF_NAME(C)); // clear background
        if (fontColor.alphaF() < 1.0)
            pdf_set_annot_opacity(c, annot, float(fontColor.alphaF()));
        if (glyphs) {
            setDrawnAppearance(c, d_->doc->pdf, annot, rect.width(), rect.height(),
                               [&](fz_device* dev) {
                                   fz_fill_text(c, dev, glyphs, fz_identity, fz_device_rgb(c), col,
                                                1.0f, fz_default_color_params);
                               });
        } else {
            pdf_dirty_annot(c, annot);
            pdf_update_annot(c, annot);
        }
    }
    fz_always(c) {
        fz_drop_text(c, glyphs);
    }
    fz_catch(c) {
        pdf_drop_annot(c, annot);
        return nullptr;
    }
    return adoptNewAnnotation(annot);
}

std::shared_ptr<Annotation> Page::addImageStamp(const QRectF& rect, const QImage& image) {
    ChangeScope scope;
    auto lock = d_->doc->lock();
    if (d_->detached || image.isNull() || rect.isEmpty())
        return nullptr;
    pdf_page* page = d_->engine();
    if (!page)
        return nullptr;
    fz_context* c = ctx();
    pdf_annot* annot = nullptr;
    fz_image* img = nullptr;
    fz_var(annot);
    fz_var(img);
    const float w = float(rect.width()), h = float(rect.height());
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    fz_try(c) {
        img = imageFromQImage(c, rgba);
        ensureOwnAnnotsArray(c, page->obj);
        annot = pdf_create_annot(c, page, PDF_ANNOT_STAMP);
        setRect(c, annot, rect);
        pdf_set_annot_border(c, annot, 0);
        setDrawnAppearance(c, d_->doc->pdf, annot, rect.width(), rect.height(),
                           [&](fz_device* dev) {
                               // Image space is the unit square, top row first: flip it into y-up
                               // space.
                               const fz_matrix m = fz_make_matrix(w, 0, 0, -h, 0, h);
                               fz_fill_image(c, dev, img, m, 1.0f, fz_default_color_params);
                           });
    }
    fz_always(c) {
        fz_drop_image(c, img);
    }
    fz_catch(c) {
        pdf_drop_annot(c, annot);
        return nullptr;
    }
    return adoptNewAnnotation(annot);
}

std::shared_ptr<Annotation> Page::addTextWatermark(const QRectF& rect, const QString& text,
                                                   double fontSize, const QColor& color,
                                                   double degrees) {
    ChangeScope scope;
    auto lock = d_->doc->lock();
    if (d_->detached || rect.isEmpty() || text.isEmpty())
        return nullptr;
    pdf_page* page = d_->engine();
    if (!page)
        return nullptr;
    fz_context* c = ctx();
    fz_font* bold = loadFirstFont(c, kBoldFonts, std::size(kBoldFonts));
    fz_font* fallback = loadFirstFont(c, kFallbackFonts, std::size(kFallbackFonts));
    if (!bold && !fallback)
        return nullptr;
    if (!bold)
        bold = fz_keep_font(c, fallback);

    // Lay the glyphs out along a baseline starting at 0, choosing per character a font that has it.
    struct Glyph {
        fz_font* font;
        int gid;
        int ucs;
        float x;
    };
    std::vector<Glyph> glyphs;
    float pen = 0;
    fz_var(pen);
    fz_var(bold);
    const float size = float(fontSize);
    for (uint ucs : text.toUcs4()) {
        fz_font* font = bold;
        int gid = 0;
        float advance = 0;
        bool found = true;
        fz_var(advance);
        fz_var(font);
        fz_var(gid);
        fz_try(c) {
            gid = fz_encode_character(c, bold, int(ucs));
            if (gid == 0 && fallback) {
                const int alt = fz_encode_character(c, fallback, int(ucs));
                if (alt) {
                    font = fallback;
                    gid = alt;
                }
            }
            advance = fz_advance_glyph(c, font, gid, 0) * size;
        }
        fz_catch(c) {
            found = false;
        }
        if (found) {
            glyphs.push_back({font, gid, int(ucs), pen});
            pen += advance;
        }
    }
    const float width = pen;
    // Each face is embedded cut down to the glyphs this text uses.
    fontsubset::GlyphUse boldUse, fallbackUse;
    for (const Glyph& g : glyphs)
        (g.font == bold ? boldUse : fallbackUse).push_back({char32_t(g.ucs), g.gid});
    fz_font* boldSubset = fontsubset::subsetFont(c, bold, boldUse);
    fz_font* fallbackSubset = fallback && !fallbackUse.empty()
                                  ? fontsubset::subsetFont(c, fallback, fallbackUse)
                                  : nullptr;
    fz_var(boldSubset);
    fz_var(fallbackSubset);
    float ascender = 0.75f, descender = -0.25f;
    fz_var(ascender);
    fz_var(descender);
    fz_try(c) {
        ascender = fz_font_ascender(c, bold);
        descender = fz_font_descender(c, bold);
    }
    fz_catch(c) {}
    const float midline = (ascender + descender) / 2 * size;

    pdf_annot* annot = nullptr;
    fz_text* ftext = nullptr;
    fz_var(annot);
    fz_var(ftext);
    const QByteArray utf8 = text.toUtf8();
    fz_try(c) {
        ftext = fz_new_text(c);
        for (const Glyph& g : glyphs)
            fz_show_glyph(c, ftext, g.font == bold ? boldSubset : fallbackSubset,
                          fz_make_matrix(size, 0, 0, size, g.x, 0), g.gid, g.ucs, 0, 0, FZ_BIDI_LTR,
                          FZ_LANG_UNSET);
        ensureOwnAnnotsArray(c, page->obj);
        annot = pdf_create_annot(c, page, PDF_ANNOT_FREE_TEXT);
        setRect(c, annot, rect);
        pdf_set_annot_contents(c, annot, utf8.constData());
        pdf_set_annot_border(c, annot, 0);
        const float cx = float(rect.width()) / 2, cy = float(rect.height()) / 2;
        setDrawnAppearance(c, d_->doc->pdf, annot, rect.width(), rect.height(),
                           [&](fz_device* dev) {
                               fz_matrix m = fz_translate(-width / 2, -midline);
                               m = fz_concat(m, fz_rotate(float(degrees)));
                               m = fz_concat(m, fz_translate(cx, cy));
                               const float col[3] = {float(color.redF()), float(color.greenF()),
                                                     float(color.blueF())};
                               fz_fill_text(c, dev, ftext, m, fz_device_rgb(c), col,
                                            float(color.alphaF()), fz_default_color_params);
                           });
    }
    fz_always(c) {
        fz_drop_text(c, ftext);
        fz_drop_font(c, boldSubset);
        fz_drop_font(c, fallbackSubset);
        fz_drop_font(c, bold);
        fz_drop_font(c, fallback);
    }
    fz_catch(c) {
        pdf_drop_annot(c, annot);
        return nullptr;
    }
    return adoptNewAnnotation(annot);
}

bool Page::removeAnnotation(const std::shared_ptr<Annotation>& annotation) {
    if (!annotation)
        return false;
    ChangeScope scope;
    auto lock = d_->doc->lock();
    AnnotationData& a = annotation->data();
    if (a.page.get() != this || a.removed || d_->detached)
        return false;
    pdf_page* page = d_->engine();
    if (!page)
        return false;
    fz_context* c = ctx();
    bool ok = true;
    fz_try(c) {
        pdf_delete_annot(c, page, a.annot);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        return false;
    d_->annotations.erase(a.annot);
    a.removed = true;
    touch(*d_);
    announce(*d_->doc, {Change::Kind::AnnotationsRemoved, {d_->index}});
    return true;
}

quint64 Page::revision() const {
    return d_->revision.load();
}

} // namespace pdf
