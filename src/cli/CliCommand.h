#pragma once
// vellumark-cli subcommands register themselves here; each lives in its own file.
// Exit codes: 0 success, 1 failure (one line on stderr), 2 bad usage.
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

namespace cli {

struct Command {
    QString name;
    QString summary;                                 // one line for the overview
    QString usage;                                   // full --help text
    std::function<int(const QStringList& args)> run; // args after the command name
};

std::map<QString, Command>& registry();

struct Registrar {
    explicit Registrar(Command command);
};

// Helpers shared by the commands.
int usageError(const Command& command, const QString& message);
int failure(const QString& message);
void out(const QString& text); // stdout, UTF-8, no newline added
bool wantsHelp(const QStringList& args);

} // namespace cli
