#include "sheets/PageGridModel.h"

#include "base/ParallelFor.h"
#include "pageview/PageRenderer.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

PageGridModel::PageGridModel(DocumentViewModel& documentVM, QObject* parent)
    : QAbstractListModel(parent), documentVM_(documentVM) {
    connect(&documentVM_, &DocumentViewModel::pdfDocumentChanged, this, &PageGridModel::reload);
    connect(&documentVM_, &DocumentViewModel::currentPageIndexChanged, this,
            &PageGridModel::currentChanged);
    reload();
}

int PageGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant PageGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_)
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return tr("Page %1").arg(row + 1);
    case IsCurrentRole:
        return row == documentVM_.currentPageIndex();
    case HasPageRole: {
        const auto& doc = documentVM_.pdfDocument();
        return doc && row < doc->pageCount();
    }
    case Qt::DecorationRole: {
        auto it = thumbnails_.constFind(row);
        if (it != thumbnails_.constEnd())
            return it.value();
        requestThumbnail(row);
        return QImage();
    }
    default:
        return {};
    }
}

void PageGridModel::requestThumbnail(int row) const {
    if (pending_.contains(row))
        return;
    const auto& doc = documentVM_.pdfDocument();
    pdf::PagePtr page = doc ? doc->page(row) : nullptr;
    if (!page)
        return;
    const quint64 request = ++lastRequest_;
    pending_.insert(row, request);
    const QSize pixels = (QSizeF(thumbnailSize) * devicePixelRatio_).toSize();
    const qreal ratio = devicePixelRatio_;
    QPointer<PageGridModel> self(const_cast<PageGridModel*>(this));
    PageRenderer::pool()->start(
        [page, pixels, ratio, request, row, self] {
            const base::PoolTask task;
            QImage image = page->thumbnail(pixels);
            image.setDevicePixelRatio(ratio);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, image, request, row] {
                    // Pages moved or the page was redrawn since it was asked for: a newer request
                    // counts.
                    if (!self || self->pending_.value(row) != request)
                        return;
                    self->pending_.remove(row);
                    self->thumbnails_.insert(row, image);
                    const QModelIndex at = self->index(row);
                    emit self->dataChanged(at, at, {Qt::DecorationRole});
                    emit self->thumbnailReady(row);
                },
                Qt::QueuedConnection);
        },
        PageRenderer::Thumbnail);
}

void PageGridModel::reload() {
    if (document_ != documentVM_.pdfDocument()) {
        if (document_)
            disconnect(document_->changes(), nullptr, this, nullptr);
        document_ = documentVM_.pdfDocument();
        if (document_)
            connect(document_->changes(), &pdf::DocumentChanges::changed, this,
                    &PageGridModel::documentEdited);
    }
    beginResetModel();
    thumbnails_.clear();
    pending_.clear();
    const auto& doc = documentVM_.pdfDocument();
    rows_ = doc ? doc->pageCount() : 0;
    shownCurrent_ = documentVM_.currentPageIndex();
    endResetModel();
}

void PageGridModel::documentEdited(const pdf::Change& change) {
    // Pages that came or went renumber the cards after them: start over. Otherwise only the
    // cards of the pages drawn differently are made again.
    if (change.kind == pdf::Change::Kind::PagesInserted ||
        change.kind == pdf::Change::Kind::PagesRemoved) {
        reload();
        return;
    }
    for (int row : change.pages)
        refreshPage(row);
}

void PageGridModel::refreshPage(int row) {
    if (row < 0 || row >= rows_)
        return;
    // Drops the old picture; a result still on its way for it is stale too.
    pending_.remove(row);
    thumbnails_.remove(row);
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {Qt::DecorationRole});
}

void PageGridModel::currentChanged() {
    const int now = documentVM_.currentPageIndex();
    for (int row : {shownCurrent_, now})
        if (row >= 0 && row < rows_)
            emit dataChanged(index(row), index(row), {IsCurrentRole});
    shownCurrent_ = now;
}
