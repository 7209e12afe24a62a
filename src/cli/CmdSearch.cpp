// vellumark-cli search FILE QUERY
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/text/TextPage.h"

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
    // Pages are searched as they are read and only their matches are kept: the memory
    // stays bounded by a few pages, not by the document.
    const std::u32string needle = pdf::foldForSearch(args[1]);
    qsizetype total = 0;
    if (!needle.empty())
        doc->forEachTextPage([&](int index, const pdf::TextPage* text) {
            if (!text)
                return true;
            QString lines;
            for (const auto& [first, last] : text->find(needle)) {
                lines += QStringLiteral("page %1: %2\n")
                             .arg(index + 1)
                             .arg(cli::printable(text->text(first, last)));
                ++total;
            }
            if (!lines.isEmpty())
                cli::out(lines);
            return true;
        });
    cli::out(QStringLiteral("%1 matches\n").arg(total));
    return 0;
}

} // namespace
