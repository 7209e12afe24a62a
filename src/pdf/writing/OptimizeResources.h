#pragma once
// Internal to src/pdf: dropping what pages list among their resources but never draw.
#include "pdf/engine/Engine.h"

namespace pdf {

// Removes from each page's /XObject and /Font resources the names its contents never
// mention, so that the writer's collection drops the images and fonts only they kept.
// A resource dictionary shared by pages keeps what any of them mentions; a page drawing a
// form or a Type 3 font without resources of its own (which then borrow the page's) is
// left as it is. Returns the entries removed. Never throws: a page that cannot be read is
// left as it is.
int dropUnusedResources(fz_context* c, pdf_document* doc);

} // namespace pdf
