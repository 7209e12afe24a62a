// The man page's COMMANDS section and the table as JSON, written from each command's table.
#include "cli/CliCommand.h"
#include "cli/CliText.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace cli {

namespace {

QString typeName(ValueType type) {
    switch (type) {
    case ValueType::Flag:
        return "flag";
    case ValueType::Int:
        return "int";
    case ValueType::Number:
        return "number";
    case ValueType::Text:
        return "text";
    case ValueType::Path:
        return "path";
    case ValueType::Choice:
        return "choice";
    }
    return {};
}

QString roffItalic(const QString& name) {
    return "\\fI" + roffText(name) + "\\fR";
}

QString roffArgument(const Positional& positional) {
    const QString label = roffItalic(positional.name) + (positional.repeats ? "..." : "");
    return positional.optional ? "[" + label + "]" : label;
}

QString roffOption(const Option& option, bool withAlias) {
    QString text = roffBold(option.name);
    if (!option.alias.isEmpty())
        text = withAlias ? roffBold(option.alias) + ", " + text : roffBold(option.alias);
    if (!option.value.isEmpty())
        text += " " + roffItalic(option.value);
    return text;
}

QString roffChoices(const std::vector<Choice>& choices) {
    bool described = false;
    for (const Choice& choice : choices)
        described = described || !choice.help.isEmpty();
    if (!described)
        return {};
    QString text = ".RS\n";
    for (const Choice& choice : choices)
        text += ".TP\n" + roffBold(choice.value) + "\n" + roffText(choice.help) + "\n";
    return text + ".RE\n";
}

QString commandSection(const Command& command) {
    QString text = ".SS " + command.name + "\n.B vellumark\\-cli\n" + roffBold(command.name);
    for (const Positional& positional : command.arguments)
        text += " " + roffArgument(positional);
    for (const Option& option : allOptions(command)) {
        if (option.name == "--help")
            continue;
        const QString word = roffOption(option, false);
        text += " " + (option.required ? word : "[" + word + "]");
    }
    text += "\n";
    for (const QString& paragraph : command.description.split("\n\n"))
        text += ".PP\n" + roffText(paragraph.simplified()) + "\n";
    for (const Positional& positional : command.arguments)
        text += ".TP\n" + roffItalic(positional.name) + "\n" + roffText(positional.help) + "\n" +
                roffChoices(positional.choices);
    for (const Option& option : allOptions(command))
        if (option.name != "--help")
            text += ".TP\n" + roffOption(option, true) + "\n" + roffText(optionHelp(option)) +
                    "\n" + roffChoices(option.choices);
    if (!command.json.isEmpty()) {
        text += ".PP\nWith\n.BR \\-\\-json ,\nstandard output holds one JSON object:\n"
                ".PP\n.RS 4\n.nf\n";
        for (const QString& line : command.json.split('\n'))
            text += roffText(line) + "\n";
        text += ".fi\n.RE\n";
    }
    return text;
}

QJsonArray choicesJson(const std::vector<Choice>& choices) {
    QJsonArray array;
    for (const Choice& choice : choices)
        array.append(choice.value);
    return array;
}

} // namespace

QString manPage(const QString& manTemplate) {
    QString section = ".SH COMMANDS\n";
    for (const auto& [name, command] : registry())
        section += commandSection(command);
    QString page = manTemplate;
    page.replace(QStringLiteral("@COMMANDS@\n"), section);
    return page;
}

QString tableJson() {
    QJsonArray commands;
    for (const auto& [name, command] : registry()) {
        QJsonArray arguments, options;
        for (const Positional& positional : command.arguments)
            arguments.append(QJsonObject{{"name", positional.name},
                                         {"type", typeName(positional.type)},
                                         {"optional", positional.optional},
                                         {"repeats", positional.repeats},
                                         {"choices", choicesJson(positional.choices)}});
        for (const Option& option : allOptions(command)) {
            QJsonObject entry{{"name", option.name},
                              {"alias", option.alias},
                              {"type", typeName(option.type)},
                              {"value", option.value},
                              {"default", option.defaultValue},
                              {"required", option.required},
                              {"choices", choicesJson(option.choices)}};
            if (std::isfinite(option.low))
                entry["low"] = option.low;
            if (std::isfinite(option.high))
                entry["high"] = option.high;
            options.append(entry);
        }
        commands.append(QJsonObject{{"name", name},
                                    {"summary", command.summary},
                                    {"arguments", arguments},
                                    {"options", options},
                                    {"json", !command.json.isEmpty()}});
    }
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{"commands", commands}}).toJson(QJsonDocument::Indented));
}

} // namespace cli
