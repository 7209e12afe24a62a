#include "viewmodels/BookmarkViewModel.h"

#include "platform/Preferences.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// A file URL of its own per test, so stored lists never leak between tests.
QUrl fileUrl(const QString& name) {
    return QUrl::fromLocalFile("/tmp/bookmark tests/" + name);
}

QList<qint64> pagesOf(const BookmarkViewModel& vm) {
    QList<qint64> pages;
    for (const Bookmark& b : vm.bookmarks())
        pages << b.pageIndex;
    return pages;
}

} // namespace

TEST(BookmarkViewModel, KeyIsThePrefixAndTheUrlText) {
    EXPECT_EQ(BookmarkViewModel::keyForUrl(QUrl::fromLocalFile("/tmp/a b/ä.pdf")),
              "bookmarks_file:///tmp/a%20b/%C3%A4.pdf");
    BookmarkViewModel vm;
    EXPECT_TRUE(vm.fileKey().isEmpty());
    vm.loadBookmarks(fileUrl("key.pdf"));
    EXPECT_EQ(vm.fileKey(), "bookmarks_file:///tmp/bookmark%20tests/key.pdf");
}

TEST(BookmarkViewModel, ToggledPagesAreSortedWithDefaultLabels) {
    BookmarkViewModel vm;
    vm.loadBookmarks(fileUrl("order.pdf"));
    QSignalSpy changed(&vm, &BookmarkViewModel::bookmarksChanged);
    vm.toggleBookmark(7);
    vm.toggleBookmark(2);
    vm.toggleBookmark(5);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(pagesOf(vm), (QList<qint64>{2, 5, 7}));
    QStringList labels;
    for (const Bookmark& b : vm.bookmarks())
        labels << b.label;
    EXPECT_EQ(labels, (QStringList{"Page 3", "Page 6", "Page 8"}));
    EXPECT_TRUE(vm.isBookmarked(5));
    EXPECT_FALSE(vm.isBookmarked(6));

    vm.addBookmark(5, "Other label"); // page already has one: nothing changes
    EXPECT_EQ(vm.bookmarks().at(1).label, "Page 6");
    vm.addBookmark(0, "Intro");
    EXPECT_EQ(vm.bookmarks().at(0).label, "Intro");

    vm.removeBookmark(vm.bookmarks().at(2)); // page 5
    EXPECT_EQ(pagesOf(vm), (QList<qint64>{0, 2, 7}));
}

TEST(BookmarkViewModel, TogglingTwiceStoresAnEmptyArray) {
    BookmarkViewModel vm;
    vm.loadBookmarks(fileUrl("twice.pdf"));
    vm.toggleBookmark(4);
    vm.toggleBookmark(4);
    EXPECT_TRUE(vm.bookmarks().isEmpty());
    EXPECT_EQ(Preferences::data(vm.fileKey()), QByteArray("[]"));
}

TEST(BookmarkViewModel, ANewModelReadsBackWhatWasStored) {
    QList<Bookmark> written;
    {
        BookmarkViewModel vm;
        vm.loadBookmarks(fileUrl("restart.pdf"));
        vm.toggleBookmark(9);
        vm.addBookmark(1, "Chapter \"one\" / ü");
        written = vm.bookmarks();
    }
    const QByteArray stored =
        *Preferences::data(BookmarkViewModel::keyForUrl(fileUrl("restart.pdf")));
    const QJsonArray array = QJsonDocument::fromJson(stored).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()["id"].toString(), Bookmark::uuidText(written[0].id));
    EXPECT_EQ(array[0].toObject()["id"].toString(), array[0].toObject()["id"].toString().toUpper());

    BookmarkViewModel next; // as after a restart
    next.loadBookmarks(fileUrl("restart.pdf"));
    EXPECT_EQ(next.bookmarks(), written);
}

TEST(BookmarkViewModel, EachDocumentKeepsItsOwnList) {
    BookmarkViewModel vm;
    vm.loadBookmarks(fileUrl("A.pdf"));
    vm.toggleBookmark(3);
    vm.loadBookmarks(fileUrl("B.pdf"));
    EXPECT_TRUE(vm.bookmarks().isEmpty());
    vm.toggleBookmark(1);
    vm.loadBookmarks(fileUrl("A.pdf"));
    EXPECT_EQ(pagesOf(vm), QList<qint64>{3});
    vm.loadBookmarks(fileUrl("B.pdf"));
    EXPECT_EQ(pagesOf(vm), QList<qint64>{1});
}

TEST(BookmarkViewModel, DocumentWithoutFileKeepsBookmarksInMemoryOnly) {
    BookmarkViewModel vm;
    vm.loadBookmarks(fileUrl("before.pdf"));
    vm.toggleBookmark(2);
    const QStringList keysBefore = Preferences::keys();
    vm.loadBookmarks(QUrl());
    EXPECT_TRUE(vm.bookmarks().isEmpty());
    EXPECT_TRUE(vm.fileKey().isEmpty());
    vm.toggleBookmark(0);
    EXPECT_EQ(pagesOf(vm), QList<qint64>{0});
    EXPECT_EQ(Preferences::keys(), keysBefore);
    vm.loadBookmarks(fileUrl("before.pdf"));
    EXPECT_EQ(pagesOf(vm), QList<qint64>{2}); // the earlier list was not overwritten
}

TEST(BookmarkViewModel, HandWrittenListLoadsAsStoredAndIncompleteOneIsReplacedOnNextChange) {
    const QString good = BookmarkViewModel::keyForUrl(fileUrl("hand.pdf"));
    Preferences::setData(
        good,
        R"([{"pageIndex":6,"label":"Later","dateAdded":12.75,"id":"0B4E7A0E-5FE7-4A1B-9A4B-2D4C6A1F0E11"},
                                   {"dateAdded":1,"id":"0B4E7A0E-5FE7-4A1B-9A4B-2D4C6A1F0E12","label":"Earlier","pageIndex":2}])");
    BookmarkViewModel vm;
    vm.loadBookmarks(fileUrl("hand.pdf"));
    EXPECT_EQ(pagesOf(vm), (QList<qint64>{6, 2})); // as stored, not re-sorted

    const QString broken = BookmarkViewModel::keyForUrl(fileUrl("broken.pdf"));
    const QByteArray incomplete =
        R"([{"pageIndex":1,"label":"x","id":"0B4E7A0E-5FE7-4A1B-9A4B-2D4C6A1F0E11"}])";
    Preferences::setData(broken, incomplete);
    vm.loadBookmarks(fileUrl("broken.pdf"));
    EXPECT_TRUE(vm.bookmarks().isEmpty());
    EXPECT_EQ(Preferences::data(broken), incomplete); // untouched until a change
    vm.toggleBookmark(0);
    const auto rewritten = Bookmark::decodeList(*Preferences::data(broken));
    ASSERT_TRUE(rewritten.has_value());
    EXPECT_EQ(rewritten->size(), 1);
}

TEST(BookmarkViewModel, PathsDifferingOnlyInDoubledSlashesKeepSeparateLists) {
    BookmarkViewModel vm;
    vm.loadBookmarks(QUrl("file:///tmp/a//b c.pdf"));
    vm.toggleBookmark(1);
    vm.loadBookmarks(QUrl("file:///tmp/a/b c.pdf"));
    EXPECT_TRUE(vm.bookmarks().isEmpty());
    vm.loadBookmarks(QUrl("file:///tmp/a//b c.pdf"));
    EXPECT_EQ(pagesOf(vm), QList<qint64>{1});
}
