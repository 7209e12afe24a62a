#pragma once
// Internal to src/pdf: the lossless part of making a document smaller.
#include "pdf/engine/Engine.h"

#include "base/CancelToken.h"

#include <QtGlobal>

#include <functional>
#include <vector>

namespace pdf {

struct StreamCounts {
    int recompressed = 0;   // streams stored smaller
    int damaged = 0;        // deflated streams that do not inflate: kept as they were
    qint64 bytesBefore = 0; // stored bytes of the streams looked at, before and after
    qint64 bytesAfter = 0;
};

// Deflates every stream (or only those of `only`, and without storing them unless
// `store`) that is unfiltered or deflated alone at libdeflate's `level` (9 matches zlib's
// best in its time; 12 is a few percent smaller at five times the time) (images with a PNG
// predictor where that is smaller), keeping each only where it comes out smaller. Runs on every
// core the budget allows, a batch of streams at a time. `progress` gets (streams done, streams in
// all). Throws through fz_throw; a cancel ends the pass early with what was stored so far (every
// stored stream is whole).
void recompressStreams(fz_context* c, pdf_document* doc, int level, const base::CancelToken* cancel,
                       const std::function<void(int done, int total)>& progress,
                       StreamCounts* counts, const std::vector<int>* only = nullptr,
                       bool store = true);

// Stores identical streams (images, fonts, forms) and the font dictionaries that then
// agree once, pointing every reference at the one kept. Returns the objects merged.
// Throws through fz_throw.
int mergeDuplicates(fz_context* c, pdf_document* doc);

} // namespace pdf
