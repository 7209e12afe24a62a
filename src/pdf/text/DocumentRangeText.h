#pragma once
// Text and search over a stretch of a document's pages, so that long work (a search of
// a thousand pages) can go a stretch at a time and report as it goes.
#include "pdf/document/Document.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"

#include <QString>

#include <memory>
#include <vector>

namespace pdf {

// The text of the pages [first, end), clamped to the document; kept for the pages as
// Document::textPages() keeps it. `maxThreads` (0: as many as the budget allows) bounds
// the threads that read it, so work beside a window can leave a core to the window.
std::vector<std::shared_ptr<const TextPage>> textPagesInRange(const Document& document, int first,
                                                              int end, int maxThreads = 0);

// Every case-insensitive occurrence of `text` on the pages [first, end), in page order.
std::vector<Selection> findStringInRange(const Document& document, const QString& text, int first,
                                         int end, int maxThreads = 0);
// Every occurrence of `text` as `options` ask, on the pages [first, end), in page order.
std::vector<Selection> findStringInRange(const Document& document, const QString& text,
                                         const SearchOptions& options, int first, int end,
                                         int maxThreads = 0);

} // namespace pdf
