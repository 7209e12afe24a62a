// vellumark-cli text-to-pdf IN.txt -o OUT.pdf
#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/FileConversionService.h"

#include <QFile>
#include <QFileInfo>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "text-to-pdf",
    "a text file set on one US Letter page",
    "Usage: vellumark-cli text-to-pdf IN.txt -o OUT.pdf\n\nSets the UTF-8 text in 12-point "
    "Helvetica inside a 512 x 692 point block\n"
    "50 points from the top-left corner of one US Letter page; what does not fit is left out.",
    run,
});

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("text-to-pdf");
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    if (missing || !output || args.size() != 1)
        return cli::usageError(self, "expected IN.txt and -o OUT.pdf");
    if (!cli::outputAllowed(*output))
        return 1;
    QString reason;
    if (QFileInfo::exists(args[0]) && !base::isRegularFile(args[0], &reason))
        return cli::failure(QStringLiteral("cannot read %1: %2").arg(args[0], reason));
    QFile file(args[0]);
    if (!file.open(QIODevice::ReadOnly))
        return cli::failure(QStringLiteral("cannot read %1: %2").arg(args[0], file.errorString()));
    const QString text = QString::fromUtf8(file.readAll());
    if (text.isEmpty())
        return cli::failure(QStringLiteral("%1 is empty").arg(args[0]));
    auto document = FileConversionService::textToPDF(text, QSizeF(612, 792));
    if (!document)
        return cli::failure("the page could not be composed");
    QString error;
    if (!document->write(*output, {}, &error))
        return cli::failure(base::couldNotBeWritten(*output, error));
    return 0;
}

} // namespace
