#pragma once
// Internal to src/pdf: fonts cut down to the glyphs a piece of text uses, so an
// appearance embeds kilobytes instead of the whole face (a CJK face is megabytes).
#include "pdf/engine/Engine.h"

#include <QByteArray>

#include <utility>
#include <vector>

namespace pdf::fontsubset {

// The glyphs kept, each with the character it shows (0 when it shows none).
using GlyphUse = std::vector<std::pair<char32_t, int>>; // (character, glyph id)

// A TrueType or OpenType (CFF) face keeping only the glyphs in `used`, the glyphs they
// are built from, and glyph 0. Glyph ids stay as they were, so text laid out with the whole
// face draws the same with the subset; the character map lists only `used`, which is what
// a PDF writer derives the text's Unicode mapping from. Empty for anything else (font
// collections, CID-keyed CFF, damaged tables): the caller keeps the whole face.
QByteArray subsetFontFile(const QByteArray& font, const GlyphUse& used);

// `font` as a subset for `used`, named with a subset tag; a new reference to `font` itself
// when it cannot be cut down. Never throws; nullptr only when `font` is.
fz_font* subsetFont(fz_context* c, fz_font* font, const GlyphUse& used);

} // namespace pdf::fontsubset
