#include "desktop/Clipboard.h"
#include "desktop/qt/SystemClipboard.h"

#include <mutex>

namespace {

std::mutex& installMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<Clipboard>& installed() {
    static std::shared_ptr<Clipboard> clipboard = std::make_shared<SystemClipboard>();
    return clipboard;
}

} // namespace

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
