// vellumark-cli info FILE
#include "base/InputFiles.h"
#include "base/NumberText.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Page.h"

#include <QFileInfo>

#include <cstdio>

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
    cli::out(out);
    // A line a page, tens of thousands of them in a long document: written straight into
    // bytes, each number as QString::arg would give it.
    QByteArray lines;
    lines.reserve(qsizetype(doc->pageCount()) * 56);
    for (int i = 0; i < doc->pageCount(); ++i) {
        auto page = doc->page(i);
        if (!page)
            continue;
        const QRectF box = page->mediaBox();
        lines += "Page ";
        base::appendNumber(lines, i + 1);
        lines += ": media box [";
        for (const double edge : {box.left(), box.top(), box.right(), box.bottom()}) {
            base::appendNumber(lines, edge);
            lines += ' ';
        }
        lines.chop(1);
        lines += "], rotation ";
        base::appendNumber(lines, page->rotation());
        lines += '\n';
    }
    std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
    // Nothing of the document is needed past this point, and the process ends here.
    cli::keepUntilExit(std::move(doc));
    return 0;
}

} // namespace
