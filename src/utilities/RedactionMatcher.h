#pragma once
// What Find and Redact looks for: words and phrases (any letter case), regular expressions,
// and presets for e-mail addresses, phone numbers, IBANs (checksum-verified) and card
// numbers (Luhn-checked). Expressions are bounded: one that does not compile, or that
// would backtrack without end on some text, is refused with a message that says so.
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

class RedactionMatcher {
public:
    class PatternError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    enum class Preset { Email, Phone, Iban, Card };
    static std::optional<Preset> presetNamed(const QString& name); // "email", "phone", ...
    static QStringList presetNames();

    // Throws PatternError for an expression that does not compile or is too long.
    RedactionMatcher(const QStringList& texts, const QStringList& patterns,
                     const std::vector<Preset>& presets);
    ~RedactionMatcher();
    RedactionMatcher(RedactionMatcher&&) noexcept;
    RedactionMatcher& operator=(RedactionMatcher&&) noexcept;

    bool isEmpty() const;
    // [start, end) in UTF-16 units of every match in `text`, in order, not overlapping.
    // Throws PatternError when an expression runs past its bounds on this text.
    std::vector<std::pair<int, int>> find(const QString& text) const;
    // Replaces every match with `with`; returns how many there were. Throws as find().
    int replace(QString& text, const QString& with) const;

    struct Rule; // one compiled expression

private:
    std::vector<std::unique_ptr<Rule>> rules_;
};
