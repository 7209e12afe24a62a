// vellumark-cli ocr: the text-recognition sheet's text on standard output, or a searchable
// copy of a scanned document.
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"

#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "utilities/OCRService.h"

#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

int runOcr(const cli::Args& args);

const cli::Registrar registrar({
    .name = "ocr",
    .summary = "Recognise the text of scanned pages",
    .description = "Recognises the text of FILE's pages and prints it: "
                   "one \"--- Page N ---\" section for each page with text, "
                   "or only the text of page N (counted from 1). "
                   "When nothing is recognised, standard output stays empty "
                   "and the notice goes to standard error.\n\n"
                   "With --searchable, writes OUT instead: "
                   "a copy of FILE in which every page without text carries the recognised words "
                   "as invisible text over the picture, "
                   "so that other readers can search, select and copy them. "
                   "The pictures are not changed; OUT must not be FILE. "
                   "A missing language model is an error that names its Debian package.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .options = {cli::outputOption("OUT", "with --searchable: the searchable copy to write", false),
                {.name = "--page",
                 .type = cli::ValueType::Int,
                 .value = "N",
                 .help = "only page N",
                 .low = 1},
                {.name = "--fast", .help = "lower resolution: faster, a little less accurate"},
                {.name = "--lang",
                 .type = cli::ValueType::Text,
                 .value = "L",
                 .help = "the Tesseract models to read with, e.g. eng or eng+deu",
                 .defaultValue = "eng"},
                {.name = "--searchable", .help = "write a searchable copy to OUT"},
                {.name = "--force",
                 .help = "with --searchable: also read pages that have text already "
                         "(a layer of ours is replaced)"},
                {.name = "--jobs",
                 .type = cli::ValueType::Int,
                 .value = "N",
                 .help = "with --searchable: pages read at once, by default one per core",
                 .low = 1}},
    .json = "{                                   with --searchable only\n"
            "  \"command\": \"ocr\",\n"
            "  \"files\": [{\"path\": OUT, \"bytes\": N, \"pages\": N}],\n"
            "  \"textLayersAdded\": N,            pages given a text layer\n"
            "  \"pagesWithText\": N               pages left as they were: they had text\n"
            "}",
    .run = runOcr,
});

// Progress only for a person watching, never into a pipe or a log.
OCRService::ProgressHandler terminalProgress() {
    if (!isatty(STDERR_FILENO))
        return {};
    return [](int current, int total) {
        std::fprintf(stderr, "\rPage %d of %d", current, total);
        std::fflush(stderr);
    };
}

bool samePath(const QString& a, const QString& b) {
    const QFileInfo first(a), second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

int makeSearchable(const cli::Args& args, const pdf::DocumentPtr& document, const QString& path,
                   const QString& output, OCRService::SearchableOptions options) {
    options.progressHandler = terminalProgress();
    int added = 0;
    OCRService::SearchableRun run;
    try {
        run = OCRService::recognizeForTextLayer(document, options);
        if (options.progressHandler)
            std::fprintf(stderr, "\r\033[K");
        added = OCRService::addTextLayers(run);
    } catch (const OCRService::OCRError& error) {
        return cli::failure(error.message());
    }
    QString error;
    if (!document->write(output, cli::keepingProtection(), &error))
        return cli::failure(error);
    std::fprintf(stderr, "%s: text layer added to %d of %d pages",
                 cli::printable(path).toUtf8().constData(), added, document->pageCount());
    if (run.pagesWithText > 0)
        std::fprintf(stderr, " (%d already had text)", run.pagesWithText);
    std::fprintf(stderr, "\n");
    return cli::reportWritten(args, "ocr", {cli::writtenFile(output, document->pageCount())},
                              {{"textLayersAdded", added}, {"pagesWithText", run.pagesWithText}});
}

int runOcr(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("ocr");
    const QString path = args.positionals()[0];
    const auto output = args.value("--output");
    const bool searchable = args.has("--searchable");
    const int pageNumber = args.has("--page") ? args.integer("--page") : 0;
    const auto level = args.has("--fast") ? OCRService::RecognitionLevel::fast
                                          : OCRService::RecognitionLevel::accurate;
    if (searchable) {
        if (!output)
            return cli::usageError(self, "--searchable needs -o OUT");
        if (pageNumber > 0 || level == OCRService::RecognitionLevel::fast)
            return cli::usageError(self, "--searchable reads every page at full resolution");
        if (samePath(path, *output))
            return cli::usageError(self,
                                   "OUT must not be FILE: the opened file is never rewritten");
    } else if (output || args.has("--force") || args.has("--jobs")) {
        return cli::usageError(self, "-o, --force and --jobs go with --searchable");
    } else if (args.json()) {
        return cli::usageError(self, "--json reports the copy --searchable writes");
    }

    const auto document = cli::openOrComplain(path);
    if (!document)
        return 1;

    const QStringList languages{args.text("--lang")};
    if (searchable) {
        OCRService::SearchableOptions options;
        options.languages = languages;
        options.force = args.has("--force");
        options.jobs = args.has("--jobs") ? args.integer("--jobs") : 0;
        return makeSearchable(args, document, path, *output, options);
    }

    QString text;
    try {
        if (pageNumber > 0) {
            if (pageNumber > document->pageCount())
                return cli::failure(QString("%1 has %2 pages; there is no page %3")
                                        .arg(path)
                                        .arg(document->pageCount())
                                        .arg(pageNumber));
            text = OCRService::recognizeText(document->page(pageNumber - 1), languages, level);
        } else {
            const auto progress = terminalProgress();
            text = OCRService::sectionedText(
                OCRService::recognizeText(document, languages, progress, nullptr, level));
            if (progress)
                std::fprintf(stderr, "\r\033[K");
        }
    } catch (const OCRService::OCRError& error) {
        return cli::failure(error.message());
    }
    if (text.isEmpty()) {
        std::fprintf(stderr, "No text was recognized.\n");
        return 0;
    }
    cli::out(text + '\n');
    return 0;
}

} // namespace
