// vellumark-cli watermark FILE --text T [--size S] [--opacity O] [--rotation R] [--page N] -o OUT
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/annotations/WatermarkAnnotation.h"

#include <QFileInfo>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "watermark",
    "a rotated, translucent text watermark on every page or one",
    "Usage: vellumark-cli watermark FILE --text T [--size S] [--opacity O] [--rotation R]\n"
    "                               [--page N] -o OUT\n\n"
    "Draws T in bold grey across the centre of every page (or page N only), as an annotation\n"
    "that carries its own appearance. Defaults: --size 48 (points), --opacity 0.15,\n"
    "--rotation -45 (degrees, counter-clockwise; -45 runs from upper left to lower right).",
    run,
});

bool number(const std::optional<QString>& arg, double low, double high, double* value) {
    if (!arg)
        return true;
    const auto v = cli::numberInRange(*arg, low, high);
    if (v)
        *value = *v;
    return v.has_value();
}

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("watermark");
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    const auto text = cli::takeOption(args, {"--text"}, &missing);
    const auto sizeArg = cli::takeOption(args, {"--size"}, &missing);
    const auto opacityArg = cli::takeOption(args, {"--opacity"}, &missing);
    const auto rotationArg = cli::takeOption(args, {"--rotation"}, &missing);
    const auto pageArg = cli::takeOption(args, {"--page"}, &missing);
    if (missing || args.size() != 1 || !output || !text)
        return cli::usageError(self, "expected FILE, --text T and -o OUT");
    if (text->isEmpty())
        return cli::usageError(self, "the watermark text is empty");
    double size = 48, opacity = 0.15, rotation = -45;
    if (!number(sizeArg, 1, 1000, &size))
        return cli::usageError(self, "--size takes points between 1 and 1000");
    if (!number(opacityArg, 0, 1, &opacity))
        return cli::usageError(self, "--opacity takes a number between 0 and 1");
    if (!number(rotationArg, -360, 360, &rotation))
        return cli::usageError(self, "--rotation takes degrees between -360 and 360");
    if (!cli::outputAllowed(*output))
        return 1;
    auto doc = cli::openOrComplain(args[0]);
    if (!doc)
        return 1;
    int first = 0, last = doc->pageCount() - 1;
    if (pageArg) {
        bool ok = false;
        const int n = pageArg->toInt(&ok);
        if (!ok)
            return cli::usageError(self, "--page takes a page number");
        if (n < 1 || n > doc->pageCount())
            return cli::failure(QStringLiteral("there is no page %1 (the document has %2)")
                                    .arg(n)
                                    .arg(doc->pageCount()));
        first = last = n - 1;
    }
    for (int i = first; i <= last; ++i) {
        auto page = doc->page(i);
        if (!page || !pdf::WatermarkAnnotation::add(*page, *text, size, opacity, rotation))
            return cli::failure(
                QStringLiteral("the watermark could not be added to page %1").arg(i + 1));
    }
    QString error;
    if (!doc->write(*output, cli::keepingProtection(), &error))
        return cli::failure(base::couldNotBeWritten(*output, error));
    return 0;
}

} // namespace
