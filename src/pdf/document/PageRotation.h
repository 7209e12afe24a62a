#pragma once
// Internal to src/pdf: one rule for a page's /Rotate, shared by what we report, what the
// engine draws and what we write.
#include "pdf/engine/Engine.h"

namespace pdf {

// A /Rotate value as the engine draws it: turned into 0..359, then to the nearest quarter
// turn (45 draws as 90, 135 as 180, -90 as 270).
int normalizedRotation(int raw);

// Rewrites every /Rotate in the page tree that is not already 0, 90, 180 or 270 to the
// quarter turn it is drawn at, so that readers which treat such values differently show
// what we show. Visits each node once. Throws through fz_throw.
void normalizeRotations(fz_context* c, pdf_document* doc);

} // namespace pdf
