#include "pdf/text/TextCache.h"

#include "pdf/engine/Internal.h"
#include "pdf/text/TextPage.h"

#include <atomic>
#include <cstdlib>

namespace pdf {

namespace TextCache {

namespace {
std::atomic<qint64> g_limit{qint64(32) << 20};
} // namespace

void setLimit(qint64 bytes) {
    g_limit = bytes;
}

qint64 limit() {
    return g_limit;
}

qint64 costOf(const TextPage& text) {
    return qint64(sizeof(TextPage)) + qint64(text.chars().size() * sizeof(TextChar)) +
           qint64(text.lines().size() * sizeof(TextLine));
}

} // namespace TextCache

void DocumentData::trimTexts(int near) {
    qint64 total = 0;
    for (const auto& text : texts)
        total += text ? TextCache::costOf(*text) : 0;
    const qint64 limit = TextCache::limit();
    // Pages are let go of from both ends inwards, the far end first.
    int low = 0, high = int(texts.size()) - 1;
    while (total > limit && low <= high) {
        const bool takeHigh = std::abs(high - near) >= std::abs(near - low);
        const int slot = takeHigh ? high-- : low++;
        if (slot == near || !texts[size_t(slot)])
            continue;
        total -= TextCache::costOf(*texts[size_t(slot)]);
        texts[size_t(slot)].reset();
    }
}

qint64 DocumentData::textBytes() const {
    qint64 total = 0;
    for (const auto& text : texts)
        total += text ? TextCache::costOf(*text) : 0;
    return total;
}

} // namespace pdf
