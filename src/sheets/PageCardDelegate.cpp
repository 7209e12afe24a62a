#include "sheets/PageCardDelegate.h"

#include "sheets/PageGridModel.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

QFont PageCardDelegate::captionFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 10.0 / 13.0);
    return font;
}

QSize PageCardDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const QFontMetrics metrics(captionFont(option.font));
    return QSize(cardWidth,
                 PageGridModel::thumbnailSize.height() + labelSpacing + metrics.height());
}

void PageCardDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect cell = option.rect;
    const bool current = index.data(PageGridModel::IsCurrentRole).toBool();
    const bool hasPage = index.data(PageGridModel::HasPageRole).toBool();
    const QSize box = PageGridModel::thumbnailSize;
    const QPalette& palette = option.palette;
    int labelTop = cell.top();
    if (hasPage) {
        const QImage image = index.data(Qt::DecorationRole).value<QImage>();
        // The fitted thumbnail, centred in its 80 × 110 frame; a pale page until it arrives.
        QSizeF shown = box;
        if (!image.isNull())
            shown =
                (QSizeF(image.size()) / image.devicePixelRatio()).scaled(box, Qt::KeepAspectRatio);
        const QRectF frame(cell.left() + (cell.width() - shown.width()) / 2.0,
                           cell.top() + (box.height() - shown.height()) / 2.0, shown.width(),
                           shown.height());
        if (image.isNull())
            painter->fillRect(frame, palette.color(QPalette::Base));
        else
            painter->drawImage(frame, image);
        if (current) {
            QPen pen(palette.color(QPalette::Highlight), 2);
            pen.setJoinStyle(Qt::MiterJoin);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(frame.adjusted(1, 1, -1, -1)); // inside the frame
        }
        labelTop += box.height() + labelSpacing;
    }
    painter->setFont(captionFont(option.font));
    painter->setPen(current ? palette.color(QPalette::WindowText)
                            : palette.color(QPalette::PlaceholderText));
    painter->drawText(QRect(cell.left(), labelTop, cell.width(), cell.bottom() - labelTop + 1),
                      Qt::AlignHCenter | Qt::AlignTop, index.data(Qt::DisplayRole).toString());
    painter->restore();
}
