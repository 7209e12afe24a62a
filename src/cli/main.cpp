// vellumark-cli: the application's services without a window.
#include "base/InputFiles.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

// `vellumark-cli --generate KIND OUT [TEMPLATE]`, run by the build: the man page (from its
// template), a shell's completion or the option table, written to OUT ("-": stdout).
int generate(const QStringList& args) {
    if (args.size() < 2)
        return cli::failure("--generate needs KIND and OUT");
    const QString& kind = args[0];
    QString text;
    if (kind == "man") {
        QFile manTemplate(args.value(2));
        if (!manTemplate.open(QIODevice::ReadOnly))
            return cli::failure("--generate man needs its template: " + args.value(2));
        text = cli::manPage(QString::fromUtf8(manTemplate.readAll()));
    } else if (kind == "bash") {
        text = cli::bashCompletion();
    } else if (kind == "zsh") {
        text = cli::zshCompletion();
    } else if (kind == "fish") {
        text = cli::fishCompletion();
    } else if (kind == "table") {
        text = cli::tableJson();
    } else {
        return cli::failure("--generate makes man, bash, zsh, fish or table, not " + kind);
    }
    if (args[1] == "-") {
        cli::out(text);
        return 0;
    }
    return cli::writeFileOrComplain(args[1], text.toUtf8()) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    // Tesseract's OpenMP threads slow recognition down on small machines; one per engine.
    qputenv("OMP_THREAD_LIMIT", "1");
    // No display is needed: images are decoded and encoded without a GUI application.
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Vellumark");
    QCoreApplication::setApplicationName("Brivel PDF");

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs(qPrintable(cli::overview()), stderr);
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == "--help" || name == "-h" || name == "help") {
        cli::out(cli::overview());
        return 0;
    }
    if (name == "--generate")
        return generate(args);
    auto it = cli::registry().find(name);
    if (it == cli::registry().end()) {
        std::fprintf(stderr, "vellumark-cli: unknown command '%s'\n",
                     cli::printable(name).toUtf8().constData());
        std::fputs(qPrintable(cli::overview()), stderr);
        return 2;
    }
    const cli::Command& command = it->second;
    QString error;
    const std::optional<cli::Args> parsed = cli::parse(command, args, &error);
    if (!parsed)
        return cli::usageError(command, error);
    if (parsed->help()) {
        cli::out(cli::helpText(command));
        return 0;
    }
    // Every file a command reads is off limits to its writes, whatever name it is given.
    const base::ReadingFiles inputs(parsed->inputs());
    return command.run(*parsed);
}
