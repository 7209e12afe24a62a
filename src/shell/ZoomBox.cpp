#include "shell/ZoomBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

#include <cmath>

namespace {
constexpr int kPercentages[] = {50, 75, 100, 125, 150, 200, 300, 400};
constexpr int kFitRole = Qt::UserRole + 1;
} // namespace

ZoomBox::ZoomBox(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("zoomBox"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setToolTip(tr("Zoom"));
    for (int percent : kPercentages)
        addItem(QStringLiteral("%1%").arg(percent), percent / 100.0);
    insertSeparator(count());
    addItem(tr("Fit Width"));
    setItemData(count() - 1, int(Fit::width), kFitRole);
    addItem(tr("Fit Page"));
    setItemData(count() - 1, int(Fit::page), kFitRole);
    addItem(tr("Actual Size"));
    setItemData(count() - 1, int(Fit::actualSize), kFitRole);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::activated, this, &ZoomBox::chosen);
    connect(lineEdit(), &QLineEdit::returnPressed, this, &ZoomBox::typed);
}

void ZoomBox::showScale(double scale) {
    const QSignalBlocker block(this);
    setCurrentIndex(-1);
    setEditText(QStringLiteral("%1%").arg(std::lround(scale * 100)));
}

void ZoomBox::chosen(int index) {
    const QVariant fit = itemData(index, kFitRole);
    if (fit.isValid())
        emit fitRequested(Fit(fit.toInt()));
    else if (const double scale = itemData(index).toDouble(); scale > 0)
        emit scaleRequested(scale);
    // Once the list has closed and handed the keyboard back to the box.
    QTimer::singleShot(0, this, &ZoomBox::choiceFinished);
}

void ZoomBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit choiceFinished();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void ZoomBox::typed() {
    QString text = currentText().trimmed();
    if (text.endsWith(QLatin1Char('%')))
        text.chop(1);
    bool ok = false;
    const double percent = text.toDouble(&ok);
    if (ok && percent >= 10 && percent <= 1000)
        emit scaleRequested(percent / 100.0);
    emit choiceFinished();
}
