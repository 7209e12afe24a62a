// vellumark-cli watermark: a rotated, translucent text on every page or one.
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSignatures.h"
#include "cli/CliSupport.h"
#include "pdf/annotations/WatermarkAnnotation.h"

#include <QFileInfo>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "watermark",
    .summary = "Stamp a rotated, translucent text watermark on every page or one",
    .description = "Draws T in bold grey across the centre of every page (or page N only), "
                   "as an annotation that carries its own appearance. "
                   "A signed FILE's watermark is appended after its signed bytes, so its "
                   "signatures hold; a document certified to allow no annotations is refused "
                   "(exit status 2) unless --force is given.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .options = {cli::outputOption("OUT", "the watermarked copy to write"),
                cli::forceOption(),
                {.name = "--text",
                 .type = cli::ValueType::Text,
                 .value = "T",
                 .help = "the watermark's text",
                 .required = true},
                {.name = "--size",
                 .type = cli::ValueType::Number,
                 .value = "S",
                 .help = "the font size in points",
                 .defaultValue = "48",
                 .low = 1,
                 .high = 1000},
                {.name = "--opacity",
                 .type = cli::ValueType::Number,
                 .value = "O",
                 .help = "0 is invisible, 1 opaque",
                 .defaultValue = "0.15",
                 .low = 0,
                 .high = 1},
                {.name = "--rotation",
                 .type = cli::ValueType::Number,
                 .value = "R",
                 .help = "degrees, counter-clockwise; -45 runs from upper left to lower right",
                 .defaultValue = "-45",
                 .low = -360,
                 .high = 360},
                {.name = "--page",
                 .type = cli::ValueType::Int,
                 .value = "N",
                 .help = "only page N (by default every page)"}},
    .json = "{\n"
            "  \"command\": \"watermark\",\n"
            "  \"files\": [{\"path\": OUT, \"bytes\": N, \"pages\": N}],\n"
            "  \"marked\": [N, ...]      the pages given the watermark\n"
            "}",
    .run = run,
});

int run(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("watermark");
    const QString output = args.text("--output");
    const QString text = args.text("--text");
    if (text.isEmpty())
        return cli::usageError(self, "the watermark text is empty");
    const double size = args.number("--size"), opacity = args.number("--opacity"),
                 rotation = args.number("--rotation");
    if (!cli::outputAllowed(output))
        return 1;
    auto doc = cli::openOrComplain(args.positionals()[0]);
    if (!doc)
        return 1;
    if (const int refused = cli::guardSignatures(args, *doc, args.positionals()[0],
                                                 SignatureGuard::Edit::annotations, "watermarking"))
        return refused;
    int first = 0, last = doc->pageCount() - 1;
    if (args.has("--page")) {
        const int n = args.integer("--page");
        if (n < 1 || n > doc->pageCount())
            return cli::failure(QStringLiteral("there is no page %1 (the document has %2)")
                                    .arg(n)
                                    .arg(doc->pageCount()));
        first = last = n - 1;
    }
    QJsonArray marked;
    for (int i = first; i <= last; ++i) {
        auto page = doc->page(i);
        if (!page || !pdf::WatermarkAnnotation::add(*page, text, size, opacity, rotation))
            return cli::failure(
                QStringLiteral("the watermark could not be added to page %1").arg(i + 1));
        marked.append(i + 1);
    }
    QString error;
    if (!doc->write(output, cli::keepingProtection(), &error))
        return cli::failure(base::couldNotBeWritten(output, error));
    return cli::reportWritten(args, "watermark", {cli::writtenFile(output, doc->pageCount())},
                              {{"marked", marked}});
}

} // namespace
