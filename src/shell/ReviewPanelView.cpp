#include "shell/ReviewPanelView.h"

#include "pdf/annotations/AnnotationList.h"
#include "pdf/document/Page.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/ReviewViewModel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>
#include <set>

namespace {
constexpr int kEntry = Qt::UserRole;      // index into the model's entries; -1 for a page row
constexpr int kObject = Qt::UserRole + 1; // the annotation's object number
constexpr int kFirstWords = 80;           // characters of the text shown

QString firstWords(const QString& text) {
    QString line = text.simplified();
    if (line.size() > kFirstWords)
        line = line.left(kFirstWords).section(u' ', 0, -2) + QStringLiteral("\u2026");
    return line;
}
} // namespace

ReviewPanelView::ReviewPanelView(DocumentViewModel& documentVM, QWidget* parent)
    : QWidget(parent), documentVM_(documentVM), model_(new ReviewViewModel(documentVM, this)) {
    setObjectName(QStringLiteral("reviewPanel"));
    types_ = new QComboBox(this);
    types_->setAccessibleName(tr("Show kind"));
    authors_ = new QComboBox(this);
    authors_->setAccessibleName(tr("Show author"));
    for (QComboBox* box : {types_, authors_}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(4);
        box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("reviewList"));
    tree_->setAccessibleName(tr("Annotations"));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setFrameShape(QFrame::NoFrame);
    // Two lines a row, each cut to the column: a wrapped date would push the text out.
    tree_->setWordWrap(false);
    tree_->setTextElideMode(Qt::ElideRight);
    tree_->setIndentation(12);
    tree_->installEventFilter(this);
    empty_ = new QLabel(tr("No annotations"), this);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);
    replyField_ = new QLineEdit(this);
    replyField_->setObjectName(QStringLiteral("replyField"));
    replyField_->setPlaceholderText(tr("Reply to the chosen annotation\u2026"));
    replyField_->setAccessibleName(tr("Reply"));
    replyField_->setClearButtonEnabled(true);

    auto* filters = new QHBoxLayout;
    filters->setContentsMargins(6, 6, 6, 6);
    filters->setSpacing(4);
    filters->addWidget(types_);
    filters->addWidget(authors_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(filters);
    layout->addWidget(tree_, 1);
    layout->addWidget(empty_, 1);
    auto* replyRow = new QHBoxLayout;
    replyRow->setContentsMargins(6, 6, 6, 6);
    replyRow->addWidget(replyField_);
    layout->addLayout(replyRow);

    connect(model_, &ReviewViewModel::entriesChanged, this, [this] {
        refillFilters();
        rebuild();
    });
    connect(model_, &ReviewViewModel::filtersChanged, this, &ReviewPanelView::rebuild);
    connect(types_, &QComboBox::activated, this,
            [this](int i) { model_->setTypeFilter(types_->itemData(i).toString()); });
    connect(authors_, &QComboBox::activated, this,
            [this](int i) { model_->setAuthorFilter(authors_->itemData(i).toString()); });
    connect(tree_, &QTreeWidget::itemClicked, this, &ReviewPanelView::activate);
    connect(tree_, &QTreeWidget::itemActivated, this, &ReviewPanelView::activate);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this] { replyField_->setEnabled(currentEntry() >= 0); });
    connect(replyField_, &QLineEdit::returnPressed, this, &ReviewPanelView::sendReply);
    refillFilters();
    rebuild();
}

void ReviewPanelView::refillFilters() {
    auto fill = [](QComboBox* box, const QString& all, const QStringList& values,
                   const QString& chosen) {
        box->clear();
        box->addItem(all, QString());
        for (const QString& value : values)
            box->addItem(value, value);
        box->setCurrentIndex(std::max(0, box->findData(chosen)));
    };
    fill(types_, tr("All kinds"), model_->types(), model_->typeFilter());
    fill(authors_, tr("All authors"), model_->authors(), model_->authorFilter());
}

void ReviewPanelView::rebuild() {
    const pdf::DocumentPtr document = documentVM_.pdfDocument();
    labels_ = document ? pdf::PageLabels::read(*document) : pdf::PageLabels();
    const int keep = currentEntry() >= 0 ? tree_->currentItem()->data(0, kObject).toInt() : 0;
    tree_->clear();
    const auto& all = model_->entries();
    const auto shown = model_->visibleEntries();
    std::map<int, QTreeWidgetItem*> pages;
    std::map<int, QTreeWidgetItem*> byObject;
    std::map<int, int> indexOf; // object number -> index into all
    for (int i = 0; i < int(all.size()); ++i)
        if (all[size_t(i)].object > 0)
            indexOf[all[size_t(i)].object] = i;
    const QLocale locale;
    auto pageItemFor = [&](int index) {
        QTreeWidgetItem*& pageItem = pages[index];
        if (!pageItem) {
            pageItem = new QTreeWidgetItem(tree_);
            const QString page =
                index < labels_.pageCount() ? labels_.display(index) : QString::number(index + 1);
            pageItem->setText(0, tr("Page %1").arg(page));
            QFont bold = pageItem->font(0);
            bold.setBold(true);
            pageItem->setFont(0, bold);
            pageItem->setData(0, kEntry, -1);
            pageItem->setFlags(Qt::ItemIsEnabled);
            pageItem->setExpanded(true);
        }
        return pageItem;
    };
    auto add = [&](const pdf::AnnotationEntry& entry, QTreeWidgetItem* parent, bool reply) {
        auto* item = new QTreeWidgetItem(parent);
        QStringList head{reply ? tr("Reply") : ReviewViewModel::typeName(entry.subtype)};
        if (!entry.author.isEmpty())
            head << entry.author;
        if (entry.date.isValid())
            head << locale.toString(entry.date.toLocalTime().date(), QLocale::NarrowFormat);
        const QString words = firstWords(entry.contents);
        item->setText(0, words.isEmpty() ? head.join(QStringLiteral(" \u00b7 "))
                                         : head.join(QStringLiteral(" \u00b7 ")) + u'\n' + words);
        item->setToolTip(
            0, (entry.date.isValid()
                    ? locale.toString(entry.date.toLocalTime(), QLocale::LongFormat) + u'\n'
                    : QString()) +
                   entry.contents.left(2000));
        item->setData(0, kEntry, indexOf.count(entry.object) ? indexOf[entry.object] : -1);
        item->setData(0, kObject, entry.object);
        if (entry.object > 0)
            byObject[entry.object] = item;
        parent->setExpanded(true);
        if (keep > 0 && entry.object == keep)
            tree_->setCurrentItem(item);
    };
    // Notes first, then the replies under whatever they answer, wherever that stands in
    // the page's list (a note brought back by Undo comes after its replies).
    std::set<int> shownObjects;
    for (const pdf::AnnotationEntry& entry : shown)
        shownObjects.insert(entry.object);
    std::vector<const pdf::AnnotationEntry*> replies;
    for (const pdf::AnnotationEntry& entry : shown) {
        pageItemFor(entry.page);
        if (entry.inReplyTo > 0 && entry.inReplyTo != entry.object &&
            shownObjects.count(entry.inReplyTo))
            replies.push_back(&entry);
        else
            add(entry, pageItemFor(entry.page), false);
    }
    // A reply to a reply waits for the one it answers; a loop of them ends at the page.
    for (bool placed = true; placed && !replies.empty();) {
        placed = false;
        for (auto it = replies.begin(); it != replies.end();) {
            if (auto parent = byObject.find((*it)->inReplyTo); parent != byObject.end()) {
                add(**it, parent->second, true);
                it = replies.erase(it);
                placed = true;
            } else {
                ++it;
            }
        }
    }
    for (const pdf::AnnotationEntry* entry : replies)
        add(*entry, pageItemFor(entry->page), false);
    const bool any = !shown.empty();
    tree_->setVisible(any);
    empty_->setVisible(!any);
    empty_->setText(all.empty() ? tr("No annotations") : tr("No annotations match"));
    replyField_->setEnabled(currentEntry() >= 0);
}

QTreeWidgetItem* ReviewPanelView::itemForObject(int object) const {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if ((*it)->data(0, kObject).toInt() == object && (*it)->data(0, kEntry).toInt() >= 0)
            return *it;
    return nullptr;
}

int ReviewPanelView::currentEntry() const {
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item)
        return -1;
    const int index = item->data(0, kEntry).toInt();
    return index >= 0 && index < int(model_->entries().size()) ? index : -1;
}

void ReviewPanelView::activate(QTreeWidgetItem* item) {
    if (!item)
        return;
    const int index = item->data(0, kEntry).toInt();
    if (index < 0 || index >= int(model_->entries().size()))
        return;
    const pdf::AnnotationEntry entry = model_->entries()[size_t(index)];
    const pdf::AnnotationPtr annotation = model_->resolve(entry);
    if (!annotation)
        return;
    // Its page, with its top edge in sight.
    pdf::Destination destination;
    destination.page = entry.page;
    if (const pdf::PagePtr page = annotation->page())
        destination.top =
            std::max(0.0, page->pageToDisplay().mapRect(annotation->bounds()).top() - 24);
    documentVM_.goToDestination(destination);
    if (selector_)
        selector_(entry.page, annotation);
}

void ReviewPanelView::removeCurrent() {
    const int index = currentEntry();
    if (index < 0)
        return;
    const pdf::AnnotationEntry entry = model_->entries()[size_t(index)];
    // The row below (or above) takes the place of the one removed.
    QTreeWidgetItem* next = tree_->itemBelow(tree_->currentItem());
    if (!next || next->data(0, kEntry).toInt() < 0)
        next = tree_->itemAbove(tree_->currentItem());
    const int nextObject = next ? next->data(0, kObject).toInt() : 0;
    if (!model_->remove(entry))
        return;
    if (QTreeWidgetItem* item = nextObject > 0 ? itemForObject(nextObject) : nullptr)
        tree_->setCurrentItem(item);
}

void ReviewPanelView::sendReply() {
    const int index = currentEntry();
    if (index < 0)
        return;
    const pdf::AnnotationEntry entry = model_->entries()[size_t(index)];
    // A reply to a reply answers the same note: threads stay one level deep.
    pdf::AnnotationEntry note = entry;
    for (const pdf::AnnotationEntry& other : model_->entries())
        if (entry.inReplyTo > 0 && other.object == entry.inReplyTo)
            note = other;
    if (model_->reply(note, replyField_->text(), ReviewViewModel::userName()))
        replyField_->clear();
}

bool ReviewPanelView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
            removeCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
