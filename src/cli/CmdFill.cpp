// vellumark-cli fill FILE NAME=VALUE... -o OUT
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/FormFieldService.h"

#include <QFileInfo>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "fill",
    "a copy with form fields filled in",
    "Usage: vellumark-cli fill FILE NAME=VALUE... -o OUT\n\n"
    "Sets each named field and writes the filled copy to OUT; FILE is never changed.\n"
    "Text fields take any text, choice fields one of their options, check boxes on or off,\n"
    "radio groups the option to switch on (see `vellumark-cli forms`). The name is the\n"
    "field's full name, and the value is everything after the first '='. Nothing is written\n"
    "when a field is missing or refuses its value.",
    run,
});

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("fill");
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    if (missing || !output || args.size() < 2)
        return cli::usageError(self, "expected FILE, at least one NAME=VALUE and -o OUT");
    const QString input = args.takeFirst();
    std::vector<std::pair<QString, QString>> assignments;
    for (const QString& arg : args) {
        const qsizetype eq = arg.indexOf('=');
        if (eq <= 0)
            return cli::usageError(self, QStringLiteral("'%1' is not NAME=VALUE").arg(arg));
        assignments.emplace_back(arg.left(eq), arg.mid(eq + 1));
    }
    if (!cli::outputAllowed(*output))
        return 1;

    auto doc = cli::openOrComplain(input);
    if (!doc)
        return 1;
    for (const auto& [name, value] : assignments) {
        try {
            FormFieldService::fill(*doc, name, value);
        } catch (const FormFieldService::FillError& e) {
            return cli::failure(QString::fromUtf8(e.what()));
        }
    }
    QString reason;
    if (!doc->write(*output, cli::keepingProtection(), &reason))
        return cli::failure(base::couldNotBeWritten(*output, reason));
    return 0;
}

} // namespace
