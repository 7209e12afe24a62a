#pragma once
// The review panel's model: every annotation of the open document (whoever made it),
// filtered by kind and author, read again whenever the document's annotations or pages
// change. Going to one, removing one and replying to a note go through the document view
// model, so each is one step of Undo.
#include "pdf/annotations/AnnotationList.h"
#include "pdf/document/Document.h"

#include <QObject>
#include <QStringList>

#include <vector>

class DocumentViewModel;

class ReviewViewModel : public QObject {
    Q_OBJECT
public:
    explicit ReviewViewModel(DocumentViewModel& documentVM, QObject* parent = nullptr);

    // Every listed annotation, in page order.
    const std::vector<pdf::AnnotationEntry>& entries() const { return entries_; }
    // Those the filters let through.
    std::vector<pdf::AnnotationEntry> visibleEntries() const;

    // Kinds and authors present, sorted; the filters take one of them or empty for all.
    QStringList types() const;
    QStringList authors() const;
    const QString& typeFilter() const { return typeFilter_; }
    const QString& authorFilter() const { return authorFilter_; }
    void setTypeFilter(const QString& type);
    void setAuthorFilter(const QString& author);

    // The live annotation an entry stands for, or nullptr once it is gone.
    pdf::AnnotationPtr resolve(const pdf::AnnotationEntry& entry) const;
    // Removes it: one step of Undo. False when it is gone already.
    bool remove(const pdf::AnnotationEntry& entry);
    // A reply from `author` under the entry: one step of Undo. False for empty text.
    bool reply(const pdf::AnnotationEntry& entry, const QString& text, const QString& author);

    // What a person calls an annotation of this PDF subtype ("Note" for Text).
    static QString typeName(const QString& subtype);
    // The name replies are signed with: the account's own.
    static QString userName();

signals:
    void entriesChanged();
    void filtersChanged();

private:
    void reload();
    void watch();

    DocumentViewModel& documentVM_;
    pdf::DocumentPtr watched_;
    std::vector<pdf::AnnotationEntry> entries_;
    QString typeFilter_;
    QString authorFilter_;
};
