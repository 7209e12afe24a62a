// vellumark-cli optimize FILE -o OUT [--level L] [--dpi N] [--jpeg-quality Q] [--json]
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSignatures.h"
#include "cli/CliSupport.h"
#include "pdf/engine/Error.h"
#include "pdf/writing/Optimize.h"

#include <QFileInfo>
#include <QLocale>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "optimize",
    .summary = "Write a smaller copy: lossless, or with images resampled and re-encoded",
    .description =
        "Writes a copy of FILE to OUT that takes less space. Every level packs the objects "
        "into object streams, stores identical streams, images and fonts once, drops what "
        "nothing uses and deflates every stream at the strongest level; text, links, outline, "
        "forms, annotations and page labels stay as they are.\n\n"
        "balanced and small also resample images drawn finer than their resolution (150 and "
        "100 dpi, by the image's size on the page), store colour images that are grey as grey "
        "and photographs as JPEG; line art, screenshots and bilevel scans stay lossless. No "
        "image is stored larger than it was.\n\n"
        "The copy is never larger than FILE: when nothing helps, nothing is written and the "
        "command says so. A protected FILE keeps its passwords and permissions. Ctrl+C stops "
        "the work without writing anything. The copy is written whole, so the signatures "
        "of a signed FILE no longer hold in it: without --force that is refused (exit "
        "status 2), naming whose signatures would break.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .options = {cli::outputOption("OUT", "the smaller copy to write"),
                {.name = "--level",
                 .type = cli::ValueType::Choice,
                 .value = "L",
                 .help = "how far to go",
                 .defaultValue = "balanced",
                 .choices = {{"lossless", "nothing that shows changes"},
                             {"balanced", "images at 150 dpi, photographs as JPEG"},
                             {"small", "images at 100 dpi, photographs as JPEG"}}},
                {.name = "--dpi",
                 .type = cli::ValueType::Int,
                 .value = "N",
                 .help = "the images' resolution instead of the level's",
                 .low = 36,
                 .high = 1200},
                {.name = "--jpeg-quality",
                 .type = cli::ValueType::Int,
                 .value = "Q",
                 .help = "JPEG quality instead of the level's (75 balanced, 60 small)",
                 .low = 1,
                 .high = 100},
                cli::forceOption()},
    .json = "{\n"
            "  \"command\": \"optimize\",\n"
            "  \"files\": [{\"path\": OUT, \"bytes\": N, \"pages\": N}],   empty when nothing "
            "was written\n"
            "  \"level\": L,\n"
            "  \"written\": BOOL,        false: the copy would not have been smaller\n"
            "  \"inputBytes\": N,\n"
            "  \"outputBytes\": N,       the copy's size, written or not\n"
            "  \"images\": {\"reencoded\": N, \"resampled\": N, \"madeGrey\": N, \"damaged\": N, "
            "\"unsupported\": N},\n"
            "  \"streamsRecompressed\": N,\n"
            "  \"damagedStreams\": N,\n"
            "  \"objectsMerged\": N,\n"
            "  \"resourcesDropped\": N,   images and fonts listed by pages that never drew them\n"
            "  \"objectStreams\": BOOL\n"
            "}",
    .run = run,
});

// Ctrl+C asks the work to stop; a second one ends the program as usual.
base::CancelToken* interrupted = nullptr;

extern "C" void onInterrupt(int) {
    // No stop callback is registered on this token: asking it to stop is one atomic
    // operation, safe in a signal handler.
    if (interrupted)
        interrupted->cancel();
    std::signal(SIGINT, SIG_DFL);
}

QString size(qint64 bytes) {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

std::optional<pdf::OptimizeLevel> levelOf(const QString& name) {
    for (auto level :
         {pdf::OptimizeLevel::Lossless, pdf::OptimizeLevel::Balanced, pdf::OptimizeLevel::Small})
        if (pdf::levelName(level) == name)
            return level;
    return std::nullopt;
}

int run(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("optimize");
    const QString input = args.positionals()[0];
    const QString output = args.text("--output");
    const auto level = levelOf(args.text("--level"));
    if (!level)
        return cli::usageError(self, "--level takes lossless, balanced or small");
    pdf::OptimizeSettings settings;
    settings.level = *level;
    if (args.has("--dpi"))
        settings.dpi = args.integer("--dpi");
    if (args.has("--jpeg-quality"))
        settings.jpegQuality = args.integer("--jpeg-quality");
    if (!cli::outputAllowed(output))
        return 1;
    auto doc = cli::openOrComplain(input);
    if (!doc)
        return 1;
    if (doc->pageCount() == 0)
        return cli::failure(input + ": the document has no pages: there is nothing to make "
                                    "smaller");
    if (const int refused = cli::guardSignatures(args, *doc, input, SignatureGuard::Edit::rewrite,
                                                 "making it smaller"))
        return refused;

    base::CancelToken cancel;
    interrupted = &cancel;
    std::signal(SIGINT, onInterrupt);
    const bool terminal = ::isatty(STDERR_FILENO) && !args.json();
    const auto progress = [terminal](int done, int total) {
        if (terminal && total > 0)
            std::fprintf(stderr, "\rMaking it smaller: %d%%", 100 * done / total);
    };
    pdf::OptimizeReport report;
    QString error;
    try {
        report = pdf::writeOptimizedCopy(*doc, output, settings, progress, &cancel);
    } catch (const pdf::Error& e) {
        error = QString::fromUtf8(e.what());
    }
    std::signal(SIGINT, SIG_DFL);
    interrupted = nullptr;
    if (terminal)
        std::fprintf(stderr, "\r\033[K");
    if (!error.isEmpty())
        return cli::failure(base::couldNotBeWritten(output, error));
    if (report.cancelled)
        return cli::failure(QStringLiteral("cancelled: nothing was written"));

    const QJsonObject images{{"reencoded", report.imagesReencoded},
                             {"resampled", report.imagesResampled},
                             {"madeGrey", report.imagesMadeGrey},
                             {"damaged", report.damagedImages},
                             {"unsupported", report.unsupportedImages}};
    const QJsonObject extra{{"level", pdf::levelName(settings.level)},
                            {"written", report.written},
                            {"inputBytes", report.inputBytes},
                            {"outputBytes", report.outputBytes},
                            {"images", images},
                            {"streamsRecompressed", report.streamsRecompressed},
                            {"damagedStreams", report.damagedStreams},
                            {"objectsMerged", report.objectsMerged},
                            {"resourcesDropped", report.resourcesDropped},
                            {"objectStreams", report.objectStreams}};
    if (!args.json()) {
        if (!report.written) {
            cli::out(QStringLiteral("%1 is already as small as this level makes it: nothing "
                                    "was written\n")
                         .arg(input));
        } else {
            const double share = 100.0 * double(report.outputBytes) / double(report.inputBytes);
            cli::out(QStringLiteral("%1: %2 → %3 (%4 %)\n")
                         .arg(output, size(report.inputBytes), size(report.outputBytes))
                         .arg(share, 0, 'f', 1));
        }
        if (report.damagedImages > 0)
            std::fprintf(stderr, "%d damaged image(s) kept as they were\n", report.damagedImages);
    }
    QJsonArray files;
    if (report.written)
        files.append(cli::writtenFile(output, report.pages));
    return cli::reportWritten(args, "optimize", files, extra);
}

} // namespace
