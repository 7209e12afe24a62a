#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <mutex>

namespace {

QClipboard* systemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

std::mutex& installMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<Clipboard>& installed() {
    static std::shared_ptr<Clipboard> clipboard = std::make_shared<SystemClipboard>();
    return clipboard;
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

std::shared_ptr<Clipboard> Clipboard::current() {
    std::lock_guard lock(installMutex());
    return installed();
}

std::shared_ptr<Clipboard> Clipboard::install(std::shared_ptr<Clipboard> clipboard) {
    std::lock_guard lock(installMutex());
    if (!clipboard)
        clipboard = std::make_shared<SystemClipboard>();
    std::swap(installed(), clipboard);
    return clipboard;
}
