// vellumark-cli attachments FILE [--extract DIR] [--json]
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/Attachments.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

#include <cstdio>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "attachments",
    .summary = "List the files embedded in a PDF, or extract them",
    .description =
        "Lists the document's own embedded files and those of file-attachment annotations, "
        "one line each, tab-separated: number, size in bytes as the file declares it "
        "(- when it does not), page (- for the document's own), name and description.\n\n"
        "With --extract, writes each one into DIR (made when missing) and prints the paths "
        "written. Names from the file are never used as paths: only their last part is kept, "
        "without control characters or leading dots, and a name already taken in DIR gets a "
        "number, so no file there is replaced. Exits 1 when any could not be written.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .options = {{.name = "--extract",
                 .type = cli::ValueType::Path,
                 .value = "DIR",
                 .help = "write the attached files into this folder"}},
    .json = "{\n"
            "  \"attachments\": [{\n"
            "    \"name\": TEXT,\n"
            "    \"description\": TEXT,\n"
            "    \"size\": N,               as declared; -1 when unknown\n"
            "    \"mimeType\": TEXT,\n"
            "    \"page\": N,               1-based; 0 for the document's own\n"
            "    \"path\": PATH             with --extract: where it was written\n"
            "  }]\n"
            "}",
    .run = run,
});

QString escaped(QString text) {
    return cli::printable(text.replace('\\', "\\\\").replace('\t', "\\t"));
}

// `name` in `folder`, with " (2)", " (3)", ... before the extension while that is taken.
QString freePath(const QDir& folder, const QString& name, QSet<QString>& taken) {
    const QFileInfo info(name);
    const QString suffix =
        info.completeSuffix().isEmpty() ? QString() : u'.' + info.completeSuffix();
    const QString stem = info.completeSuffix().isEmpty() ? name : info.baseName();
    QString candidate = name;
    for (int n = 2; taken.contains(candidate) || QFileInfo::exists(folder.filePath(candidate)) ||
                    QFileInfo(folder.filePath(candidate)).isSymLink();
         ++n)
        candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
    taken.insert(candidate);
    return folder.filePath(candidate);
}

int run(const cli::Args& args) {
    auto doc = cli::openOrComplain(args.positionals()[0]);
    if (!doc)
        return 1;
    const std::vector<pdf::Attachment> list = pdf::attachments(*doc);
    const bool extract = args.has("--extract");
    QDir folder;
    if (extract) {
        const QString dir = args.text("--extract");
        if (!QDir().mkpath(dir) || !QFileInfo(dir).isDir())
            return cli::failure(QStringLiteral("%1: cannot make this folder").arg(dir));
        folder = QDir(dir);
    }
    QString out;
    QJsonArray items;
    QSet<QString> taken;
    bool failed = false;
    for (int i = 0; i < int(list.size()); ++i) {
        const pdf::Attachment& a = list[size_t(i)];
        QJsonObject item{{"name", a.name},
                         {"description", a.description},
                         {"size", double(a.size)},
                         {"mimeType", a.mimeType},
                         {"page", a.page + 1}};
        if (extract) {
            const QString path = freePath(folder, pdf::safeFileName(a.name), taken);
            QString error;
            if (pdf::saveAttachment(*doc, i, path, &error)) {
                item["path"] = path;
                out += cli::printable(path) + u'\n';
            } else {
                std::fprintf(stderr, "vellumark-cli: %s\n", qPrintable(cli::printable(error)));
                failed = true;
            }
        } else {
            out += QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                       .arg(i + 1)
                       .arg(a.size < 0 ? QStringLiteral("-") : QString::number(a.size))
                       .arg(a.page < 0 ? QStringLiteral("-") : QString::number(a.page + 1))
                       .arg(escaped(a.name), escaped(a.description));
        }
        items.append(item);
    }
    if (args.json())
        cli::printJson({{"attachments", items}});
    else
        cli::out(out);
    return failed ? 1 : 0;
}

} // namespace
