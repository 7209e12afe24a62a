// vellumark-cli render FILE [--page N | --all] [--scale S] -o PATH
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/DisplayList.h"
#include "pdf/Page.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "render",
    "pages as PNG images (144 dpi by default)",
    "Usage: vellumark-cli render FILE [--page N | --all] [--scale S] -o PATH\n\n"
    "Renders page N (1-based, default 1) to the PNG file PATH, or with --all every page to\n"
    "PATH/page_N.png. The scale is relative to 72 dpi and defaults to 2 (144 dpi).",
    run,
});

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Pages are mostly flat colour: light compression keeps files small and encoding quick.
    writer.setCompression(1);
    writer.write(image.convertToFormat(QImage::Format_RGB888));
    return bytes;
}

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("render");
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    const auto pageArg = cli::takeOption(args, {"--page"}, &missing);
    const auto scaleArg = cli::takeOption(args, {"--scale"}, &missing);
    const bool all = cli::takeFlag(args, "--all");
    if (missing || args.size() != 1 || !output)
        return cli::usageError(self, "expected FILE and -o PATH");
    if (all && pageArg)
        return cli::usageError(self, "--page and --all exclude each other");
    double scale = 2.0;
    if (scaleArg) {
        bool ok = false;
        scale = scaleArg->toDouble(&ok);
        if (!ok || scale <= 0 || scale > 16)
            return cli::usageError(self, "--scale takes a number between 0 and 16");
    }
    auto doc = cli::openOrComplain(args[0]);
    if (!doc)
        return 1;
    if (!all) {
        int number = 1;
        if (pageArg) {
            bool ok = false;
            number = pageArg->toInt(&ok);
            if (!ok)
                return cli::usageError(self, "--page takes a page number");
        }
        auto page = doc->page(number - 1);
        if (!page)
            return cli::failure(QStringLiteral("there is no page %1 (the document has %2)").arg(number).arg(doc->pageCount()));
        const QImage image = page->render(scale);
        if (image.isNull())
            return cli::failure(QStringLiteral("page %1 could not be rendered").arg(number));
        return cli::writeFileOrComplain(*output, encodePng(image)) ? 0 : 1;
    }
    if (!QDir().mkpath(*output))
        return cli::failure(QStringLiteral("cannot create the folder %1").arg(*output));
    const QDir dir(*output);
    const int count = doc->pageCount();
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorMutex;
    QString error;
    // Display lists are recorded under the document's lock; rasterising and encoding run
    // in parallel on every core.
    auto worker = [&] {
        for (int i = next++; i < count && !failed; i = next++) {
            auto page = doc->page(i);
            auto list = page ? page->displayList() : nullptr;
            const QImage image = list ? list->render(scale) : QImage();
            const QString path = dir.filePath(QStringLiteral("page_%1.png").arg(i + 1));
            QString why;
            if (image.isNull())
                why = QStringLiteral("page %1 could not be rendered").arg(i + 1);
            else {
                QSaveFile file(path);
                const QByteArray png = encodePng(image);
                if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit())
                    why = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
            }
            if (!why.isEmpty()) {
                std::lock_guard lock(errorMutex);
                if (!failed.exchange(true))
                    error = why;
            }
        }
    };
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
    if (failed)
        return cli::failure(error);
    return 0;
}

} // namespace
