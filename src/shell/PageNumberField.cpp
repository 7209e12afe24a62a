#include "shell/PageNumberField.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

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

void PageNumberField::setLabels(const pdf::PageLabels& labels) {
    labels_ = labels;
    // As wide as the longest label needs, within reason, so the buttons beside it stay put
    // while reading.
    const QFontMetrics metrics = fontMetrics();
    int widest = metrics.horizontalAdvance(QStringLiteral("9999 / 9999"));
    if (!labels_.isEmpty())
        for (int i = 0; i < labels_.pageCount() && i < 5000; ++i)
            widest = std::max(widest, metrics.horizontalAdvance(labels_.label(i).left(16) +
                                                                QStringLiteral(" (9999 / 9999)")));
    setFixedWidth(std::min(widest, metrics.horizontalAdvance(QLatin1Char('M')) * 24) + 16);
    if (!hasFocus())
        showCounter();
}

QString PageNumberField::entryText() const {
    return labels_.pageCount() == total_ ? labels_.label(index_) : QString::number(index_ + 1);
}

void PageNumberField::showCounter() {
    if (total_ <= 0) {
        setText(QString());
    } else if (labels_.pageCount() == total_ && labels_.differs(index_)) {
        setText(
            QStringLiteral("%1 (%2 / %3)").arg(labels_.label(index_)).arg(index_ + 1).arg(total_));
    } else {
        setText(QStringLiteral("%1 / %2").arg(index_ + 1).arg(total_));
    }
    setCursorPosition(0);
}

void PageNumberField::beginEntry() {
    setFocus(Qt::ShortcutFocusReason);
    setText(entryText());
    selectAll();
}

void PageNumberField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    setText(entryText());
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
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void PageNumberField::commit() {
    int index = -1;
    if (labels_.pageCount() == total_) {
        index = labels_.indexForText(text());
    } else {
        bool ok = false;
        const int number = text().trimmed().toInt(&ok);
        index = ok && number >= 1 && number <= total_ ? number - 1 : -1;
    }
    if (index < 0) {
        complaint_ = labels_.isEmpty() || labels_.pageCount() != total_
                         ? tr("Enter a page from 1 to %1").arg(total_)
                         : tr("Enter a page label, or a page from 1 to %1").arg(total_);
        QToolTip::showText(mapToGlobal(QPoint(0, height())), complaint_, this);
        selectAll();
        return;
    }
    complaint_.clear();
    QToolTip::hideText();
    emit pageRequested(index);
    clearFocus();
    showCounter();
}
