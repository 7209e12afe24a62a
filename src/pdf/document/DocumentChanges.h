#pragma once
// The one notice a document gives when it is edited, whoever made the edit. Observers
// connect to DocumentChanges::changed; the notice comes after the edit let go of the
// document's lock, so an observer may read the document at once. An edit made on another
// thread reaches main-thread observers through their event loop (Qt's queued delivery).
#include <QMetaType>
#include <QObject>

#include <vector>

namespace pdf {

struct Change {
    enum class Kind {
        PagesInserted,
        PagesRemoved,
        PagesRotated,
        AnnotationsAdded,
        AnnotationsRemoved,
        AnnotationsChanged,
        FormValuesChanged,
        InfoChanged,
    };
    Kind kind = Kind::InfoChanged;
    // Inserted: the indices the new pages have; removed: the indices they had before;
    // otherwise the pages that draw differently. Empty for document information.
    std::vector<int> pages;

    // Pages came, went or changed their shape: whatever lays pages out must do it again.
    bool movesPages() const {
        return kind == Kind::PagesInserted || kind == Kind::PagesRemoved ||
               kind == Kind::PagesRotated;
    }
    bool operator==(const Change&) const = default;
};

class DocumentChanges : public QObject {
    Q_OBJECT
public:
    DocumentChanges();

signals:
    void changed(const pdf::Change& change);
};

} // namespace pdf

Q_DECLARE_METATYPE(pdf::Change)
