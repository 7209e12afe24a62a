#include "shell/PageNumberField.h"

#include <QKeyEvent>
#include <QTimer>
#include <QToolTip>

PageNumberField::PageNumberField(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("pageCounter"));
    setAlignment(Qt::AlignCenter);
    setFrame(false);
    setToolTip(tr("Go to page (Ctrl+L)"));
    // Wide enough for "9999 / 9999", and no wider or narrower as the numbers change, so
    // the buttons beside it stay put.
    setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("9999 / 9999")) + 16);
}

void PageNumberField::setPage(int index, int total) {
    index_ = index;
    total_ = total;
    if (!hasFocus())
        showCounter();
}

void PageNumberField::showCounter() {
    setText(total_ > 0 ? QStringLiteral("%1 / %2").arg(index_ + 1).arg(total_) : QString());
}

void PageNumberField::beginEntry() {
    setFocus(Qt::ShortcutFocusReason);
    setText(QString::number(index_ + 1));
    selectAll();
}

void PageNumberField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    setText(QString::number(index_ + 1));
    // Typed digits replace the number at once; a click places the cursor after this event,
    // so select again once it has.
    selectAll();
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

void PageNumberField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    showCounter();
}

void PageNumberField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commit();
        return;
    case Qt::Key_Escape:
        complaint_.clear();
        clearFocus();
        showCounter();
        emit entryFinished();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void PageNumberField::commit() {
    bool ok = false;
    const int number = text().trimmed().toInt(&ok);
    if (!ok || number < 1 || number > total_) {
        complaint_ = tr("Enter a page from 1 to %1").arg(total_);
        QToolTip::showText(mapToGlobal(QPoint(0, height())), complaint_, this);
        selectAll();
        return;
    }
    complaint_.clear();
    QToolTip::hideText();
    emit pageRequested(number - 1);
    clearFocus();
    showCounter();
    emit entryFinished();
}
