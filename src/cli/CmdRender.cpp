// vellumark-cli render FILE [--page N | --all] [--scale S] -o PATH
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/Page.h"
#include "utilities/PageImageExport.h"

#include <QDir>

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
            return cli::failure(QStringLiteral("page %1 could not be rendered").arg(number));
        return cli::writeFileOrComplain(*output, PageImageExport::encodePng(image)) ? 0 : 1;
    }
    if (!QDir().mkpath(*output))
        return cli::failure(QStringLiteral("cannot create the folder %1").arg(*output));
    const auto result = PageImageExport::writeAll(*doc, *output, scale);
    if (!result.failures.isEmpty())
        return cli::failure(result.failures.first());
    return 0;
}

} // namespace
