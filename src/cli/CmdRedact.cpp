// vellumark-cli redact FILE [--area PAGE:X,Y,W,H]... [--text T]... [--regex R]...
//   [--preset NAME]... [--fill COLOUR] [--overlay TEXT] [--allow-empty] -o OUT [--json]
#include "base/AtomicFile.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "pdf/document/DocumentSanitize.h"
#include "pdf/engine/Error.h"
#include "utilities/RedactionService.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace {

int run(const cli::Args& args);

std::vector<cli::Choice> presetChoices() {
    return {{"email", "e-mail addresses"},
            {"phone", "phone numbers (7 to 15 digits)"},
            {"iban", "IBANs whose check digits are right"},
            {"card", "card numbers that pass the Luhn check"}};
}

const cli::Registrar registrar({
    .name = "redact",
    .summary = "Write a copy with areas and matches taken out for good, not just covered",
    .description =
        "Marks areas and every match of words, regular expressions or presets, then writes "
        "a copy of FILE to OUT in which whatever lay under a mark is gone: the characters "
        "(invisible ones and those drawn by forms included), the image pixels (filled with "
        "the fill colour in the image itself), the paths lying wholly under a mark, and the "
        "annotations and form fields meeting one. Matches are also replaced in the document "
        "information, the XMP metadata (removed whole when it holds one), bookmark titles, "
        "annotation texts and form values. Redaction marks FILE already holds are applied "
        "too. The copy is written whole, with unused objects collected and page thumbnails "
        "dropped, so no earlier revision holds what was removed; a protected FILE keeps its "
        "protection. FILE itself is never changed.\n\n"
        "An area is PAGE:X,Y,W,H in points from the top-left corner of the page as it is "
        "shown (its rotation applied), pages counted from 1. Words match in any letter case; "
        "regular expressions are bounded, and one that would run away is refused.\n\n"
        "With --mark-only the marks are written as standard Redact annotations, to be "
        "reviewed (and applied later, here or by another program) with nothing removed yet.\n\n"
        "--sanitize, with marks or on its own, removes what the document carries besides its "
        "pages, and says how much of each kind it found.\n\n"
        "What was removed is printed per page. When nothing matched (and --sanitize found "
        "nothing), nothing is written and the exit status is 2, unless --allow-empty is given.",
    .arguments = {{.name = "FILE", .help = "the PDF file"}},
    .options = {cli::outputOption("OUT", "the redacted copy to write"),
                {.name = "--area",
                 .type = cli::ValueType::Text,
                 .value = "PAGE:X,Y,W,H",
                 .help = "an area to redact, in points from the page's top-left corner as shown",
                 .repeats = true},
                {.name = "--text",
                 .type = cli::ValueType::Text,
                 .value = "T",
                 .help = "a word or phrase to redact wherever it occurs, in any letter case",
                 .repeats = true},
                {.name = "--regex",
                 .type = cli::ValueType::Text,
                 .value = "R",
                 .help = "a regular expression (PCRE) whose matches are redacted",
                 .repeats = true},
                {.name = "--preset",
                 .type = cli::ValueType::Choice,
                 .value = "NAME",
                 .help = "a kind of data to find and redact",
                 .choices = presetChoices(),
                 .repeats = true},
                {.name = "--fill",
                 .type = cli::ValueType::Text,
                 .value = "COLOUR",
                 .help = "the colour of the redacted areas (a name or #RRGGBB)",
                 .defaultValue = "black"},
                {.name = "--overlay",
                 .type = cli::ValueType::Text,
                 .value = "TEXT",
                 .help = "a short text drawn over each area, such as \"Redacted\""},
                {.name = "--sanitize",
                 .help = "also remove the document information and XMP metadata, JavaScript "
                         "and actions, embedded files, hidden layers and comments"},
                {.name = "--mark-only",
                 .help = "write the marks as Redact annotations, for review here or in another "
                         "program, and remove nothing"},
                {.name = "--allow-empty", .help = "write the copy even when nothing matched"}},
    .json = "{\n"
            "  \"command\": \"redact\",\n"
            "  \"files\": [{\"path\": OUT, \"bytes\": N, \"pages\": N}],\n"
            "  \"marks\": N,\n"
            "  \"pages\": [{\"page\": N, \"marks\": N, \"characters\": N, \"imagesCut\": N,\n"
            "             \"imagesRemoved\": N, \"paths\": N, \"annotations\": N}],\n"
            "  \"elsewhere\": {\"information\": N, \"metadata\": N, \"outline\": N,\n"
            "                \"annotations\": N, \"fields\": N},\n"
            "  \"sanitized\": {\"metadata\": N, \"scripts\": N, \"embeddedFiles\": N,\n"
            "                \"hiddenLayers\": N, \"comments\": N}   with --sanitize\n"
            "}",
    .run = run,
});

struct ShownArea {
    int page = 0;
    QRectF rect;
};

std::optional<ShownArea> parseArea(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(\d+)\s*:([^,]+),([^,]+),([^,]+),([^,]+)$)"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        const auto number = cli::numberInRange(match.captured(i + 2).trimmed(), -1e6, 1e6);
        if (!number)
            return std::nullopt;
        v[i] = *number;
    }
    if (v[2] <= 0 || v[3] <= 0)
        return std::nullopt;
    return ShownArea{match.captured(1).toInt() - 1, QRectF(v[0], v[1], v[2], v[3])};
}

QString plural(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QString describe(const pdf::PageRedaction& p) {
    QStringList parts;
    parts << plural(p.glyphs, "character", "characters");
    if (p.imagesCut)
        parts << plural(p.imagesCut, "image cut", "images cut");
    if (p.imagesRemoved)
        parts << plural(p.imagesRemoved, "image removed", "images removed");
    if (p.paths)
        parts << plural(p.paths, "path", "paths");
    if (p.annotations)
        parts << plural(p.annotations, "annotation or field", "annotations or fields");
    return QStringLiteral("page %1: %2 (%3)\n")
        .arg(p.page + 1)
        .arg(parts.join(", "))
        .arg(plural(p.marks, "mark", "marks"));
}

// The marks made, saved for review instead of applied.
int writeMarks(const cli::Args& args, pdf::Document& doc, const QString& output) {
    const int marks = RedactionService::markCount(doc);
    if (marks == 0 && !args.has("--allow-empty")) {
        std::fprintf(stderr, "%s: nothing matched; nothing was written\n",
                     qPrintable(args.positionals()[0]));
        return 2;
    }
    pdf::WriteOptions options;
    options.keepProtection = true;
    QString error;
    if (!doc.write(output, options, &error))
        return cli::failure(base::couldNotBeWritten(output, error));
    if (!args.json())
        cli::out(QStringLiteral("%1 marked for review\n").arg(plural(marks, "area", "areas")));
    return cli::reportWritten(args, "redact", {cli::writtenFile(output, doc.pageCount())},
                              {{"marks", marks}});
}

int run(const cli::Args& args) {
    const cli::Command& self = cli::registry().at("redact");
    const QString output = args.text("--output");
    pdf::RedactionStyle style;
    style.fill = QColor(args.text("--fill"));
    if (!style.fill.isValid())
        return cli::usageError(self,
                               QStringLiteral("--fill takes a colour name or #RRGGBB, not '%1'")
                                   .arg(args.text("--fill")));
    style.overlayText = args.text("--overlay");
    std::vector<ShownArea> areas;
    for (const QString& text : args.values("--area")) {
        const auto area = parseArea(text);
        if (!area)
            return cli::usageError(
                self, QStringLiteral("--area takes PAGE:X,Y,W,H with a width and height above 0, "
                                     "not '%1'")
                          .arg(text));
        areas.push_back(*area);
    }
    std::vector<RedactionMatcher::Preset> presets;
    for (const QString& name : args.values("--preset"))
        presets.push_back(*RedactionMatcher::presetNamed(name));
    std::optional<RedactionMatcher> matcher;
    try {
        matcher.emplace(args.values("--text"), args.values("--regex"), presets);
    } catch (const RedactionMatcher::PatternError& e) {
        return cli::usageError(self, QString::fromUtf8(e.what()));
    }
    if (!cli::outputAllowed(output))
        return 1;
    auto doc = cli::openOrComplain(args.positionals()[0]);
    if (!doc)
        return 1;

    RedactionService::Report report;
    pdf::SanitizeFindings sanitized;
    try {
        for (const ShownArea& area : areas)
            RedactionService::markShownArea(*doc, area.page, area.rect, style);
        RedactionService::markMatches(*doc, RedactionService::findMatches(*doc, *matcher), style);
        if (args.has("--mark-only"))
            return writeMarks(args, *doc, output);
        report = RedactionService::applyRedactions(*doc, &*matcher, style);
        if (args.has("--sanitize"))
            sanitized = pdf::sanitizeDocument(
                *doc, pdf::SanitizeItem::Metadata | pdf::SanitizeItem::Scripts |
                          pdf::SanitizeItem::EmbeddedFiles | pdf::SanitizeItem::HiddenLayers |
                          pdf::SanitizeItem::Comments);
    } catch (const pdf::Error& e) {
        return cli::failure(QStringLiteral("%1: %2").arg(args.positionals()[0], e.what()));
    } catch (const RedactionService::RedactionError& e) {
        return cli::failure(QStringLiteral("%1: %2").arg(args.positionals()[0], e.what()));
    } catch (const RedactionMatcher::PatternError& e) {
        return cli::failure(QStringLiteral("%1: %2").arg(args.positionals()[0], e.what()));
    }
    if (report.marks() == 0 && report.elsewhere.total() == 0 && sanitized.total() == 0 &&
        !args.has("--allow-empty")) {
        std::fprintf(stderr,
                     "%s: nothing matched; nothing was written (--allow-empty writes "
                     "the copy anyway)\n",
                     qPrintable(args.positionals()[0]));
        return 2;
    }
    try {
        RedactionService::writeRedactedCopy(*doc, output);
    } catch (const RedactionService::RedactionError& e) {
        return cli::failure(base::couldNotBeWritten(output, QString::fromUtf8(e.what())));
    }

    QJsonArray pages;
    QString text;
    for (const auto& p : report.pages) {
        pages.append(QJsonObject{{"page", p.page + 1},
                                 {"marks", p.marks},
                                 {"characters", p.glyphs},
                                 {"imagesCut", p.imagesCut},
                                 {"imagesRemoved", p.imagesRemoved},
                                 {"paths", p.paths},
                                 {"annotations", p.annotations}});
        text += describe(p);
    }
    const pdf::ScrubCounts& e = report.elsewhere;
    const QJsonObject elsewhere{{"information", e.information},
                                {"metadata", e.metadata},
                                {"outline", e.outline},
                                {"annotations", e.annotations},
                                {"fields", e.fields}};
    if (!args.json()) {
        if (e.total() > 0)
            text += QStringLiteral("elsewhere: %1 in document information, %2 in XMP metadata, "
                                   "%3 in bookmarks, %4 in annotations, %5 in form fields\n")
                        .arg(e.information)
                        .arg(e.metadata)
                        .arg(e.outline)
                        .arg(e.annotations)
                        .arg(e.fields);
        if (args.has("--sanitize"))
            text += QStringLiteral("sanitised: %1 metadata entries, %2 scripts or actions, %3 "
                                   "embedded files, %4 hidden layers, %5 comments\n")
                        .arg(sanitized.metadata)
                        .arg(sanitized.scripts)
                        .arg(sanitized.embeddedFiles)
                        .arg(sanitized.hiddenLayers)
                        .arg(sanitized.comments);
        cli::out(cli::printable(text, true));
    }
    QJsonObject extra{{"marks", report.marks()}, {"pages", pages}, {"elsewhere", elsewhere}};
    if (args.has("--sanitize"))
        extra["sanitized"] = QJsonObject{{"metadata", sanitized.metadata},
                                         {"scripts", sanitized.scripts},
                                         {"embeddedFiles", sanitized.embeddedFiles},
                                         {"hiddenLayers", sanitized.hiddenLayers},
                                         {"comments", sanitized.comments}};
    return cli::reportWritten(args, "redact", {cli::writtenFile(output, doc->pageCount())}, extra);
}

} // namespace
