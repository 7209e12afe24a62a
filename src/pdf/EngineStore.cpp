#include "pdf/EngineStore.h"

#include "pdf/Engine.h"

#include <algorithm>
#include <atomic>
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
    fz_context* c = engine::ctx();
    fz_buffer* buffer = nullptr;
    fz_output* out = nullptr;
    fz_var(buffer);
    fz_var(out);
    fz_try(c) {
        buffer = fz_new_buffer(c, 4096);
        out = fz_new_output_with_buffer(c, buffer);
        fz_debug_store(c, out);
        fz_close_output(c, out);
    }
    fz_always(c) {
        fz_drop_output(c, out);
    }
    fz_catch(c) {
        fz_drop_buffer(c, buffer);
        return 0;
    }
    unsigned char* data = nullptr;
    const size_t length = fz_buffer_storage(c, buffer, &data);
    const size_t size = parseSize(std::string_view(reinterpret_cast<const char*>(data), length));
    fz_drop_buffer(c, buffer);
    return size;
}

void trim(size_t wanted) {
    const size_t target = wanted > 0 ? std::min(wanted, limit()) : limit();
    const size_t now = bytes();
    if (now <= target || now == 0)
        return;
    fz_shrink_store(engine::ctx(), unsigned(target * 100 / now));
}

} // namespace pdf::EngineStore
