// vellumark-cli: the application's services without a window.
#include "base/InputFiles.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

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
                 qPrintable(message), qPrintable(command.usage));
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

bool wantsHelp(const QStringList& args) {
    return args.contains("--help") || args.contains("-h");
}

} // namespace cli

static void printOverview(FILE* to) {
    std::fprintf(to, "Usage: vellumark-cli COMMAND [ARGS...]\n\nCommands:\n");
    for (const auto& [name, command] : cli::registry())
        std::fprintf(to, "  %-12s %s\n", qPrintable(name), qPrintable(command.summary));
    std::fprintf(to, "\nvellumark-cli COMMAND --help shows the options of a command.\n");
}

int main(int argc, char** argv) {
    // Tesseract's OpenMP threads slow recognition down on small machines; one per engine.
    qputenv("OMP_THREAD_LIMIT", "1");
    // No display is needed: images are decoded and encoded without a GUI application.
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Vellumark");
    QCoreApplication::setApplicationName("Brivel PDF");

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        printOverview(stderr);
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(stdout);
        return 0;
    }
    auto it = cli::registry().find(name);
    if (it == cli::registry().end()) {
        std::fprintf(stderr, "vellumark-cli: unknown command '%s'\n", qPrintable(name));
        printOverview(stderr);
        return 2;
    }
    if (cli::wantsHelp(args)) {
        std::printf("%s\n", qPrintable(it->second.usage));
        return 0;
    }
    // Every file a command reads is off limits to its writes, whatever name it is given.
    const base::ReadingFiles inputs(cli::inputArguments(args));
    return it->second.run(args);
}
