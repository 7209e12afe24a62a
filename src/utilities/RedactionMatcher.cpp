#include "utilities/RedactionMatcher.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace {

// Bounds on the work one expression may do on one line of text: far beyond what a sane
// expression needs, far below what a runaway one would take.
constexpr uint32_t kMatchLimit = 200000;
constexpr uint32_t kDepthLimit = 5000;
constexpr int kLongestPattern = 1000;

QString digitsOf(const QString& text) {
    QString digits;
    for (QChar ch : text)
        if (ch.isDigit())
            digits += ch;
    return digits;
}

bool luhn(const QString& text) {
    const QString digits = digitsOf(text);
    if (digits.size() < 13 || digits.size() > 19)
        return false;
    int sum = 0;
    bool twice = false;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        int d = digits[i].digitValue();
        if (twice && (d *= 2) > 9)
            d -= 9;
        sum += d;
        twice = !twice;
    }
    return sum % 10 == 0;
}

bool ibanChecksum(const QString& text) {
    QString compact;
    for (QChar ch : text)
        if (!ch.isSpace())
            compact += ch.toUpper();
    if (compact.size() < 15 || compact.size() > 34)
        return false;
    const QString moved = compact.mid(4) + compact.left(4);
    int remainder = 0;
    for (QChar ch : moved) {
        const int value = ch.isDigit() ? ch.digitValue() : ch.unicode() - 'A' + 10;
        remainder = (value > 9 ? remainder * 100 : remainder * 10) + value;
        remainder %= 97;
    }
    return remainder == 1;
}

bool phoneLength(const QString& text) {
    const qsizetype n = digitsOf(text).size();
    return n >= 7 && n <= 15;
}

} // namespace

struct RedactionMatcher::Rule {
    QString source;
    pcre2_code* code = nullptr;
    pcre2_match_context* limits = nullptr;
    std::function<bool(const QString&)> accept; // a preset's own check of a match
    ~Rule() {
        pcre2_match_context_free(limits);
        pcre2_code_free(code);
    }
};

std::optional<RedactionMatcher::Preset> RedactionMatcher::presetNamed(const QString& name) {
    const QStringList names = presetNames();
    const qsizetype at = names.indexOf(name);
    if (at < 0)
        return std::nullopt;
    return Preset(at);
}

QStringList RedactionMatcher::presetNames() {
    return {QStringLiteral("email"), QStringLiteral("phone"), QStringLiteral("iban"),
            QStringLiteral("card")};
}

namespace {

std::unique_ptr<RedactionMatcher::Rule> compile(const QString& pattern, bool caseless,
                                                const QString& shownAs) {
    using PatternError = RedactionMatcher::PatternError;
    if (pattern.size() > kLongestPattern)
        throw PatternError(QStringLiteral("the regular expression '%1' is longer than %2 "
                                          "characters")
                               .arg(shownAs.left(40) + QStringLiteral("…"))
                               .arg(kLongestPattern)
                               .toStdString());
    auto rule = std::make_unique<RedactionMatcher::Rule>();
    rule->source = shownAs;
    int error = 0;
    PCRE2_SIZE offset = 0;
    const uint32_t options = PCRE2_UTF | PCRE2_UCP | (caseless ? PCRE2_CASELESS : 0);
    rule->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.utf16()),
                               PCRE2_SIZE(pattern.size()), options, &error, &offset, nullptr);
    if (!rule->code) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(error, message, 256);
        throw PatternError(
            QStringLiteral("the regular expression '%1' does not compile: %2 "
                           "(at character %3)")
                .arg(shownAs, QString::fromUtf16(reinterpret_cast<const char16_t*>(message)))
                .arg(offset + 1)
                .toStdString());
    }
    rule->limits = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(rule->limits, kMatchLimit);
    pcre2_set_depth_limit(rule->limits, kDepthLimit);
    return rule;
}

QString presetPattern(RedactionMatcher::Preset preset) {
    switch (preset) {
    case RedactionMatcher::Preset::Email:
        return QStringLiteral(R"((?<![\w.+-])[\w.%+-]+@[\w-]+(?:\.[\w-]+)*\.\w{2,}(?![\w-]))");
    case RedactionMatcher::Preset::Phone:
        return QStringLiteral(
            R"((?<![\w+])(?<!\d[ .-])(?:\+\d{1,3}[ .-]?)?(?:\(\d{1,5}\)[ .-]?)?\d{2,5}(?:[ .-]?\d{2,5}){1,4}(?![ .-]?\d)(?!\w))");
    case RedactionMatcher::Preset::Iban:
        return QStringLiteral(
            R"((?<![A-Za-z0-9])[A-Z]{2}\d{2}(?: ?[A-Z0-9]{4}){2,7}(?: ?[A-Z0-9]{1,3})?(?![A-Za-z0-9]))");
    case RedactionMatcher::Preset::Card:
        return QStringLiteral(R"((?<!\d)(?:\d[ -]?){12,18}\d(?!\d))");
    }
    return {};
}

} // namespace

RedactionMatcher::RedactionMatcher(const QStringList& texts, const QStringList& patterns,
                                   const std::vector<Preset>& presets) {
    for (const QString& text : texts)
        if (!text.trimmed().isEmpty())
            rules_.push_back(compile(QRegularExpression::escape(text), true, text));
    for (const QString& pattern : patterns)
        rules_.push_back(compile(pattern, false, pattern));
    for (Preset preset : presets) {
        auto rule = compile(presetPattern(preset), false, presetNames()[int(preset)]);
        if (preset == Preset::Card)
            rule->accept = luhn;
        else if (preset == Preset::Iban)
            rule->accept = ibanChecksum;
        else if (preset == Preset::Phone)
            rule->accept = phoneLength;
        rules_.push_back(std::move(rule));
    }
}

RedactionMatcher::~RedactionMatcher() = default;
RedactionMatcher::RedactionMatcher(RedactionMatcher&&) noexcept = default;
RedactionMatcher& RedactionMatcher::operator=(RedactionMatcher&&) noexcept = default;

bool RedactionMatcher::isEmpty() const {
    return rules_.empty();
}

std::vector<std::pair<int, int>> RedactionMatcher::find(const QString& text) const {
    std::vector<std::pair<int, int>> found;
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text.utf16());
    const auto length = PCRE2_SIZE(text.size());
    for (const auto& rule : rules_) {
        pcre2_match_data* data = pcre2_match_data_create_from_pattern(rule->code, nullptr);
        PCRE2_SIZE start = 0;
        while (start <= length) {
            const int rc = pcre2_match(rule->code, subject, length, start, 0, data, rule->limits);
            if (rc == PCRE2_ERROR_NOMATCH)
                break;
            if (rc < 0) {
                pcre2_match_data_free(data);
                const bool runaway = rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT;
                throw PatternError(
                    (runaway ? QStringLiteral("the regular expression '%1' runs away: it would "
                                              "backtrack without end on the text of this "
                                              "document; make it more specific")
                             : QStringLiteral("the regular expression '%1' could not be matched"))
                        .arg(rule->source)
                        .toStdString());
            }
            const PCRE2_SIZE* at = pcre2_get_ovector_pointer(data);
            const int first = int(at[0]), last = int(at[1]);
            if (last > first && (!rule->accept || rule->accept(text.mid(first, last - first))))
                found.emplace_back(first, last);
            start = last > first ? at[1] : at[1] + 1;
            if (start < length && QChar::isLowSurrogate(text[qsizetype(start)].unicode()))
                ++start; // never inside a pair
        }
        pcre2_match_data_free(data);
    }
    // Overlapping matches of different rules become one.
    std::sort(found.begin(), found.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& m : found) {
        if (!merged.empty() && m.first < merged.back().second)
            merged.back().second = std::max(merged.back().second, m.second);
        else
            merged.push_back(m);
    }
    return merged;
}

int RedactionMatcher::replace(QString& text, const QString& with) const {
    const auto matches = find(text);
    for (auto it = matches.rbegin(); it != matches.rend(); ++it)
        text.replace(it->first, it->second - it->first, with);
    return int(matches.size());
}
