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

int runOcr(const QStringList& args);

const cli::Command kCommand{
    "ocr", "Recognise the text of scanned pages",
    "Usage: vellumark-cli ocr FILE [--page N] [--fast] [--lang L]\n"
    "       vellumark-cli ocr FILE --searchable -o OUT [--lang L] [--force] [--jobs N]\n"
    "Recognises the text of FILE's pages and prints it: one \"--- Page N ---\"\n"
    "section for each page with text, or only the text of page N (counted from 1).\n"
    "With --searchable, writes OUT instead: a copy of FILE in which every page without\n"
    "text carries the recognised words as invisible text over the picture, so that other\n"
    "readers can search, select and copy them. The pictures are not changed.\n"
    "  --page N      only page N\n"
    "  --fast        lower resolution: faster, a little less accurate\n"
    "  --lang L      the Tesseract models to read with, e.g. eng or eng+deu (default eng)\n"
    "  --searchable  write a searchable copy to OUT (-o OUT, not FILE itself)\n"
    "  --force       also read pages that have text already (a layer of ours is replaced)\n"
    "  --jobs N      pages read at once (default: one per core)\n"
    "When nothing is recognised, standard output stays empty and the notice goes to\n"
    "standard error.",
    runOcr};

const cli::Registrar registrar(kCommand);

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

int makeSearchable(const pdf::DocumentPtr& document, const QString& path, const QString& output,
                   OCRService::SearchableOptions options) {
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
    std::fprintf(stderr, "%s: text layer added to %d of %d pages", qPrintable(path), added,
                 document->pageCount());
    if (run.pagesWithText > 0)
        std::fprintf(stderr, " (%d already had text)", run.pagesWithText);
    std::fprintf(stderr, "\n");
    return 0;
}

int runOcr(const QStringList& arguments) {
    QStringList args = arguments;
    bool missingValue = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missingValue);
    const auto language = cli::takeOption(args, {"--lang"}, &missingValue);
    const auto jobs = cli::takeOption(args, {"--jobs"}, &missingValue);
    if (missingValue)
        return cli::usageError(kCommand, "an option is missing its value");
    const bool searchable = cli::takeFlag(args, "--searchable");
    const bool force = cli::takeFlag(args, "--force");

    QString path;
    int pageNumber = 0;
    auto level = OCRService::RecognitionLevel::accurate;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--fast") {
            level = OCRService::RecognitionLevel::fast;
        } else if (arg == "--page") {
            bool ok = false;
            pageNumber = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || pageNumber < 1)
                return cli::usageError(kCommand, "--page needs a page number from 1 on");
        } else if (arg.startsWith("--")) {
            return cli::usageError(kCommand, QString("unknown option %1").arg(arg));
        } else if (path.isEmpty()) {
            path = arg;
        } else {
            return cli::usageError(kCommand, "only one FILE may be given");
        }
    }
    if (path.isEmpty())
        return cli::usageError(kCommand, "FILE is missing");
    int jobCount = 0;
    if (jobs) {
        bool ok = false;
        jobCount = jobs->toInt(&ok);
        if (!ok || jobCount < 1)
            return cli::usageError(kCommand, "--jobs needs a number from 1 on");
    }
    if (searchable) {
        if (!output)
            return cli::usageError(kCommand, "--searchable needs -o OUT");
        if (pageNumber > 0 || level == OCRService::RecognitionLevel::fast)
            return cli::usageError(kCommand, "--searchable reads every page at full resolution");
        if (samePath(path, *output))
            return cli::usageError(kCommand,
                                   "OUT must not be FILE: the opened file is never rewritten");
    } else if (output || force || jobs) {
        return cli::usageError(kCommand, "-o, --force and --jobs go with --searchable");
    }

    const auto document = pdf::Document::open(path);
    if (!document)
        return cli::failure(QString("%1 is not a readable PDF").arg(path));
    if (!cli::unlockOrComplain(*document, path))
        return 1;

    const QStringList languages{language.value_or(QStringLiteral("eng"))};
    if (searchable) {
        OCRService::SearchableOptions options;
        options.languages = languages;
        options.force = force;
        options.jobs = jobCount;
        return makeSearchable(document, path, *output, options);
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
