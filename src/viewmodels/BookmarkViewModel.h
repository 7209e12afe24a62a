#pragma once
// The bookmarks of the open document, sorted by page, written through to the
// preferences under "bookmarks_" + the document's URL text on every change.
#include "models/BookmarkModel.h"

#include <QList>
#include <QObject>
#include <QUrl>

class BookmarkViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Bookmark> bookmarks READ bookmarks NOTIFY bookmarksChanged)

public:
    explicit BookmarkViewModel(QObject* parent = nullptr);

    const QList<Bookmark>& bookmarks() const { return bookmarks_; }
    // Empty while the open document has no file.
    const QString& fileKey() const { return fileKey_; }

    // Switches to the document at `url`; an empty URL means a document without a file.
    void loadBookmarks(const QUrl& url);
    bool isBookmarked(qint64 pageIndex) const;
    void toggleBookmark(qint64 pageIndex);
    // Does nothing when the page already has a bookmark. An empty label gives "Page n".
    void addBookmark(qint64 pageIndex, const QString& label);
    void removeBookmark(const Bookmark& bookmark);

    static QString keyForUrl(const QUrl& url);

signals:
    void bookmarksChanged();

private:
    void setBookmarks(QList<Bookmark> list);
    void save();

    QList<Bookmark> bookmarks_;
    QString fileKey_;
};
