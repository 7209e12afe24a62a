#include "sheets/FindAndRedactView.h"

#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/RedactionMarks.h"
#include "widgets/SheetStyle.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <set>

using SheetStyle::Role;

namespace {

struct PresetChoice {
    RedactionMatcher::Preset preset;
    const char* label;
};

constexpr PresetChoice kPresets[] = {
    {RedactionMatcher::Preset::Email, QT_TRANSLATE_NOOP("FindAndRedactView", "E-mail addresses")},
    {RedactionMatcher::Preset::Phone, QT_TRANSLATE_NOOP("FindAndRedactView", "Phone numbers")},
    {RedactionMatcher::Preset::Iban, QT_TRANSLATE_NOOP("FindAndRedactView", "IBANs")},
    {RedactionMatcher::Preset::Card, QT_TRANSLATE_NOOP("FindAndRedactView", "Card numbers")},
};

// Typing pauses this long before the document is searched again.
constexpr int kTypingPauseMs = 250;

} // namespace

FindAndRedactView::FindAndRedactView(DocumentViewModel& documentVM, Marked marked, QWidget* parent)
    : QDialog(parent), documentVM_(documentVM), marked_(std::move(marked)) {
    setObjectName(QStringLiteral("findAndRedactView"));
    setWindowTitle(tr("Find and Redact"));
    setWindowModality(Qt::WindowModal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(12);
    layout->setSizeConstraint(QLayout::SetMinAndMaxSize);

    layout->addWidget(SheetStyle::label(tr("Find and Redact"), Role::title2, QFont::DemiBold));
    auto* intro = SheetStyle::label(tr("Every match in the document gets a redaction mark to "
                                       "review. Nothing is removed until you apply the marks."),
                                    Role::callout, QFont::Normal, SheetStyle::secondary());
    intro->setWordWrap(true);
    layout->addWidget(intro);

    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("redactText"));
    text_->setPlaceholderText(tr("Word, phrase or regular expression"));
    text_->setClearButtonEnabled(true);
    layout->addWidget(text_);
    regex_ = new QCheckBox(tr("Regular expression"), this);
    layout->addWidget(regex_);

    layout->addWidget(SheetStyle::label(tr("Also find"), Role::callout, QFont::Medium));
    auto* presetRows = new QVBoxLayout;
    presetRows->setSpacing(4);
    for (const PresetChoice& choice : kPresets) {
        auto* box = new QCheckBox(tr(choice.label), this);
        presets_.push_back(box);
        presetRows->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &FindAndRedactView::restartSearch);
    }
    layout->addLayout(presetRows);

    count_ = SheetStyle::label(QString(), Role::headline, QFont::Medium);
    count_->setObjectName(QStringLiteral("matchCount"));
    count_->setWordWrap(true);
    layout->addWidget(count_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    mark_ = new QPushButton(tr("Mark Matches"), this);
    mark_->setObjectName(QStringLiteral("markMatches"));
    mark_->setDefault(true);
    connect(mark_, &QPushButton::clicked, this, &FindAndRedactView::markMatches);
    buttons->addWidget(mark_);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    delay_.setSingleShot(true);
    delay_.setInterval(kTypingPauseMs);
    connect(&delay_, &QTimer::timeout, this, &FindAndRedactView::search);
    connect(text_, &QLineEdit::textChanged, this, &FindAndRedactView::restartSearch);
    connect(regex_, &QCheckBox::toggled, this, &FindAndRedactView::restartSearch);
    restartSearch();
}

QCheckBox* FindAndRedactView::presetToggle(RedactionMatcher::Preset preset) const {
    for (size_t i = 0; i < std::size(kPresets); ++i)
        if (kPresets[i].preset == preset)
            return presets_[i];
    return nullptr;
}

void FindAndRedactView::restartSearch() {
    // What was found for the last question no longer answers this one.
    ++generation_;
    task_.discard();
    pending_ = false;
    matches_.clear();
    matcher_.reset();
    mark_->setEnabled(false);
    mark_->setText(tr("Mark Matches"));
    count_->setText(QString());
    delay_.start();
}

void FindAndRedactView::search() {
    const pdf::DocumentPtr document = documentVM_.pdfDocument();
    QStringList texts, patterns;
    const QString asked = text_->text();
    if (!asked.trimmed().isEmpty())
        (regex_->isChecked() ? patterns : texts) << asked;
    std::vector<RedactionMatcher::Preset> presets;
    for (size_t i = 0; i < std::size(kPresets); ++i)
        if (presets_[i]->isChecked())
            presets.push_back(kPresets[i].preset);
    if (!document || (texts.isEmpty() && patterns.isEmpty() && presets.empty())) {
        count_->setText(tr("Type what to find, or choose a kind of data."));
        return;
    }
    std::shared_ptr<RedactionMatcher> matcher;
    try {
        matcher = std::make_shared<RedactionMatcher>(texts, patterns, presets);
    } catch (const RedactionMatcher::PatternError& e) {
        showProblem(QString::fromUtf8(e.what()));
        return;
    }
    count_->setText(tr("Searching\u2026"));
    pending_ = true;
    const int generation = generation_;
    base::TaskHandlers handlers;
    handlers.failed = [this](const QString& error) { showProblem(error); };
    task_ = base::Task::run(
        this,
        [document, matcher](base::TaskContext&) {
            return RedactionService::findMatches(*document, *matcher);
        },
        [this, generation, matcher](std::vector<RedactionService::Match> found) {
            if (generation == generation_)
                matcher_ = matcher;
            showMatches(std::move(found), generation);
        },
        handlers);
}

void FindAndRedactView::showMatches(std::vector<RedactionService::Match> matches, int generation) {
    if (generation != generation_)
        return;
    pending_ = false;
    matches_ = std::move(matches);
    std::set<int> pages;
    for (const auto& match : matches_)
        pages.insert(match.page);
    const int n = int(matches_.size());
    const int p = int(pages.size());
    if (n == 0)
        count_->setText(tr("No matches"));
    else
        count_->setText((n == 1 ? tr("1 match") : tr("%1 matches").arg(n)) + QLatin1Char(' ') +
                        (p == 1 ? tr("on 1 page") : tr("on %1 pages").arg(p)));
    mark_->setText(n == 0   ? tr("Mark Matches")
                   : n == 1 ? tr("Mark 1 Match")
                            : tr("Mark %1 Matches").arg(n));
    mark_->setEnabled(n > 0);
}

void FindAndRedactView::showProblem(const QString& message) {
    pending_ = false;
    matches_.clear();
    mark_->setEnabled(false);
    count_->setText(message);
}

void FindAndRedactView::markMatches() {
    if (matches_.empty() || isSearching())
        return;
    if (!RedactionMarks::markMatches(documentVM_, matches_))
        return;
    if (marked_)
        marked_(matcher_);
    accept();
}
