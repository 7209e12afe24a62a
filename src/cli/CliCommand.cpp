#include "cli/CliCommand.h"

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

int usageError(const Command& command, const QString& message) {
    std::fprintf(stderr, "vellumark-cli %s: %s\n%s\n", qPrintable(command.name),
                 message.toUtf8().constData(), qPrintable(usageLine(command)));
    return 2;
}

int failure(const QString& message) {
    std::fprintf(stderr, "vellumark-cli: %s\n", message.toUtf8().constData());
    return 1;
}

void out(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void printJson(const QJsonObject& object) {
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

} // namespace cli
