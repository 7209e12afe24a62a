#pragma once
// The conversions as a person asks for them: which images, what the clipboard holds,
// where to write. Each flow asks through the desktop's seams, hands paths and contents to
// FileConversionService and says why nothing came of it; a cancelled dialog does nothing.
#include "utilities/FileConversionService.h"

class FileConversionViewModel {
public:
    using ExportOutcome = FileConversionService::ExportOutcome;

    // Asks for images and converts them; nullptr when cancelled or when none converts (then
    // the person is told).
    static pdf::DocumentPtr importImagesAsPDF();
    // The clipboard's image, or else its non-empty text, as a new document; nullptr (and
    // the person is told) when it holds neither.
    static pdf::DocumentPtr clipboardToPDF();

    // Each asks where to write, starting in the document's own folder and proposing the
    // service's name for `fileName` (or the page), then writes there.
    static ExportOutcome exportPDFAsText(const pdf::Document& document, const QString& fileName);
    static ExportOutcome exportAnnotatedPDF(const pdf::Document& document, const QString& fileName,
                                            bool dropProtection = false);
    // Cancelled without asking when the page is not there.
    static ExportOutcome exportCurrentPageAsImage(const pdf::Document& document, int pageIndex);
    // Asks for the folder of "Export All Pages as PNG"; empty when cancelled.
    static QString chooseExportFolder();
};
