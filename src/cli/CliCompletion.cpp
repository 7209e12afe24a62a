// The bash, zsh and fish completions of vellumark-cli, written from each command's table.
#include "cli/CliCommand.h"
#include "cli/CliText.h"

namespace cli {

namespace {

QString header(const char* shell, const char* kind) {
    return QStringLiteral("# %1 completion for vellumark-cli,\n"
                          "# generated from the commands' option tables by "
                          "`vellumark-cli --generate %2`:\n"
                          "# edit the tables, not this file.\n")
        .arg(QLatin1String(shell), QLatin1String(kind));
}

QStringList values(const std::vector<Choice>& choices) {
    QStringList list;
    for (const Choice& choice : choices)
        list << choice.value;
    return list;
}

// A word inside single quotes in any of the three shells ('\'' closes, escapes, reopens).
QString quoted(QString text) {
    return "'" + text.replace('\'', QStringLiteral("'\\''")) + "'";
}

QString commandNames() {
    QStringList names;
    for (const auto& [name, command] : registry())
        names << name;
    return names.join(' ');
}

// --- bash -------------------------------------------------------------------------------

QString bashCommand(const Command& command) {
    QString text = "    " + command.name + ")\n        case $prev in\n";
    QStringList words;
    for (const Option& option : allOptions(command)) {
        const QString pattern =
            option.alias.isEmpty() ? option.name : option.alias + " | " + option.name;
        words << option.name;
        if (!option.alias.isEmpty())
            words << option.alias;
        if (option.type == ValueType::Flag)
            continue;
        // Numbers and free text have nothing to offer: no completion at all.
        text += "        " + pattern + ")";
        if (option.type == ValueType::Path)
            text += " COMPREPLY=($(compgen -f -- \"$cur\"));";
        else if (option.type == ValueType::Choice)
            text += " COMPREPLY=($(compgen -W " + quoted(values(option.choices).join(' ')) +
                    " -- \"$cur\"));";
        text += " return ;;\n";
    }
    text += "        esac\n        options=" + quoted(words.join(' ')) + "\n";
    if (!command.arguments.empty() && command.arguments.front().type == ValueType::Choice)
        text +=
            "        first=" + quoted(values(command.arguments.front().choices).join(' ')) + "\n";
    return text + "        ;;\n";
}

// --- zsh --------------------------------------------------------------------------------

// Text inside an _arguments explanation: brackets and colons escaped, one line.
QString zshExplanation(const QString& help) {
    QString text = firstSentence(help);
    for (const char special : {'\\', '[', ']', ':'})
        text.replace(QLatin1Char(special), QStringLiteral("\\") + QLatin1Char(special));
    return text;
}

QString zshAction(ValueType type, const std::vector<Choice>& choices) {
    if (type == ValueType::Path)
        return "_files";
    if (type == ValueType::Choice)
        return "(" + values(choices).join(' ') + ")";
    return " ";
}

QString zshCommand(const Command& command) {
    QString text = "  (" + command.name + ")\n    _arguments -s -S \\\n";
    for (const Option& option : allOptions(command)) {
        QString spec = quoted("[" + zshExplanation(option.help) + "]");
        if (option.type != ValueType::Flag)
            spec += quoted(":" + option.value + ":" + zshAction(option.type, option.choices));
        if (option.alias.isEmpty())
            text += "      " + quoted((option.repeats ? "*" : "") + option.name) + spec + " \\\n";
        else
            text += "      " + quoted("(" + option.alias + " " + option.name + ")") + "{" +
                    option.alias + "," + option.name + "}" + spec + " \\\n";
    }
    int position = 0;
    for (const Positional& positional : command.arguments) {
        const QString action = zshAction(positional.type, positional.choices);
        if (positional.repeats)
            text += "      " + quoted("*:" + positional.name + ":" + action) + " \\\n";
        else
            text += "      " +
                    quoted(QString::number(++position) + (positional.optional ? "::" : ":") +
                           positional.name + ":" + action) +
                    " \\\n";
    }
    text.chop(3); // the last line continues nowhere
    return text + "\n    ;;\n";
}

// --- fish -------------------------------------------------------------------------------

QString fishQuoted(QString text) {
    text.replace('\\', QStringLiteral("\\\\")).replace('\'', QStringLiteral("\\'"));
    return "'" + text + "'";
}

QString fishCommand(const Command& command) {
    const QString lead =
        "complete -c vellumark-cli -n " + fishQuoted("__fish_seen_subcommand_from " + command.name);
    QString text;
    for (const Option& option : allOptions(command)) {
        text += lead;
        if (!option.alias.isEmpty())
            text += " -s " + option.alias.mid(1);
        text += " -l " + option.name.mid(2);
        if (option.type == ValueType::Path)
            text += " -r -F";
        else if (option.type == ValueType::Choice)
            text += " -x -a " + fishQuoted(values(option.choices).join(' '));
        else if (option.type != ValueType::Flag)
            text += " -x";
        text += " -d " + fishQuoted(firstSentence(option.help)) + "\n";
    }
    bool files = false;
    for (const Positional& positional : command.arguments)
        files = files || positional.type == ValueType::Path;
    if (files)
        text += lead + " -F\n";
    if (!command.arguments.empty() && command.arguments.front().type == ValueType::Choice) {
        const Positional& first = command.arguments.front();
        const QString notYet =
            fishQuoted("__fish_seen_subcommand_from " + command.name +
                       "; and not __fish_seen_subcommand_from " + values(first.choices).join(' '));
        for (const Choice& choice : first.choices)
            text += "complete -c vellumark-cli -n " + notYet + " -a " + choice.value + " -d " +
                    fishQuoted(firstSentence(choice.help)) + "\n";
    }
    return text;
}

} // namespace

QString bashCompletion() {
    QString text = header("bash", "bash");
    text += "_vellumark_cli() {\n"
            "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
            "    if ((COMP_CWORD == 1)); then\n"
            "        COMPREPLY=($(compgen -W " +
            quoted(commandNames() + " --help") +
            " -- \"$cur\"))\n"
            "        return\n"
            "    fi\n"
            "    local options='' first=''\n"
            "    case ${COMP_WORDS[1]} in\n";
    for (const auto& [name, command] : registry())
        text += bashCommand(command);
    text += "    *) return ;;\n"
            "    esac\n"
            "    if [[ $cur == -* ]]; then\n"
            "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
            "    elif [[ -n $first ]] && ((COMP_CWORD == 2)); then\n"
            "        COMPREPLY=($(compgen -W \"$first\" -- \"$cur\"))\n"
            "    else\n"
            "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
            "    fi\n"
            "}\n"
            "complete -o filenames -F _vellumark_cli vellumark-cli\n";
    return text;
}

QString zshCompletion() {
    QString text = "#compdef vellumark-cli\n" + header("zsh", "zsh");
    text += "local -a subcommands\nsubcommands=(\n";
    for (const auto& [name, command] : registry())
        text += "  " + quoted(name + ":" + firstSentence(command.summary)) + "\n";
    text += ")\n"
            "if ((CURRENT == 2)); then\n"
            "  _describe -t commands 'vellumark-cli command' subcommands\n"
            "  return\n"
            "fi\n"
            "local command=${words[2]}\n"
            "shift words\n"
            "((CURRENT--))\n"
            "case $command in\n";
    for (const auto& [name, command] : registry())
        text += zshCommand(command);
    return text + "esac\n";
}

QString fishCompletion() {
    QString text = header("fish", "fish");
    text += "complete -c vellumark-cli -f\n";
    for (const auto& [name, command] : registry())
        text += "complete -c vellumark-cli -n __fish_use_subcommand -a " + name + " -d " +
                fishQuoted(firstSentence(command.summary)) + "\n";
    for (const auto& [name, command] : registry())
        text += fishCommand(command);
    return text;
}

} // namespace cli
