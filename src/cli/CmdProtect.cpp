// vellumark-cli protect FILE --owner P [--user P] [--no-print] [--no-copy] -o OUT
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/ProtectionService.h"

#include <QFileInfo>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "protect",
    "a copy protected by passwords (AES-256), with printing and copying permissions",
    "Usage: vellumark-cli protect FILE --owner P [--user P] [--no-print] [--no-copy] -o OUT\n\n"
    "Writes a copy of FILE to OUT encrypted with AES-256. The owner password P is required;\n"
    "with --user the copy asks for that password before it opens. --no-print and --no-copy\n"
    "take away the printing and copying permissions. FILE itself is never changed.\n"
    "Passwords given on a command line can be seen by other users of the machine.",
    run,
});

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("protect");
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    const auto owner = cli::takeOption(args, {"--owner"}, &missing);
    const auto user = cli::takeOption(args, {"--user"}, &missing);
    ProtectionService::Settings settings;
    settings.allowPrinting = !cli::takeFlag(args, "--no-print");
    settings.allowCopying = !cli::takeFlag(args, "--no-copy");
    if (missing || args.size() != 1 || !output)
        return cli::usageError(self, "expected FILE, --owner P and -o OUT");
    if (!owner || owner->isEmpty())
        return cli::usageError(self, "an owner password (--owner P) is required");
    settings.ownerPassword = *owner;
    settings.userPassword = user.value_or(QString());
    if (QFileInfo(*output).exists() &&
        QFileInfo(*output).canonicalFilePath() == QFileInfo(args[0]).canonicalFilePath())
        return cli::failure(
            QStringLiteral("%1: the copy must not replace the original").arg(*output));

    auto doc = cli::openOrComplain(args[0]);
    if (!doc)
        return 1;
    try {
        ProtectionService::writeProtectedCopy(*doc, *output, settings);
    } catch (const ProtectionService::ProtectionError& e) {
        return cli::failure(
            QStringLiteral("cannot write %1: %2").arg(*output, QString::fromUtf8(e.what())));
    }
    return 0;
}

} // namespace
