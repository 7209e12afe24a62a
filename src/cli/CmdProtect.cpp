// vellumark-cli protect FILE --owner P [--user P] [--no-print] [--no-copy] -o OUT
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/ProtectionService.h"

#include <QFileInfo>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// A password typed on the terminal, not echoed; nullopt without a terminal.
std::optional<QString> askPassword(const char* prompt) {
    if (!::isatty(STDIN_FILENO))
        return std::nullopt;
    std::fprintf(stderr, "%s", prompt);
    std::fflush(stderr);
    termios old{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (quiet) {
        termios silent = old;
        silent.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    QByteArray line;
    for (int ch = std::getchar(); ch != EOF && ch != '\n'; ch = std::getchar())
        line += char(ch);
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::fprintf(stderr, "\n");
    return QString::fromLocal8Bit(line);
}

// From the option, else the environment, else (when allowed) the terminal.
std::optional<QString> password(const std::optional<QString>& option, const char* variable,
                                bool ask, const char* prompt) {
    if (option)
        return option;
    if (qEnvironmentVariableIsSet(variable))
        return qEnvironmentVariable(variable);
    return ask ? askPassword(prompt) : std::nullopt;
}

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "protect",
    "a copy protected by passwords (AES-256), with printing and copying permissions",
    "Usage: vellumark-cli protect FILE [--owner P] [--user P | --ask-user] [--no-print] "
    "[--no-copy] -o OUT\n\n"
    "Writes a copy of FILE to OUT encrypted with AES-256. The owner password is required;\n"
    "with a user password the copy asks for it before it opens. --no-print and --no-copy\n"
    "take away the printing and copying permissions. FILE itself is never changed.\n\n"
    "Passwords given on a command line can be seen by other users of the machine. Without\n"
    "--owner the owner password is taken from VELLUMARK_OWNER_PASSWORD or, on a terminal,\n"
    "asked for without echo; without --user the user password is taken from\n"
    "VELLUMARK_USER_PASSWORD, or asked for with --ask-user.",
    run,
});

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("protect");
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    const auto ownerArg = cli::takeOption(args, {"--owner"}, &missing);
    const auto userArg = cli::takeOption(args, {"--user"}, &missing);
    const bool askUser = cli::takeFlag(args, "--ask-user");
    ProtectionService::Settings settings;
    settings.allowPrinting = !cli::takeFlag(args, "--no-print");
    settings.allowCopying = !cli::takeFlag(args, "--no-copy");
    if (missing || args.size() != 1 || !output)
        return cli::usageError(self, "expected FILE, --owner P and -o OUT");
    const auto owner = password(ownerArg, "VELLUMARK_OWNER_PASSWORD", true, "Owner password: ");
    if (!owner || owner->isEmpty())
        return cli::usageError(self, "an owner password (--owner P) is required");
    settings.ownerPassword = *owner;
    settings.userPassword = password(userArg, "VELLUMARK_USER_PASSWORD", askUser, "User password: ")
                                .value_or(QString());
    if (!cli::outputAllowed(*output))
        return 1;

    auto doc = cli::openOrComplain(args[0]);
    if (!doc)
        return 1;
    try {
        ProtectionService::writeProtectedCopy(*doc, *output, settings);
    } catch (const ProtectionService::ProtectionError& e) {
        return cli::failure(base::couldNotBeWritten(*output, QString::fromUtf8(e.what())));
    }
    return 0;
}

} // namespace
