// vellumark-cli info FILE
#include "base/InputFiles.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/Page.h"

#include <QFileInfo>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "info",
    "pages, page boxes and rotation, information entries, encryption, form fields",
    "Usage: vellumark-cli info FILE\n\nPrints the page count, each page's media box and rotation, "
    "the\n"
    "document information entries, whether the file is encrypted or locked, and the number\n"
    "of form fields.",
    run,
});

int run(const QStringList& argsIn) {
    const cli::Command& self = cli::registry().at("info");
    if (argsIn.size() != 1)
        return cli::usageError(self, "expected one FILE");
    const QString path = argsIn[0];
    if (!QFileInfo::exists(path))
        return cli::failure(QStringLiteral("%1: no such file").arg(path));
    QString reason;
    if (!base::isRegularFile(path, &reason))
        return cli::failure(QStringLiteral("%1: %2").arg(path, reason));
    auto doc = pdf::Document::openForLookup(path);
    if (!doc)
        return cli::failure(
            QStringLiteral("%1: not a PDF file, or damaged beyond repair").arg(path));
    QString out;
    out += QStringLiteral("File: %1\n").arg(QFileInfo(path).fileName());
    out += QStringLiteral("Encrypted: %1\n").arg(doc->isEncrypted() ? "yes" : "no");
    const bool needsPassword = doc->isLocked();
    out += QStringLiteral("Protection: %1\n")
               .arg(!doc->isEncrypted() ? QStringLiteral("none")
                    : needsPassword     ? QStringLiteral("a password is needed to open it")
                                        : QStringLiteral("opens without a password; an owner "
                                                             "password guards its permissions"));
    // The rest needs the content: with a password at hand, unlock as every command does.
    if (needsPassword && qEnvironmentVariableIsSet("VELLUMARK_PASSWORD") &&
        !cli::unlockOrComplain(*doc, path))
        return 1;
    out += QStringLiteral("Locked: %1\n").arg(doc->isLocked() ? "yes" : "no");
    const std::pair<pdf::InfoKey, const char*> keys[] = {
        {pdf::InfoKey::Title, "Title"},
        {pdf::InfoKey::Author, "Author"},
        {pdf::InfoKey::Subject, "Subject"},
        {pdf::InfoKey::Keywords, "Keywords"},
        {pdf::InfoKey::Creator, "Creator"},
        {pdf::InfoKey::Producer, "Producer"},
        {pdf::InfoKey::CreationDate, "CreationDate"},
        {pdf::InfoKey::ModDate, "ModDate"},
    };
    for (const auto& [key, name] : keys) {
        const QString value = doc->info(key);
        if (!value.isEmpty())
            out += QStringLiteral("%1: %2\n").arg(QLatin1String(name), cli::printable(value));
    }
    // Without the password the entries, pages and fields are still ciphertext: nothing
    // more can be told.
    if (doc->isLocked()) {
        cli::out(out);
        return 0;
    }
    out += QStringLiteral("Pages: %1\n").arg(doc->pageCount());
    out += QStringLiteral("Form fields: %1\n").arg(doc->formFieldCount());
    for (int i = 0; i < doc->pageCount(); ++i) {
        auto page = doc->page(i);
        if (!page)
            continue;
        const QRectF box = page->mediaBox();
        out += QStringLiteral("Page %1: media box [%2 %3 %4 %5], rotation %6\n")
                   .arg(i + 1)
                   .arg(box.left())
                   .arg(box.top())
                   .arg(box.right())
                   .arg(box.bottom())
                   .arg(page->rotation());
    }
    cli::out(out);
    return 0;
}

} // namespace
