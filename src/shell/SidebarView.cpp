#include "shell/SidebarView.h"

#include "shell/AttachmentListView.h"
#include "shell/BookmarkListView.h"
#include "shell/OutlineView.h"
#include "shell/ReviewPanelView.h"
#include "shell/ThumbnailSidebarView.h"
#include "viewmodels/DocumentViewModel.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

const std::array<SidebarTab, 5>& allSidebarTabs() {
    static const std::array<SidebarTab, 5> tabs{SidebarTab::thumbnails, SidebarTab::bookmarks,
                                                SidebarTab::contents, SidebarTab::review,
                                                SidebarTab::attachments};
    return tabs;
}

QString rawValue(SidebarTab tab) {
    switch (tab) {
    case SidebarTab::thumbnails:
        return QStringLiteral("thumbnails");
    case SidebarTab::bookmarks:
        return QStringLiteral("bookmarks");
    case SidebarTab::contents:
        return QStringLiteral("contents");
    case SidebarTab::review:
        return QStringLiteral("review");
    case SidebarTab::attachments:
        return QStringLiteral("attachments");
    }
    return {};
}

QString title(SidebarTab tab) {
    switch (tab) {
    case SidebarTab::thumbnails:
        return QObject::tr("Pages");
    case SidebarTab::bookmarks:
        return QObject::tr("Bookmarks");
    case SidebarTab::contents:
        return QObject::tr("Contents");
    case SidebarTab::review:
        return QObject::tr("Review");
    case SidebarTab::attachments:
        return QObject::tr("Attachments");
    }
    return {};
}

QString systemImage(SidebarTab tab) {
    switch (tab) {
    case SidebarTab::thumbnails:
        return QStringLiteral("square.grid.2x2");
    case SidebarTab::bookmarks:
        return QStringLiteral("bookmark");
    case SidebarTab::contents:
        return QStringLiteral("doc.text.fill");
    case SidebarTab::review:
        return QStringLiteral("text.bubble");
    case SidebarTab::attachments:
        return QStringLiteral("paperclip");
    }
    return {};
}

std::optional<SidebarTab> sidebarTabFromRawValue(const QString& raw) {
    for (SidebarTab tab : allSidebarTabs())
        if (rawValue(tab) == raw)
            return tab;
    return std::nullopt;
}

SidebarView::SidebarView(DocumentViewModel* documentViewModel, BookmarkViewModel* bookmarkViewModel,
                         QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("sidebar"));
    setMinimumWidth(160);

    auto* picker = picker_ = new QWidget(this);
    auto* pickerLayout = new QHBoxLayout(picker);
    pickerLayout->setContentsMargins(8, 8, 8, 8);
    pickerLayout->setSpacing(0);
    segments_ = new QButtonGroup(this);
    segments_->setExclusive(true);
    for (SidebarTab tab : allSidebarTabs()) {
        auto* button = new QToolButton(picker);
        button->setText(title(tab));
        button->setIcon(Icons::icon(systemImage(tab)));
        button->setIconSize(QSize(14, 14));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setCheckable(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setAccessibleName(title(tab));
        // Text under a narrow column's width: every segment must fit in 160 px.
        button->setMinimumWidth(0);
        segments_->addButton(button, int(tab));
        pickerLayout->addWidget(button);
    }
    const QColor accent = Appearance::accent();
    const QColor edge = Appearance::separator();
    // A segmented control: two joined buttons, the chosen one filled.
    picker->setStyleSheet(
        QStringLiteral(
            "QToolButton { border: 1px solid %1; padding: 3px 4px; background: transparent; }"
            "QToolButton#segmentLeft { border-top-left-radius: 6px; border-bottom-left-radius: "
            "6px; }"
            "QToolButton#segmentMiddle { border-left: none; }"
            "QToolButton#segmentRight { border-left: none; border-top-right-radius: 6px;"
            " border-bottom-right-radius: 6px; }"
            "QToolButton:checked { background: %2; color: white; border-color: %2; }"
            "QToolButton:hover:!checked { background: %3; }")
            .arg(edge.name(QColor::HexArgb), accent.name(),
                 Appearance::separator().name(QColor::HexArgb)));

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    QPalette dividerPalette = divider->palette();
    dividerPalette.setColor(QPalette::WindowText, Appearance::separator());
    divider->setPalette(dividerPalette);

    stack_ = new QStackedWidget(this);
    thumbnails_ = new ThumbnailSidebarView(*documentViewModel, stack_);
    bookmarks_ = new BookmarkListView(bookmarkViewModel, documentViewModel, stack_);
    outline_ = new OutlineView(*documentViewModel, stack_);
    review_ = new ReviewPanelView(*documentViewModel, stack_);
    attachments_ = new AttachmentListView(*documentViewModel, stack_);
    stack_->addWidget(thumbnails_);
    stack_->addWidget(bookmarks_);
    stack_->addWidget(outline_);
    stack_->addWidget(review_);
    stack_->addWidget(attachments_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(picker);
    layout->addWidget(divider);
    layout->addWidget(stack_, 1);

    connect(segments_, &QButtonGroup::idClicked, this,
            [this](int id) { setSelectedTab(SidebarTab(id)); });
    segments_->button(int(SidebarTab::thumbnails))->setChecked(true);
    stack_->setCurrentWidget(thumbnails_);
    connect(outline_, &OutlineView::outlineChanged, this, &SidebarView::segmentsChanged);
    connect(attachments_, &AttachmentListView::attachmentsChanged, this,
            &SidebarView::segmentsChanged);
    segmentsChanged();
}

void SidebarView::segmentsChanged() {
    segment(SidebarTab::contents)->setVisible(outline_->hasOutline());
    segment(SidebarTab::attachments)->setVisible(attachments_->hasAttachments());
    QList<QToolButton*> shown;
    for (SidebarTab tab : allSidebarTabs())
        if (!segment(tab)->isHidden())
            shown << segment(tab);
    // Names with icons fit two segments in a narrow column, names alone three, and
    // beyond that the icons alone, named in their tool tips.
    const Qt::ToolButtonStyle style = shown.size() <= 2   ? Qt::ToolButtonTextBesideIcon
                                      : shown.size() == 3 ? Qt::ToolButtonTextOnly
                                                          : Qt::ToolButtonIconOnly;
    for (QToolButton* button : shown) {
        button->setToolButtonStyle(style);
        button->setToolTip(button->text());
        // The rounded ends go to whichever segments are first and last.
        button->setObjectName(button == shown.first()  ? QStringLiteral("segmentLeft")
                              : button == shown.last() ? QStringLiteral("segmentRight")
                                                       : QStringLiteral("segmentMiddle"));
    }
    picker_->setStyleSheet(picker_->styleSheet());
    if (segment(selectedTab_)->isHidden())
        setSelectedTab(SidebarTab::thumbnails);
}

void SidebarView::setSelectedTab(SidebarTab tab) {
    segments_->button(int(tab))->setChecked(true);
    if (tab == selectedTab_)
        return;
    selectedTab_ = tab;
    stack_->setCurrentWidget(currentContent());
    emit selectedTabChanged();
}

QToolButton* SidebarView::segment(SidebarTab tab) const {
    return qobject_cast<QToolButton*>(segments_->button(int(tab)));
}

QWidget* SidebarView::currentContent() const {
    switch (selectedTab_) {
    case SidebarTab::thumbnails:
        return thumbnails_;
    case SidebarTab::contents:
        return outline_;
    case SidebarTab::review:
        return review_;
    case SidebarTab::attachments:
        return attachments_;
    case SidebarTab::bookmarks:
        break;
    }
    return bookmarks_;
}
