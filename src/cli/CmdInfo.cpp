// vellumark-cli info FILE [--json]
#include "base/InputFiles.h"
#include "base/NumberText.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Page.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "info",
    .summary = "Show pages, page boxes and rotation, information entries, encryption, form fields",
    .description = "Prints the page count, each page's media box and rotation, "
                   "the document information entries, whether the file is encrypted or locked, "
                   "and the number of form fields.\n\n"
                   "A file that needs a password still shows its protection; "
                   "the rest is shown when VELLUMARK_PASSWORD opens it.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .json = "{\n"
            "  \"file\": NAME,              the file's name, without its folder\n"
            "  \"encrypted\": BOOL,\n"
            "  \"protection\": \"none\" | \"password\" | \"permissions\",\n"
            "  \"locked\": BOOL,            true while no password has opened it;\n"
            "                              the members below only when it is false\n"
            "  \"info\": {KEY: TEXT, ...},  the entries that are set (Title, Author, ...)\n"
            "  \"pages\": N,\n"
            "  \"formFields\": N,\n"
            "  \"pageBoxes\": [{\"page\": N, \"mediaBox\": [X0, Y0, X1, Y1], \"rotation\": DEG}]\n"
            "}",
    .run = run,
});

const std::pair<pdf::InfoKey, const char*> kInfoKeys[] = {
    {pdf::InfoKey::Title, "Title"},
    {pdf::InfoKey::Author, "Author"},
    {pdf::InfoKey::Subject, "Subject"},
    {pdf::InfoKey::Keywords, "Keywords"},
    {pdf::InfoKey::Creator, "Creator"},
    {pdf::InfoKey::Producer, "Producer"},
    {pdf::InfoKey::CreationDate, "CreationDate"},
    {pdf::InfoKey::ModDate, "ModDate"},
};

// The same facts as the text, as one JSON object.
int printJson(const pdf::Document& doc, const QString& path, bool needsPassword) {
    QJsonObject info;
    for (const auto& [key, name] : kInfoKeys) {
        if (const QString value = doc.info(key); !value.isEmpty())
            info[QLatin1String(name)] = value;
    }
    QJsonObject report{
        {"file", QFileInfo(path).fileName()},
        {"encrypted", doc.isEncrypted()},
        {"protection", !doc.isEncrypted() ? "none"
                       : needsPassword    ? "password"
                                          : "permissions"},
        {"locked", doc.isLocked()},
    };
    if (!doc.isLocked()) {
        report["info"] = info;
        report["pages"] = doc.pageCount();
        report["formFields"] = doc.formFieldCount();
        QJsonArray boxes;
        for (int i = 0; i < doc.pageCount(); ++i) {
            auto page = doc.page(i);
            if (!page)
                continue;
            const QRectF box = page->mediaBox();
            boxes.append(QJsonObject{
                {"page", i + 1},
                {"mediaBox", QJsonArray{box.left(), box.top(), box.right(), box.bottom()}},
                {"rotation", page->rotation()}});
        }
        report["pageBoxes"] = boxes;
    }
    cli::printJson(report);
    return 0;
}

int run(const cli::Args& args) {
    const QString path = args.positionals()[0];
    auto doc = cli::openFile(path, cli::Reading::Lookup);
    if (!doc)
        return 1;
    const bool needsPassword = doc->isLocked();
    // The rest needs the content: with a password at hand, unlock as every command does.
    if (needsPassword && qEnvironmentVariableIsSet("VELLUMARK_PASSWORD") &&
        !cli::unlockOrComplain(*doc, path))
        return 1;
    if (args.json())
        return printJson(*doc, path, needsPassword);
    QString out;
    out += QStringLiteral("File: %1\n").arg(cli::printable(QFileInfo(path).fileName()));
    out += QStringLiteral("Encrypted: %1\n").arg(doc->isEncrypted() ? "yes" : "no");
    out += QStringLiteral("Protection: %1\n")
               .arg(!doc->isEncrypted() ? QStringLiteral("none")
                    : needsPassword     ? QStringLiteral("a password is needed to open it")
                                        : QStringLiteral("opens without a password; "
                                                             "an owner password guards "
                                                             "its permissions"));
    out += QStringLiteral("Locked: %1\n").arg(doc->isLocked() ? "yes" : "no");
    for (const auto& [key, name] : kInfoKeys) {
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
