#include "sheets/PageManagementView.h"

#include "platform/Alerts.h"

#include "platform/FileDialogs.h"
#include "sheets/PageCardDelegate.h"
#include "sheets/PageGridModel.h"
#include "sheets/PageToolIcons.h"
#include "utilities/PageOperations.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/InsertPagesEdit.h"
#include "viewmodels/RemovePageEdit.h"
#include "viewmodels/RotatePageEdit.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
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
    : QDialog(parent), documentVM_(documentVM) {
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
    auto* done = new QPushButton(tr("Done"));
    done->setDefault(true);
    header->addWidget(done);
    outer->addLayout(header);
    outer->addWidget(divider(QFrame::HLine));

    auto* body = new QHBoxLayout;
    body->setSpacing(0);

    auto* actions = new QWidget;
    actions->setObjectName("actionButtons");
    actions->setFixedWidth(200);
    auto* column = new QVBoxLayout(actions);
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
    body->addWidget(actions);
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

    connect(done, &QPushButton::clicked, this, &QDialog::accept);
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
    resize(760, 560);
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
    deleteButton_->setEnabled(doc && doc->pageCount() >= 2);
}

void PageManagementView::rotateCurrentPage() {
    const int index = documentVM_.currentPageIndex();
    if (documentVM_.perform(std::make_unique<RotatePageEdit>(documentVM_.pdfDocument(), index)))
        setStatus({});
}

void PageManagementView::deleteCurrentPage() {
    // The grid, the page view and the page count follow the document's notice.
    const int index = documentVM_.currentPageIndex();
    if (documentVM_.perform(std::make_unique<RemovePageEdit>(documentVM_.pdfDocument(), index)))
        setStatus({});
}

void PageManagementView::insertBlankPage() {
    const int index = documentVM_.currentPageIndex();
    auto insert = [index](const pdf::DocumentPtr& doc) -> InsertPagesEdit::Inserted {
        if (!PageOperations::insertBlankPage(doc, index))
            return {};
        return {index + 1, 1};
    };
    if (documentVM_.perform(std::make_unique<InsertPagesEdit>(
            tr("Insert Blank Page"), documentVM_.pdfDocument(), std::move(insert))))
        setStatus({});
}

QString PageManagementView::documentFolder() const {
    const auto doc = documentVM_.pdfDocument();
    return FileDialogs::folderOf(doc ? doc->path() : QString());
}

void PageManagementView::insertFromFile() {
    const QString path = FileDialogs::current()->openPdf(documentFolder());
    if (path.isEmpty())
        return;
    const auto doc = documentVM_.pdfDocument();
    auto source = pdf::Document::open(path);
    if (!source || source->isLocked()) {
        setStatus(tr("%1 is not a readable PDF.").arg(QFileInfo(path).fileName()));
        return;
    }
    if (!doc)
        return;
    const int at = documentVM_.currentPageIndex() + 1;
    auto insert = [source, at](const pdf::DocumentPtr& into) -> InsertPagesEdit::Inserted {
        return {at, PageOperations::insertDocument(into, *source, at)};
    };
    if (documentVM_.perform(
            std::make_unique<InsertPagesEdit>(tr("Insert Pages"), doc, std::move(insert))))
        setStatus({});
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
    QString error;
    setStatus(PageOperations::writePage(doc, index, path, &error) ? QString() : error);
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
    const auto result = PageOperations::splitDocument(doc, folder);
    QString message;
    if (!result.failures.isEmpty()) {
        message = result.failures.first();
        if (result.failures.size() > 1)
            message +=
                tr(" (%n more file(s) could not be written)", "", int(result.failures.size() - 1));
    }
    setStatus(message);
}

void PageManagementView::mergeDocument() {
    OpenFileRequest request;
    request.contentTypes = {ContentType::pdf()};
    request.allowsMultipleSelection = true;
    request.directory = documentFolder();
    const QStringList paths = FileDialogs::current()->openFiles(request);
    if (paths.isEmpty())
        return;
    const auto doc = documentVM_.pdfDocument();
    if (!doc)
        return;
    auto skipped = std::make_shared<QStringList>();
    auto merge = [paths, skipped](const pdf::DocumentPtr& into) -> InsertPagesEdit::Inserted {
        const int at = into->pageCount();
        const auto result = PageOperations::mergeDocuments(into, paths);
        *skipped = result.skipped;
        return {at, result.pagesAdded};
    };
    documentVM_.perform(std::make_unique<InsertPagesEdit>(tr("Merge PDF"), doc, std::move(merge)));
    setStatus(PageOperations::skippedMessage(*skipped));
}
