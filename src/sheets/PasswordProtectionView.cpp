#include "sheets/PasswordProtectionView.h"

#include "viewmodels/PasswordProtectionViewModel.h"
#include "widgets/SheetStyle.h"
#include "widgets/SymbolIcon.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using SheetStyle::Role;

namespace {

// A masked field that keeps its text out of input methods' predictions and history.
QLineEdit* secureField(const QString& placeholder) {
    auto* field = new QLineEdit;
    field->setEchoMode(QLineEdit::Password);
    field->setPlaceholderText(placeholder);
    field->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                               Qt::ImhNoAutoUppercase);
    return field;
}

QVBoxLayout* passwordBlock(const QString& title, QLineEdit* field, const QString& note) {
    auto* block = new QVBoxLayout;
    block->setSpacing(4);
    block->addWidget(SheetStyle::label(title, Role::callout, QFont::Medium));
    block->addWidget(field);
    auto* noteLabel = SheetStyle::label(note, Role::caption, QFont::Normal, SheetStyle::tertiary());
    noteLabel->setWordWrap(true);
    block->addWidget(noteLabel);
    return block;
}

} // namespace

PasswordProtectionView::PasswordProtectionView(DocumentViewModel& documentVM, QWidget* parent)
    : QDialog(parent), model_(new PasswordProtectionViewModel(documentVM, this)) {
    setWindowTitle(tr("Password Protection"));
    setWindowModality(Qt::WindowModal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    // 420 wide; the height follows the result line as it comes and goes.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* title = SheetStyle::label(tr("Password Protection"), Role::title2, QFont::DemiBold);
    title->setFixedWidth(420 - 48);
    layout->addWidget(title);

    auto* form = new QVBoxLayout;
    form->setSpacing(12);
    ownerField_ = secureField(tr("Password to edit/unlock permissions"));
    form->addLayout(passwordBlock(tr("Owner Password (required)"), ownerField_,
                                  tr("Controls who can change document permissions")));
    userField_ = secureField(tr("Password to open document"));
    form->addLayout(passwordBlock(tr("User Password (optional)"), userField_,
                                  tr("If set, users must enter this to open the PDF")));
    form->addWidget(SheetStyle::divider());
    form->addWidget(SheetStyle::label(tr("Permissions"), Role::callout, QFont::Medium));
    printingToggle_ = new QCheckBox(tr("Allow printing"));
    printingToggle_->setChecked(model_->allowPrinting());
    form->addWidget(printingToggle_);
    copyingToggle_ = new QCheckBox(tr("Allow content copying"));
    copyingToggle_->setChecked(model_->allowCopying());
    form->addWidget(copyingToggle_);
    layout->addLayout(form);

    statusLine_ = new QWidget;
    statusLine_->setObjectName("statusLine");
    statusLine_->setAttribute(Qt::WA_StyledBackground);
    statusLine_->setStyleSheet(
        QStringLiteral("#statusLine { background: %1; border-radius: 8px; }")
            .arg(palette().color(QPalette::AlternateBase).darker(104).name()));
    auto* statusLayout = new QHBoxLayout(statusLine_);
    statusLayout->setContentsMargins(8, 8, 8, 8);
    statusLayout->setSpacing(6);
    statusIcon_ = new QLabel;
    statusIcon_->setFixedSize(16, 16);
    statusLayout->addWidget(statusIcon_, 0, Qt::AlignTop);
    statusText_ = SheetStyle::label(QString(), Role::callout);
    statusText_->setWordWrap(true);
    statusLayout->addWidget(statusText_, 1);
    statusLine_->hide();
    layout->addWidget(statusLine_);

    auto* buttons = new QHBoxLayout;
    cancelButton_ = new QPushButton(tr("Cancel"));
    cancelButton_->setAutoDefault(false);
    buttons->addWidget(cancelButton_);
    buttons->addStretch(1);
    saveButton_ = new QPushButton(tr("Save Protected PDF..."));
    saveButton_->setDefault(true);
    saveButton_->setEnabled(model_->canSave());
    buttons->addWidget(saveButton_);
    layout->addLayout(buttons);

    connect(ownerField_, &QLineEdit::textChanged, model_,
            &PasswordProtectionViewModel::setOwnerPassword);
    connect(userField_, &QLineEdit::textChanged, model_,
            &PasswordProtectionViewModel::setUserPassword);
    connect(printingToggle_, &QCheckBox::toggled, model_,
            &PasswordProtectionViewModel::setAllowPrinting);
    connect(copyingToggle_, &QCheckBox::toggled, model_,
            &PasswordProtectionViewModel::setAllowCopying);
    connect(model_, &PasswordProtectionViewModel::ownerPasswordChanged, this,
            [this] { saveButton_->setEnabled(model_->canSave()); });
    connect(model_, &PasswordProtectionViewModel::statusChanged, this,
            &PasswordProtectionView::refreshStatus);
    connect(model_, &PasswordProtectionViewModel::dismissRequested, this, &QDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(saveButton_, &QPushButton::clicked, model_,
            &PasswordProtectionViewModel::saveProtectedPDF);
}

void PasswordProtectionView::refreshStatus() {
    const QString& message = model_->statusMessage();
    statusLine_->setVisible(!message.isEmpty());
    statusText_->setText(message);
    const bool success = model_->isSuccess();
    const QColor color = success ? QColor(0x34, 0xC7, 0x59) : QColor(0xFF, 0x3B, 0x30);
    statusIcon_->setPixmap(
        SymbolIcon::pixmap(success ? "checkmark.circle.fill" : "exclamationmark.triangle.fill", 16,
                           color, devicePixelRatioF()));
    statusIcon_->setProperty("symbol",
                             success ? "checkmark.circle.fill" : "exclamationmark.triangle.fill");
}
