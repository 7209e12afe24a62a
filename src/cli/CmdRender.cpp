// vellumark-cli render FILE [--page N | --all] [--scale S] -o PATH
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Page.h"
#include "pdf/document/PixelBudget.h"
#include "utilities/PageImageExport.h"

#include <QDir>

#include <cmath>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "render",
    "pages as PNG images (144 dpi by default)",
    "Usage: vellumark-cli render FILE [--page N | --all] [--scale S] -o PATH\n\n"
    "Renders page N (1-based, default 1) to the PNG file PATH, or with --all every page to\n"
    "PATH/page_N.png. The scale is relative to 72 dpi, from 0.01 to 16, and defaults to 2\n"
    "(144 dpi).",
    run,
});

constexpr double kMinScale = 0.01, kMaxScale = 16;

// The widest and tallest PNG the encoder writes (libpng's own limit).
constexpr int kPngSide = 1000000;

// Why a page gave no image: its size at this scale against what can be drawn.
QString whyNotRendered(const pdf::Page& page, double scale) {
    const QSizeF points = page.displaySize();
    const double fitted = pdf::scaleWithinBudget(points, scale);
    const double width = std::ceil(points.width() * fitted),
                 height = std::ceil(points.height() * fitted);
    if (!pdf::withinPixelBudget(qint64(width), qint64(height)))
        return QStringLiteral("the %1 × %2 pt page would make an image of %3 × %4 pixels, "
                              "beyond the limit of %5 megapixels")
            .arg(QString::number(points.width(), 'g', 10))
            .arg(QString::number(points.height(), 'g', 10))
            .arg(qint64(width))
            .arg(qint64(height))
            .arg(pdf::kPixelBudget >> 20);
    return QStringLiteral("its content could not be drawn");
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
        const auto value = cli::numberInRange(*scaleArg, kMinScale, kMaxScale);
        if (!value)
            return cli::usageError(self, "--scale takes a number between 0.01 and 16");
        scale = *value;
    }
    if (!all && !cli::outputAllowed(*output))
        return 1;
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
            return cli::failure(QStringLiteral("there is no page %1 (the document has %2)")
                                    .arg(number)
                                    .arg(doc->pageCount()));
        const QImage image = page->render(scale);
        if (image.isNull())
            return cli::failure(QStringLiteral("page %1 could not be rendered: %2")
                                    .arg(number)
                                    .arg(whyNotRendered(*page, scale)));
        if (image.width() > kPngSide || image.height() > kPngSide)
            return cli::failure(QStringLiteral("page %1 could not be rendered: the %2 × %3 pixel "
                                               "image is larger than a PNG file holds (%4 "
                                               "pixels a side); choose a smaller --scale")
                                    .arg(number)
                                    .arg(image.width())
                                    .arg(image.height())
                                    .arg(kPngSide));
        const QByteArray png = PageImageExport::encodePng(image);
        if (png.isEmpty())
            return cli::failure(QStringLiteral("page %1 could not be encoded as PNG").arg(number));
        return cli::writeFileOrComplain(*output, png) ? 0 : 1;
    }
    if (doc->pageCount() == 0)
        return cli::failure(
            QStringLiteral("%1: the document has no page that can be read").arg(args[0]));
    if (!QDir().mkpath(*output))
        return cli::failure(QStringLiteral("cannot create the folder %1").arg(*output));
    const auto result = PageImageExport::writeAll(*doc, *output, scale);
    if (!result.failures.isEmpty())
        return cli::failure(result.failures.first());
    return 0;
}

} // namespace
