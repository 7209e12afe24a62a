// vellumark-cli forms FILE
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/FormFieldService.h"

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "forms",
    "the fillable form fields: page, name, type, value",
    "Usage: vellumark-cli forms FILE\n\n"
    "Lists every text, button and choice field, one line each, tab-separated:\n"
    "page (1-based), name, type (Text, Button or Choice) and value. Check boxes show on or\n"
    "off; radio buttons show their state and, in brackets, the option that fills them.\n"
    "Tabs, line breaks and backslashes in values are written as \\t, \\n and \\\\.\n"
    "Signature fields are not listed.",
    run,
});

QString escaped(QString text) {
    return cli::printable(
        text.replace('\\', "\\\\").replace('\t', "\\t").replace('\r', "\\r").replace('\n', "\\n"));
}

int run(const QStringList& args) {
    const cli::Command& self = cli::registry().at("forms");
    if (args.size() != 1)
        return cli::usageError(self, "expected one FILE");
    auto doc = cli::openOrComplain(args[0]);
    if (!doc)
        return 1;
    QString out;
    for (const FormField& field : FormFieldService::detectFormFields(*doc))
        out += QStringLiteral("%1\t%2\t%3\t%4\n")
                   .arg(field.pageIndex + 1)
                   .arg(escaped(field.displayName()), field.fieldType(),
                        escaped(FormFieldService::displayValue(field)));
    cli::out(out);
    return 0;
}

} // namespace
