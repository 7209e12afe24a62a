#include "desktop/FileLauncher.h"

#include <mutex>

namespace {

class NoLauncher final : public FileLauncher {
public:
    bool openWithDesktop(const QString&) override { return false; }
};

std::mutex& lock() {
    static std::mutex m;
    return m;
}

std::shared_ptr<FileLauncher>& slot() {
    static std::shared_ptr<FileLauncher> launcher = std::make_shared<NoLauncher>();
    return launcher;
}

} // namespace

std::shared_ptr<FileLauncher> FileLauncher::current() {
    std::lock_guard guard(lock());
    return slot();
}

std::shared_ptr<FileLauncher> FileLauncher::install(std::shared_ptr<FileLauncher> launcher) {
    std::lock_guard guard(lock());
    std::shared_ptr<FileLauncher> previous = slot();
    slot() = launcher ? std::move(launcher) : std::make_shared<NoLauncher>();
    return previous;
}
