#pragma once
// Find and Redact: a word, a phrase or a regular expression, and the kinds of data the
// presets know (e-mail addresses, phone numbers, IBANs, card numbers), looked for across
// the whole document as they are typed, with the count of matches. "Mark" adds a
// redaction mark over each match (one undo step) to review before applying them.
#include "base/Task.h"
#include "utilities/RedactionService.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

#include <vector>

class DocumentViewModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class FindAndRedactView : public QDialog {
    Q_OBJECT
public:
    // `marked` hears of the matcher whose matches were marked.
    using Marked = std::function<void(std::shared_ptr<const RedactionMatcher>)>;
    FindAndRedactView(DocumentViewModel& documentVM, Marked marked = {}, QWidget* parent = nullptr);

    QLineEdit* textField() const { return text_; }
    QCheckBox* regexToggle() const { return regex_; }
    QCheckBox* presetToggle(RedactionMatcher::Preset preset) const;
    QLabel* countLabel() const { return count_; }
    QPushButton* markButton() const { return mark_; }
    // True while the matches of what is asked are being looked for (or about to be).
    bool isSearching() const { return delay_.isActive() || pending_; }
    const std::vector<RedactionService::Match>& matches() const { return matches_; }

private:
    void restartSearch();
    void search();
    void showMatches(std::vector<RedactionService::Match> matches, int generation);
    void showProblem(const QString& message);
    void markMatches();

    DocumentViewModel& documentVM_;
    QLineEdit* text_;
    QCheckBox* regex_;
    std::vector<QCheckBox*> presets_;
    QLabel* count_;
    QPushButton* mark_;
    QTimer delay_;
    base::Task task_;
    int generation_ = 0;
    bool pending_ = false; // a search started whose matches are not shown yet
    std::vector<RedactionService::Match> matches_;
    std::shared_ptr<const RedactionMatcher> matcher_; // what found matches_
    Marked marked_;
};
