// vellumark-cli search FILE QUERY [--json]
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/text/TextPage.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "search",
    .summary = "Find every match of a text, in document order",
    .description = "Prints one line per match, \"page N: TEXT\", in document order, "
                   "and the number of matches on the last line. Letters match whatever "
                   "their case and accents (\"Zurich\" finds \"Z\u00fcrich\") unless "
                   "asked otherwise. What form fields and free-text annotations show is "
                   "searched too.",
    .arguments = {{.name = "FILE", .help = "the PDF file"},
                  {.name = "QUERY", .help = "the text to find", .type = cli::ValueType::Text}},
    .options = {{.name = "--match-case", .help = "upper and lower case differ"},
                {.name = "--whole-words", .help = "matches begin and end at the edges of words"},
                {.name = "--match-diacritics",
                 .help = "accented letters differ from plain ones (\"u\" does not find "
                         "\"\u00fc\")"},
                cli::noAnnotationsOption()},
    .json = "{\n"
            "  \"query\": TEXT,\n"
            "  \"count\": N,                             the number of matches\n"
            "  \"matches\": [{\"page\": N, \"text\": TEXT}]  in document order\n"
            "}",
    .run = run,
});

int run(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("search");
    const QString query = args.positionals()[1];
    if (query.isEmpty())
        return cli::usageError(self, "the query is empty");
    auto doc = cli::openOrComplain(args.positionals()[0]);
    if (!doc)
        return 1;
    cli::applyAnnotationChoice(args, *doc);
    // Pages are searched as they are read and only their matches are kept: the memory
    // stays bounded by a few pages, not by the document.
    const pdf::SearchOptions options{.matchCase = args.has("--match-case"),
                                     .wholeWords = args.has("--whole-words"),
                                     .matchDiacritics = args.has("--match-diacritics")};
    const std::u32string needle = pdf::foldForSearch(query, options);
    qsizetype total = 0;
    QJsonArray matches;
    if (!needle.empty())
        doc->forEachTextPage([&](int index, const pdf::TextPage* text) {
            if (!text)
                return true;
            QString lines;
            for (const auto& [first, last] : text->find(needle, options)) {
                const QString found = text->text(first, last);
                if (args.json())
                    matches.append(QJsonObject{{"page", index + 1}, {"text", found}});
                else
                    lines +=
                        QStringLiteral("page %1: %2\n").arg(index + 1).arg(cli::printable(found));
                ++total;
            }
            if (!lines.isEmpty())
                cli::out(lines);
            return true;
        });
    if (args.json())
        cli::printJson({{"query", query}, {"count", total}, {"matches", matches}});
    else
        cli::out(QStringLiteral("%1 matches\n").arg(total));
    return 0;
}

} // namespace
