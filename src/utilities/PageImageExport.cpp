#include "utilities/PageImageExport.h"

#include "pdf/DisplayList.h"
#include "pdf/Page.h"

#include "base/AtomicFile.h"
#include "base/ParallelFor.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>

#include <mutex>

namespace PageImageExport {

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(1);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888)))
        return {};
    return bytes;
}

Result writeAll(const pdf::Document& document, const QString& folder, double scale,
                const std::function<void(int, int)>& progress, const std::atomic<bool>* cancel) {
    Result result;
    const QDir dir(folder);
    const int count = document.pageCount();
    std::atomic<int> done{0};
    std::mutex mutex;
    base::ParallelOptions options;
    options.cancel = cancel;
    base::parallelFor(
        count,
        [&](int i) {
            const QString path = dir.filePath(QStringLiteral("page_%1.png").arg(i + 1));
            QString failure;
            auto page = document.page(i);
            // The display list is recorded under the document's lock; the rest runs freely.
            auto list = page ? page->displayList() : nullptr;
            const QImage image = list ? list->render(scale) : QImage();
            const QByteArray png = image.isNull() ? QByteArray() : encodePng(image);
            if (png.isEmpty())
                failure = base::couldNotBeWritten(path, QStringLiteral("the page could not be rendered"));
            else
                base::writeFile(path, png, &failure);
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
    result.cancelled = cancel && cancel->load() && done.load() < count;
    return result;
}

} // namespace PageImageExport
