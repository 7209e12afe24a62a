// vellumark-cli sign: signs a PDF with the signer's key from the user's key store.
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/Document.h"
#include "utilities/DigitalSignatureService.h"

namespace {

const cli::Command& command();

int run(const QStringList& args) {
    QString input, name, output;
    bool haveName = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == "--name" || a == "-o") && i + 1 >= args.size())
            return cli::usageError(command(), a + " needs a value");
        if (a == "--name") {
            name = args[++i];
            haveName = true;
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
    if (input.isEmpty() || output.isEmpty() || !haveName)
        return cli::usageError(command(), "FILE, --name and -o are required");
    if (name.isEmpty())
        return cli::usageError(command(), "the signer's name is empty");
    if (!cli::outputAllowed(output))
        return 1;

    const pdf::DocumentPtr document = pdf::Document::open(input);
    if (!document)
        return cli::failure(input + " is not a readable PDF file");
    if (document->isLocked())
        return cli::failure(input + " is protected by a password");

    QByteArray signedData;
    try {
        signedData = DigitalSignatureService::signDocument(*document, name).signedData;
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
        "Usage: vellumark-cli sign FILE --name NAME -o OUT\n"
        "Signs FILE under NAME and writes the signed copy to OUT. The first signature under\n"
        "a name creates that name's RSA key in the user's key store; later ones reuse it.",
        run};
    return c;
}

const cli::Registrar registrar(command());

} // namespace
