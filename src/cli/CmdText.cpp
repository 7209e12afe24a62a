// vellumark-cli text FILE [-o OUT]
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/TextExport.h"

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "text",
    "the document's text, page by page",
    "Usage: vellumark-cli text FILE [-o OUT]\n\nWrites the text of every page that has text, each "
    "page after the first\n"
    "written preceded by \"--- Page N ---\", as UTF-8 to OUT or to standard output.",
    run,
});

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("text");
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    if (missing || args.size() != 1)
        return cli::usageError(self, missing ? "-o needs a file name" : "expected one FILE");
    if (output && !cli::outputAllowed(*output))
        return 1;
    auto doc = cli::openOrComplain(args[0]);
    if (!doc)
        return 1;
    // Pages are written as they are read, so memory stays bounded however long the file.
    if (!output) {
        TextExport::streamDocumentText(*doc, [](const QString& piece) {
            cli::out(cli::printable(piece, true));
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
    return 0;
}

} // namespace
