#pragma once
// Redaction marks made in the window: each call is one edit through DocumentViewModel
// (one undo step) and returns false, changing nothing, when there is nothing to mark.
// Marks are Redact annotations drawn as outlines; nothing is removed until they are
// applied to a copy of the document.
#include "pdf/text/Selection.h"
#include "utilities/RedactionService.h"

#include <QRectF>

#include <vector>

class DocumentViewModel;

namespace RedactionMarks {

// A mark over `pageRect` (PDF user space) of page `pageIndex`.
bool markArea(DocumentViewModel& documentVM, int pageIndex, const QRectF& pageRect);
// One mark per page the selection covers, over each of its lines there.
bool markSelection(DocumentViewModel& documentVM, const pdf::Selection& selection);
// One mark per match of Find and Redact, all in one step.
bool markMatches(DocumentViewModel& documentVM,
                 const std::vector<RedactionService::Match>& matches);

} // namespace RedactionMarks
