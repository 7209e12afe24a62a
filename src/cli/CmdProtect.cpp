// vellumark-cli protect FILE --owner P [--user P] [--no-print] [--no-copy] -o OUT [--json]
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSignatures.h"
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

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "protect",
    .summary =
        "Write a copy protected by passwords (AES-256), with printing and copying permissions",
    .description = "Writes a copy of FILE to OUT encrypted with AES-256. "
                   "The owner password is required; "
                   "with a user password the copy asks for it before it opens. "
                   "--no-print and --no-copy take away the printing and copying permissions. "
                   "FILE itself is never changed. "
                   "A signed FILE's signatures do not hold in the copy: "
                   "without --force that is refused (exit status 2).\n\n"
                   "Passwords given on a command line can be seen by other users of the machine. "
                   "Without --owner the owner password is taken from VELLUMARK_OWNER_PASSWORD or, "
                   "on a terminal, asked for without echo; "
                   "without --user the user password is taken from VELLUMARK_USER_PASSWORD, "
                   "or asked for with --ask-user.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .options = {cli::outputOption("OUT", "the protected copy to write"),
                {.name = "--owner",
                 .type = cli::ValueType::Text,
                 .value = "P",
                 .help = "the owner password, which guards the permissions"},
                {.name = "--user",
                 .type = cli::ValueType::Text,
                 .value = "P",
                 .help = "the user password, asked for before the copy opens"},
                {.name = "--ask-user", .help = "ask for the user password on the terminal"},
                {.name = "--no-print", .help = "take away the permission to print"},
                {.name = "--no-copy", .help = "take away the permission to copy text"},
                cli::forceOption()},
    .json = "{\n"
            "  \"command\": \"protect\",\n"
            "  \"files\": [{\"path\": OUT, \"bytes\": N, \"pages\": N}],\n"
            "  \"userPassword\": BOOL,   whether the copy asks for a password to open\n"
            "  \"printing\": BOOL,       the permissions left\n"
            "  \"copying\": BOOL\n"
            "}",
    .run = run,
});

int run(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("protect");
    const QString output = args.text("--output");
    ProtectionService::Settings settings;
    settings.allowPrinting = !args.has("--no-print");
    settings.allowCopying = !args.has("--no-copy");
    const auto owner =
        password(args.value("--owner"), "VELLUMARK_OWNER_PASSWORD", true, "Owner password: ");
    if (!owner || owner->isEmpty())
        return cli::usageError(self, "an owner password (--owner P) is required");
    settings.ownerPassword = *owner;
    settings.userPassword = password(args.value("--user"), "VELLUMARK_USER_PASSWORD",
                                     args.has("--ask-user"), "User password: ")
                                .value_or(QString());
    if (!cli::outputAllowed(output))
        return 1;

    auto doc = cli::openOrComplain(args.positionals()[0]);
    if (!doc)
        return 1;
    if (const int refused = cli::guardSignatures(args, *doc, args.positionals()[0],
                                                 SignatureGuard::Edit::rewrite, "protecting"))
        return refused;
    settings.breakSignatures = args.has("--force");
    try {
        ProtectionService::writeProtectedCopy(*doc, output, settings);
    } catch (const ProtectionService::ProtectionError& e) {
        return cli::failure(base::couldNotBeWritten(output, QString::fromUtf8(e.what())));
    }
    return cli::reportWritten(args, "protect", {cli::writtenFile(output, doc->pageCount())},
                              {{"userPassword", !settings.userPassword.isEmpty()},
                               {"printing", settings.allowPrinting},
                               {"copying", settings.allowCopying}});
}

} // namespace
