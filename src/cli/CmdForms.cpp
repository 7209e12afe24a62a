// vellumark-cli forms FILE [--json]
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/FormFieldService.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "forms",
    .summary = "List the fillable form fields: page, name, type, value",
    .description = "Lists every text, button and choice field, one line each, tab-separated: "
                   "page (1-based), name, type (Text, Button or Choice) and value. "
                   "Check boxes show on or off; "
                   "radio buttons show their state and, in brackets, the option that fills them. "
                   "Tabs, line breaks and backslashes in values are written as \\t, \\n and \\\\. "
                   "Signature fields are not listed.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .json = "{\n"
            "  \"fields\": [{\n"
            "    \"page\": N,\n"
            "    \"name\": TEXT,\n"
            "    \"type\": \"Text\" | \"Button\" | \"Choice\",\n"
            "    \"value\": TEXT          as it is, not escaped\n"
            "  }]\n"
            "}",
    .run = run,
});

QString escaped(QString text) {
    return cli::printable(
        text.replace('\\', "\\\\").replace('\t', "\\t").replace('\r', "\\r").replace('\n', "\\n"));
}

int run(const cli::Args& args) {
    auto doc = cli::openOrComplain(args.positionals()[0]);
    if (!doc)
        return 1;
    QString out;
    QJsonArray fields;
    for (const FormField& field : FormFieldService::detectFormFields(*doc)) {
        const QString value = FormFieldService::displayValue(field);
        fields.append(QJsonObject{{"page", field.pageIndex + 1},
                                  {"name", field.displayName()},
                                  {"type", field.fieldType()},
                                  {"value", value}});
        out += QStringLiteral("%1\t%2\t%3\t%4\n")
                   .arg(field.pageIndex + 1)
                   .arg(escaped(field.displayName()), field.fieldType(), escaped(value));
    }
    if (args.json())
        cli::printJson({{"fields", fields}});
    else
        cli::out(out);
    return 0;
}

} // namespace
