#pragma once
// The sidebar's Review segment: every annotation of the document grouped by page, each
// with its kind, author, date and first words, replies under the note they answer. Two
// lists above filter by kind and author; a click goes to the annotation and selects it
// on the page; Delete removes it; the field below replies to the chosen one.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/PageLabels.h"

#include <QWidget>

#include <functional>

class DocumentViewModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class ReviewViewModel;

class ReviewPanelView : public QWidget {
    Q_OBJECT
public:
    ReviewPanelView(DocumentViewModel& documentVM, QWidget* parent = nullptr);

    // How the panel selects an annotation on the page (the window's page view does it).
    using Selector = std::function<void(int page, const pdf::AnnotationPtr& annotation)>;
    void setSelector(Selector selector) { selector_ = std::move(selector); }

    ReviewViewModel* model() const { return model_; }
    QTreeWidget* tree() const { return tree_; }
    QComboBox* typeFilter() const { return types_; }
    QComboBox* authorFilter() const { return authors_; }
    QLineEdit* replyField() const { return replyField_; }
    // The row of the annotation with this object number, or nullptr.
    QTreeWidgetItem* itemForObject(int object) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void refillFilters();
    void activate(QTreeWidgetItem* item);
    void removeCurrent();
    void sendReply();
    int currentEntry() const; // index into the model's entries, -1 for none

    DocumentViewModel& documentVM_;
    ReviewViewModel* model_;
    QComboBox* types_;
    QComboBox* authors_;
    QTreeWidget* tree_;
    QLabel* empty_;
    QLineEdit* replyField_;
    Selector selector_;
    pdf::PageLabels labels_;
};
