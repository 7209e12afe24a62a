#include "cli/CliSignatures.h"

#include "cli/CliCommand.h"
#include "cli/CliSupport.h"

#include <cstdio>

namespace cli {

Option forceOption() {
    return {.name = "--force",
            .help = "go ahead although the edit invalidates the document's signatures or its "
                    "certification forbids it (exit status 2 without)"};
}

int guardSignatures(const Args& args, const pdf::Document& document, const QString& path,
                    SignatureGuard::Edit edit, const QString& action) {
    const SignatureGuard::Verdict verdict = SignatureGuard::check(document, edit);
    if (verdict.clear())
        return 0;
    const QString reason = printable(verdict.reason);
    if (args.has("--force")) {
        std::fprintf(stderr, "vellumark-cli: %s %s: %s\n", action.toUtf8().constData(),
                     path.toUtf8().constData(), reason.toUtf8().constData());
        return 0;
    }
    std::fprintf(
        stderr, "vellumark-cli: %s %s: %s Nothing was written; give --force to do it anyway.\n",
        action.toUtf8().constData(), path.toUtf8().constData(), reason.toUtf8().constData());
    return 2;
}

} // namespace cli
