#include "utilities/PageImageExport.h"

#include "pdf/document/DisplayList.h"
#include "pdf/document/Page.h"
#include "pdf/document/PixelBudget.h"
#include "utilities/PngEncoder.h"

#include "base/AtomicFile.h"
#include "base/ParallelFor.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <atomic>
#include <mutex>

namespace PageImageExport {

QByteArray encodePng(const QImage& image) {
    return PngEncoder::encode(image);
}

QImage renderPage(const pdf::Page& page, double scale) {
    // The display list is recorded under the document's lock; the drawing runs freely.
    auto list = page.displayList();
    return list ? list->render(pdf::scaleWithinBudget(list->size(), scale)) : QImage();
}

namespace {

qint64 availableMemory() {
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly))
        for (const QByteArray& line : meminfo.readAll().split('\n'))
            if (line.startsWith("MemAvailable:"))
                return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    return qint64(1) << 30; // unknown: assume a gigabyte
}

} // namespace

int pagesThatFitInMemory(const pdf::Document& document, double scale) {
    // Each page in flight holds its image, the RGB copy the encoder takes and the PNG:
    // about ten bytes a pixel. Half of what is available is given to the export.
    qint64 largest = 1;
    for (const QSizeF& size : document.pageSizes()) {
        const double s = pdf::scaleWithinBudget(size, scale);
        largest = std::max(largest, qint64(size.width() * s + 1) * qint64(size.height() * s + 1));
    }
    return int(std::clamp<qint64>(availableMemory() / 2 / (largest * 10), 1, 64));
}

Result writeAll(const pdf::Document& document, const QString& folder, double scale,
                const std::function<void(int, int)>& progress, const base::CancelToken* cancel) {
    Result result;
    const QDir dir(folder);
    const int count = document.pageCount();
    std::atomic<int> done{0};
    std::mutex mutex;
    base::WriteBatch batch; // one flush to disk for all the images, at the end
    base::ParallelOptions options;
    options.cancel = cancel;
    // No more pages at once than memory holds.
    options.maxThreads = pagesThatFitInMemory(document, scale);
    base::parallelFor(
        count,
        [&](int i) {
            const QString path = dir.filePath(QStringLiteral("page_%1.png").arg(i + 1));
            QString failure;
            auto page = document.page(i);
            const QImage image = page ? renderPage(*page, scale) : QImage();
            const QByteArray png = image.isNull() ? QByteArray() : encodePng(image);
            if (png.isEmpty()) {
                failure =
                    base::couldNotBeWritten(path, QStringLiteral("the page could not be rendered"));
            } else {
                // The names are fixed and the folder may be shared: a link planted under one
                // of them is replaced, never followed.
                base::AtomicFile file(path, base::Links::Replace, &batch);
                if (!(file.open() && file.write(png) && file.commit()))
                    failure = base::couldNotBeWritten(path, file.reason());
            }
            {
                std::lock_guard lock(mutex);
                if (failure.isEmpty())
                    ++result.written;
                else
                    result.failures << failure;
            }
            const int finished = ++done;
            if (progress)
                progress(finished, count);
        },
        options);
    result.cancelled = cancel && cancel->isCancelled() && done.load() < count;
    QString failure;
    if (!batch.commit(&failure)) {
        result.written -= int(batch.targets().size());
        result.failures << failure;
    }
    return result;
}

} // namespace PageImageExport
