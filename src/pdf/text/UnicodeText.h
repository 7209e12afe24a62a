#pragma once
// Internal to src/pdf: text for appearances that the standard PDF fonts cannot draw
// (Greek, Cyrillic, Central European letters, CJK ...), laid out with fonts that cover
// those scripts. MuPDF's own free-text appearance uses a WinAnsi font and drops them.
#include "pdf/engine/Engine.h"

#include <QString>

namespace pdf::unicodetext {

// True when every character is in the WinAnsi set of the standard fonts.
bool fitsStandardFont(const QString& text);

// `text` laid out top-down from the top-left of a box `width` × `height` (PDF space, y up,
// origin at the box's bottom-left), wrapped at spaces, lines 1.2 × size apart, `padding`
// inside each edge; a box with room for one line shrinks a line too long for it. A new
// fz_text the caller drops, or nullptr. Never throws.
fz_text* layout(fz_context* c, const QString& text, float fontSize, float width, float height,
                float padding);

} // namespace pdf::unicodetext
