#include "cli/CliOptions.h"

#include "cli/CliCommand.h"
#include "cli/CliSupport.h"

#include <cmath>

namespace cli {

namespace {

QString number(double value) {
    return QString::number(value, 'g', 10);
}

const Option* find(const std::vector<Option>& options, const QString& name) {
    for (const Option& option : options)
        if (option.name == name || (!option.alias.isEmpty() && option.alias == name))
            return &option;
    return nullptr;
}

QStringList choiceValues(const std::vector<Choice>& choices) {
    QStringList values;
    for (const Choice& choice : choices)
        values << choice.value;
    return values;
}

// Empty when `value` suits the option; otherwise why not, naming the option.
QString checkValue(const Option& option, const QString& value) {
    const QString range = rangeText(option);
    switch (option.type) {
    case ValueType::Int: {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (ok && n >= option.low && n <= option.high)
            return {};
        return QStringLiteral("%1 takes a whole number%2, not '%3'")
            .arg(option.name, range.isEmpty() ? QString() : " from " + range, value);
    }
    case ValueType::Number:
        if (numberInRange(value, option.low, option.high))
            return {};
        return QStringLiteral("%1 takes a number%2, not '%3'")
            .arg(option.name, range.isEmpty() ? QString() : " from " + range, value);
    case ValueType::Choice:
        if (choiceValues(option.choices).contains(value))
            return {};
        return QStringLiteral("%1 takes one of %2, not '%3'")
            .arg(option.name, choiceValues(option.choices).join(", "), value);
    case ValueType::Flag:
    case ValueType::Text:
    case ValueType::Path:
        break;
    }
    return {};
}

} // namespace

Option outputOption(const QString& value, const QString& help, bool required) {
    return {.name = "--output",
            .alias = "-o",
            .type = ValueType::Path,
            .value = value,
            .help = help,
            .required = required};
}

QString rangeText(const Option& option) {
    const bool low = std::isfinite(option.low), high = std::isfinite(option.high);
    if (low && high)
        return number(option.low) + " to " + number(option.high);
    if (low)
        return number(option.low) + " on";
    if (high)
        return "up to " + number(option.high);
    return {};
}

std::optional<QString> Args::value(const QString& name) const {
    if (const auto it = given_.find(name); it != given_.end())
        return it->second;
    for (const Option& option : command_->options)
        if (option.name == name && !option.defaultValue.isEmpty())
            return option.defaultValue;
    return std::nullopt;
}

double Args::number(const QString& name) const {
    return text(name).trimmed().toDouble();
}

int Args::integer(const QString& name) const {
    return text(name).toInt();
}

QStringList Args::inputs() const {
    return positionals_ + pathValues_;
}

QStringList Args::values(const QString& name) const {
    const auto it = all_.find(name);
    return it == all_.end() ? QStringList() : it->second;
}

std::vector<Option> allOptions(const Command& command) {
    std::vector<Option> options = command.options;
    if (!command.json.isEmpty())
        options.push_back({.name = "--json",
                           .help = "print one JSON document on standard output instead of text "
                                   "(its members are listed below)"});
    options.push_back({.name = "--help", .alias = "-h", .help = "print this help and exit"});
    return options;
}

std::optional<Args> parse(const Command& command, const QStringList& args, QString* error) {
    const std::vector<Option> options = allOptions(command);
    Args parsed;
    parsed.command_ = &command;
    const auto fail = [error](const QString& message) {
        *error = message;
        return std::nullopt;
    };
    // --help anywhere before "--" wins over whatever else is wrong with the line.
    for (const QString& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            parsed.help_ = true;
            return parsed;
        }
    }
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnd || !arg.startsWith('-') || arg == "-") {
            parsed.positionals_ << arg;
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        // "--name=value" as well as "--name value".
        const qsizetype eq = arg.startsWith("--") ? arg.indexOf('=') : -1;
        const QString name = eq > 0 ? arg.left(eq) : arg;
        const Option* option = find(options, name);
        if (!option)
            return fail(QStringLiteral("unknown option %1").arg(name));
        QString value;
        if (option->type == ValueType::Flag) {
            if (eq > 0)
                return fail(QStringLiteral("%1 takes no value").arg(option->name));
        } else if (eq > 0) {
            value = arg.mid(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return fail(QStringLiteral("%1 needs a value (%2)").arg(name, option->value));
        }
        if (const QString why = checkValue(*option, value); !why.isEmpty())
            return fail(why);
        parsed.given_[option->name] = value;
        parsed.all_[option->name] << value;
        if (option->type == ValueType::Path && option->name != "--output")
            parsed.pathValues_ << value;
    }

    for (const Option& option : options)
        if (option.required && !parsed.has(option.name))
            return fail(
                QStringLiteral("%1 %2 is required")
                    .arg(option.alias.isEmpty() ? option.name : option.alias, option.value));
    const QStringList& given = parsed.positionals_;
    qsizetype at = 0;
    for (const Positional& positional : command.arguments) {
        if (at >= given.size()) {
            if (positional.optional)
                break;
            return fail(QStringLiteral("%1 is missing").arg(positional.name));
        }
        const qsizetype count = positional.repeats ? given.size() - at : 1;
        for (qsizetype k = at; k < at + count; ++k)
            if (positional.type == ValueType::Choice &&
                !choiceValues(positional.choices).contains(given[k]))
                return fail(QStringLiteral("%1 is one of %2, not '%3'")
                                .arg(positional.name, choiceValues(positional.choices).join(", "),
                                     given[k]));
        at += count;
    }
    if (at < given.size())
        return fail(QStringLiteral("unexpected argument '%1'").arg(given[at]));
    return parsed;
}

} // namespace cli
