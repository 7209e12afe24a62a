#pragma once
// A TrueType font with no outlines, for invisible text: every glyph is empty and half an
// em wide, the ascender is 0.8 em and the descender 0.2 em. Readers take a character's
// box from these metrics, so they are fixed here rather than left to a substitute font.
#include <QByteArray>

namespace pdf {

constexpr int kGlyphlessAdvance = 500;   // per 1000 units of the em
constexpr double kGlyphlessAscent = 0.8; // of the em
constexpr double kGlyphlessDescent = 0.2;

// The font file (about 500 bytes), the same on every call.
QByteArray glyphlessTrueType();

} // namespace pdf
