#include "shell/AttachmentListView.h"

#include "viewmodels/AttachmentsViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "widgets/Icons.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

AttachmentListView::AttachmentListView(DocumentViewModel& documentVM, QWidget* parent)
    : QWidget(parent), documentVM_(documentVM), model_(new AttachmentsViewModel(this)) {
    setObjectName(QStringLiteral("attachments"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("attachmentList"));
    list_->setAccessibleName(tr("Attachments"));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setWordWrap(true);
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setIconSize(QSize(16, 16));
    open_ = new QPushButton(tr("Open"), this);
    save_ = new QPushButton(tr("Save As\u2026"), this);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 6, 6, 6);
    buttons->addWidget(open_);
    buttons->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(open_, &QPushButton::clicked, this, [this] { model_->open(list_->currentRow()); });
    connect(save_, &QPushButton::clicked, this, [this] { model_->saveAs(list_->currentRow()); });
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { model_->open(list_->row(item)); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        open_->setEnabled(row >= 0);
        save_->setEnabled(row >= 0);
    });
    connect(model_, &AttachmentsViewModel::attachmentsChanged, this, &AttachmentListView::rebuild);
    const auto reread = [this] { model_->setDocument(documentVM_.pdfDocument()); };
    connect(&documentVM_, &DocumentViewModel::pdfDocumentChanged, this, reread);
    // Pages with attachments may come and go; an unlocked document shows its files at last.
    connect(&documentVM_, &DocumentViewModel::totalPagesChanged, this, reread);
    reread();
}

bool AttachmentListView::hasAttachments() const {
    return !model_->attachments().empty();
}

void AttachmentListView::rebuild() {
    list_->clear();
    for (const pdf::Attachment& a : model_->attachments()) {
        QStringList details{AttachmentsViewModel::sizeText(a.size)};
        if (a.page >= 0)
            details << tr("page %1").arg(a.page + 1);
        if (!a.description.isEmpty())
            details << a.description;
        const QString name = a.name.isEmpty() ? tr("(unnamed)") : a.name.left(300);
        auto* item =
            new QListWidgetItem(Icons::icon(QStringLiteral("paperclip")),
                                name + u'\n' + details.join(QStringLiteral(" \u00b7 ")), list_);
        item->setToolTip(name + u'\n' + details.join(u'\n'));
    }
    if (list_->count() > 0)
        list_->setCurrentRow(0);
    open_->setEnabled(list_->currentRow() >= 0);
    save_->setEnabled(list_->currentRow() >= 0);
    emit attachmentsChanged();
}
