// vellumark-cli text FILE [-o OUT] [--json]
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/TextExport.h"

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "text",
    .summary = "Print the document's text, page by page",
    .description = "Writes the text of every page that has text, "
                   "each page after the first preceded by \"--- Page N ---\", "
                   "as UTF-8 to OUT or to standard output. What form fields and free-text "
                   "annotations show is part of the text, at its place on the page.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .options = {cli::outputOption("OUT", "the text file to write, instead of standard output",
                                  false),
                cli::noAnnotationsOption()},
    .json = "{\n"
            "  \"command\": \"text\",\n"
            "  \"files\": [{\"path\": OUT, \"bytes\": N}]   only with -o\n"
            "}",
    .run = run,
});

int run(const cli::Args& args) {
    const auto output = args.value("--output");
    if (args.json() && !output)
        return cli::usageError(cli::registry().at("text"), "--json reports the file -o writes");
    if (output && !cli::outputAllowed(*output))
        return 1;
    auto doc = cli::openOrComplain(args.positionals()[0]);
    if (!doc)
        return 1;
    cli::applyAnnotationChoice(args, *doc);
    // Pages are written as they are read, so memory stays bounded however long the file.
    if (!output) {
        TextExport::streamDocumentText(*doc, [](const QString& piece) {
            cli::out(piece); // escaped on the way out
            return true;
        });
        return 0;
    }
    base::AtomicFile file(*output);
    if (!file.open())
        return cli::failure(base::couldNotBeWritten(*output, file.reason()));
    const bool written = TextExport::streamDocumentText(
        *doc, [&file](const QString& piece) { return file.write(piece.toUtf8()); });
    if (!written || !file.commit())
        return cli::failure(base::couldNotBeWritten(*output, file.reason()));
    return cli::reportWritten(args, "text", {cli::writtenFile(*output)});
}

} // namespace
