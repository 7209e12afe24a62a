#include "shell/DiskChangeBarView.h"

#include "viewmodels/DiskWatch.h"
#include "widgets/Icons.h"
#include "widgets/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

DiskChangeBarView::DiskChangeBarView(DocumentViewModel* documentVM, QWidget* parent)
    : QFrame(parent), watch_(new DiskWatch(documentVM, this)) {
    setObjectName("diskChangeBar");
    setStyleSheet("QFrame#diskChangeBar { background: rgba(214,137,16,0.12);"
                  " border-bottom: 1px solid rgba(214,137,16,0.5); }");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 8, 6);
    row->setSpacing(8);
    auto* icon = new QLabel(this);
    icon->setPixmap(SymbolIcon::pixmap("exclamationmark.triangle.fill", 18, QColor(214, 137, 16),
                                       devicePixelRatioF()));
    row->addWidget(icon, 0, Qt::AlignTop);
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    row->addWidget(label_, 1);
    reload_ = new QPushButton(tr("Reload"), this);
    reload_->setObjectName("diskChangeReload");
    row->addWidget(reload_, 0, Qt::AlignTop);
    auto* close = new QToolButton(this);
    close->setIcon(Icons::icon("xmark.circle.fill"));
    close->setAutoRaise(true);
    close->setToolTip(tr("Keep reading the version that is open"));
    close->setAccessibleName(tr("Hide"));
    row->addWidget(close, 0, Qt::AlignTop);
    connect(reload_, &QPushButton::clicked, watch_, &DiskWatch::reload);
    connect(close, &QToolButton::clicked, watch_, &DiskWatch::dismiss);
    connect(watch_, &DiskWatch::changedOnDiskChanged, this, &DiskChangeBarView::update);
    update();
}

QString DiskChangeBarView::text() const {
    return isHidden() ? QString() : label_->text();
}

void DiskChangeBarView::update() {
    label_->setText(watch_->message());
    setVisible(watch_->changedOnDisk());
}
