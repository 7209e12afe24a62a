// vellumark-cli verify: checks every standard signature of a PDF and its signature record.
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Document.h"
#include "pdf/signatures/SignatureFields.h"
#include "utilities/DigitalSignatureService.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

namespace {

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

QString integrityName(Integrity integrity) {
    switch (integrity) {
    case Integrity::Valid:
        return "valid";
    case Integrity::Broken:
        return "broken";
    case Integrity::Unsupported:
        break;
    }
    return "unsupported";
}

QString changeName(StandardSignature::Change change) {
    switch (change) {
    case StandardSignature::Change::None:
        return "none";
    case StandardSignature::Change::FormsOrAnnotations:
        return "formsOrAnnotations";
    case StandardSignature::Change::Content:
        break;
    }
    return "content";
}

QString trustName(StandardSignature::Trust trust) {
    switch (trust) {
    case StandardSignature::Trust::Trusted:
        return "trusted";
    case StandardSignature::Trust::SelfSigned:
        return "selfSigned";
    case StandardSignature::Trust::Unknown:
        break;
    }
    return "unknown";
}

QJsonObject report(const Result& result, bool hasRecord, int status) {
    QJsonArray signatures;
    for (const auto& s : result.signatures)
        signatures.append(QJsonObject{
            {"field", s.fieldName},
            {"signer", s.signer},
            {"signingTime", s.signingTime.isValid()
                                ? QJsonValue(s.signingTime.toUTC().toString(Qt::ISODate))
                                : QJsonValue()},
            {"integrity", integrityName(s.integrity)},
            {"change", changeName(s.change)},
            {"trust", trustName(s.trust)},
            {"reason", s.reason.isEmpty() ? QJsonValue() : QJsonValue(s.reason)},
            {"timestamp",
             s.timestampTime.isValid()
                 ? QJsonValue(QJsonObject{{"time", s.timestampTime.toUTC().toString(Qt::ISODate)},
                                          {"authority", s.timestampAuthority},
                                          {"trusted", s.timestampTrusted}})
                 : QJsonValue()},
            {"ours", s.ours},
            {"summary", s.summary()},
        });
    return {
        {"signed", result.isSigned},
        {"signatures", signatures},
        {"record", QJsonObject{{"present", hasRecord},
                               {"valid", hasRecord && result.isValid ? QJsonValue(*result.isValid)
                                                                     : QJsonValue()}}},
        {"message", result.message},
        {"status", status},
    };
}

int run(const cli::Args& args) {
    const QString path = args.positionals()[0];
    const pdf::DocumentPtr document = cli::openFile(path);
    if (!document || !cli::unlockOrComplain(*document, path))
        return 1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return cli::failure(QStringLiteral("%1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    const Result result = DigitalSignatureService::verifyDocument(*document, bytes);
    const bool hasRecord =
        document->info(pdf::InfoKey::Subject) == DigitalSignatureService::subjectMarker &&
        DigitalSignatureService::SignatureMetadata::fromJson(
            document->info(pdf::InfoKey::Keywords).toUtf8());
    const int status = exitCode(result, hasRecord);
    if (args.json()) {
        cli::printJson(report(result, hasRecord, status));
        return status;
    }
    for (const auto& s : result.signatures)
        cli::out(cli::printable(s.summary()) + "\n");
    if (hasRecord || result.signatures.empty())
        cli::out(cli::printable(result.message) + "\n");
    return status;
}

const cli::Registrar registrar({
    .name = "verify",
    .summary = "Check a PDF's digital signatures",
    .description = "Prints one line per signature "
                   "(signer, time (a trusted timestamp's when the signature carries one), "
                   "whether it holds, whether the file changed after it, "
                   "and whether its certificate is trusted), "
                   "then the result of the signature record.\n\n"
                   "Exit status: 0 all valid and unchanged, 3 any broken or changed, 4 not signed, "
                   "5 cannot verify (the signer's key is not on this machine, "
                   "a kind of signature this program cannot check, or a certificate chain "
                   "that loops), 1 unreadable file. "
                   "The status is the same with --json.",
    .arguments = {{.name = "FILE", .help = "the signed PDF file"}},
    .json = "{\n"
            "  \"signed\": BOOL,\n"
            "  \"signatures\": [{              one per signature, in the order of the fields\n"
            "    \"field\": TEXT,\n"
            "    \"signer\": TEXT,               the certificate's common name\n"
            "    \"signingTime\": TIME | null,   ISO 8601, UTC\n"
            "    \"integrity\": \"valid\" | \"broken\" | \"unsupported\",\n"
            "    \"change\": \"none\" | \"formsOrAnnotations\" | \"content\",\n"
            "    \"trust\": \"trusted\" | \"selfSigned\" | \"unknown\",\n"
            "    \"reason\": TEXT | null,        why it is broken or cannot be verified\n"
            "    \"timestamp\": {\"time\": TIME, \"authority\": TEXT, \"trusted\": BOOL}"
            " | null,\n"
            "                                  a trusted timestamp that holds (RFC 3161)\n"
            "    \"ours\": BOOL,                 made by this program\n"
            "    \"summary\": TEXT               the line the text output prints\n"
            "  }],\n"
            "  \"record\": {\"present\": BOOL, \"valid\": BOOL | null},\n"
            "  \"message\": TEXT,                the verdict in words\n"
            "  \"status\": N                     the exit status\n"
            "}",
    .run = run,
});

} // namespace
