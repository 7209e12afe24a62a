#include "shell/SignatureBarView.h"

#include "pdf/signatures/SignatureFields.h"
#include "viewmodels/DocumentViewModel.h"
#include "widgets/Icons.h"
#include "widgets/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

namespace {

const QColor kGreen(52, 168, 83);
const QColor kAmber(214, 137, 16);
const QColor kRed(220, 53, 47);

} // namespace

SignatureBarView::SignatureBarView(DocumentViewModel* documentVM, QWidget* parent)
    : QFrame(parent), documentVM_(documentVM) {
    setObjectName("signatureBar");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 8, 6);
    row->setSpacing(8);
    icon_ = new QLabel(this);
    row->addWidget(icon_, 0, Qt::AlignTop);
    label_ = new QLabel(this);
    label_->setObjectName("signatureBarText");
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    row->addWidget(label_, 1);
    auto* close = new QToolButton(this);
    close->setObjectName("signatureBarClose");
    close->setIcon(Icons::icon("xmark.circle.fill"));
    close->setAutoRaise(true);
    close->setToolTip(tr("Hide"));
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    row->addWidget(close, 0, Qt::AlignTop);
    connect(documentVM_, &DocumentViewModel::pdfDocumentChanged, this,
            &SignatureBarView::documentChanged);
    documentChanged();
}

QString SignatureBarView::text() const {
    return isHidden() ? QString() : label_->text();
}

void SignatureBarView::documentChanged() {
    // Verified once by the view model when the document was set: not read twice on opening.
    signatures_ = documentVM_->signatures();
    if (signatures_.empty()) {
        hide();
        return;
    }
    QStringList lines;
    bool broken = false;
    bool changed = false;
    for (const auto& s : signatures_) {
        lines << "Signed by " + (s.signer.isEmpty() ? QString("an unnamed signer") : s.signer) +
                     ": " + s.state();
        broken = broken || s.integrity != StandardSignature::Integrity::Valid;
        changed = changed || s.change != StandardSignature::Change::None;
    }
    const QColor color = broken ? kRed : changed ? kAmber : kGreen;
    icon_->setPixmap(
        SymbolIcon::pixmap(broken || changed ? "xmark.shield.fill" : "checkmark.shield.fill", 18,
                           color, devicePixelRatioF()));
    label_->setText(lines.join('\n'));
    setStyleSheet(QString("QFrame#signatureBar { background: rgba(%1,%2,%3,0.12);"
                          " border-bottom: 1px solid rgba(%1,%2,%3,0.5); }")
                      .arg(color.red())
                      .arg(color.green())
                      .arg(color.blue()));
    show();
}
