#include "shell/BookmarkListView.h"

#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
constexpr int kRowPadding = 8;
constexpr int kIconSize = 16;
} // namespace

BookmarkRow::BookmarkRow(const Bookmark& bookmark, QWidget* parent)
    : QAbstractButton(parent), bookmark_(bookmark) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setText(bookmark.label);
    setAccessibleName(bookmark.label);
    setToolTip(pageText());
}

QString BookmarkRow::pageText() const {
    return tr("Page %1").arg(bookmark_.pageIndex + 1);
}

QSize BookmarkRow::sizeHint() const {
    const QFontMetrics label(Appearance::font(Appearance::FontRole::callout));
    const QFontMetrics caption(Appearance::font(Appearance::FontRole::caption));
    return {160, label.height() + 2 + caption.height() + 2 * kRowPadding};
}

void BookmarkRow::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void BookmarkRow::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void BookmarkRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hovered_ || isDown()) {
        QColor wash = Appearance::accent();
        wash.setAlphaF(isDown() ? 0.22 : 0.10);
        painter.setPen(Qt::NoPen);
        painter.setBrush(wash);
        painter.drawRoundedRect(QRectF(rect()).adjusted(4, 1, -4, -1), 6, 6);
    }
    const QFont labelFont = Appearance::font(Appearance::FontRole::callout);
    const QFont captionFont = Appearance::font(Appearance::FontRole::caption);
    const QFontMetrics lm(labelFont), cm(captionFont);
    const int textHeight = lm.height() + 2 + cm.height();
    const int top = (height() - textHeight) / 2;

    const int iconX = kRowPadding + 4;
    painter.drawPixmap(iconX, (height() - kIconSize) / 2,
                       Icons::pixmap(QStringLiteral("bookmark.fill"), kIconSize,
                                     Appearance::accent(), devicePixelRatioF()));
    const int textX = iconX + kIconSize + 8;
    const int textWidth = width() - textX - kRowPadding;
    painter.setFont(labelFont);
    painter.setPen(Appearance::primary());
    painter.drawText(QRect(textX, top, textWidth, lm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     lm.elidedText(bookmark_.label, Qt::ElideRight, textWidth));
    painter.setFont(captionFont);
    painter.setPen(Appearance::secondary());
    painter.drawText(QRect(textX, top + lm.height() + 2, textWidth, cm.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, pageText());
}

BookmarkListView::BookmarkListView(BookmarkViewModel* bookmarkViewModel,
                                   DocumentViewModel* documentViewModel, QWidget* parent)
    : QWidget(parent), bookmarkVM_(bookmarkViewModel), documentVM_(documentViewModel) {
    stack_ = new QStackedWidget(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(stack_);

    emptyState_ = new QWidget(stack_);
    emptyState_->setObjectName(QStringLiteral("bookmarksEmptyState"));
    auto* emptyLayout = new QVBoxLayout(emptyState_);
    emptyLayout->setSpacing(12);
    emptyLayout->setContentsMargins(12, 12, 12, 12);
    auto* icon = new QLabel(emptyState_);
    const int iconSide = QFontMetrics(Appearance::font(Appearance::FontRole::title)).height();
    icon->setPixmap(Icons::pixmap(QStringLiteral("bookmark"), iconSide, Appearance::secondary(),
                                  devicePixelRatioF()));
    auto* title = new QLabel(tr("No bookmarks yet"), emptyState_);
    title->setFont(Appearance::font(Appearance::FontRole::callout));
    Appearance::setTextColor(title, Appearance::secondary());
    // Ctrl stands in for the Command key on this platform.
    auto* hint = new QLabel(tr("Press Ctrl+D to bookmark the current page"), emptyState_);
    hint->setFont(Appearance::font(Appearance::FontRole::caption));
    Appearance::setTextColor(hint, Appearance::tertiary());
    hint->setWordWrap(true);
    for (QLabel* label : {icon, title, hint})
        label->setAlignment(Qt::AlignCenter);
    emptyLayout->addStretch(1);
    emptyLayout->addWidget(icon);
    emptyLayout->addWidget(title);
    emptyLayout->addWidget(hint);
    emptyLayout->addStretch(1);
    stack_->addWidget(emptyState_);

    auto* scroll = new QScrollArea(stack_);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listHost_ = new QWidget(scroll);
    listHost_->setObjectName(QStringLiteral("bookmarkRows"));
    listLayout_ = new QVBoxLayout(listHost_);
    listLayout_->setContentsMargins(0, 4, 0, 4);
    listLayout_->setSpacing(0);
    listLayout_->addStretch(1);
    scroll->setWidget(listHost_);
    scroll->viewport()->setAutoFillBackground(false);
    listHost_->setAutoFillBackground(false);
    stack_->addWidget(scroll);

    if (bookmarkVM_)
        connect(bookmarkVM_, &BookmarkViewModel::bookmarksChanged, this,
                &BookmarkListView::rebuild);
    rebuild();
}

bool BookmarkListView::isShowingEmptyState() const {
    return stack_->currentWidget() == emptyState_;
}

void BookmarkListView::rebuild() {
    for (BookmarkRow* row : std::as_const(rows_))
        row->deleteLater();
    for (BookmarkRow* row : std::as_const(rows_))
        listLayout_->removeWidget(row);
    rows_.clear();
    const QList<Bookmark> bookmarks = bookmarkVM_ ? bookmarkVM_->bookmarks() : QList<Bookmark>();
    for (const Bookmark& bookmark : bookmarks) {
        auto* row = new BookmarkRow(bookmark, listHost_);
        connect(row, &BookmarkRow::clicked, this, [this, page = bookmark.pageIndex] {
            if (documentVM_)
                documentVM_->goToPage(int(page));
        });
        listLayout_->insertWidget(listLayout_->count() - 1, row);
        rows_.append(row);
    }
    stack_->setCurrentIndex(bookmarks.isEmpty() ? 0 : 1);
}

QMenu* BookmarkListView::makeContextMenu(BookmarkRow* row) {
    auto* menu = new QMenu(this);
    const Bookmark bookmark = row->bookmark();
    QAction* remove = menu->addAction(tr("Remove Bookmark"));
    remove->setObjectName(QStringLiteral("removeBookmark"));
    // Destructive: shown in red.
    remove->setIcon(Icons::icon(QStringLiteral("trash"), QColor(215, 45, 45)));
    QPointer<BookmarkViewModel> store = bookmarkVM_;
    connect(remove, &QAction::triggered, this, [store, bookmark] {
        if (store)
            store->removeBookmark(bookmark);
    });
    return menu;
}

void BookmarkListView::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* under = childAt(mapFromGlobal(event->globalPos()));
    BookmarkRow* row = nullptr;
    for (QWidget* w = under; w && w != this; w = w->parentWidget())
        if ((row = qobject_cast<BookmarkRow*>(w)))
            break;
    if (!row)
        return;
    QMenu* menu = makeContextMenu(row);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
