#pragma once
// The plain-text form of a document: every page that has text, in order, each but the
// first one written preceded by "\n\n--- Page N ---\n\n".
#include "pdf/document/Document.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace TextExport {

// pages[i] is the text of page i, or nullopt when the page has none.
QString join(const std::vector<std::optional<QString>>& pages);
// The same for a document, extracting on several threads.
QString documentText(const pdf::Document& document);
// The same text as documentText, handed to `sink` piece by piece in order while
// the pages are read, with a bounded number of pages in memory. Stops and returns false
// as soon as `sink` does.
bool streamDocumentText(const pdf::Document& document,
                        const std::function<bool(const QString& piece)>& sink);

} // namespace TextExport
