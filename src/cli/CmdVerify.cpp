// vellumark-cli verify: checks every standard signature of a PDF and its signature record.
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Document.h"
#include "pdf/signatures/SignatureFields.h"
#include "utilities/DigitalSignatureService.h"

#include <QFile>

namespace {

const cli::Command& command();

using Result = DigitalSignatureService::SignatureVerificationResult;
using Integrity = StandardSignature::Integrity;

// 0 all valid and unchanged, 3 any broken or changed, 4 not signed, 5 nothing could be
// checked here (the record's key is elsewhere, or a kind of signature we cannot check).
int exitCode(const Result& result, bool hasRecord) {
    if (!result.isSigned)
        return 4;
    bool unchecked = false;
    for (const auto& s : result.signatures) {
        if (s.integrity == Integrity::Unsupported)
            unchecked = true;
        else if (!s.isGood())
            return 3;
    }
    if (hasRecord && result.isValid == false)
        return 3;
    if (unchecked)
        return 5;
    // Without the record's key, the standard signatures still vouch for the file.
    if (hasRecord && !result.isValid)
        return result.signatures.empty() ? 5 : 0;
    return 0;
}

int run(const QStringList& args) {
    if (args.size() != 1 || (args[0].startsWith('-') && args[0].size() > 1))
        return cli::usageError(command(), "expected exactly one FILE");
    QFile file(args[0]);
    const pdf::DocumentPtr document = pdf::Document::open(args[0]);
    if (!document || !file.open(QIODevice::ReadOnly))
        return cli::failure(args[0] + " is not a readable PDF file");
    if (!cli::unlockOrComplain(*document, args[0]))
        return 1;
    const QByteArray bytes = file.readAll();
    const Result result = DigitalSignatureService::verifyDocument(*document, bytes);
    const bool hasRecord =
        document->info(pdf::InfoKey::Subject) == DigitalSignatureService::subjectMarker &&
        DigitalSignatureService::SignatureMetadata::fromJson(
            document->info(pdf::InfoKey::Keywords).toUtf8());
    for (const auto& s : result.signatures)
        cli::out(cli::printable(s.summary()) + "\n");
    if (hasRecord || result.signatures.empty())
        cli::out(cli::printable(result.message) + "\n");
    return exitCode(result, hasRecord);
}

const cli::Command& command() {
    static const cli::Command c{
        "verify", "check a PDF's digital signatures",
        "Usage: vellumark-cli verify FILE\n"
        "Prints one line per signature (signer, time, whether it holds and whether the file\n"
        "changed after it, and whether its certificate is trusted), then the result of the\n"
        "signature record. Exit status: 0 all valid and unchanged, 3 any broken or changed,\n"
        "4 not signed, 5 cannot verify (the signer's key is not on this machine, or a kind\n"
        "of signature this program cannot check), 1 unreadable file.",
        run};
    return c;
}

const cli::Registrar registrar(command());

} // namespace
