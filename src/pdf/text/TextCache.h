#pragma once
// How much extracted text a document keeps for search and selection. Text past the limit
// is let go of, farthest from the page last read first, and extracted again when needed.
#include <QtGlobal>

namespace pdf {
class TextPage;
}

namespace pdf::TextCache {

void setLimit(qint64 bytes);
qint64 limit();

// Memory one page's text takes.
qint64 costOf(const TextPage& text);

} // namespace pdf::TextCache
