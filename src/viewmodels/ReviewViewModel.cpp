#include "viewmodels/ReviewViewModel.h"

#include "pdf/document/DocumentChanges.h"
#include "pdf/document/Page.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/AnnotationChangeEdit.h"
#include "viewmodels/DocumentViewModel.h"

#include <QSet>

#include <algorithm>

ReviewViewModel::ReviewViewModel(DocumentViewModel& documentVM, QObject* parent)
    : QObject(parent), documentVM_(documentVM) {
    connect(&documentVM_, &DocumentViewModel::pdfDocumentChanged, this, &ReviewViewModel::watch);
    connect(&documentVM_, &DocumentViewModel::totalPagesChanged, this, &ReviewViewModel::reload);
    watch();
}

void ReviewViewModel::watch() {
    if (watched_)
        disconnect(watched_->changes(), nullptr, this, nullptr);
    watched_ = documentVM_.pdfDocument();
    if (watched_)
        connect(watched_->changes(), &pdf::DocumentChanges::changed, this,
                [this](const pdf::Change& change) {
                    if (change.kind != pdf::Change::Kind::FormValuesChanged &&
                        change.kind != pdf::Change::Kind::InfoChanged)
                        reload();
                });
    reload();
}

void ReviewViewModel::reload() {
    entries_ = watched_ ? pdf::listAnnotations(*watched_) : std::vector<pdf::AnnotationEntry>();
    // A filter on a kind or author no longer present would hide everything.
    if (!typeFilter_.isEmpty() && !types().contains(typeFilter_))
        typeFilter_.clear();
    if (!authorFilter_.isEmpty() && !authors().contains(authorFilter_))
        authorFilter_.clear();
    emit entriesChanged();
}

std::vector<pdf::AnnotationEntry> ReviewViewModel::visibleEntries() const {
    std::vector<pdf::AnnotationEntry> shown;
    for (const pdf::AnnotationEntry& entry : entries_)
        if ((typeFilter_.isEmpty() || typeName(entry.subtype) == typeFilter_) &&
            (authorFilter_.isEmpty() || entry.author == authorFilter_))
            shown.push_back(entry);
    return shown;
}

QStringList ReviewViewModel::types() const {
    QSet<QString> found;
    for (const pdf::AnnotationEntry& entry : entries_)
        found.insert(typeName(entry.subtype));
    QStringList list(found.begin(), found.end());
    list.sort(Qt::CaseInsensitive);
    return list;
}

QStringList ReviewViewModel::authors() const {
    QSet<QString> found;
    for (const pdf::AnnotationEntry& entry : entries_)
        if (!entry.author.isEmpty())
            found.insert(entry.author);
    QStringList list(found.begin(), found.end());
    list.sort(Qt::CaseInsensitive);
    return list;
}

void ReviewViewModel::setTypeFilter(const QString& type) {
    if (type == typeFilter_)
        return;
    typeFilter_ = type;
    emit filtersChanged();
}

void ReviewViewModel::setAuthorFilter(const QString& author) {
    if (author == authorFilter_)
        return;
    authorFilter_ = author;
    emit filtersChanged();
}

pdf::AnnotationPtr ReviewViewModel::resolve(const pdf::AnnotationEntry& entry) const {
    if (!watched_ || entry.page < 0 || entry.page >= watched_->pageCount())
        return nullptr;
    const pdf::PagePtr page = watched_->page(entry.page);
    return page ? pdf::annotationByObject(*page, entry.object) : nullptr;
}

bool ReviewViewModel::remove(const pdf::AnnotationEntry& entry) {
    const pdf::AnnotationPtr annotation = resolve(entry);
    if (!annotation)
        return false;
    return documentVM_.perform(std::make_unique<RemoveAnnotationEdit>(watched_, annotation));
}

bool ReviewViewModel::reply(const pdf::AnnotationEntry& entry, const QString& text,
                            const QString& author) {
    if (text.trimmed().isEmpty() || !resolve(entry))
        return false;
    const int pageIndex = entry.page;
    const int object = entry.object;
    const QString body = text.trimmed();
    return documentVM_.perform(std::make_unique<AddAnnotationsEdit>(
        tr("Add Reply"), watched_, [pageIndex, object, body, author](pdf::Document& document) {
            std::vector<pdf::AnnotationPtr> made;
            const pdf::PagePtr page = document.page(pageIndex);
            const pdf::AnnotationPtr parent =
                page ? pdf::annotationByObject(*page, object) : nullptr;
            if (parent)
                made.push_back(pdf::addReply(*page, *parent, body, author));
            return made;
        }));
}

QString ReviewViewModel::typeName(const QString& subtype) {
    static const QHash<QString, QString> names{
        {"Text", tr("Note")},
        {"FreeText", tr("Text Box")},
        {"Highlight", tr("Highlight")},
        {"Underline", tr("Underline")},
        {"StrikeOut", tr("Strike-out")},
        {"Squiggly", tr("Squiggly")},
        {"Ink", tr("Drawing")},
        {"Square", tr("Rectangle")},
        {"Circle", tr("Oval")},
        {"Line", tr("Line")},
        {"Polygon", tr("Polygon")},
        {"PolyLine", tr("Polyline")},
        {"Stamp", tr("Stamp")},
        {"Caret", tr("Caret")},
        {"FileAttachment", tr("Attachment")},
        {"Sound", tr("Sound")},
        {"Redact", tr("Redaction")},
    };
    return names.value(subtype, subtype.isEmpty() ? tr("Annotation") : subtype);
}

QString ReviewViewModel::userName() {
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? tr("Reader") : user;
}
