#include "sheets/PageManagementView.h"

#include "desktop/Alerts.h"

#include "desktop/FileDialogs.h"
#include "sheets/PageCardDelegate.h"
#include "sheets/PageGridModel.h"
#include "sheets/PageToolIcons.h"
#include "utilities/PageOperations.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/PageManagementViewModel.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kGridPadding = 8;

QFrame* divider(QFrame::Shape shape) {
    auto* line = new QFrame;
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QPushButton* actionButton(const QString& label, const QString& symbol, const QString& name) {
    auto* button = new QPushButton(PageToolIcons::icon(symbol), label);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setIconSize(QSize(14, 14));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Label and icon leading-aligned across the full width, at a small control size.
    button->setStyleSheet("QPushButton { text-align: left; padding: 3px 8px; }");
    QFont font = button->font();
    font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
    button->setFont(font);
    return button;
}

} // namespace

PageManagementView::PageManagementView(DocumentViewModel& documentVM, QWidget* parent)
    : QDialog(parent), documentVM_(documentVM),
      operations_(new PageManagementViewModel(documentVM, this)) {
    setWindowTitle(tr("Page Management"));
    setWindowModality(Qt::WindowModal);
    setMinimumSize(600, 400);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    auto* title = new QLabel(tr("Page Management"));
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 17.0 / 13.0);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    header->addWidget(title);
    header->addStretch(1);
    done_ = new QPushButton(tr("Done"));
    done_->setDefault(true);
    header->addWidget(done_);
    outer->addLayout(header);
    outer->addWidget(divider(QFrame::HLine));

    auto* body = new QHBoxLayout;
    body->setSpacing(0);

    actions_ = new QWidget;
    actions_->setObjectName("actionButtons");
    actions_->setFixedWidth(200);
    auto* column = new QVBoxLayout(actions_);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);
    auto* heading = new QLabel(tr("Actions"));
    QFont headline = font();
    headline.setWeight(QFont::DemiBold);
    heading->setFont(headline);
    column->addWidget(heading);
    auto* rotate = actionButton(tr("Rotate 90°"), "rotate.right", "rotateButton");
    deleteButton_ = actionButton(tr("Delete Page"), "trash", "deleteButton");
    auto* blank = actionButton(tr("Insert Blank Page"), "doc.badge.plus", "insertBlankButton");
    auto* fromFile = actionButton(tr("Insert from File..."), "doc.on.doc", "insertFromFileButton");
    auto* extract = actionButton(tr("Extract Page"), "arrow.up.doc", "extractButton");
    auto* split = actionButton(tr("Split Document..."), "scissors", "splitButton");
    auto* merge = actionButton(tr("Merge PDF..."), "arrow.triangle.merge", "mergeButton");
    column->addWidget(rotate);
    column->addWidget(deleteButton_);
    column->addWidget(divider(QFrame::HLine));
    column->addWidget(blank);
    column->addWidget(fromFile);
    column->addWidget(divider(QFrame::HLine));
    column->addWidget(extract);
    column->addWidget(split);
    column->addWidget(merge);
    column->addStretch(1);
    // While an operation runs: what it does and how far it got.
    activity_ = new QLabel;
    activity_->setObjectName("activityLabel");
    activity_->hide();
    column->addWidget(activity_);
    progress_ = new QProgressBar;
    progress_->setObjectName("operationProgress");
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(8);
    progress_->hide();
    column->addWidget(progress_);
    // Failures the person should know about: a file that could not be written or read.
    status_ = new QLabel;
    status_->setTextFormat(Qt::PlainText); // names and messages may come from a document
    status_->setObjectName("statusMessage");
    status_->setWordWrap(true);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 10.0 / 13.0);
    status_->setFont(small);
    QPalette warn = status_->palette();
    warn.setColor(QPalette::WindowText, QColor(200, 40, 30));
    status_->setPalette(warn);
    status_->hide();
    column->addWidget(status_);
    body->addWidget(actions_);
    body->addWidget(divider(QFrame::VLine));

    model_ = new PageGridModel(documentVM_, this);
    model_->setDevicePixelRatio(devicePixelRatioF());
    pageList_ = new QListView;
    pageList_->setObjectName("pageList");
    pageList_->setViewMode(QListView::IconMode);
    pageList_->setResizeMode(QListView::Adjust);
    pageList_->setMovement(QListView::Static);
    pageList_->setUniformItemSizes(true);
    pageList_->setSelectionMode(QAbstractItemView::NoSelection);
    pageList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pageList_->setFrameShape(QFrame::NoFrame);
    pageList_->setSpacing(0);
    pageList_->setStyleSheet(QStringLiteral("QListView { padding: %1px; }").arg(kGridPadding));
    pageList_->setItemDelegate(new PageCardDelegate(pageList_));
    // White pages stand out on the window's colour, as on a desk.
    QPalette desk = pageList_->palette();
    desk.setColor(QPalette::Base, palette().color(QPalette::Window).darker(104));
    pageList_->setPalette(desk);
    pageList_->viewport()->installEventFilter(this);
    pageList_->setModel(model_);
    body->addWidget(pageList_, 1);
    outer->addLayout(body, 1);

    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    connect(operations_, &PageManagementViewModel::busyChanged, this,
            &PageManagementView::showBusy);
    connect(operations_, &PageManagementViewModel::progressed, this, [this](int done, int total) {
        progress_->setRange(0, total); // 0 to 0: a busy bar
        progress_->setValue(done);
    });
    connect(operations_, &PageManagementViewModel::statusMessageChanged, this,
            [this] { setStatus(operations_->statusMessage()); });
    connect(rotate, &QPushButton::clicked, this, &PageManagementView::rotateCurrentPage);
    connect(deleteButton_, &QPushButton::clicked, this, &PageManagementView::deleteCurrentPage);
    connect(blank, &QPushButton::clicked, this, &PageManagementView::insertBlankPage);
    connect(fromFile, &QPushButton::clicked, this, &PageManagementView::insertFromFile);
    connect(extract, &QPushButton::clicked, this, &PageManagementView::extractCurrentPage);
    connect(split, &QPushButton::clicked, this, &PageManagementView::splitDocument);
    connect(merge, &QPushButton::clicked, this, &PageManagementView::mergeDocument);
    connect(pageList_, &QListView::clicked, this,
            [this](const QModelIndex& index) { documentVM_.goToPage(index.row()); });
    connect(&documentVM_, &DocumentViewModel::pdfDocumentChanged, this,
            &PageManagementView::updateEnabled);
    connect(&documentVM_, &DocumentViewModel::totalPagesChanged, this,
            &PageManagementView::updateEnabled);
    connect(&documentVM_, &DocumentViewModel::currentPageIndexChanged, this,
            [this] { pageList_->scrollTo(model_->index(documentVM_.currentPageIndex())); });
    updateEnabled();
    // No wider than the window it covers.
    resize(parent ? std::min(760, parent->width()) : 760, 560);
    // Opens at the page the reader is on, once the grid has its columns.
    QTimer::singleShot(0, this, [this] {
        pageList_->scrollTo(model_->index(documentVM_.currentPageIndex()),
                            QAbstractItemView::PositionAtCenter);
    });
}

bool PageManagementView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pageList_->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QDialog::eventFilter(watched, event);
}

void PageManagementView::fitColumns() {
    // As many columns of at least 100 points as fit, sharing the width evenly so the grid
    // sits centred; 12 points between rows.
    const QSize card = pageList_->itemDelegate()->sizeHint(QStyleOptionViewItem(), QModelIndex());
    const int width = pageList_->viewport()->width() - 2 * kGridPadding;
    const int columns = std::max(1, width / (card.width() + 12));
    const QSize grid(std::max(card.width() + 12, width / columns), card.height() + 12);
    if (pageList_->gridSize() != grid)
        pageList_->setGridSize(grid);
}

QString PageManagementView::statusMessage() const {
    return status_->text();
}

void PageManagementView::setStatus(const QString& message) {
    status_->setText(message);
    status_->setVisible(!message.isEmpty());
}

void PageManagementView::updateEnabled() {
    const auto& doc = documentVM_.pdfDocument();
    deleteButton_->setEnabled(!operations_->isBusy() && doc && doc->pageCount() >= 2);
}

void PageManagementView::reject() {
    if (!operations_->isBusy())
        QDialog::reject();
}

void PageManagementView::done(int result) {
    if (!operations_->isBusy())
        QDialog::done(result);
}

void PageManagementView::showBusy() {
    const bool busy = operations_->isBusy();
    // The buttons wait; the progress line beside them stays lit.
    for (QPushButton* button : actions_->findChildren<QPushButton*>())
        button->setEnabled(!busy);
    done_->setEnabled(!busy);
    activity_->setVisible(busy);
    progress_->setVisible(busy);
    activity_->setText(operations_->activity());
    if (busy) {
        operations_->setStatusMessage({});
        setStatus({});
    } else
        updateEnabled();
}

void PageManagementView::rotateCurrentPage() {
    operations_->rotateCurrentPage();
}

void PageManagementView::deleteCurrentPage() {
    // The grid, the page view and the page count follow the document's notice.
    operations_->deleteCurrentPage();
}

void PageManagementView::insertBlankPage() {
    operations_->insertBlankPage();
}

QString PageManagementView::documentFolder() const {
    const auto doc = documentVM_.pdfDocument();
    return FileDialogs::folderOf(doc ? doc->path() : QString());
}

void PageManagementView::insertFromFile() {
    const QString path = FileDialogs::current()->openPdf(documentFolder());
    if (!path.isEmpty())
        operations_->insertFile(path);
}

void PageManagementView::extractCurrentPage() {
    const auto doc = documentVM_.pdfDocument();
    const int index = documentVM_.currentPageIndex();
    if (!doc || !doc->page(index))
        return;
    const QString path =
        FileDialogs::current()->savePdf(PageOperations::pageFileName(index), documentFolder());
    if (path.isEmpty())
        return;
    operations_->extractCurrentPage(path);
}

void PageManagementView::splitDocument() {
    const auto doc = documentVM_.pdfDocument();
    if (!doc)
        return;
    if (doc->pageCount() <= 1) {
        setStatus(tr("A document of one page cannot be split."));
        return;
    }
    ChooseFolderRequest request;
    request.prompt = tr("Split Here");
    request.canCreateDirectories = true;
    request.directory = documentFolder();
    const QString folder = FileDialogs::current()->chooseFolder(request);
    if (folder.isEmpty())
        return;
    // Files of an earlier split are not written over unless the person says so.
    QStringList existing;
    for (int i = 0; i < doc->pageCount(); ++i)
        if (QFileInfo::exists(QDir(folder).filePath(PageOperations::pageFileName(i))))
            existing << PageOperations::pageFileName(i);
    if (!existing.isEmpty()) {
        QString names = existing.mid(0, 5).join(QStringLiteral(", "));
        if (existing.size() > 5)
            names += tr(" and %n more", "", int(existing.size() - 5));
        if (!Alerts::current()->confirm(
                tr("Replace Files?"),
                tr("The folder already holds %1. Splitting replaces them.").arg(names),
                tr("Replace"))) {
            setStatus(tr("Nothing was split: the existing files were kept."));
            return;
        }
    }
    operations_->splitDocument(folder);
}

void PageManagementView::mergeDocument() {
    OpenFileRequest request;
    request.contentTypes = {ContentType::pdf()};
    request.allowsMultipleSelection = true;
    request.directory = documentFolder();
    const QStringList paths = FileDialogs::current()->openFiles(request);
    if (paths.isEmpty())
        return;
    operations_->mergeFiles(paths);
}
