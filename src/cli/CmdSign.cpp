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

const cli::Command& command();

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

int run(const QStringList& args) {
    QString input, name, output, p12;
    bool haveName = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == "--name" || a == "-o" || a == "--p12") && i + 1 >= args.size())
            return cli::usageError(command(), a + " needs a value");
        if (a == "--name") {
            name = args[++i];
            haveName = true;
        } else if (a == "--p12") {
            p12 = args[++i];
        } else if (a == "-o") {
            output = args[++i];
        } else if (a.startsWith('-') && a.size() > 1) {
            return cli::usageError(command(), "unknown option " + a);
        } else if (input.isEmpty()) {
            input = a;
        } else {
            return cli::usageError(command(), "more than one input file");
        }
    }
    if (input.isEmpty() || output.isEmpty() || (!haveName && p12.isEmpty()))
        return cli::usageError(command(), "FILE, --name (or --p12) and -o are required");
    if (haveName && name.isEmpty())
        return cli::usageError(command(), "the signer's name is empty");
    if (!cli::outputAllowed(output))
        return 1;

    const pdf::DocumentPtr document = pdf::Document::open(input);
    if (!document)
        return cli::failure(input + " is not a readable PDF file");
    if (!cli::unlockOrComplain(*document, input))
        return 1;

    QByteArray signedData;
    try {
        std::optional<SigningIdentity> identity;
        if (!p12.isEmpty()) {
            const std::optional<QString> password = p12Password();
            if (!password)
                return cli::failure("the certificate file's password is needed: set "
                                    "VELLUMARK_P12_PASSWORD or run on a terminal");
            identity = SigningIdentity::readPkcs12(p12, *password);
            if (!haveName)
                name = identity->subjectName();
            if (name.isEmpty())
                return cli::failure("the certificate names no signer; give --name");
        }
        signedData = DigitalSignatureService::signDocument(*document, name, KeyStore(),
                                                           identity ? &*identity : nullptr)
                         .signedData;
    } catch (const DigitalSignatureService::SignatureError& error) {
        return cli::failure(error.description());
    }

    if (!cli::writeFileOrComplain(output, signedData))
        return 1;
    cli::out("Signed by " + cli::printable(name) + ": " + output + "\n");
    return 0;
}

const cli::Command& command() {
    static const cli::Command c{
        "sign", "sign a PDF with the signer's key (created on first use)",
        "Usage: vellumark-cli sign FILE --name NAME [--p12 CERT.p12] -o OUT\n"
        "Signs FILE under NAME and writes the signed copy to OUT: the signature record, then\n"
        "a standard PDF signature (PAdES B-B) that other readers verify. The first signature\n"
        "under a name creates that name's RSA key and self-signed certificate in the user's\n"
        "key store; later ones reuse them. With --p12 the standard signature is made with\n"
        "the key and certificate of a PKCS #12 file (NAME defaults to its subject); its\n"
        "password comes from VELLUMARK_P12_PASSWORD or is asked on the terminal. OUT keeps\n"
        "the encryption and permissions of a protected FILE.",
        run};
    return c;
}

const cli::Registrar registrar(command());

} // namespace
