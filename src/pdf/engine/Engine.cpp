#include "pdf/engine/Engine.h"
#include "pdf/engine/EngineStore.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace pdf::engine {
namespace {

std::mutex g_locks[FZ_LOCK_MAX];

void lockFn(void*, int lock) {
    g_locks[lock].lock();
}
void unlockFn(void*, int lock) {
    g_locks[lock].unlock();
}

fz_locks_context g_lockContext{nullptr, lockFn, unlockFn};

// MuPDF prints warnings to stderr by default; a reader should stay quiet about
// files it repairs.
void quietWarning(void*, const char*) {}
void quietError(void*, const char*) {}

fz_context* baseContext() {
    static fz_context* base = [] {
        fz_context* c = fz_new_context(nullptr, &g_lockContext, EngineStore::limit());
        if (!c) {
            std::fputs("vellumark: cannot initialise the PDF engine\n", stderr);
            std::abort();
        }
        fz_set_warning_callback(c, quietWarning, nullptr);
        fz_set_error_callback(c, quietError, nullptr);
        fz_try(c) {
            fz_register_document_handlers(c);
        }
        fz_catch(c) {
            std::fputs("vellumark: cannot register PDF handlers\n", stderr);
            std::abort();
        }
        // Documents never run JavaScript.
        return c;
    }();
    return base;
}

struct ThreadContext {
    fz_context* c = nullptr;
    ~ThreadContext() {
        if (c && c != baseContext())
            fz_drop_context(c);
    }
};

} // namespace

fz_context* ctx() {
    static thread_local ThreadContext local;
    if (!local.c) {
        local.c = fz_clone_context(baseContext());
        if (!local.c) {
            std::fputs("vellumark: cannot clone the PDF engine context\n", stderr);
            std::abort();
        }
        fz_set_warning_callback(local.c, quietWarning, nullptr);
        fz_set_error_callback(local.c, quietError, nullptr);
    }
    return local.c;
}

IsolatedContext::IsolatedContext() : c(fz_new_context(nullptr, nullptr, 64 << 20)) {
    if (c) {
        fz_set_warning_callback(c, quietWarning, nullptr);
        fz_set_error_callback(c, quietError, nullptr);
    }
}

IsolatedContext::~IsolatedContext() {
    if (c)
        fz_drop_context(c);
}

QString lastError(fz_context* c) {
    return QString::fromUtf8(fz_caught_message(c));
}

} // namespace pdf::engine
