// vellumark-cli images IMG... -o OUT.pdf [--json]
#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/PixelBudget.h"
#include "utilities/FileConversionService.h"

#include <QFileInfo>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "images",
    .summary = "Turn images into a PDF, one page per image at its natural size",
    .description = "Makes one page per image (PNG, JPEG, TIFF, BMP, GIF), "
                   "each exactly the image's size in points at its stated resolution. "
                   "Files that are not images are skipped and named on stderr.",
    .arguments = {{.name = "IMAGE", .help = "an image file", .repeats = true}},
    .options = {cli::outputOption("OUT.pdf", "the PDF file to write")},
    .json = "{\n"
            "  \"command\": \"images\",\n"
            "  \"files\": [{\"path\": OUT.pdf, \"bytes\": N, \"pages\": N}],\n"
            "  \"skipped\": [{\"path\": PATH, \"reason\": TEXT}]\n"
            "}",
    .run = run,
});

// Which inputs did not make it and why, so a batch does not lose pages silently; each is
// named on stderr too.
QJsonArray explainSkipped(const QStringList& paths) {
    QJsonArray skipped;
    for (const QString& path : paths) {
        QString reason;
        QFile file(path);
        if (reason = base::unreadableReason(path); !reason.isEmpty()) {
            // no such file, permission denied, a folder, a FIFO: said as every command says it
        } else if (!file.open(QIODevice::ReadOnly)) {
            reason = file.errorString();
        } else if (const pdf::ImageInfo info = pdf::probeImage(file.readAll()); info.width == 0) {
            reason = "not an image";
        } else if (!pdf::withinPixelBudget(info.width, info.height)) {
            reason = QStringLiteral("larger than %1 megapixels").arg(pdf::kPixelBudget / (1 << 20));
        } else {
            continue;
        }
        std::fprintf(stderr, "vellumark-cli: skipped %s: %s\n",
                     cli::printable(path).toUtf8().constData(), qPrintable(reason));
        skipped.append(QJsonObject{{"path", path}, {"reason", reason}});
    }
    return skipped;
}

int run(const cli::Args& args) {
    const QString output = args.text("--output");
    const QStringList images = args.positionals();
    if (!cli::outputAllowed(output))
        return 1;
    pdf::DocumentPtr document;
    try {
        document = FileConversionService::imagesToPDF(images);
    } catch (const FileConversionService::ConversionError& e) {
        explainSkipped(images);
        return cli::failure(QString::fromUtf8(e.what()));
    }
    const QJsonArray skipped =
        document->pageCount() < images.size() ? explainSkipped(images) : QJsonArray();
    QString error;
    if (!document->write(output, {}, &error))
        return cli::failure(base::couldNotBeWritten(output, error));
    return cli::reportWritten(args, "images", {cli::writtenFile(output, document->pageCount())},
                              {{"skipped", skipped}});
}

} // namespace
