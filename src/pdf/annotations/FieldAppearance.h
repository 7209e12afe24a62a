#pragma once
// Internal to src/pdf: the appearance of a text or choice field whose value the standard
// fonts cannot draw (the engine's own appearance uses WinAnsi Helvetica, which turns
// Central European letters and other scripts into dots in every reader).
#include "pdf/engine/Engine.h"

#include <QString>

namespace pdf::fieldappearance {

// Draws `value` into the widget's normal appearance with faces that cover it, embedded as
// subsets, in the size, colour and alignment its /DA and /Q ask for. True when drawn; the
// widget keeps the engine's appearance otherwise. Never throws.
bool drawValue(fz_context* c, pdf_annot* widget, const QString& value);

} // namespace pdf::fieldappearance
