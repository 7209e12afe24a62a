#include "utilities/PageImageExport.h"

#include "pdf/DisplayList.h"
#include "pdf/Page.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

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
    std::atomic<int> next{0};
    std::atomic<int> done{0};
    std::mutex mutex;
    auto worker = [&] {
        for (int i = next++; i < count; i = next++) {
            if (cancel && cancel->load())
                return;
            const QString name = QStringLiteral("page_%1.png").arg(i + 1);
            QString failure;
            auto page = document.page(i);
            // The display list is recorded under the document's lock; the rest runs freely.
            auto list = page ? page->displayList() : nullptr;
            const QImage image = list ? list->render(scale) : QImage();
            const QByteArray png = image.isNull() ? QByteArray() : encodePng(image);
            if (png.isEmpty()) {
                failure = QStringLiteral("“%1” could not be written: the page could not be rendered").arg(name);
            } else {
                QSaveFile file(dir.filePath(name));
                if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit())
                    failure = QStringLiteral("“%1” could not be written: %2").arg(name, file.errorString());
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
        }
    };
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    std::vector<std::thread> pool;
    for (int t = 1; t < std::min(threads, count); ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
    result.cancelled = cancel && cancel->load() && done.load() < count;
    return result;
}

} // namespace PageImageExport
