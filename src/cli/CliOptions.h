#pragma once
// The table each vellumark-cli command declares its arguments in, and the parser that reads a
// command line against it. --help, the man page and the shell completions are written from
// the same table (CliHelp.cpp, CliDocs.cpp): what a command takes is what it says it takes.
#include <QString>
#include <QStringList>

#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace cli {

enum class ValueType { Flag, Int, Number, Text, Path, Choice };

struct Choice {
    QString value{};
    QString help{}; // may be empty
};

struct Option {
    QString name{};  // "--page"
    QString alias{}; // "-o", or empty
    ValueType type = ValueType::Flag;
    QString value{}; // the value's name in usage lines ("N"); empty for a flag
    QString help{};
    QString defaultValue{};        // what an absent option stands for; shown in the help
    std::vector<Choice> choices{}; // Choice: the values taken
    // Int and Number: the values taken, both ends included.
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    bool required = false;
    bool repeats = false; // may be given more than once; Args::values() has them all
};

struct Positional {
    QString name{}; // "FILE"
    QString help{};
    ValueType type = ValueType::Path;
    std::vector<Choice> choices{};
    bool optional = false;
    bool repeats = false; // the last of the list: takes every argument left
};

// -o/--output: where a command writes.
Option outputOption(const QString& value, const QString& help, bool required = true);

// "0.01 to 16", "1 on"; empty for an open range.
QString rangeText(const Option& option);

struct Command;

// A command line that the table accepts: every option value has its type and range.
class Args {
public:
    bool has(const QString& name) const { return given_.contains(name); }
    // The value given, else the table's default; nullopt for neither.
    std::optional<QString> value(const QString& name) const;
    QString text(const QString& name) const { return value(name).value_or(QString()); }
    // Every value given for an option, in order (a repeatable option's list).
    QStringList values(const QString& name) const;
    double number(const QString& name) const; // Int and Number options: given or default
    int integer(const QString& name) const;
    const QStringList& positionals() const { return positionals_; }
    bool json() const { return has("--json"); }
    bool help() const { return help_; }
    // What the command may read: the arguments and the path options other than the output.
    QStringList inputs() const;

private:
    friend std::optional<Args> parse(const Command&, const QStringList&, QString*);
    const Command* command_ = nullptr;
    std::map<QString, QString> given_; // by long name; flags map to an empty string
    std::map<QString, QStringList> all_;
    QStringList positionals_{};
    QStringList pathValues_{};
    bool help_ = false;
};

// The options a command takes: its own, then --json when it reports in JSON, then --help.
std::vector<Option> allOptions(const Command& command);

// Reads `args` against the command's table. nullopt, with `error` naming the option or
// argument at fault, when an option is unknown, lacks its value or has a bad one, or when
// arguments are missing or left over. "--" ends the options; "--name=value" is accepted.
std::optional<Args> parse(const Command& command, const QStringList& args, QString* error);

} // namespace cli
