#include "viewmodels/BookmarkViewModel.h"

#include "platform/Preferences.h"

#include <algorithm>

BookmarkViewModel::BookmarkViewModel(QObject* parent) : QObject(parent) {}

QString BookmarkViewModel::keyForUrl(const QUrl& url) {
    return QStringLiteral("bookmarks_") + url.toString(QUrl::FullyEncoded);
}

void BookmarkViewModel::setBookmarks(QList<Bookmark> list) {
    bookmarks_ = std::move(list);
    emit bookmarksChanged();
}

void BookmarkViewModel::loadBookmarks(const QUrl& url) {
    if (url.isEmpty()) {
        fileKey_.clear();
        setBookmarks({});
        return;
    }
    fileKey_ = keyForUrl(url);
    const std::optional<QByteArray> stored = Preferences::data(fileKey_);
    if (!stored) {
        setBookmarks({});
        return;
    }
    // Taken as stored; an undecodable value shows no bookmarks and is replaced at the
    // next save.
    setBookmarks(Bookmark::decodeList(*stored).value_or(QList<Bookmark>{}));
}

bool BookmarkViewModel::isBookmarked(qint64 pageIndex) const {
    return std::any_of(bookmarks_.begin(), bookmarks_.end(),
                       [&](const Bookmark& b) { return b.pageIndex == pageIndex; });
}

void BookmarkViewModel::toggleBookmark(qint64 pageIndex) {
    if (!isBookmarked(pageIndex)) {
        addBookmark(pageIndex, QString());
        return;
    }
    QList<Bookmark> rest = bookmarks_;
    rest.removeIf([&](const Bookmark& b) { return b.pageIndex == pageIndex; });
    setBookmarks(std::move(rest));
    save();
}

void BookmarkViewModel::addBookmark(qint64 pageIndex, const QString& label) {
    if (isBookmarked(pageIndex))
        return;
    const QString text = label.isEmpty() ? QStringLiteral("Page %1").arg(pageIndex + 1) : label;
    QList<Bookmark> list = bookmarks_;
    list.append(Bookmark::make(pageIndex, text));
    std::stable_sort(list.begin(), list.end(), [](const Bookmark& a, const Bookmark& b) {
        return a.pageIndex < b.pageIndex;
    });
    setBookmarks(std::move(list));
    save();
}

void BookmarkViewModel::removeBookmark(const Bookmark& bookmark) {
    QList<Bookmark> rest = bookmarks_;
    rest.removeIf([&](const Bookmark& b) { return b.id == bookmark.id; });
    setBookmarks(std::move(rest));
    save();
}

void BookmarkViewModel::save() {
    if (fileKey_.isEmpty())
        return;
    Preferences::setData(fileKey_, Bookmark::encodeList(bookmarks_));
}
