#pragma once
// Makes the disk "full" for this process and the programs it starts while in scope: a write
// past `bytes` fails with EFBIG ("File too large") instead of raising SIGXFSZ.
#include <csignal>
#include <sys/resource.h>

namespace fixtures {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    struct rlimit old_ {};
    void (*previous_)(int) = nullptr;
    bool active_ = false;
};

} // namespace fixtures
