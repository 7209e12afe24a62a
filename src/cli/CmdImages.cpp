// vellumark-cli images IMG... -o OUT.pdf
#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/PixelBudget.h"
#include "utilities/FileConversionService.h"

#include <QFileInfo>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "images",
    "images into a PDF, one page per image at its natural size",
    "Usage: vellumark-cli images IMAGE... -o OUT.pdf\n\nMakes one page per image (PNG, JPEG, TIFF, "
    "BMP, GIF), each exactly the\n"
    "image's size in points at its stated resolution. Files that are not images are\n"
    "skipped and named on stderr.",
    run,
});

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("images");
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    if (missing || !output || args.isEmpty())
        return cli::usageError(self, "expected IMAGE... and -o OUT.pdf");
    if (!cli::outputAllowed(*output))
        return 1;
    // Says which inputs did not make it and why, so a batch does not lose pages silently.
    auto explainSkipped = [&args] {
        for (const QString& path : args) {
            QString reason;
            QFile file(path);
            if (!base::isRegularFile(path, &reason) || !file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "vellumark-cli: skipped %s: %s\n", qPrintable(path),
                             qPrintable(reason.isEmpty() ? file.errorString() : reason));
                continue;
            }
            const pdf::ImageInfo info = pdf::probeImage(file.readAll());
            if (info.width == 0)
                std::fprintf(stderr, "vellumark-cli: skipped %s: not an image\n", qPrintable(path));
            else if (!pdf::withinPixelBudget(info.width, info.height))
                std::fprintf(stderr, "vellumark-cli: skipped %s: larger than %lld megapixels\n",
                             qPrintable(path), pdf::kPixelBudget / (1 << 20));
        }
    };
    pdf::DocumentPtr document;
    try {
        document = FileConversionService::imagesToPDF(args);
    } catch (const FileConversionService::ConversionError& e) {
        explainSkipped();
        return cli::failure(QString::fromUtf8(e.what()));
    }
    if (document->pageCount() < args.size())
        explainSkipped();
    QString error;
    if (!document->write(*output, {}, &error))
        return cli::failure(base::couldNotBeWritten(*output, error));
    return 0;
}

} // namespace
