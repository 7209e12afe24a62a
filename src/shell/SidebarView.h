#pragma once
// The window's left column while a document is open: a segmented switch between the page
// thumbnails, the bookmark list, the review of annotations and, when the document has
// them, its table of contents and its attached files.
#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class BookmarkListView;
class BookmarkViewModel;
class DocumentViewModel;
class AttachmentListView;
class OutlineView;
class ReviewPanelView;
class QButtonGroup;
class QStackedWidget;
class QToolButton;
class ThumbnailSidebarView;

enum class SidebarTab { thumbnails, bookmarks, contents, review, attachments };

const std::array<SidebarTab, 5>& allSidebarTabs();
QString rawValue(SidebarTab tab);
QString title(SidebarTab tab);
QString systemImage(SidebarTab tab);
// Exactly "thumbnails", "bookmarks", "contents", "review" and "attachments".
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
    OutlineView* outline() const { return outline_; }
    ReviewPanelView* reviewPanel() const { return review_; }
    AttachmentListView* attachmentList() const { return attachments_; }
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
    OutlineView* outline_;
    ReviewPanelView* review_;
    AttachmentListView* attachments_;

    // Contents and Attachments are offered only for documents that have them.
    void segmentsChanged();
    QWidget* picker_;
};
