// vellumark-cli verify: checks the signature record of a PDF against the user's key store.
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/Document.h"
#include "utilities/DigitalSignatureService.h"

namespace {

const cli::Command& command();

// 0 valid, 3 not valid, 4 not signed, 5 cannot verify here (no key for the signer).
int exitCode(const DigitalSignatureService::SignatureVerificationResult& result) {
    if (!result.isSigned)
        return 4;
    if (!result.isValid)
        return 5;
    return *result.isValid ? 0 : 3;
}

int run(const QStringList& args) {
    if (args.size() != 1 || (args[0].startsWith('-') && args[0].size() > 1))
        return cli::usageError(command(), "expected exactly one FILE");
    const pdf::DocumentPtr document = pdf::Document::open(args[0]);
    if (!document)
        return cli::failure(args[0] + " is not a readable PDF file");
    if (document->isLocked())
        return cli::failure(args[0] + " is protected by a password");
    const auto result = DigitalSignatureService::verifyDocument(*document);
    cli::out(cli::printable(result.message) + "\n");
    return exitCode(result);
}

const cli::Command& command() {
    static const cli::Command c{
        "verify", "check a PDF's digital signature",
        "Usage: vellumark-cli verify FILE\n"
        "Prints the verification result. Exit status: 0 valid, 3 not valid, 4 not signed,\n"
        "5 cannot verify (the signer's key is not on this machine), 1 unreadable file.",
        run};
    return c;
}

const cli::Registrar registrar(command());

} // namespace
