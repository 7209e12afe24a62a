#pragma once
// vellumark-cli subcommands register themselves here; each lives in its own file and declares
// its arguments once, in its table.
// Exit codes: 0 success, 1 failure (one line on stderr), 2 bad usage.
#include "cli/CliOptions.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

namespace cli {

struct Command {
    QString name{};
    QString summary{};     // one line for the overview
    QString description{}; // paragraphs parted by blank lines, reflowed by whoever prints them
    std::vector<Positional> arguments{};
    std::vector<Option> options{}; // --json and --help are added (allOptions)
    // The members of the --json document, one per line; empty when the command has no --json.
    QString json{};
    std::function<int(const Args& args)> run{};
};

std::map<QString, Command>& registry();

struct Registrar {
    explicit Registrar(Command command);
};

// Helpers shared by the commands.
int usageError(const Command& command, const QString& message);
int failure(const QString& message);
void out(const QString& text); // stdout, UTF-8, no newline added
void printJson(const QJsonObject& object);

// "Usage: vellumark-cli NAME ARGS [OPTIONS]" and the full --help text, from the table.
QString usageLine(const Command& command);
QString helpText(const Command& command);
// The list of commands that `vellumark-cli --help` prints.
QString overview();

// The man page (its COMMANDS section put in place of the @COMMANDS@ line of `manTemplate`),
// the shell completions, and the table itself as JSON.
QString manPage(const QString& manTemplate);
QString bashCompletion();
QString zshCompletion();
QString fishCompletion();
QString tableJson();

} // namespace cli
