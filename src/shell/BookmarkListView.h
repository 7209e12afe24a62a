#pragma once
// The open document's bookmarks in the sidebar: one row per bookmark (click goes to the
// page, the context menu removes it), or a hint at the shortcut while there are none.
#include "models/BookmarkModel.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class BookmarkViewModel;
class DocumentViewModel;
class QMenu;
class QStackedWidget;
class QVBoxLayout;

// A whole-width clickable row: the filled bookmark, the label and "Page n" under it.
class BookmarkRow : public QAbstractButton {
    Q_OBJECT
public:
    BookmarkRow(const Bookmark& bookmark, QWidget* parent = nullptr);
    const Bookmark& bookmark() const { return bookmark_; }
    QString pageText() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Bookmark bookmark_;
    bool hovered_ = false;
};

class BookmarkListView : public QWidget {
    Q_OBJECT
public:
    BookmarkListView(BookmarkViewModel* bookmarkViewModel, DocumentViewModel* documentViewModel,
                     QWidget* parent = nullptr);

    bool isShowingEmptyState() const;
    QList<BookmarkRow*> rows() const { return rows_; }
    // The row's context menu ("Remove Bookmark"); the caller owns it.
    QMenu* makeContextMenu(BookmarkRow* row);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void rebuild();

    BookmarkViewModel* bookmarkVM_;
    DocumentViewModel* documentVM_;
    QStackedWidget* stack_;
    QWidget* emptyState_;
    QWidget* listHost_;
    QVBoxLayout* listLayout_;
    QList<BookmarkRow*> rows_;
};
