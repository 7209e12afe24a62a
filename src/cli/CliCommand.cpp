#include "cli/CliCommand.h"

#include "cli/CliSupport.h"

#include <QJsonDocument>

#include <cstdio>

namespace cli {

std::map<QString, Command>& registry() {
    static std::map<QString, Command> commands;
    return commands;
}

Registrar::Registrar(Command command) {
    registry().emplace(command.name, std::move(command));
}

// Messages name files and echo arguments: whatever they hold reaches the terminal escaped.
int usageError(const Command& command, const QString& message) {
    std::fprintf(stderr, "vellumark-cli %s: %s\n%s\n", qPrintable(command.name),
                 printable(message).toUtf8().constData(), qPrintable(usageLine(command)));
    return 2;
}

int failure(const QString& message) {
    std::fprintf(stderr, "vellumark-cli: %s\n", printable(message, true).toUtf8().constData());
    return 1;
}

void out(const QString& text) {
    const QByteArray bytes = printable(text, true).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void printJson(const QJsonObject& object) {
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

} // namespace cli
