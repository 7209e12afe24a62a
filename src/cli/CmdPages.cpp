// vellumark-cli pages rotate|delete|insert-blank|insert|extract|split|merge [--json]
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/PageOperations.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "pages",
    .summary = "Rotate, delete, insert, extract, split and merge pages",
    .description = "Pages are numbered from 1; --page defaults to 1. "
                   "OUT must not be one of the inputs. "
                   "Annotations, form fields and links travel with their pages. "
                   "Each protected input is opened with the password in VELLUMARK_PASSWORD, "
                   "or else, on a terminal, with one asked for that file. "
                   "merge still writes OUT when some OTHER cannot be read (no such file, "
                   "permission denied, not a PDF, no password opens it), names each one with "
                   "the reason and exits 3, or 0 with --skip-unreadable.",
    .arguments =
        {{.name = "ACTION",
          .help = "what to do",
          .type = cli::ValueType::Choice,
          .choices = {{"rotate", "FILE [--page N | --all] [--turns K] -o OUT: "
                                 "turn clockwise by K quarters"},
                      {"delete", "FILE --page N -o OUT: remove page N (never the last page left)"},
                      {"insert-blank", "FILE [--page N] -o OUT: "
                                       "a blank page after page N, the size of page N"},
                      {"insert", "FILE SOURCE [--page N] -o OUT: "
                                 "every page of SOURCE after page N"},
                      {"extract", "FILE --page N -o OUT: page N alone"},
                      {"split", "FILE DIR: DIR/page_1.pdf, DIR/page_2.pdf, ..."},
                      {"merge",
                       "FILE OTHER... -o OUT: FILE followed by every page of each OTHER"}}},
         {.name = "FILE", .help = "the PDF file"},
         {.name = "PATH",
          .help = "SOURCE for insert, DIR for split, the OTHER files for merge",
          .optional = true,
          .repeats = true}},
    .options = {cli::outputOption("OUT", "the PDF file to write (every action but split)", false),
                {.name = "--page",
                 .type = cli::ValueType::Int,
                 .value = "N",
                 .help = "the page to act on",
                 .defaultValue = "1"},
                {.name = "--all", .help = "rotate: every page"},
                {.name = "--turns",
                 .type = cli::ValueType::Int,
                 .value = "K",
                 .help = "rotate: quarter turns clockwise",
                 .defaultValue = "1",
                 .low = 0},
                {.name = "--skip-unreadable",
                 .help = "merge: leave out the files that cannot be read and exit 0"}},
    .json = "{\n"
            "  \"command\": \"pages\",\n"
            "  \"action\": ACTION,\n"
            "  \"files\": [{\"path\": PATH, \"bytes\": N, \"pages\": N}],  split: one per page\n"
            "  \"skipped\": [{\"path\": PATH, \"reason\": TEXT}]  merge: the files left out\n"
            "}",
    .run = run,
});

const cli::Command& self() {
    return cli::registry().at("pages");
}

// The --page number as a 0-based index checked against the document; -1 after complaining.
int pageIndex(const cli::Args& args, const pdf::DocumentPtr& doc) {
    const int number = args.integer("--page");
    if (number < 1 || number > doc->pageCount()) {
        cli::failure(QStringLiteral("there is no page %1 (the document has %2)")
                         .arg(number)
                         .arg(doc->pageCount()));
        return -1;
    }
    return number - 1;
}

int write(const cli::Args& args, const pdf::DocumentPtr& doc, const QString& path,
          const QJsonObject& extra = {}) {
    QString error;
    if (!doc->write(path, cli::keepingProtection(), &error))
        return cli::failure(base::couldNotBeWritten(path, error));
    QJsonObject report = extra;
    report["action"] = args.positionals()[0];
    return cli::reportWritten(args, "pages", {cli::writtenFile(path, doc->pageCount())}, report);
}

int run(const cli::Args& args) {
    const QString action = args.positionals()[0];
    const QStringList paths = args.positionals().mid(1);
    const auto output = args.value("--output");
    const bool writesFolder = action == "split";
    if (!writesFolder && !output)
        return cli::usageError(self(), "-o OUT is required");
    if (output && !cli::outputAllowed(*output))
        return 1;

    const int expectedArgs = action == "insert" || action == "split" ? 2 : 1;
    if (action != "merge" && paths.size() != expectedArgs)
        return cli::usageError(self(),
                               QStringLiteral("%1 takes %2")
                                   .arg(action, expectedArgs == 2 ? "two paths" : "one FILE"));
    if (action == "merge" && paths.size() < 2)
        return cli::usageError(self(), "merge takes FILE and at least one other file");

    auto doc = cli::openOrComplain(paths[0]);
    if (!doc)
        return 1;

    if (action == "rotate") {
        const bool all = args.has("--all");
        if (all && args.has("--page"))
            return cli::usageError(self(), "--page and --all exclude each other");
        const int first = all ? 0 : pageIndex(args, doc);
        if (first < 0)
            return 1;
        const int last = all ? doc->pageCount() - 1 : first;
        for (int i = first; i <= last; ++i)
            for (int t = 0; t < args.integer("--turns") % 4; ++t)
                PageOperations::rotateClockwise(doc, i);
        return write(args, doc, *output);
    }
    if (action == "delete") {
        if (!args.has("--page"))
            return cli::usageError(self(), "delete needs --page N");
        const int index = pageIndex(args, doc);
        if (index < 0)
            return 1;
        if (!PageOperations::deletePage(doc, index))
            return cli::failure("the only page of a document cannot be deleted");
        return write(args, doc, *output);
    }
    if (action == "insert-blank") {
        const int index = pageIndex(args, doc);
        if (index < 0)
            return 1;
        if (!PageOperations::insertBlankPage(doc, index))
            return cli::failure("the blank page could not be made");
        return write(args, doc, *output);
    }
    if (action == "insert") {
        const int index = pageIndex(args, doc);
        if (index < 0)
            return 1;
        auto source = cli::openOrComplain(paths[1]);
        if (!source)
            return 1;
        if (PageOperations::insertDocument(doc, *source, index + 1) != source->pageCount())
            return cli::failure(
                QStringLiteral("the pages of %1 could not be copied").arg(paths[1]));
        return write(args, doc, *output);
    }
    if (action == "extract") {
        if (!args.has("--page"))
            return cli::usageError(self(), "extract needs --page N");
        const int index = pageIndex(args, doc);
        if (index < 0)
            return 1;
        QString error;
        if (!PageOperations::writePage(doc, index, *output, &error))
            return cli::failure(error);
        return cli::reportWritten(args, "pages", {cli::writtenFile(*output, 1)},
                                  {{"action", action}});
    }
    if (action == "split") {
        const QString folder = paths[1];
        if (!QDir().mkpath(folder))
            return cli::failure(QStringLiteral("cannot create the folder %1").arg(folder));
        if (doc->pageCount() <= 1)
            return cli::failure(
                QStringLiteral("%1 has only one page; there is nothing to split").arg(paths[0]));
        const auto result = PageOperations::splitDocument(doc, folder);
        for (const QString& message : result.failures)
            cli::failure(message);
        if (!result.failures.isEmpty())
            return 1;
        QJsonArray files;
        for (const QString& path : result.written)
            files.append(cli::writtenFile(path, 1));
        return cli::reportWritten(args, "pages", files, {{"action", action}});
    }
    // merge: the only action left, as the table allows no other.
    const auto unlock = [](pdf::Document& source, const QString& path, QString* reason) {
        *reason = cli::unlockWithPassword(source, path);
        return reason->isEmpty();
    };
    const auto result = PageOperations::mergeDocuments(doc, paths.mid(1), {}, unlock);
    QJsonArray skipped;
    for (qsizetype i = 0; i < result.skipped.size(); ++i)
        skipped.append(QJsonObject{{"path", result.skipped[i]}, {"reason", result.reasons[i]}});
    if (const int written = write(args, doc, *output, {{"skipped", skipped}}); written != 0)
        return written;
    if (result.skipped.isEmpty())
        return 0;
    for (qsizetype i = 0; i < result.skipped.size(); ++i)
        cli::failure(QStringLiteral("skipped %1: %2").arg(result.skipped[i], result.reasons[i]));
    // Pages left out are not a success unless the caller said they may be.
    return args.has("--skip-unreadable") ? 0 : 3;
}

} // namespace
