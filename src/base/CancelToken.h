#pragma once
// Asks work on another thread to stop. Polling it is one atomic load, so loops look at it
// as often as they like. Work that cannot poll it (the PDF engine while it draws reads a
// flag of its own) hangs a std::stop_callback on stopToken() to pass the request on.
#include <stop_token>

namespace base {

class CancelToken {
public:
    CancelToken() = default;
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // From any thread, any number of times; runs the hung callbacks on the calling thread.
    void cancel() { source_.request_stop(); }
    bool isCancelled() const { return source_.stop_requested(); }
    std::stop_token stopToken() const { return source_.get_token(); }

private:
    std::stop_source source_;
};

} // namespace base
