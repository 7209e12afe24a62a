#pragma once
// Pages as PNG files, rendered and encoded on every core. Used by the export sheet and
// by vellumark-cli render --all.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"

#include "base/CancelToken.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

namespace PageImageExport {

// PNG bytes of an image, without alpha; light compression, since pages are mostly flat.
QByteArray encodePng(const QImage& image);

// The page as exported at `scale` (1 = 72 dpi), annotations included, sized by
// pdf::pixelSize and kept within the pixel budget. Null when it cannot be drawn.
QImage renderPage(const pdf::Page& page, double scale);

// How many pages of `document` may be rendered at once at `scale` with the memory
// available now (at least 1).
int pagesThatFitInMemory(const pdf::Document& document, double scale);

struct Result {
    int written = 0;
    QStringList failures; // one message per page that could not be written
    bool cancelled = false;
};

// Writes page_1.png ... into `folder`, replacing files of those names. Each file is
// written atomically, so a cancelled or failed run leaves only complete files.
// `progress(done, total)` is called from worker threads after each page.
Result writeAll(const pdf::Document& document, const QString& folder, double scale,
                const std::function<void(int done, int total)>& progress = {},
                const base::CancelToken* cancel = nullptr);

} // namespace PageImageExport
