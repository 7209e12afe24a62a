#include "pdf/engine/EngineStore.h"

#include "pdf/engine/Engine.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string_view>

namespace pdf::EngineStore {

namespace {

std::atomic<size_t> g_limit{size_t(96) << 20};

// The store tells its size only in its debug listing, whose last line reads
// "max=M, size=S, actual size=A".
size_t parseSize(std::string_view text) {
    const size_t line = text.rfind("max=");
    if (line == std::string_view::npos)
        return 0;
    const size_t at = text.find("size=", line);
    if (at == std::string_view::npos)
        return 0;
    size_t size = 0;
    for (size_t i = at + 5; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        size = size * 10 + size_t(text[i] - '0');
    return size;
}

} // namespace

void setLimit(size_t bytes) {
    g_limit = bytes;
}

size_t limit() {
    return g_limit;
}

size_t bytes() {
    // The listing is written while the engine holds its allocation lock, so nothing may
    // allocate through the engine then: the output keeps only the listing's tail, in place.
    struct Tail {
        char text[512] = {};
        size_t length = 0;
    } tail;
    const auto write = [](fz_context*, void* state, const void* data, size_t n) {
        auto* t = static_cast<Tail*>(state);
        const auto* bytes = static_cast<const char*>(data);
        for (size_t i = 0; i < n; ++i) {
            if (t->length == sizeof t->text) {
                std::memmove(t->text, t->text + sizeof t->text / 2, sizeof t->text / 2);
                t->length = sizeof t->text / 2;
            }
            t->text[t->length++] = bytes[i];
        }
    };
    fz_context* c = engine::ctx();
    fz_output* out = nullptr;
    fz_var(out);
    fz_try(c) {
        out = fz_new_output(c, 0, &tail, write, nullptr, nullptr);
        fz_debug_store(c, out);
        fz_close_output(c, out);
    }
    fz_always(c) {
        fz_drop_output(c, out);
    }
    fz_catch(c) {
        return 0;
    }
    return parseSize(std::string_view(tail.text, tail.length));
}

void trim(size_t wanted) {
    const size_t target = wanted > 0 ? std::min(wanted, limit()) : limit();
    const size_t now = bytes();
    if (now <= target || now == 0)
        return;
    fz_shrink_store(engine::ctx(), unsigned(target * 100 / now));
}

} // namespace pdf::EngineStore
