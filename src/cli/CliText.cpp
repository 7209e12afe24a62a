#include "cli/CliText.h"

#include <QRegularExpression>

namespace cli {

QString wrap(const QString& text, int width, int indent, const QString& first) {
    const QStringList words = text.simplified().split(' ', Qt::SkipEmptyParts);
    QString result;
    QString line = first;
    bool lineHasWord = false;
    for (const QString& word : words) {
        if (lineHasWord && line.size() + 1 + word.size() > width) {
            result += line + "\n";
            line = QString(indent, ' ');
            lineHasWord = false;
        }
        line += (lineHasWord ? " " : "") + word;
        lineHasWord = true;
    }
    // A label with no help still has its line.
    while (line.endsWith(' '))
        line.chop(1);
    return result + line + "\n";
}

QString optionHelp(const Option& option) {
    QStringList details;
    if (option.type == ValueType::Choice) {
        QStringList values;
        for (const Choice& choice : option.choices)
            values << choice.value;
        details << "one of " + values.join(", ");
    }
    if (const QString range = rangeText(option); !range.isEmpty())
        details << "from " + range;
    if (!option.defaultValue.isEmpty())
        details << "default " + option.defaultValue;
    if (option.required)
        details << "required";
    if (details.isEmpty())
        return option.help;
    return option.help + " (" + details.join("; ") + ")";
}

QString firstSentence(const QString& text) {
    QString sentence = text.simplified();
    // A sentence ends at a period before a capital; "OTHER... -o" goes on.
    static const QRegularExpression end(QStringLiteral("(?<!\\.)\\. (?=[A-Z])"));
    if (const auto match = end.match(sentence); match.hasMatch())
        sentence.truncate(match.capturedStart());
    if (sentence.endsWith('.') && !sentence.endsWith(QStringLiteral("..")))
        sentence.chop(1);
    return sentence;
}

QString roffText(const QString& text) {
    QString escaped = text;
    escaped.replace('\\', QStringLiteral("\\e"));
    // An option ("--page", "-o") or a negative number: a minus sign, which copies as one.
    static const QRegularExpression option(QStringLiteral("(?<![\\w\\-])-[\\-\\w.+]*"));
    QString result;
    qsizetype at = 0;
    for (auto it = option.globalMatch(escaped); it.hasNext();) {
        const auto match = it.next();
        result += escaped.mid(at, match.capturedStart() - at);
        result += match.captured().replace('-', QStringLiteral("\\-"));
        at = match.capturedEnd();
    }
    result += escaped.mid(at);
    result.replace(QStringLiteral("vellumark-cli"), QStringLiteral("vellumark\\-cli"));
    if (result.startsWith('.') || result.startsWith('\''))
        result.prepend(QStringLiteral("\\&"));
    return result;
}

QString roffBold(const QString& name) {
    QString escaped = name;
    escaped.replace('\\', QStringLiteral("\\e")).replace('-', QStringLiteral("\\-"));
    return "\\fB" + escaped + "\\fR";
}

} // namespace cli
