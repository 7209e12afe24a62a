// vellumark-cli pages rotate|delete|insert-blank|insert|extract|split|merge
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/PageOperations.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "pages",
    "rotate, delete, insert, extract, split and merge pages",
    "Usage: vellumark-cli pages ACTION FILE ... -o OUT\n\n"
    "  rotate FILE [--page N | --all] [--turns K] -o OUT   turn clockwise by K quarters (default "
    "1)\n"
    "  delete FILE --page N -o OUT                         remove page N (never the last page "
    "left)\n"
    "  insert-blank FILE [--page N] -o OUT                 a blank page after page N, the size of "
    "page N\n"
    "  insert FILE SOURCE [--page N] -o OUT                every page of SOURCE after page N\n"
    "  extract FILE --page N -o OUT                        page N alone\n"
    "  split FILE DIR                                      DIR/page_1.pdf, DIR/page_2.pdf, ...\n"
    "  merge FILE OTHER... -o OUT                          FILE followed by every page of each "
    "OTHER\n\n"
    "Pages are numbered from 1; --page defaults to 1. OUT must not be one of the inputs.\n"
    "Annotations, form fields and links travel with their pages. merge names the files it\n"
    "skipped because they are not readable PDFs and still writes the others.",
    run,
});

const cli::Command& self() {
    return cli::registry().at("pages");
}

// Reads "--page N" as a 0-based index checked against the document; -1 after complaining.
int pageIndex(const std::optional<QString>& arg, const pdf::DocumentPtr& doc) {
    int number = 1;
    if (arg) {
        bool ok = false;
        number = arg->toInt(&ok);
        if (!ok) {
            cli::usageError(self(), "--page takes a page number");
            return -2;
        }
    }
    if (number < 1 || number > doc->pageCount()) {
        cli::failure(QStringLiteral("there is no page %1 (the document has %2)")
                         .arg(number)
                         .arg(doc->pageCount()));
        return -1;
    }
    return number - 1;
}

int exitFor(int index) {
    return index == -2 ? 2 : 1;
}

int write(const pdf::DocumentPtr& doc, const QString& path) {
    QString error;
    if (!doc->write(path, cli::keepingProtection(), &error))
        return cli::failure(base::couldNotBeWritten(path, error));
    return 0;
}

int run(const QStringList& argsIn) {
    QStringList args = argsIn;
    bool missing = false;
    const auto output = cli::takeOption(args, {"-o", "--output"}, &missing);
    const auto pageArg = cli::takeOption(args, {"--page"}, &missing);
    const auto turnsArg = cli::takeOption(args, {"--turns"}, &missing);
    const bool all = cli::takeFlag(args, "--all");
    if (missing)
        return cli::usageError(self(), "an option is missing its value");
    if (args.isEmpty())
        return cli::usageError(self(), "expected an action");
    const QString action = args.takeFirst();
    if (args.isEmpty())
        return cli::usageError(self(), "expected FILE");
    const bool writesFolder = action == "split";
    if (!writesFolder && !output)
        return cli::usageError(self(), "expected -o OUT");
    if (output && !cli::outputAllowed(*output))
        return 1;

    const int expectedArgs = action == "insert" || action == "split" ? 2 : 1;
    if (action != "merge" && args.size() != expectedArgs)
        return cli::usageError(self(),
                               QStringLiteral("%1 takes %2")
                                   .arg(action, expectedArgs == 2 ? "two paths" : "one FILE"));
    if (action == "merge" && args.size() < 2)
        return cli::usageError(self(), "merge takes FILE and at least one other file");

    auto doc = cli::openOrComplain(args[0]);
    if (!doc)
        return 1;

    if (action == "rotate") {
        int turns = 1;
        if (turnsArg) {
            bool ok = false;
            turns = turnsArg->toInt(&ok);
            if (!ok || turns < 0)
                return cli::usageError(self(), "--turns takes a whole number of quarter turns");
        }
        if (all && pageArg)
            return cli::usageError(self(), "--page and --all exclude each other");
        const int first = all ? 0 : pageIndex(pageArg, doc);
        if (first < 0)
            return exitFor(first);
        const int last = all ? doc->pageCount() - 1 : first;
        for (int i = first; i <= last; ++i)
            for (int t = 0; t < turns % 4; ++t)
                PageOperations::rotateClockwise(doc, i);
        return write(doc, *output);
    }
    if (action == "delete") {
        if (!pageArg)
            return cli::usageError(self(), "delete needs --page N");
        const int index = pageIndex(pageArg, doc);
        if (index < 0)
            return exitFor(index);
        if (!PageOperations::deletePage(doc, index))
            return cli::failure("the only page of a document cannot be deleted");
        return write(doc, *output);
    }
    if (action == "insert-blank") {
        const int index = pageIndex(pageArg, doc);
        if (index < 0)
            return exitFor(index);
        if (!PageOperations::insertBlankPage(doc, index))
            return cli::failure("the blank page could not be made");
        return write(doc, *output);
    }
    if (action == "insert") {
        const int index = pageIndex(pageArg, doc);
        if (index < 0)
            return exitFor(index);
        auto source = cli::openOrComplain(args[1]);
        if (!source)
            return 1;
        if (PageOperations::insertDocument(doc, *source, index + 1) != source->pageCount())
            return cli::failure(QStringLiteral("the pages of %1 could not be copied").arg(args[1]));
        return write(doc, *output);
    }
    if (action == "extract") {
        if (!pageArg)
            return cli::usageError(self(), "extract needs --page N");
        const int index = pageIndex(pageArg, doc);
        if (index < 0)
            return exitFor(index);
        QString error;
        if (!PageOperations::writePage(doc, index, *output, &error))
            return cli::failure(error);
        return 0;
    }
    if (action == "split") {
        const QString folder = args[1];
        if (!QDir().mkpath(folder))
            return cli::failure(QStringLiteral("cannot create the folder %1").arg(folder));
        if (doc->pageCount() <= 1)
            return cli::failure(
                QStringLiteral("%1 has only one page; there is nothing to split").arg(args[0]));
        const auto result = PageOperations::splitDocument(doc, folder);
        for (const QString& message : result.failures)
            cli::failure(message);
        return result.failures.isEmpty() ? 0 : 1;
    }
    if (action == "merge") {
        const auto result = PageOperations::mergeDocuments(doc, args.mid(1));
        if (!result.skipped.isEmpty())
            std::fprintf(stderr, "vellumark-cli: %s\n",
                         PageOperations::skippedMessage(result.skipped).toUtf8().constData());
        return write(doc, *output);
    }
    return cli::usageError(self(), QStringLiteral("unknown action %1").arg(action));
}

} // namespace
