// The text of a page, gathered by a device of our own while the page's content runs.
//
// The engine's structured-text device builds blocks, keeps a font reference and a colour
// per character and works out each character's geometry from scratch. A page's text
// needs less: code points in content order, grouped into lines, each with a box. Spans
// share one matrix, so direction, size and the font's vertical extent are worked out once
// per span and each glyph costs an advance lookup and a point transform.
#include "pdf/engine/Internal.h"
#include "pdf/text/TextPage.h"

#include <mupdf/ucdn.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace pdf {

namespace {

// Distances in units of the font size.
constexpr float kBaselineTolerance = 0.8f; // further off the line's baseline: a new line
constexpr float kWordGap = 0.15f;          // a forward gap wider than this is a word break
constexpr float kColumnGap = 0.8f;         // a gap wider than this starts a new line
constexpr float kOverprint = 0.1f;         // the same letter ending this close is drawn over itself

struct Vec {
    float x = 0, y = 0;
};

// The advances of the glyphs seen so far, per font and writing mode. The engine looks each
// one up under a lock; a page shows the same few glyphs again and again. The fonts are kept
// while they are listed, so that a font freed and another made at its address is never
// mistaken for it.
class Advances {
public:
    Advances() = default;
    Advances(const Advances&) = delete;
    Advances& operator=(const Advances&) = delete;
    ~Advances() { clear(nullptr); }

    float of(fz_context* c, fz_font* font, int gid, int mode) {
        Table* t =
            (last_ && last_->font == font && last_->mode == mode) ? last_ : find(c, font, mode);
        if (!t || gid >= kMostGlyphs)
            return fz_advance_glyph(c, font, gid, mode);
        // Room grows with the highest glyph asked for, not with the font's glyph count.
        if (gid >= int(t->values.size()))
            t->values.resize(size_t(gid) + 1, std::numeric_limits<float>::quiet_NaN());
        float& v = t->values[size_t(gid)];
        if (std::isnan(v))
            v = fz_advance_glyph(c, font, gid, mode);
        return v;
    }

    // Forgets every font; with a null context the fonts were already let go.
    void clear(fz_context* c) {
        if (c)
            for (Table& t : tables_)
                fz_drop_font(c, t.font);
        tables_.clear();
        last_ = nullptr;
    }

private:
    struct Table {
        fz_font* font;
        int mode;
        std::vector<float> values;
    };
    static constexpr int kMostGlyphs = 1 << 16; // glyph ids a font can have

    Table* find(fz_context* c, fz_font* font, int mode) {
        for (Table& t : tables_)
            if (t.font == font && t.mode == mode)
                return last_ = &t;
        if (tables_.size() >= 32)
            return nullptr; // a page of many fonts asks the engine for the rest
        tables_.reserve(32);
        tables_.push_back({fz_keep_font(c, font), mode, {}});
        return last_ = &tables_.back();
    }

    std::vector<Table> tables_;
    Table* last_ = nullptr;
};

struct Collected {
    std::vector<TextChar> chars;
    std::vector<TextLine> lines;
    Vec pen;              // where the last glyph ended
    Vec lineDir;          // unit direction of the current line
    int lineMode = -1;    // writing mode of the current line, -1 before the first
    char32_t last = U' '; // last code point added
    int direction = 1;    // +1 left to right, -1 right to left, as the text so far reads
    // The page's visible box in user space: glyphs drawn outside it are never seen, and
    // other readers leave them out of the page's text.
    fz_rect visible = fz_infinite_rect;
    bool hidden = false; // the last glyph lay outside `visible` (its cluster goes with it)
    Advances advances;

    // Empty again, keeping the buffers' room.
    void reset() {
        chars.clear();
        lines.clear();
        pen = lineDir = {};
        lineMode = -1;
        last = U' ';
        direction = 1;
        visible = fz_infinite_rect;
        hidden = false;
    }
};

// One span's geometry, shared by its glyphs.
struct SpanFrame {
    Vec dir;        // advance direction, scaled by the font size
    Vec unit;       // the same, of length one
    Vec up, down;   // from a glyph's baseline to the top and bottom of its box
    float size = 0; // font size in page units
    int mode = 0;   // 0 horizontal, 1 vertical
};

struct Device {
    fz_device super;
    Collected* out;
    fz_text* lastText; // a text drawn twice (fill, then stroke) is collected once
};

int directionOf(char32_t c, int current) {
    if (c < 0x80)
        return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ? 1 : current;
    switch (ucdn_get_bidi_class(uint32_t(c))) {
    case UCDN_BIDI_CLASS_L:
        return 1;
    case UCDN_BIDI_CLASS_R:
    case UCDN_BIDI_CLASS_AL:
        return -1;
    default:
        return current;
    }
}

bool isSpace(char32_t c) {
    return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || c == 0x180E ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Typographic ligatures become their letters; 0 ends the list.
const char32_t* ligatureLetters(char32_t c) {
    static const char32_t table[][4] = {
        {U'f', U'f', 0, 0},    {U'f', U'i', 0, 0}, {U'f', U'l', 0, 0}, {U'f', U'f', U'i', 0},
        {U'f', U'f', U'l', 0}, {U's', U't', 0, 0}, {U's', U't', 0, 0},
    };
    return (c >= 0xFB00 && c <= 0xFB06) ? table[c - 0xFB00] : nullptr;
}

void pushChar(Collected& s, char32_t code, Vec from, Vec to, const SpanFrame& f) {
    const float xs[4] = {from.x + f.up.x, from.x + f.down.x, to.x + f.up.x, to.x + f.down.x};
    const float ys[4] = {from.y + f.up.y, from.y + f.down.y, to.y + f.up.y, to.y + f.down.y};
    TextChar ch;
    ch.code = code;
    ch.line = int(s.lines.size()) - 1;
    ch.x0 = std::min({xs[0], xs[1], xs[2], xs[3]});
    ch.x1 = std::max({xs[0], xs[1], xs[2], xs[3]});
    ch.y0 = std::min({ys[0], ys[1], ys[2], ys[3]});
    ch.y1 = std::max({ys[0], ys[1], ys[2], ys[3]});
    s.chars.push_back(ch);
    s.lines.back().last = int(s.chars.size());
}

void startLine(Collected& s, const SpanFrame& f) {
    TextLine line;
    line.first = line.last = int(s.chars.size());
    s.lines.push_back(line);
    s.lineDir = f.unit;
    s.lineMode = f.mode;
}

// Adds one glyph showing `codes` (one, or the letters of a ligature) from p to q.
void addGlyph(Collected& s, const char32_t* codes, int count, bool hasGlyph, Vec p, Vec q,
              const SpanFrame& f) {
    if (hasGlyph) {
        // A glyph counts as shown when the middle of its box lies on the page.
        const float mx = (p.x + q.x + f.up.x + f.down.x) / 2;
        const float my = (p.y + q.y + f.up.y + f.down.y) / 2;
        s.hidden =
            !(mx >= s.visible.x0 && mx <= s.visible.x1 && my >= s.visible.y0 && my <= s.visible.y1);
    }
    if (s.hidden)
        return;
    if (!hasGlyph && !s.lines.empty()) {
        // Further characters of a cluster: they sit where the cluster's glyph ended.
        for (int i = 0; i < count; ++i)
            pushChar(s, codes[i], s.pen, s.pen, f);
        s.last = codes[count - 1];
        return;
    }
    for (int i = 0; i < count; ++i)
        s.direction = directionOf(codes[i], s.direction);
    bool newLine = true;
    bool space = false;
    if (s.lineMode == f.mode && s.lineDir.x * f.unit.x + s.lineDir.y * f.unit.y >= 0.999f) {
        // A letter printed twice in (nearly) the same place to look bold.
        if (codes[0] == s.last && std::hypot(q.x - s.pen.x, q.y - s.pen.y) < f.size * kOverprint)
            return;
        const float dx = p.x - s.pen.x, dy = p.y - s.pen.y;
        const float along = f.unit.x * dx + f.unit.y * dy;
        const float across = f.unit.x * dy - f.unit.y * dx;
        if (std::fabs(across) < f.size * kBaselineTolerance) {
            if (s.direction < 0 || std::fabs(along) < f.size * kWordGap) {
                newLine = false;
            } else if (std::fabs(along) <= f.size * kColumnGap) {
                newLine = false;
                space = along > 0 && s.last != U' ' && f.mode == 0;
            }
        }
    }
    if (newLine)
        startLine(s, f);
    if (space)
        pushChar(s, U' ', s.pen, p, f);
    // A ligature's letters share its glyph's width.
    const float step = 1.0f / float(count);
    for (int i = 0; i < count; ++i) {
        const Vec a{p.x + (q.x - p.x) * step * float(i), p.y + (q.y - p.y) * step * float(i)};
        const Vec b{p.x + (q.x - p.x) * step * float(i + 1),
                    p.y + (q.y - p.y) * step * float(i + 1)};
        pushChar(s, codes[i], a, b, f);
    }
    s.last = codes[count - 1];
    s.pen = q;
}

void collectSpan(fz_context* c, Collected& s, const fz_text_span* span, fz_matrix ctm) {
    if (span->len <= 0 || !span->font)
        return;
    SpanFrame f;
    f.mode = span->wmode ? 1 : 0;
    const fz_matrix m =
        fz_concat(fz_make_matrix(span->trm.a, span->trm.b, span->trm.c, span->trm.d, 0, 0),
                  fz_make_matrix(ctm.a, ctm.b, ctm.c, ctm.d, 0, 0));
    f.dir = f.mode == 0 ? Vec{m.a, m.b} : Vec{-m.c, -m.d};
    const float length = std::hypot(f.dir.x, f.dir.y);
    f.size = fz_matrix_expansion(m);
    if (!(length > 0) || !(f.size > 0) || !std::isfinite(length) || !std::isfinite(f.size))
        return;
    f.unit = {f.dir.x / length, f.dir.y / length};
    if (f.mode == 0) {
        const float up = fz_font_ascender(c, span->font), down = fz_font_descender(c, span->font);
        f.up = {up * m.c, up * m.d};
        f.down = {down * m.c, down * m.d};
    } else {
        const fz_rect box = fz_font_bbox(c, span->font);
        f.up = {box.x1 * m.a, box.x1 * m.b};
        f.down = {box.x0 * m.a, box.x0 * m.b};
    }
    for (int i = 0; i < span->len; ++i) {
        const fz_text_item& item = span->items[i];
        if (item.ucs < 0)
            continue; // a glyph with no character of its own
        char32_t code = char32_t(item.ucs);
        if (isSpace(code))
            code = U' ';
        const float advance = item.gid >= 0 ? s.advances.of(c, span->font, item.gid, f.mode) : 0.0f;
        const fz_point origin = fz_transform_point_xy(item.x, item.y, ctm);
        Vec p{origin.x, origin.y}, q = p;
        if (f.mode == 0) {
            q = {p.x + advance * f.dir.x, p.y + advance * f.dir.y};
        } else {
            p = {q.x - advance * f.dir.x, q.y - advance * f.dir.y};
        }
        const char32_t* letters = ligatureLetters(code);
        const int count = letters ? int(std::char_traits<char32_t>::length(letters)) : 1;
        addGlyph(s, letters ? letters : &code, count, item.gid >= 0, p, q, f);
    }
}

void collect(fz_context* c, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    auto* d = reinterpret_cast<Device*>(dev);
    if (text == d->lastText)
        return;
    bool outOfMemory = false;
    try {
        for (const fz_text_span* span = text->head; span; span = span->next)
            collectSpan(c, *d->out, span, ctm);
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    }
    if (outOfMemory)
        fz_throw(c, FZ_ERROR_MEMORY, "out of memory collecting page text");
    fz_drop_text(c, d->lastText);
    d->lastText = fz_keep_text(c, text);
}

void fillText(fz_context* c, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_colorspace*,
              const float*, float, fz_color_params) {
    collect(c, dev, text, ctm);
}
void strokeText(fz_context* c, fz_device* dev, const fz_text* text, const fz_stroke_state*,
                fz_matrix ctm, fz_colorspace*, const float*, float, fz_color_params) {
    collect(c, dev, text, ctm);
}
void clipText(fz_context* c, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_rect) {
    collect(c, dev, text, ctm);
}
void clipStrokeText(fz_context* c, fz_device* dev, const fz_text* text, const fz_stroke_state*,
                    fz_matrix ctm, fz_rect) {
    collect(c, dev, text, ctm);
}
// Invisible text (the recognised text over a scan) is text all the same.
void ignoreText(fz_context* c, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    collect(c, dev, text, ctm);
}

void dropDevice(fz_context* c, fz_device* dev) {
    auto* d = reinterpret_cast<Device*>(dev);
    fz_drop_text(c, d->lastText);
    d->lastText = nullptr;
}

// What the page's form fields and free-text annotations show, after its contents, each
// starting a line of its own. Throws through fz_throw.
void runShownAnnotations(fz_context* c, pdf_page* page, fz_device* dev, fz_matrix ctm,
                         Collected& out) {
    for (pdf_annot* widget = pdf_first_widget(c, page); widget;
         widget = pdf_next_widget(c, widget)) {
        out.lineMode = -1;
        pdf_run_annot(c, widget, dev, ctm, nullptr);
    }
    for (pdf_annot* annot = pdf_first_annot(c, page); annot; annot = pdf_next_annot(c, annot)) {
        if (pdf_annot_type(c, annot) != PDF_ANNOT_FREE_TEXT)
            continue;
        out.lineMode = -1;
        pdf_run_annot(c, annot, dev, ctm, nullptr);
    }
}

// Moves the lines from `firstAdded` on (what annotations show) to their place among the
// content's lines: before the first line of the content that lies wholly below the added
// line's middle and shares some of its width, else after all of them.
void placeAddedLines(Collected& out, size_t firstAdded) {
    if (firstAdded >= out.lines.size())
        return;
    std::vector<std::vector<size_t>> before(firstAdded + 1);
    for (size_t a = firstAdded; a < out.lines.size(); ++a) {
        const QRectF& added = out.lines[a].box;
        const double middle = added.center().y();
        size_t at = firstAdded;
        for (size_t l = 0; l < firstAdded; ++l) {
            const QRectF& line = out.lines[l].box;
            if (line.bottom() < middle && line.left() < added.right() &&
                added.left() < line.right()) {
                at = l;
                break;
            }
        }
        before[at].push_back(a);
    }
    std::vector<size_t> order;
    order.reserve(out.lines.size());
    for (size_t l = 0; l <= firstAdded; ++l) {
        order.insert(order.end(), before[l].begin(), before[l].end());
        if (l < firstAdded)
            order.push_back(l);
    }
    std::vector<TextChar> chars;
    std::vector<TextLine> lines;
    chars.reserve(out.chars.size());
    lines.reserve(out.lines.size());
    for (const size_t l : order) {
        TextLine line = out.lines[l];
        const int first = int(chars.size());
        for (int i = line.first; i < line.last; ++i) {
            TextChar ch = out.chars[size_t(i)];
            ch.line = int(lines.size());
            chars.push_back(ch);
        }
        line.first = first;
        line.last = int(chars.size());
        lines.push_back(line);
    }
    out.chars.swap(chars);
    out.lines.swap(lines);
}

} // namespace

std::shared_ptr<const TextPage> extractTextPage(fz_context* c, pdf_page* page,
                                                bool withAnnotations) {
    // Each thread gathers into the same buffers page after page; a page keeps an exact copy.
    thread_local Collected collected;
    collected.reset();
    Device* dev = nullptr;
    size_t contentLines = 0;
    fz_var(dev);
    fz_var(contentLines);
    bool ok = true;
    fz_try(c) {
        dev = reinterpret_cast<Device*>(fz_new_device_of_size(c, sizeof(Device)));
        dev->super.fill_text = fillText;
        dev->super.stroke_text = strokeText;
        dev->super.clip_text = clipText;
        dev->super.clip_stroke_text = clipStrokeText;
        dev->super.ignore_text = ignoreText;
        dev->super.drop_device = dropDevice;
        dev->out = &collected;
        fz_rect box = fz_empty_rect;
        fz_matrix unused = fz_identity;
        pdf_page_obj_transform(c, page->obj, &box, &unused);
        if (!fz_is_empty_rect(box))
            collected.visible = box;
        // Run in PDF user space, so that boxes need no conversion afterwards.
        const fz_matrix toUser = fz_invert_matrix(pageCtm(c, page));
        fz_run_page_contents(c, &page->super, &dev->super, toUser, nullptr);
        contentLines = collected.lines.size();
        if (withAnnotations)
            runShownAnnotations(c, page, &dev->super, toUser, collected);
        fz_close_device(c, &dev->super);
    }
    fz_always(c) {
        fz_drop_device(c, reinterpret_cast<fz_device*>(dev));
        collected.advances.clear(c);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        return std::make_shared<TextPage>();
    for (TextLine& line : collected.lines) {
        const TextChar& first = collected.chars[size_t(line.first)];
        float x0 = first.x0, y0 = first.y0, x1 = first.x1, y1 = first.y1;
        for (int i = line.first + 1; i < line.last; ++i) {
            const TextChar& ch = collected.chars[size_t(i)];
            x0 = std::min(x0, ch.x0), y0 = std::min(y0, ch.y0);
            x1 = std::max(x1, ch.x1), y1 = std::max(y1, ch.y1);
        }
        line.box = QRectF(QPointF(x0, y0), QPointF(x1, y1));
    }
    placeAddedLines(collected, contentLines);
    return std::make_shared<TextPage>(collected.chars, collected.lines);
}

} // namespace pdf
