// --help and the usage lines, written from each command's table.
#include "cli/CliCommand.h"
#include "cli/CliText.h"

namespace cli {

namespace {

constexpr int kWidth = 80;

QString argumentLabel(const Positional& positional) {
    QString label = positional.name + (positional.repeats ? "..." : "");
    return positional.optional ? "[" + label + "]" : label;
}

QString optionLabel(const Option& option) {
    const QString lead =
        option.alias.isEmpty() ? "    " + option.name : option.alias + ", " + option.name;
    return option.value.isEmpty() ? lead : lead + " " + option.value;
}

using Rows = std::vector<std::pair<QString, QString>>;

// Where the help column of `rows` starts: past the longest name, within reason.
qsizetype helpColumn(const Rows& rows, int indent) {
    qsizetype longest = 0;
    for (const auto& [label, help] : rows)
        longest = std::max(longest, label.size());
    return std::min<qsizetype>(longest + indent + 2, 30);
}

// "name  help" rows with the help in one column, wrapped beside the names.
void appendRows(QString& text, const Rows& rows, int indent, qsizetype column) {
    for (const auto& [label, help] : rows) {
        QString row = QString(indent, ' ') + label;
        if (row.size() + 2 > column) {
            text += row + "\n";
            row.clear();
        }
        text += wrap(help, kWidth, int(column), row.leftJustified(column));
    }
}

Rows choiceRows(const std::vector<Choice>& choices) {
    std::vector<std::pair<QString, QString>> rows;
    for (const Choice& choice : choices)
        rows.emplace_back(choice.value, choice.help);
    return rows;
}

} // namespace

QString usageLine(const Command& command) {
    QStringList words{"Usage: vellumark-cli", command.name};
    for (const Positional& positional : command.arguments)
        words << argumentLabel(positional);
    for (const Option& option : allOptions(command)) {
        if (option.name == "--help")
            continue;
        QString word = option.alias.isEmpty() ? option.name : option.alias;
        if (!option.value.isEmpty())
            word += " " + option.value;
        words << (option.required ? word : "[" + word + "]") + (option.repeats ? "..." : "");
    }
    return words.join(' ');
}

QString helpText(const Command& command) {
    QString text = wrap(usageLine(command), kWidth, 8) + "\n";
    for (const QString& paragraph : command.description.split("\n\n"))
        text += wrap(paragraph, kWidth, 0) + "\n";
    if (!command.arguments.empty()) {
        text += "Arguments:\n";
        Rows rows;
        for (const Positional& positional : command.arguments)
            rows.emplace_back(positional.name, positional.help);
        const qsizetype column = helpColumn(rows, 2);
        for (const Positional& positional : command.arguments) {
            appendRows(text, {{positional.name, positional.help}}, 2, column);
            const Rows choices = choiceRows(positional.choices);
            appendRows(text, choices, 4, helpColumn(choices, 4));
        }
    }
    text += "\nOptions:\n";
    Rows rows;
    for (const Option& option : allOptions(command))
        rows.emplace_back(optionLabel(option), optionHelp(option));
    appendRows(text, rows, 2, helpColumn(rows, 2));
    if (!command.json.isEmpty()) {
        text += "\nWith --json, standard output holds one JSON object:\n";
        for (const QString& line : command.json.split('\n'))
            text += "  " + line + "\n";
    }
    return text;
}

QString overview() {
    QString text = "Usage: vellumark-cli COMMAND [ARGS...]\n\nCommands:\n";
    for (const auto& [name, command] : registry())
        text += QStringLiteral("  %1 %2\n").arg(name.leftJustified(12), command.summary);
    return text + "\nvellumark-cli COMMAND --help shows the options of a command.\n";
}

} // namespace cli
