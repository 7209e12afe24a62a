#include "pageview/PasswordPromptWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

PasswordPromptWidget::PasswordPromptWidget(QWidget* parent) : QWidget(parent) {
    auto* title = title_ = new QLabel(tr("This document is password protected."), this);
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true); // a narrow view gets a narrower card, not a cut-off title
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    field_ = new QLineEdit(this);
    field_->setEchoMode(QLineEdit::Password);
    field_->setPlaceholderText(tr("Password"));
    field_->setMinimumWidth(120);

    button_ = new QPushButton(tr("Unlock"), this);
    button_->setDefault(true);

    message_ = new QLabel(this);
    message_->setTextFormat(Qt::PlainText); // names and messages may come from a document
    message_->setAlignment(Qt::AlignCenter);
    message_->setStyleSheet(QStringLiteral("color: #c02020;"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(8);
    layout->addWidget(title);
    layout->addWidget(field_);
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    layout->addWidget(message_);

    auto submit = [this] { emit unlockRequested(field_->text()); };
    connect(field_, &QLineEdit::returnPressed, this, submit);
    connect(button_, &QPushButton::clicked, this, submit);
}

int PasswordPromptWidget::preferredWidth() const {
    const QMargins margins = layout()->contentsMargins();
    const int title = title_->fontMetrics().horizontalAdvance(title_->text()) + 8;
    return std::max(title, 220) + margins.left() + margins.right();
}

void PasswordPromptWidget::paintEvent(QPaintEvent*) {
    // A card over the view's background, so the prompt reads as one piece.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0, 0, 0, 40));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

void PasswordPromptWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    field_->setFocus();
}

QString PasswordPromptWidget::message() const {
    return message_->text();
}

void PasswordPromptWidget::showRejected() {
    field_->clear();
    message_->setText(tr("Incorrect password. Try again."));
    field_->setFocus();
}

void PasswordPromptWidget::reset() {
    field_->clear();
    message_->clear();
}
