// vellumark-cli text-to-pdf IN.txt -o OUT.pdf [--json]
#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/FileConversionService.h"

#include <QFile>
#include <QFileInfo>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "text-to-pdf",
    .summary = "Set a text file on one US Letter page",
    .description = "Sets the UTF-8 text in 12-point Helvetica inside a 512 x 692 point block "
                   "50 points from the top-left corner of one US Letter page; "
                   "what does not fit is left out.",
    .arguments = {{.name = "IN.txt", .help = "the UTF-8 text file"}},
    .options = {cli::outputOption("OUT.pdf", "the PDF file to write")},
    .json = "{\n"
            "  \"command\": \"text-to-pdf\",\n"
            "  \"files\": [{\"path\": OUT.pdf, \"bytes\": N, \"pages\": 1}]\n"
            "}",
    .run = run,
});

int run(const cli::Args& args) {
    const QString input = args.positionals()[0];
    const QString output = args.text("--output");
    if (!cli::outputAllowed(output))
        return 1;
    QString reason;
    if (reason = base::unreadableReason(input); !reason.isEmpty())
        return cli::failure(QStringLiteral("%1: %2").arg(input, reason));
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
        return cli::failure(QStringLiteral("cannot read %1: %2").arg(input, file.errorString()));
    const QString text = QString::fromUtf8(file.readAll());
    if (text.isEmpty())
        return cli::failure(QStringLiteral("%1 is empty").arg(input));
    auto document = FileConversionService::textToPDF(text, QSizeF(612, 792));
    if (!document)
        return cli::failure("the page could not be composed");
    QString error;
    if (!document->write(output, {}, &error))
        return cli::failure(base::couldNotBeWritten(output, error));
    return cli::reportWritten(args, "text-to-pdf",
                              {cli::writtenFile(output, document->pageCount())});
}

} // namespace
