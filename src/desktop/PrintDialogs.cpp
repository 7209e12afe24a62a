#include "desktop/PrintDialogs.h"

#include <mutex>

namespace {

class CancellingPrintDialogs final : public PrintDialogs {
public:
    bool choose(QPrinter&, const PrintRequest&, PrintChoice&) override { return false; }
};

std::mutex& installMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<PrintDialogs>& installed() {
    static std::shared_ptr<PrintDialogs> dialogs = std::make_shared<CancellingPrintDialogs>();
    return dialogs;
}

} // namespace

std::shared_ptr<PrintDialogs> PrintDialogs::current() {
    std::lock_guard lock(installMutex());
    return installed();
}

std::shared_ptr<PrintDialogs> PrintDialogs::install(std::shared_ptr<PrintDialogs> dialogs) {
    std::lock_guard lock(installMutex());
    if (!dialogs)
        dialogs = std::make_shared<CancellingPrintDialogs>();
    std::swap(installed(), dialogs);
    return dialogs;
}
