#pragma once
// The pages of the open document as cards for the page management grid. Thumbnails are
// rendered on worker threads when a card is first asked for, so only cards that scroll
// into view cost anything; a structure change starts over.
#include <QAbstractListModel>
#include <QHash>
#include <QImage>
#include <QSize>

#include "pdf/document/Document.h"
#include "pdf/document/DocumentChanges.h"

class DocumentViewModel;

class PageGridModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { IsCurrentRole = Qt::UserRole + 1, HasPageRole };
    static constexpr QSize thumbnailSize{80, 110};

    explicit PageGridModel(DocumentViewModel& documentVM, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // DisplayRole: "Page N"; DecorationRole: the thumbnail once rendered (a null image until then).
    QVariant data(const QModelIndex& index, int role) const override;

    void setDevicePixelRatio(qreal ratio) { devicePixelRatio_ = ratio; }
    bool hasThumbnail(int row) const { return thumbnails_.contains(row); }

    // Another document, or pages inserted or removed: every card is made again.
    void reload();
    // One page draws differently (turned, annotated, filled in).
    void refreshPage(int row);

signals:
    void thumbnailReady(int row);

private:
    void requestThumbnail(int row) const;
    void currentChanged();
    // Follows the document's notice.
    void documentEdited(const pdf::Change& change);

    DocumentViewModel& documentVM_;
    pdf::DocumentPtr document_; // the one whose notices the cards follow
    int rows_ = 0;
    int shownCurrent_ = -1;
    mutable quint64 lastRequest_ = 0;
    qreal devicePixelRatio_ = 1;
    mutable QHash<int, QImage> thumbnails_;
    mutable QHash<int, quint64> pending_; // row -> the request whose result counts
};
