// vellumark-cli compare A B [--json]
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "utilities/DocumentComparison.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

using namespace DocumentComparison;

int run(const cli::Args& args);

const cli::Registrar registrar({
    .name = "compare",
    .summary = "List the words that differ between the texts of two PDFs",
    .description =
        "Pairs the pages of A and B (a page inserted or removed on one side stands alone), "
        "then compares the words of each pair. Prints one line per difference, "
        "\"A page N, B page M: changed \"old\" -> \"new\"\", in reading order, and the "
        "number of differences on the last line. Words are compared exactly; how the text "
        "is broken into lines does not count.\n\n"
        "Exit status: 0 the texts are the same, 3 they differ, 1 a file cannot be read. "
        "The status is the same with --json.",
    .arguments = {{.name = "A", .help = "the first PDF file"},
                  {.name = "B", .help = "the PDF file to compare it with"}},
    .json = "{\n"
            "  \"same\": BOOL,\n"
            "  \"pages\": [{\"a\": N | null, \"b\": N | null}],  the pairing, 1-based\n"
            "  \"differences\": [{\n"
            "    \"kind\": \"added\" | \"removed\" | \"changed\",\n"
            "    \"wholePage\": BOOL,           a page on one side only\n"
            "    \"aPage\": N | null, \"bPage\": N | null,\n"
            "    \"aText\": TEXT, \"bText\": TEXT,\n"
            "    \"aBoxes\": [[X, Y, W, H]], \"bBoxes\": [[X, Y, W, H]]  "
            "the words, PDF points, origin bottom-left\n"
            "  }],\n"
            "  \"status\": N                    the exit status\n"
            "}",
    .run = run,
});

QJsonValue pageNumber(int index) {
    return index >= 0 ? QJsonValue(index + 1) : QJsonValue();
}

QJsonArray boxList(const std::vector<QRectF>& boxes) {
    QJsonArray out;
    const auto round = [](double v) { return qRound(v * 100) / 100.0; };
    for (const QRectF& b : boxes)
        out.append(QJsonArray{round(b.x()), round(b.y()), round(b.width()), round(b.height())});
    return out;
}

QString where(const Difference& d) {
    QStringList sides;
    if (d.leftPage >= 0)
        sides << QStringLiteral("A page %1").arg(d.leftPage + 1);
    if (d.rightPage >= 0)
        sides << QStringLiteral("B page %1").arg(d.rightPage + 1);
    return sides.join(", ");
}

QString line(const Difference& d) {
    const auto quoted = [](const QString& text) {
        return "\u201c" + cli::printable(text) + "\u201d";
    };
    QString what;
    if (d.wholePage)
        what =
            d.kind == Kind::added ? QStringLiteral("page added") : QStringLiteral("page removed");
    else
        what = kindName(d.kind);
    if (d.kind == Kind::changed)
        return QStringLiteral("%1: %2 %3 -> %4\n")
            .arg(where(d), what, quoted(d.leftText), quoted(d.rightText));
    const QString& text = d.kind == Kind::added ? d.rightText : d.leftText;
    return QStringLiteral("%1: %2 %3\n").arg(where(d), what, quoted(text));
}

int run(const cli::Args& args) {
    std::vector<PageWords> sides[2];
    for (int side = 0; side < 2; ++side) {
        auto doc = cli::openOrComplain(args.positionals()[side]);
        if (!doc)
            return 1;
        sides[side] = wordsOf(*doc);
    }
    const Result result = compare(sides[0], sides[1]);
    const int status = result.same() ? 0 : 3;
    if (args.json()) {
        QJsonArray pages, differences;
        for (const PagePair& pair : result.pages)
            pages.append(QJsonObject{{"a", pageNumber(pair.left)}, {"b", pageNumber(pair.right)}});
        for (const Difference& d : result.differences)
            differences.append(QJsonObject{
                {"kind", kindName(d.kind)},
                {"wholePage", d.wholePage},
                {"aPage", pageNumber(d.leftPage)},
                {"bPage", pageNumber(d.rightPage)},
                {"aText", d.leftText},
                {"bText", d.rightText},
                {"aBoxes", boxList(d.leftBoxes)},
                {"bBoxes", boxList(d.rightBoxes)},
            });
        cli::printJson({{"same", result.same()},
                        {"pages", pages},
                        {"differences", differences},
                        {"status", status}});
        return status;
    }
    QString text;
    for (const Difference& d : result.differences)
        text += line(d);
    const qsizetype count = result.differences.size();
    text += result.same() ? QStringLiteral("The texts are the same\n")
            : count == 1  ? QStringLiteral("1 difference\n")
                          : QStringLiteral("%1 differences\n").arg(count);
    cli::out(text);
    return status;
}

} // namespace
