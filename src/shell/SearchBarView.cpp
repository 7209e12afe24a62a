#include "shell/SearchBarView.h"

#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"

#include "viewmodels/DocumentViewModel.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QToolButton>

namespace {
QToolButton* borderlessButton(QWidget* parent, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIconSize(QSize(14, 14));
    button->setFixedSize(22, 22);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(tip);
    button->setCursor(Qt::ArrowCursor);
    return button;
}
} // namespace

SearchBarView::SearchBarView(DocumentViewModel* viewModel, QWidget* parent)
    : QWidget(parent), viewModel_(viewModel) {
    setObjectName(QStringLiteral("searchBar"));
    setAttribute(Qt::WA_StyledBackground, false);

    glass_ = new QLabel(this);
    glass_->setFixedSize(16, 16);

    field_ = new QLineEdit(this);
    field_->setPlaceholderText(tr("Search in PDF..."));
    field_->setFrame(false);
    field_->setAttribute(Qt::WA_MacShowFocusRect, false);
    // Plain style: the bar's background shows through the field.
    QPalette fieldPalette = field_->palette();
    fieldPalette.setColor(QPalette::Base, Qt::transparent);
    field_->setPalette(fieldPalette);

    counter_ = new QLabel(this);
    counter_->setObjectName(QStringLiteral("searchCounter"));
    counter_->setFont(Appearance::font(Appearance::FontRole::caption));
    Appearance::setTextColor(counter_, Appearance::secondary());

    previous_ = borderlessButton(this, tr("Previous Match"));
    next_ = borderlessButton(this, tr("Next Match"));

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setFixedSize(48, 6);

    clear_ = borderlessButton(this, tr("Clear"));

    options_ = new QToolButton(this);
    options_->setText(tr("Options"));
    options_->setAccessibleName(tr("Search Options"));
    options_->setAutoRaise(true);
    options_->setPopupMode(QToolButton::InstantPopup);
    options_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(options_);
    const auto option = [menu](const QString& title) {
        QAction* action = menu->addAction(title);
        action->setCheckable(true);
        return action;
    };
    matchCase_ = option(tr("Match Case"));
    wholeWords_ = option(tr("Whole Words"));
    matchDiacritics_ = option(tr("Match Diacritics"));
    options_->setMenu(menu);
    if (viewModel_) {
        const pdf::SearchOptions& now = viewModel_->searchOptions();
        matchCase_->setChecked(now.matchCase);
        wholeWords_->setChecked(now.wholeWords);
        matchDiacritics_->setChecked(now.matchDiacritics);
    }
    for (QAction* action : {matchCase_, wholeWords_, matchDiacritics_})
        connect(action, &QAction::toggled, this, &SearchBarView::applyOptions);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(glass_, 0, Qt::AlignVCenter);
    layout->addWidget(field_, 1, Qt::AlignVCenter);
    layout->addWidget(counter_, 0, Qt::AlignVCenter);
    layout->addWidget(previous_, 0, Qt::AlignVCenter);
    layout->addWidget(next_, 0, Qt::AlignVCenter);
    layout->addWidget(progress_, 0, Qt::AlignVCenter);
    layout->addWidget(clear_, 0, Qt::AlignVCenter);
    layout->addWidget(options_, 0, Qt::AlignVCenter);

    refreshIcons();

    // Typing only edits the query; Return searches.
    connect(field_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (viewModel_)
            viewModel_->setSearchText(text);
    });
    connect(field_, &QLineEdit::returnPressed, this, [this] {
        if (!viewModel_)
            return;
        // Return again on the same query steps on, as readers do, rather than restarting.
        if (!viewModel_->searchResults().isEmpty() && searched_ == viewModel_->searchText()) {
            viewModel_->nextSearchResult();
            return;
        }
        searched_ = viewModel_->searchText();
        viewModel_->performSearch();
    });
    field_->installEventFilter(this);
    connect(previous_, &QToolButton::clicked, this, [this] {
        if (viewModel_)
            viewModel_->previousSearchResult();
    });
    connect(next_, &QToolButton::clicked, this, [this] {
        if (viewModel_)
            viewModel_->nextSearchResult();
    });
    connect(clear_, &QToolButton::clicked, this, &SearchBarView::clear);

    if (viewModel_) {
        for (auto signal :
             {&DocumentViewModel::searchTextChanged, &DocumentViewModel::searchResultsChanged,
              &DocumentViewModel::currentSearchIndexChanged,
              &DocumentViewModel::isSearchingChanged})
            connect(viewModel_, signal, this, &SearchBarView::refresh);
        // Read here, not while matches stream in: the search holds the document meanwhile.
        for (auto signal :
             {&DocumentViewModel::pdfDocumentChanged, &DocumentViewModel::totalPagesChanged})
            connect(viewModel_, signal, this, [this] {
                const pdf::DocumentPtr& document = viewModel_->pdfDocument();
                labels_ = document ? pdf::PageLabels::read(*document) : pdf::PageLabels();
            });
    }
    refresh();
}

void SearchBarView::clear() {
    if (!viewModel_)
        return;
    searched_.clear();
    viewModel_->clearSearch();
}

void SearchBarView::applyOptions() {
    if (!viewModel_)
        return;
    viewModel_->setSearchOptions({.matchCase = matchCase_->isChecked(),
                                  .wholeWords = wholeWords_->isChecked(),
                                  .matchDiacritics = matchDiacritics_->isChecked()});
    // The matches shown were found under the old options: find them again.
    if (!searched_.isEmpty() && searched_ == viewModel_->searchText())
        viewModel_->performSearch();
}

void SearchBarView::focusField() {
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

bool SearchBarView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            emit closeRequested();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ShiftModifier)) {
            if (viewModel_)
                viewModel_->previousSearchResult();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchBarView::refresh() {
    const QString text = viewModel_ ? viewModel_->searchText() : QString();
    if (field_->text() != text)
        field_->setText(text);
    const qsizetype matches = viewModel_ ? viewModel_->searchResults().size() : 0;
    const bool hasResults = matches > 0;
    if (hasResults)
        counter_->setText(counterText());
    counter_->setVisible(hasResults);
    previous_->setVisible(hasResults);
    next_->setVisible(hasResults);
    progress_->setVisible(viewModel_ && viewModel_->isSearching());
    clear_->setVisible(!text.isEmpty());
}

QString SearchBarView::counterText() const {
    const int current = viewModel_->currentSearchIndex();
    const auto& results = viewModel_->searchResults();
    const QString count = tr("%1 of %2").arg(current + 1).arg(results.size());
    // Where the document numbers its pages its own way, the match's page by its label.
    if (labels_.isEmpty() || current < 0 || current >= results.size())
        return count;
    const auto pages = results[current].pages();
    const int page = pages.empty() ? -1 : pages.front()->index();
    if (page < 0 || page >= labels_.pageCount() || !labels_.differs(page))
        return count;
    return tr("%1 \u00b7 page %2").arg(count, labels_.display(page));
}

void SearchBarView::refreshIcons() {
    glass_->setPixmap(Icons::pixmap(QStringLiteral("magnifyingglass"), 16, Appearance::secondary(),
                                    devicePixelRatioF()));
    previous_->setIcon(Icons::icon(QStringLiteral("chevron.up")));
    next_->setIcon(Icons::icon(QStringLiteral("chevron.down")));
    clear_->setIcon(Icons::icon(QStringLiteral("xmark.circle.fill"), Appearance::secondary()));
}

void SearchBarView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        refreshIcons();
    QWidget::changeEvent(event);
}

void SearchBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(shape, Appearance::barBackground());
    painter.setPen(QPen(Appearance::separator(), 1));
    painter.drawPath(shape);
}
