// vellumark-cli search FILE QUERY
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/Page.h"
#include "pdf/Selection.h"

namespace {

int run(const QStringList& argsIn);

const cli::Registrar registrar({
    "search",
    "every case-insensitive match of a text, in document order",
    "Usage: vellumark-cli search FILE QUERY\n\nPrints one line per match, \"page N: TEXT\", in "
    "document order, and\n"
    "the number of matches on the last line.",
    run,
});

int run(const QStringList& args) {
    const cli::Command& self = cli::registry().at("search");
    if (args.size() != 2)
        return cli::usageError(self, "expected FILE and QUERY");
    if (args[1].isEmpty())
        return cli::usageError(self, "the query is empty");
    auto doc = cli::openOrComplain(args[0]);
    if (!doc)
        return 1;
    const auto matches = doc->findString(args[1]);
    QString out;
    out.reserve(int(matches.size()) * 24);
    for (const auto& match : matches) {
        const auto pages = match.pages();
        const int page = pages.empty() ? 0 : pages.front()->index() + 1;
        out += QStringLiteral("page %1: %2\n").arg(page).arg(cli::printable(match.string()));
    }
    out += QStringLiteral("%1 matches\n").arg(matches.size());
    cli::out(out);
    return 0;
}

} // namespace
