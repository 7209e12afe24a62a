// vellumark-cli fill FILE NAME=VALUE... -o OUT [--json]
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSignatures.h"
#include "cli/CliSupport.h"
#include "utilities/FormFieldService.h"

#include <QFileInfo>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "fill",
    .summary = "Write a copy with form fields filled in",
    .description =
        "Sets each named field and writes the filled copy to OUT; FILE is never changed. "
        "Text fields take any text, choice fields one of their options, check boxes on or off, "
        "radio groups the option to switch on (see `vellumark-cli forms`). "
        "The name is the field's full name, and the value is everything after the first '='. "
        "Nothing is written when a field is missing or refuses its value. "
        "A signed FILE's new values are appended after its signed bytes, so its signatures "
        "hold; a document certified to allow no changes is refused (exit status 2) "
        "unless --force is given.",
    .arguments = {{.name = "FILE", .help = "the PDF file with the form"},
                  {.name = "NAME=VALUE",
                   .help = "a field and the value to give it",
                   .type = cli::ValueType::Text,
                   .repeats = true}},
    .options = {cli::outputOption("OUT", "the filled copy to write"), cli::forceOption()},
    .json = "{\n"
            "  \"command\": \"fill\",\n"
            "  \"files\": [{\"path\": OUT, \"bytes\": N, \"pages\": N}],\n"
            "  \"filled\": [NAME, ...]              the fields set, in the order given\n"
            "}",
    .run = run,
});

int run(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("fill");
    const QString output = args.text("--output");
    const QString input = args.positionals()[0];
    std::vector<std::pair<QString, QString>> assignments;
    QJsonArray filled;
    for (const QString& arg : args.positionals().mid(1)) {
        const qsizetype eq = arg.indexOf('=');
        if (eq <= 0)
            return cli::usageError(self, QStringLiteral("'%1' is not NAME=VALUE").arg(arg));
        assignments.emplace_back(arg.left(eq), arg.mid(eq + 1));
        filled.append(arg.left(eq));
    }
    if (!cli::outputAllowed(output))
        return 1;

    auto doc = cli::openOrComplain(input);
    if (!doc)
        return 1;
    if (const int refused =
            cli::guardSignatures(args, *doc, input, SignatureGuard::Edit::formValues, "filling"))
        return refused;
    for (const auto& [name, value] : assignments) {
        try {
            FormFieldService::fill(*doc, name, value);
        } catch (const FormFieldService::FillError& e) {
            return cli::failure(QString::fromUtf8(e.what()));
        }
    }
    QString reason;
    if (!doc->write(output, cli::keepingProtection(), &reason))
        return cli::failure(base::couldNotBeWritten(output, reason));
    return cli::reportWritten(args, "fill", {cli::writtenFile(output, doc->pageCount())},
                              {{"filled", filled}});
}

} // namespace
