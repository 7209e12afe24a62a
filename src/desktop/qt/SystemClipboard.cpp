#include "desktop/qt/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard* systemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

} // namespace

QImage SystemClipboard::image() const {
    QClipboard* c = systemClipboard();
    if (!c)
        return {};
    const QMimeData* mime = c->mimeData();
    if (!mime || !mime->hasImage())
        return {};
    return c->image();
}

QString SystemClipboard::text() const {
    QClipboard* c = systemClipboard();
    return c ? c->text() : QString();
}

void SystemClipboard::setText(const QString& text) {
    if (QClipboard* c = systemClipboard())
        c->setText(text);
}

void SystemClipboard::setImage(const QImage& image) {
    if (QClipboard* c = systemClipboard())
        c->setImage(image);
}
