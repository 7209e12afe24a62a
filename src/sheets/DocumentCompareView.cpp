#include "sheets/DocumentCompareView.h"

#include "pageview/PagePreviewView.h"
#include "viewmodels/DocumentCompareViewModel.h"
#include "widgets/SheetStyle.h"
#include "widgets/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using SheetStyle::Role;

namespace {

QColor tint(DocumentComparison::Kind kind) {
    switch (kind) {
    case DocumentComparison::Kind::added:
        return QColor(0x9B, 0xE8, 0xA8);
    case DocumentComparison::Kind::removed:
        return QColor(0xFF, 0xA8, 0xA3);
    case DocumentComparison::Kind::changed:
        break;
    }
    return QColor(0xFF, 0xD5, 0x80);
}

std::vector<PagePreviewView::Mark>
previewMarks(const std::vector<DocumentCompareViewModel::Mark>& marks) {
    std::vector<PagePreviewView::Mark> out;
    for (const auto& mark : marks)
        out.push_back({mark.box, tint(mark.kind), mark.current});
    return out;
}

// A file name as the names bar shows it: control characters visible as "?", and a long
// name cut in the middle to its half of the bar (the whole of it in the tooltip).
void showName(QLabel* label, QString name) {
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QLatin1Char('?');
    label->setToolTip(name);
    label->setText(label->fontMetrics().elidedText(name, Qt::ElideMiddle, 360));
}

} // namespace

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
    connect(model_, &DocumentCompareViewModel::differencesChanged, this,
            &DocumentCompareView::refreshList);
    connect(previousDifference_, &QToolButton::clicked, model_,
            &DocumentCompareViewModel::previousDifference);
    connect(nextDifference_, &QToolButton::clicked, model_,
            &DocumentCompareViewModel::nextDifference);
    connect(list_, &QListWidget::currentRowChanged, model_,
            &DocumentCompareViewModel::selectDifference);
    connect(model_, &DocumentCompareViewModel::currentDifferenceChanged, this,
            [this] { list_->setCurrentRow(model_->currentDifference()); });
    refreshList();
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
    leftName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    leftName_->setAlignment(Qt::AlignCenter);
    names->addWidget(leftName_, 1);
    names->addWidget(
        SheetStyle::label(tr("vs"), Role::callout, QFont::Normal, SheetStyle::secondary()));
    rightName_ = SheetStyle::label(QString(), Role::headline);
    rightName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    rightName_->setAlignment(Qt::AlignCenter);
    names->addWidget(rightName_, 1);
    layout->addWidget(namesBar);
    layout->addWidget(SheetStyle::divider());

    auto* previews = new QHBoxLayout;
    previews->setSpacing(0);
    const auto side = [](PagePreviewView*& preview, QLabel*& caption, const QString& name) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        caption =
            SheetStyle::label(QString(), Role::caption, QFont::Normal, SheetStyle::secondary());
        caption->setAlignment(Qt::AlignCenter);
        column->addWidget(caption);
        preview = new PagePreviewView;
        preview->setAccessibleName(name);
        column->addWidget(preview, 1);
        return column;
    };
    previews->addLayout(side(leftPreview_, leftPage_, tr("Open document")), 1);
    previews->addWidget(SheetStyle::divider(true));
    previews->addLayout(side(rightPreview_, rightPage_, tr("Compared document")), 1);
    previews->addWidget(SheetStyle::divider(true));

    auto* listColumn = new QVBoxLayout;
    listColumn->setContentsMargins(8, 8, 8, 8);
    summary_ = SheetStyle::label(QString(), Role::headline);
    summary_->setWordWrap(true);
    listColumn->addWidget(summary_);
    list_ = new QListWidget;
    list_->setAccessibleName(tr("Differences"));
    list_->setWordWrap(true);
    list_->setTextElideMode(Qt::ElideRight);
    list_->setFixedWidth(220);
    listColumn->addWidget(list_, 1);
    previews->addLayout(listColumn);
    layout->addLayout(previews, 1);
    layout->addWidget(SheetStyle::divider());

    auto* nav = new QHBoxLayout;
    nav->setContentsMargins(8, 8, 8, 8);
    previous_ = new QToolButton;
    previous_->setIcon(SymbolIcon::icon("chevron.left"));
    previous_->setToolTip(tr("Previous page"));
    previous_->setAccessibleName(tr("Previous page"));
    nav->addWidget(previous_);
    counter_ = new QLabel;
    // Room for long counts, so the buttons do not move while paging.
    counter_->setMinimumWidth(counter_->fontMetrics().horizontalAdvance(tr("Page 0000 of 0000")));
    counter_->setAlignment(Qt::AlignCenter);
    nav->addWidget(counter_);
    next_ = new QToolButton;
    next_->setIcon(SymbolIcon::icon("chevron.right"));
    next_->setToolTip(tr("Next page"));
    next_->setAccessibleName(tr("Next page"));
    nav->addWidget(next_);
    nav->addSpacing(16);
    previousDifference_ = new QToolButton;
    previousDifference_->setText(tr("Previous Difference"));
    previousDifference_->setIcon(SymbolIcon::icon("chevron.up"));
    previousDifference_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    previousDifference_->setToolTip(tr("Previous difference"));
    nav->addWidget(previousDifference_);
    nextDifference_ = new QToolButton;
    nextDifference_->setText(tr("Next Difference"));
    nextDifference_->setIcon(SymbolIcon::icon("chevron.down"));
    nextDifference_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    nextDifference_->setToolTip(tr("Next difference"));
    nav->addWidget(nextDifference_);
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
    showName(leftName_, model_->documentFileName());
    showName(rightName_, model_->compareFileName());
    counter_->setText(model_->pageCounterText());
    previous_->setEnabled(model_->canGoPrevious());
    next_->setEnabled(model_->canGoNext());
    leftPreview_->setPage(model_->leftPage());
    rightPreview_->setPage(model_->rightPage());
    leftPage_->setText(model_->leftPageText());
    rightPage_->setText(model_->rightPageText());
    leftPreview_->setMarks(previewMarks(model_->leftMarks()));
    rightPreview_->setMarks(previewMarks(model_->rightMarks()));
    const int count = int(model_->differences().size());
    previousDifference_->setEnabled(model_->currentDifference() > 0);
    nextDifference_->setEnabled(model_->currentDifference() < count - 1);
}

void DocumentCompareView::refreshList() {
    summary_->setText(model_->summaryText());
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const DocumentComparison::Difference& d : model_->differences()) {
        auto* item = new QListWidgetItem(DocumentCompareViewModel::differenceText(d), list_);
        item->setToolTip(item->text());
        item->setData(Qt::DecorationRole, tint(d.kind));
    }
    list_->setCurrentRow(model_->currentDifference());
    refresh();
}
