// vellumark-cli ocr: the text-recognition sheet's text on standard output.
#include "cli/CliCommand.h"

#include "pdf/Document.h"
#include "pdf/Page.h"
#include "utilities/OCRService.h"

#include <cstdio>
#include <unistd.h>

namespace {

int runOcr(const QStringList& args);

const cli::Command kCommand{
    "ocr", "Recognise the text of scanned pages",
    "Usage: vellumark-cli ocr FILE [--page N] [--fast]\n"
    "Recognises the English text of FILE's pages and prints it: one \"--- Page N ---\"\n"
    "section for each page with text, or only the text of page N (counted from 1).\n"
    "  --page N  only page N\n"
    "  --fast    lower resolution: faster, a little less accurate\n"
    "When nothing is recognised, standard output stays empty and the notice goes to\n"
    "standard error.",
    runOcr};

const cli::Registrar registrar(kCommand);

int runOcr(const QStringList& args) {
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

    const auto document = pdf::Document::open(path);
    if (!document)
        return cli::failure(QString("%1 is not a readable PDF").arg(path));
    if (document->isLocked())
        return cli::failure(QString("%1 needs a password").arg(path));

    const QStringList languages{"en-US"};
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
            // Progress only for a person watching, never into a pipe or a log.
            OCRService::ProgressHandler progress;
            if (isatty(STDERR_FILENO))
                progress = [](int current, int total) {
                    std::fprintf(stderr, "\rPage %d of %d", current, total);
                    std::fflush(stderr);
                };
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
