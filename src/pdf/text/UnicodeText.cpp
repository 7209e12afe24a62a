#include "pdf/text/UnicodeText.h"

#include "pdf/text/FontSubset.h"

#include <QList>

#include <vector>

namespace pdf::unicodetext {

namespace {

// Helvetica's metric twin first (the width the standard-font text would have), then
// wider coverage of Latin, Greek and Cyrillic, then a face for everything else.
const char* const kFontPaths[] = {
    "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf",
};
constexpr int kFontCount = int(std::size(kFontPaths));

struct Glyph {
    int font = -1; // index into the loaded fonts; -1: no font has it
    int gid = 0;
    int ucs = 0;
    float advance = 0;
    float x = 0;
    int line = 0;
};

fz_font* loadFont(fz_context* c, const char* path) {
    fz_font* font = nullptr;
    fz_var(font);
    fz_try(c) {
        font = fz_new_font_from_file(c, nullptr, path, 0, 0);
    }
    fz_catch(c) {
        font = nullptr;
    }
    return font;
}

// Chooses a font per character and measures it; plain C data only inside the guard.
bool shape(fz_context* c, fz_font* const* fonts, Glyph* glyphs, int count, float size) {
    bool ok = true;
    fz_try(c) {
        for (int i = 0; i < count; ++i) {
            Glyph& g = glyphs[i];
            for (int f = 0; f < kFontCount && g.font < 0; ++f) {
                if (!fonts[f])
                    continue;
                const int gid = fz_encode_character(c, fonts[f], g.ucs);
                if (gid > 0) {
                    g.font = f;
                    g.gid = gid;
                }
            }
            if (g.font >= 0)
                g.advance = fz_advance_glyph(c, fonts[g.font], g.gid, 0) * size;
        }
    }
    fz_catch(c) {
        ok = false;
    }
    return ok;
}

// Greedy wrapping at spaces (inside over-long words when there is no space).
void wrap(std::vector<Glyph>& glyphs, float width) {
    int line = 0;
    float pen = 0;
    size_t lineStart = 0;
    size_t lastSpace = SIZE_MAX;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        Glyph& g = glyphs[i];
        if (g.ucs == '\n') {
            g.line = line;
            g.x = pen;
            ++line;
            pen = 0;
            lineStart = i + 1;
            lastSpace = SIZE_MAX;
            continue;
        }
        if (pen + g.advance > width && i > lineStart && g.ucs != ' ') {
            const size_t breakAt = lastSpace != SIZE_MAX ? lastSpace + 1 : i;
            ++line;
            pen = 0;
            for (size_t j = breakAt; j < i; ++j) {
                glyphs[j].line = line;
                glyphs[j].x = pen;
                pen += glyphs[j].advance;
            }
            lineStart = breakAt;
            lastSpace = SIZE_MAX;
        }
        if (g.ucs == ' ')
            lastSpace = i;
        g.line = line;
        g.x = pen;
        pen += g.advance;
    }
}

} // namespace

bool fitsStandardFont(const QString& text) {
    static const QString extras = QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    for (const QChar ch : text)
        if (ch.unicode() > 0xFF && !extras.contains(ch))
            return false;
    return true;
}

fz_text* layout(fz_context* c, const QString& text, float fontSize, float width, float height,
                float padding) {
    fz_font* fonts[kFontCount] = {};
    for (int f = 0; f < kFontCount; ++f)
        fonts[f] = loadFont(c, kFontPaths[f]);

    std::vector<Glyph> glyphs;
    for (const uint ucs : text.toUcs4()) {
        Glyph g;
        g.ucs = int(ucs);
        glyphs.push_back(g);
    }
    fz_text* result = nullptr;
    if (shape(c, fonts, glyphs.data(), int(glyphs.size()), fontSize)) {
        // A box with room for one line only shrinks a line that is too long rather than
        // wrapping it out of sight.
        float total = 0;
        bool breaks = false;
        for (const Glyph& g : glyphs) {
            total += g.advance;
            breaks = breaks || g.ucs == '\n';
        }
        const float room = width - 2 * padding;
        float shrink = 1;
        if (!breaks && height - 2 * padding < 2.4f * fontSize && total > room && room > 0)
            shrink = room / total * 0.999f; // a hair under, so rounding never wraps it
        for (Glyph& g : glyphs)
            g.advance *= shrink;
        wrap(glyphs, room);
        const float size = fontSize * shrink;
        // Each face is embedded cut down to the glyphs this text uses.
        fz_font* subsets[kFontCount] = {};
        for (int f = 0; f < kFontCount; ++f) {
            fontsubset::GlyphUse use;
            for (const Glyph& g : glyphs)
                if (g.font == f && g.ucs != '\n')
                    use.push_back({char32_t(g.ucs), g.gid});
            if (!use.empty())
                subsets[f] = fontsubset::subsetFont(c, fonts[f], use);
        }
        fz_font* primary = nullptr;
        for (fz_font* font : fonts)
            if (!primary)
                primary = font;
        fz_var(primary);
        float ascender = 0.8f * size;
        fz_var(ascender);
        const Glyph* data = glyphs.data();
        const int count = int(glyphs.size());
        const float lineHeight = 1.2f * size;
        fz_var(result);
        fz_try(c) {
            if (primary)
                ascender = fz_font_ascender(c, primary) * size;
            result = fz_new_text(c);
            for (int i = 0; i < count; ++i) {
                const Glyph& g = data[i];
                if (g.font < 0 || g.ucs == '\n')
                    continue;
                const float baseline = height - padding - ascender - g.line * lineHeight;
                fz_show_glyph(c, result, subsets[g.font],
                              fz_make_matrix(size, 0, 0, size, padding + g.x, baseline), g.gid,
                              g.ucs, 0, 0, FZ_BIDI_LTR, FZ_LANG_UNSET);
            }
        }
        fz_catch(c) {
            fz_drop_text(c, result);
            result = nullptr;
        }
        for (fz_font* font : subsets)
            fz_drop_font(c, font);
    }
    for (fz_font* font : fonts)
        fz_drop_font(c, font);
    return result;
}

} // namespace pdf::unicodetext
