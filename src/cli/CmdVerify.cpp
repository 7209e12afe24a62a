// vellumark-cli verify: checks every standard signature of a PDF and its signature record.
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Document.h"
#include "pdf/signatures/SignatureFields.h"
#include "utilities/DigitalSignatureService.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <utility>

namespace {

using Result = DigitalSignatureService::SignatureVerificationResult;
using Integrity = StandardSignature::Integrity;

// 0 all valid and unchanged or changed only as allowed, 3 any broken or changed otherwise,
// 4 not signed, 5 nothing could be checked here (the record's key is elsewhere, or a kind
// of signature we cannot check).
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
    case StandardSignature::Change::Allowed:
        return "allowed";
    case StandardSignature::Change::NotAllowed:
        return "notAllowed";
    case StandardSignature::Change::Content:
        break;
    }
    return "content";
}

QJsonArray changeKinds(unsigned changes) {
    QJsonArray kinds;
    using Kind = StandardSignature::ChangeKind;
    for (const auto& [flag, name] :
         {std::pair{Kind::SignaturesAdded, "signatures"}, std::pair{Kind::FormValues, "formValues"},
          std::pair{Kind::Annotations, "annotations"}, std::pair{Kind::Content, "content"}})
        if (changes & flag)
            kinds.append(name);
    return kinds;
}

QString certificationName(int level) {
    return level == 1 ? "no-changes" : level == 2 ? "form-filling" : "annotations";
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
            {"changes", changeKinds(s.changes)},
            {"certifies", s.certifies},
            {"certification",
             s.certification ? QJsonValue(certificationName(s.certification)) : QJsonValue()},
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
                   "whether it holds, what the revisions appended after it changed, "
                   "and whether its certificate is trusted), "
                   "then the result of the signature record.\n\n"
                   "What changed after a signature is told apart as signatures added, "
                   "form values, annotations or content. "
                   "Changes the document allows leave a signature "
                   "\"valid, changed after signing (allowed)\". "
                   "An uncertified document allows signatures, form filling and annotations. "
                   "A certifying (author) signature sets one of three levels "
                   "(sign --certify): no-changes allows nothing, "
                   "form-filling allows form filling and signing, "
                   "annotations allows those and annotations. "
                   "Any other change, and any change of content, "
                   "leaves the signature changed after signing.\n\n"
                   "Exit status: 0 all valid and unchanged or changed only as allowed, "
                   "3 any broken or changed otherwise, 4 not signed, "
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
            "    \"change\": \"none\" | \"allowed\" | \"notAllowed\" | \"content\",\n"
            "    \"changes\": [\"signatures\" | \"formValues\" | \"annotations\" | \"content\"],\n"
            "    \"certifies\": BOOL,              a certifying (author) signature\n"
            "    \"certification\": \"no-changes\" | \"form-filling\" | \"annotations\" | null,\n"
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
