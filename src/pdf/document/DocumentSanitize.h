#pragma once
// Sanitising a document before it is shared: what it carries besides its visible pages,
// each kind removed only when asked for.
#include <QFlags>

namespace pdf {

class Document;

enum class SanitizeItem {
    Metadata = 1,      // document information entries and XMP packets
    Scripts = 2,       // JavaScript, opening and automatic actions, launch and submit actions
    EmbeddedFiles = 4, // attached files, and the annotations that carry them
    HiddenLayers = 8,  // what optional content hidden by default draws
    Comments = 16,     // markup annotations (notes, highlights, stamps, drawings ...)
};
Q_DECLARE_FLAGS(SanitizeItems, SanitizeItem)
Q_DECLARE_OPERATORS_FOR_FLAGS(SanitizeItems)

// How much of each kind a document holds (or held, once removed).
struct SanitizeFindings {
    int metadata = 0;      // information entries plus XMP packets
    int scripts = 0;       // scripts and actions
    int embeddedFiles = 0; // files and attachment annotations
    int hiddenLayers = 0;  // layers hidden by default
    int comments = 0;      // markup annotations
    int total() const { return metadata + scripts + embeddedFiles + hiddenLayers + comments; }
};

// Counts what `items` would remove; nothing changes.
SanitizeFindings surveySanitize(Document& document, SanitizeItems items);
// Removes `items` and returns what was found. Throws pdf::Error.
SanitizeFindings sanitizeDocument(Document& document, SanitizeItems items);

} // namespace pdf
