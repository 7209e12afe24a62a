#pragma once
// The commands that change a document ask the signature guard first: an edit that would
// invalidate signatures, or that the document's certification forbids, is refused (exit
// status 2) unless --force is given.
#include "cli/CliOptions.h"
#include "utilities/SignatureGuard.h"

namespace pdf {
class Document;
}

namespace cli {

// --force: go ahead although signatures break or the certification forbids the edit.
Option forceOption();

// 0 when `edit` of `document` (read from `path`) keeps every signature valid, or when
// --force was given (what breaks is then said on stderr); otherwise 2, after saying on
// stderr what `action` ("deleting a page") would do and how to go ahead anyway.
int guardSignatures(const Args& args, const pdf::Document& document, const QString& path,
                    SignatureGuard::Edit edit, const QString& action);

} // namespace cli
