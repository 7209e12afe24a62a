#include "pageview/DisplayListCache.h"

#include "pageview/ViewMemoryBudget.h"

std::shared_ptr<DisplayListCache> DisplayListCache::shared() {
    static std::mutex mutex;
    static std::weak_ptr<DisplayListCache> instance;
    std::lock_guard lock(mutex);
    auto cache = instance.lock();
    if (!cache) {
        cache = std::make_shared<DisplayListCache>(ViewMemoryBudget::standard().displayLists);
        instance = cache;
    }
    return cache;
}

DisplayListCache::DisplayListCache(int capacity) : capacity_(capacity) {}

bool DisplayListCache::Recording::wanted() const {
    if (alwaysWanted)
        return true;
    for (const auto& waiter : waiters)
        if (auto token = waiter.lock(); token && !token->isCancelled())
            return true;
    return false;
}

bool DisplayListCache::finished(const Entry& e) {
    return e.list.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

std::shared_ptr<pdf::DisplayList>
DisplayListCache::get(const pdf::PagePtr& page, const std::shared_ptr<base::CancelToken>& wanted) {
    if (!page)
        return nullptr;
    // A recording stopped for want of callers is not kept: a caller still wanting the page
    // (it joined just as the others left) asks again.
    while (!wanted || !wanted->isCancelled()) {
        std::promise<std::shared_ptr<pdf::DisplayList>> promise;
        std::shared_future<std::shared_ptr<pdf::DisplayList>> existing;
        std::shared_ptr<Recording> recording;
        {
            std::lock_guard lock(mutex_);
            pruneGone();
            for (auto it = entries_.begin(); it != entries_.end(); ++it) {
                if (!it->page.owner_before(page) && !page.owner_before(it->page)) {
                    entries_.splice(entries_.begin(), entries_, it);
                    existing = it->list;
                    recording = it->recording;
                    break;
                }
            }
            if (!existing.valid()) {
                recording = std::make_shared<Recording>();
                entries_.push_front({page, page.get(), promise.get_future().share(), recording});
                while (int(entries_.size()) > capacity_)
                    entries_.pop_back();
            }
            if (!existing.valid() ||
                existing.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
                if (wanted)
                    recording->waiters.push_back(wanted);
                else
                    recording->alwaysWanted = true;
            }
        }
        std::shared_ptr<pdf::DisplayList> list;
        if (existing.valid()) {
            list = existing.get();
        } else {
            try {
                list = page->displayList(true, &recording->cancel);
            } catch (...) {
                list = nullptr; // a page that cannot be recorded shows as a blank sheet
            }
            promise.set_value(list);
        }
        if (list || !recording->cancel.isCancelled())
            return list;
        std::lock_guard lock(mutex_);
        entries_.remove_if([&](const Entry& e) { return e.recording == recording; });
    }
    return nullptr;
}

void DisplayListCache::cancelUnwanted() {
    std::lock_guard lock(mutex_);
    entries_.remove_if([](const Entry& e) {
        if (finished(e) || e.recording->wanted())
            return false;
        e.recording->cancel.cancel();
        return true;
    });
}

void DisplayListCache::invalidate(const pdf::Page* page) {
    std::lock_guard lock(mutex_);
    // A recording still being made for it is handed to its callers only; the next asks anew.
    entries_.remove_if([page](const Entry& e) { return e.address == page && !e.page.expired(); });
    pruneGone();
}

void DisplayListCache::pruneGone() {
    entries_.remove_if([](const Entry& e) { return e.page.expired(); });
}

int DisplayListCache::size() {
    std::lock_guard lock(mutex_);
    pruneGone();
    return int(entries_.size());
}

void DisplayListCache::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}
