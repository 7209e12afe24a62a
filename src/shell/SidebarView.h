#pragma once
// The window's left column while a document is open: a two-segment switch between the
// page thumbnails and the bookmark list.
#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class BookmarkListView;
class BookmarkViewModel;
class DocumentViewModel;
class QButtonGroup;
class QStackedWidget;
class QToolButton;
class ThumbnailSidebarView;

enum class SidebarTab { thumbnails, bookmarks };

const std::array<SidebarTab, 2>& allSidebarTabs();
QString rawValue(SidebarTab tab);
QString title(SidebarTab tab);
QString systemImage(SidebarTab tab);
// Exactly "thumbnails" and "bookmarks".
std::optional<SidebarTab> sidebarTabFromRawValue(const QString& raw);

class SidebarView : public QWidget {
    Q_OBJECT
public:
    SidebarView(DocumentViewModel* documentViewModel, BookmarkViewModel* bookmarkViewModel,
                QWidget* parent = nullptr);

    SidebarTab selectedTab() const { return selectedTab_; }
    void setSelectedTab(SidebarTab tab);

    QToolButton* segment(SidebarTab tab) const;
    ThumbnailSidebarView* thumbnails() const { return thumbnails_; }
    BookmarkListView* bookmarkList() const { return bookmarks_; }
    QWidget* currentContent() const;

    QSize sizeHint() const override { return {220, 400}; }

signals:
    void selectedTabChanged();

private:
    SidebarTab selectedTab_ = SidebarTab::thumbnails;
    QButtonGroup* segments_;
    QStackedWidget* stack_;
    ThumbnailSidebarView* thumbnails_;
    BookmarkListView* bookmarks_;
};
