// vellumark-cli sign: signs a PDF with the signer's key from the user's key store.
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Document.h"
#include "utilities/DigitalSignatureService.h"
#include "utilities/SigningIdentity.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <termios.h>
#include <unistd.h>

namespace {

// The PKCS #12 password: from the environment, else asked on the terminal without echo.
// Never from an argument, which every user of the machine can read.
std::optional<QString> p12Password() {
    if (qEnvironmentVariableIsSet("VELLUMARK_P12_PASSWORD"))
        return qEnvironmentVariable("VELLUMARK_P12_PASSWORD");
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fputs("Password for the certificate file: ", stderr);
    std::fflush(stderr);
    termios saved{};
    const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (quiet)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
    if (!read)
        return std::nullopt;
    QString password = QString::fromUtf8(line);
    while (password.endsWith('\n') || password.endsWith('\r'))
        password.chop(1);
    std::fill(std::begin(line), std::end(line), '\0');
    return password;
}

int run(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("sign");
    const QString input = args.positionals()[0];
    const QString output = args.text("--output");
    const QString p12 = args.text("--p12");
    const bool haveName = args.has("--name");
    QString name = args.text("--name");
    if (!haveName && p12.isEmpty())
        return cli::usageError(self, "--name NAME (or --p12 CERT.p12) is required");
    if (haveName && name.isEmpty())
        return cli::usageError(self, "the signer's name is empty");
    if (!cli::outputAllowed(output))
        return 1;

    const pdf::DocumentPtr document = cli::openOrComplain(input);
    if (!document)
        return 1;

    QByteArray signedData;
    try {
        std::optional<SigningIdentity> identity;
        if (!p12.isEmpty()) {
            const std::optional<QString> password = p12Password();
            if (!password)
                return cli::failure("the certificate file's password is needed: "
                                    "set VELLUMARK_P12_PASSWORD or run on a terminal");
            identity = SigningIdentity::readPkcs12(p12, *password);
            if (!haveName)
                name = identity->subjectName();
            if (name.isEmpty())
                return cli::failure("the certificate names no signer; give --name");
        }
        StandardSignature::Options options;
        options.timestampServer = args.text("--tsa");
        options.reason = args.text("--reason");
        options.location = args.text("--location");
        if (args.has("--visible")) {
            if (args.integer("--visible") > document->pageCount())
                return cli::usageError(
                    self,
                    QString("--visible: the document has %1 pages").arg(document->pageCount()));
            options.visiblePage = args.integer("--visible") - 1;
        }
        signedData = DigitalSignatureService::signDocument(*document, name, KeyStore(),
                                                           identity ? &*identity : nullptr, options)
                         .signedData;
    } catch (const DigitalSignatureService::SignatureError& error) {
        return cli::failure(error.description());
    }

    if (!cli::writeFileOrComplain(output, signedData))
        return 1;
    if (args.json())
        return cli::reportWritten(args, "sign", {cli::writtenFile(output, document->pageCount())},
                                  {{"signer", name}});
    cli::out("Signed by " + cli::printable(name) + ": " + output + "\n");
    return 0;
}

const cli::Registrar registrar({
    .name = "sign",
    .summary = "Sign a PDF with the signer's key (created on first use)",
    .description =
        "Signs FILE under NAME and writes the signed copy to OUT: the signature record, "
        "then a standard PDF signature (PAdES B-B) that other readers verify. "
        "The first signature under a name creates that name's RSA key "
        "and self-signed certificate in the user's key store; later ones reuse them. "
        "With --p12 the standard signature is made "
        "with the key and certificate of a PKCS #12 file (NAME defaults to its subject); "
        "its password comes from VELLUMARK_P12_PASSWORD or is asked on the terminal. "
        "With --tsa the signature carries a trusted timestamp (RFC 3161, PAdES B-T) from "
        "that timestamp server; when the server cannot be reached, does not answer within "
        "30 seconds or answers with no timestamp, nothing is written. "
        "OUT keeps the encryption and permissions of a protected FILE.",
    .arguments = {{.name = "FILE", .help = "the PDF file to sign"}},
    .options = {cli::outputOption("OUT", "the signed copy to write"),
                {.name = "--name",
                 .type = cli::ValueType::Text,
                 .value = "NAME",
                 .help = "the signer, whose key signs (needed unless --p12 names one)"},
                {.name = "--p12",
                 .type = cli::ValueType::Path,
                 .value = "CERT.p12",
                 .help = "sign with the key and certificate of this PKCS #12 file"},
                {.name = "--reason",
                 .type = cli::ValueType::Text,
                 .value = "TEXT",
                 .help = "why the document is signed (kept in the signature, shown when visible)"},
                {.name = "--location",
                 .type = cli::ValueType::Text,
                 .value = "TEXT",
                 .help = "where it is signed (kept in the signature, shown when visible)"},
                {.name = "--visible",
                 .type = cli::ValueType::Int,
                 .value = "PAGE",
                 .help = "show the signature (signer, date, reason, location) at the lower "
                         "left of this page, upright however the page is turned",
                 .low = 1},
                {.name = "--tsa",
                 .type = cli::ValueType::Text,
                 .value = "URL",
                 .help = "timestamp the signature with this server (http://...)"}},
    .json = "{\n"
            "  \"command\": \"sign\",\n"
            "  \"files\": [{\"path\": OUT, \"bytes\": N, \"pages\": N}],\n"
            "  \"signer\": NAME\n"
            "}",
    .run = run,
});

} // namespace
