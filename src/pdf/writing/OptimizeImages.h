#pragma once
// Internal to src/pdf: making a document's images smaller, at the cost of some detail.
#include "pdf/engine/Engine.h"

#include "base/CancelToken.h"

#include <functional>
#include <vector>

namespace pdf {

struct ImageSettings {
    double dpi = 150; // images drawn finer than this are resampled down to it
    int jpegQuality = 75;
};

struct ImageCounts {
    int images = 0;         // image objects looked at
    int reencoded = 0;      // stored smaller
    int resampled = 0;      // of those, at a lower resolution
    int madeGrey = 0;       // of those, colour that was grey
    int damaged = 0;        // could not be decoded: kept as they were
    int unsupported = 0;    // colour spaces and depths left alone
    qint64 bytesBefore = 0; // stored bytes of the images re-encoded, before and after
    qint64 bytesAfter = 0;
};

// The resolution each image object is drawn at on the pages (dots per inch, the lowest
// where it is drawn more than once), indexed by object number; 0 for images not drawn
// by page contents. Only the pages of `pages` when given. Throws through fz_throw.
std::vector<float> imageResolutions(fz_context* c, pdf_document* doc,
                                    const base::CancelToken* cancel,
                                    const std::vector<int>* pages = nullptr);

// Re-encodes the images among `numbers` (all image objects when empty) as `settings`
// asks, on every core the budget allows, one decoded image per worker at a time. Marks
// in `done` (indexed by object number) what it stored. `progress` gets (images done, in
// all). Throws through fz_throw; a cancel ends the pass early, every stored image whole.
void shrinkImages(fz_context* c, pdf_document* doc, const ImageSettings& settings,
                  const std::vector<float>& resolutions, const std::vector<int>& numbers,
                  const base::CancelToken* cancel,
                  const std::function<void(int done, int total)>& progress, ImageCounts* counts,
                  std::vector<bool>* done, bool store = true);

// The object numbers of every image XObject. Throws through fz_throw.
std::vector<int> imageObjects(fz_context* c, pdf_document* doc);

} // namespace pdf
