#pragma once
// The sidebar's Contents: the document's outline as a tree. A click goes to the entry's
// destination; the entry of the page being read is marked as the reader scrolls.
#include "pdf/document/Links.h"
#include "pdf/document/PageLabels.h"

#include <QTreeWidget>

#include <vector>

class DocumentViewModel;

class OutlineView : public QTreeWidget {
    Q_OBJECT
public:
    explicit OutlineView(DocumentViewModel& viewModel, QWidget* parent = nullptr);

    bool hasOutline() const { return topLevelItemCount() > 0; }
    // The entry marked for the current page, or nullptr.
    QTreeWidgetItem* markedItem() const { return marked_; }
    // Goes where the entry leads, as a click on it does.
    void activate(QTreeWidgetItem* item);

signals:
    // The document's outline was read again (it may have become empty).
    void outlineChanged();

private:
    void reload();
    void load();
    void clearEntries();
    void markCurrentPage();
    void addItems(const std::vector<pdf::OutlineItem>& items, QTreeWidgetItem* parent);

    DocumentViewModel& viewModel_;
    // Entries in document order with the page they lead to, for marking.
    std::vector<std::pair<int, QTreeWidgetItem*>> byPage_;
    QTreeWidgetItem* marked_ = nullptr;
    QMetaObject::Connection waitingForView_;
    pdf::PageLabels labels_;
};
