#include "shell/OutlineView.h"

#include "pageview/PdfPageView.h"
#include "viewmodels/DocumentViewModel.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QUrl>

namespace {
constexpr int kDestinationPage = Qt::UserRole;
constexpr int kTop = Qt::UserRole + 1;
constexpr int kUri = Qt::UserRole + 2;
} // namespace

OutlineView::OutlineView(DocumentViewModel& viewModel, QWidget* parent)
    : QTreeWidget(parent), viewModel_(viewModel) {
    setObjectName(QStringLiteral("outline"));
    setHeaderHidden(true);
    // The title, and the page it leads to as the document labels it.
    setColumnCount(2);
    setUniformRowHeights(true);
    setFrameShape(QFrame::NoFrame);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    // A click goes there; the keyboard's Enter does the same.
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { activate(item); });
    connect(this, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { activate(item); });
    connect(&viewModel_, &DocumentViewModel::pdfDocumentChanged, this, &OutlineView::reload);
    connect(&viewModel_, &DocumentViewModel::totalPagesChanged, this, &OutlineView::reload);
    connect(&viewModel_, &DocumentViewModel::currentPageIndexChanged, this,
            &OutlineView::markCurrentPage);
    reload();
}

void OutlineView::reload() {
    disconnect(waitingForView_);
    const pdf::DocumentPtr document = viewModel_.pdfDocument();
    auto* view = dynamic_cast<PdfPageView*>(viewModel_.pdfView());
    if (document && view && view->document() == document && !view->pageSizesKnown()) {
        // A long outline is read once the first page is on the screen, not before; the
        // previous document's entries go now.
        waitingForView_ = connect(view, &PdfPageView::pageSizesCompleted, this, &OutlineView::load,
                                  Qt::SingleShotConnection);
        if (topLevelItemCount() > 0) {
            clearEntries();
            emit outlineChanged();
        }
        return;
    }
    load();
}

void OutlineView::clearEntries() {
    clear();
    byPage_.clear();
    marked_ = nullptr;
}

void OutlineView::load() {
    disconnect(waitingForView_);
    clearEntries();
    const pdf::DocumentPtr document = viewModel_.pdfDocument();
    labels_ = document ? pdf::PageLabels::read(*document) : pdf::PageLabels();
    if (document)
        addItems(pdf::outline(*document), nullptr);
    markCurrentPage();
    emit outlineChanged();
}

void OutlineView::addItems(const std::vector<pdf::OutlineItem>& items, QTreeWidgetItem* parent) {
    for (const pdf::OutlineItem& entry : items) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        item->setText(0, entry.title);
        item->setData(0, kDestinationPage, entry.destination.page);
        item->setData(0, kTop, QVariant::fromValue(entry.destination.top.value_or(-1)));
        if (!entry.uri.isEmpty()) {
            item->setData(0, kUri, entry.uri);
            item->setToolTip(0, entry.uri);
        } else if (entry.destination.isValid()) {
            const int page = entry.destination.page;
            const QString shown =
                page < labels_.pageCount() ? labels_.display(page) : QString::number(page + 1);
            item->setToolTip(0, tr("Page %1").arg(shown));
            item->setText(1, shown);
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            item->setForeground(1, palette().brush(QPalette::PlaceholderText));
            byPage_.emplace_back(entry.destination.page, item);
        }
        addItems(entry.children, item);
        item->setExpanded(entry.open);
    }
}

void OutlineView::activate(QTreeWidgetItem* item) {
    if (!item)
        return;
    const QString uri = item->data(0, kUri).toString();
    if (!uri.isEmpty()) {
        QDesktopServices::openUrl(QUrl(uri));
        return;
    }
    pdf::Destination destination;
    destination.page = item->data(0, kDestinationPage).toInt();
    const double top = item->data(0, kTop).toDouble();
    if (top >= 0)
        destination.top = top;
    viewModel_.goToDestination(destination);
}

void OutlineView::markCurrentPage() {
    // The last entry, in reading order, that starts on or before the current page.
    const int page = viewModel_.currentPageIndex();
    QTreeWidgetItem* best = nullptr;
    int bestPage = -1;
    for (const auto& [target, item] : byPage_)
        if (target <= page && target >= bestPage) {
            best = item;
            bestPage = target;
        }
    if (best == marked_)
        return;
    if (marked_) {
        QFont font = marked_->font(0);
        font.setBold(false);
        marked_->setFont(0, font);
    }
    marked_ = best;
    if (!marked_) {
        setCurrentItem(nullptr);
        return;
    }
    QFont font = marked_->font(0);
    font.setBold(true);
    marked_->setFont(0, font);
    // Select without following: itemClicked alone navigates.
    setCurrentItem(marked_);
    scrollToItem(marked_);
}
