// vellumark-cli render FILE [--page N | --all] [--scale S] -o PATH [--json]
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Page.h"
#include "pdf/document/PixelBudget.h"
#include "utilities/PageImageExport.h"

#include <QDir>
#include <QImageReader>
#include <QJsonArray>

#include <cmath>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "render",
    .summary = "Render pages as PNG images (144 dpi by default)",
    .description = "Renders page N (1-based, default 1) to the PNG file PATH, "
                   "or with --all every page to PATH/page_N.png. "
                   "The scale is relative to 72 dpi: the default 2 is 144 dpi.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .options = {cli::outputOption("PATH", "the PNG file, or with --all the folder, to write"),
                {.name = "--page",
                 .type = cli::ValueType::Int,
                 .value = "N",
                 .help = "the page to render",
                 .defaultValue = "1"},
                {.name = "--all", .help = "every page, as PATH/page_N.png"},
                {.name = "--scale",
                 .type = cli::ValueType::Number,
                 .value = "S",
                 .help = "the size relative to 72 dpi",
                 .defaultValue = "2",
                 .low = 0.01,
                 .high = 16}},
    .json = "{\n"
            "  \"command\": \"render\",\n"
            "  \"files\": [{                 one per page written\n"
            "    \"path\": PNG, \"bytes\": N,\n"
            "    \"page\": N, \"width\": PX, \"height\": PX\n"
            "  }]\n"
            "}",
    .run = run,
});

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

QJsonObject writtenImage(const QString& path, int page, QSize size) {
    QJsonObject file = cli::writtenFile(path);
    file["page"] = page;
    file["width"] = size.width();
    file["height"] = size.height();
    return file;
}

int run(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("render");
    const QString output = args.text("--output");
    const bool all = args.has("--all");
    if (all && args.has("--page"))
        return cli::usageError(self, "--page and --all exclude each other");
    const double scale = args.number("--scale");
    if (!all && !cli::outputAllowed(output))
        return 1;
    const QString input = args.positionals()[0];
    auto doc = cli::openOrComplain(input);
    if (!doc)
        return 1;
    if (!all) {
        const int number = args.integer("--page");
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
            return cli::failure(QStringLiteral("page %1 could not be rendered: "
                                               "the %2 × %3 pixel image is larger "
                                               "than a PNG file holds (%4 pixels a side); "
                                               "choose a smaller --scale")
                                    .arg(number)
                                    .arg(image.width())
                                    .arg(image.height())
                                    .arg(kPngSide));
        const QByteArray png = PageImageExport::encodePng(image);
        if (png.isEmpty())
            return cli::failure(QStringLiteral("page %1 could not be encoded as PNG").arg(number));
        if (!cli::writeFileOrComplain(output, png))
            return 1;
        return cli::reportWritten(args, "render", {writtenImage(output, number, image.size())});
    }
    if (doc->pageCount() == 0)
        return cli::failure(
            QStringLiteral("%1: the document has no page that can be read").arg(input));
    if (!QDir().mkpath(output))
        return cli::failure(QStringLiteral("cannot create the folder %1").arg(output));
    const auto result = PageImageExport::writeAll(*doc, output, scale);
    if (!result.failures.isEmpty())
        return cli::failure(result.failures.first());
    QJsonArray files;
    if (args.json())
        for (int i = 0; i < doc->pageCount(); ++i) {
            const QString path = QDir(output).filePath(QStringLiteral("page_%1.png").arg(i + 1));
            files.append(writtenImage(path, i + 1, QImageReader(path).size()));
        }
    return cli::reportWritten(args, "render", files);
}

} // namespace
