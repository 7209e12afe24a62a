#include "sheets/DocumentCompareView.h"

#include "pageview/PagePreviewView.h"
#include "viewmodels/DocumentCompareViewModel.h"
#include "widgets/SheetStyle.h"
#include "widgets/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using SheetStyle::Role;

DocumentCompareView::DocumentCompareView(DocumentViewModel& documentVM, QWidget* parent)
    : QDialog(parent), model_(new DocumentCompareViewModel(documentVM, this)) {
    setWindowTitle(tr("Compare Documents"));
    setWindowModality(Qt::WindowModal);
    setMinimumSize(900, 600);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    header->addWidget(SheetStyle::label(tr("Compare Documents"), Role::title2, QFont::DemiBold));
    header->addStretch(1);
    done_ = new QPushButton(tr("Done"));
    header->addWidget(done_);
    layout->addLayout(header);
    layout->addWidget(SheetStyle::divider());

    content_ = new QStackedWidget;
    content_->addWidget(buildChooser());
    content_->addWidget(buildComparison());
    layout->addWidget(content_, 1);

    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    connect(chooseButton_, &QPushButton::clicked, model_, &DocumentCompareViewModel::choosePDF);
    connect(chooseDifferent_, &QPushButton::clicked, model_,
            &DocumentCompareViewModel::chooseDifferentFile);
    connect(previous_, &QToolButton::clicked, model_, &DocumentCompareViewModel::previousPage);
    connect(next_, &QToolButton::clicked, model_, &DocumentCompareViewModel::nextPage);
    connect(model_, &DocumentCompareViewModel::pagesChanged, this, &DocumentCompareView::refresh);
    connect(model_, &DocumentCompareViewModel::compareFileNameChanged, this,
            &DocumentCompareView::refresh);
    connect(model_, &DocumentCompareViewModel::chooseErrorChanged, this,
            &DocumentCompareView::refresh);
    refresh();
}

QWidget* DocumentCompareView::buildChooser() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(20);
    layout->addStretch(1);
    auto* icon = new QLabel;
    icon->setPixmap(
        SymbolIcon::pixmap("doc.on.doc", 48, SheetStyle::secondary(), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* prompt = new QLabel(tr("Select a PDF to compare with the current document"));
    SheetStyle::setTextColor(prompt, SheetStyle::secondary());
    prompt->setAlignment(Qt::AlignCenter);
    layout->addWidget(prompt);
    chooseButton_ = new QPushButton(tr("Choose PDF..."));
    chooseButton_->setDefault(true);
    layout->addWidget(chooseButton_, 0, Qt::AlignCenter);
    chooseError_ =
        SheetStyle::label(QString(), Role::callout, QFont::Normal, QColor(0xD7, 0x00, 0x15));
    chooseError_->setAlignment(Qt::AlignCenter);
    layout->addWidget(chooseError_);
    layout->addStretch(1);
    return page;
}

QWidget* DocumentCompareView::buildComparison() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* namesBar = new QWidget;
    namesBar->setObjectName("namesBar");
    namesBar->setAttribute(Qt::WA_StyledBackground);
    namesBar->setStyleSheet(QStringLiteral("#namesBar { background: %1; }")
                                .arg(palette().color(QPalette::Window).darker(106).name()));
    auto* names = new QHBoxLayout(namesBar);
    names->setContentsMargins(8, 8, 8, 8);
    leftName_ = SheetStyle::label(QString(), Role::headline);
    leftName_->setAlignment(Qt::AlignCenter);
    names->addWidget(leftName_, 1);
    names->addWidget(
        SheetStyle::label(tr("vs"), Role::callout, QFont::Normal, SheetStyle::secondary()));
    rightName_ = SheetStyle::label(QString(), Role::headline);
    rightName_->setAlignment(Qt::AlignCenter);
    names->addWidget(rightName_, 1);
    layout->addWidget(namesBar);
    layout->addWidget(SheetStyle::divider());

    auto* previews = new QHBoxLayout;
    previews->setSpacing(0);
    leftPreview_ = new PagePreviewView;
    rightPreview_ = new PagePreviewView;
    previews->addWidget(leftPreview_, 1);
    previews->addWidget(SheetStyle::divider(true));
    previews->addWidget(rightPreview_, 1);
    layout->addLayout(previews, 1);
    layout->addWidget(SheetStyle::divider());

    auto* nav = new QHBoxLayout;
    nav->setContentsMargins(8, 8, 8, 8);
    previous_ = new QToolButton;
    previous_->setIcon(SymbolIcon::icon("chevron.left"));
    previous_->setToolTip(tr("Previous page"));
    nav->addWidget(previous_);
    counter_ = new QLabel;
    // Room for long counts, so the buttons do not move while paging.
    counter_->setMinimumWidth(counter_->fontMetrics().horizontalAdvance(tr("Page 0000 of 0000")));
    counter_->setAlignment(Qt::AlignCenter);
    nav->addWidget(counter_);
    next_ = new QToolButton;
    next_->setIcon(SymbolIcon::icon("chevron.right"));
    next_->setToolTip(tr("Next page"));
    nav->addWidget(next_);
    nav->addStretch(1);
    chooseDifferent_ = new QPushButton(tr("Choose Different File..."));
    chooseDifferent_->setAutoDefault(false);
    nav->addWidget(chooseDifferent_);
    layout->addLayout(nav);
    return page;
}

bool DocumentCompareView::showsChooser() const {
    return content_->currentIndex() == 0;
}

void DocumentCompareView::refresh() {
    const bool comparing = model_->isComparing();
    content_->setCurrentIndex(comparing ? 1 : 0);
    chooseError_->setText(model_->chooseError());
    chooseError_->setVisible(!model_->chooseError().isEmpty());
    if (!comparing) {
        leftPreview_->setPage(nullptr);
        rightPreview_->setPage(nullptr);
        return;
    }
    leftName_->setText(model_->documentFileName());
    rightName_->setText(model_->compareFileName());
    counter_->setText(model_->pageCounterText());
    previous_->setEnabled(model_->canGoPrevious());
    next_->setEnabled(model_->canGoNext());
    leftPreview_->setPage(model_->leftPage());
    rightPreview_->setPage(model_->rightPage());
}
