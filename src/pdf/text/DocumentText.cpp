#include "pdf/document/Document.h"
#include "pdf/text/DocumentRangeText.h"

#include "pdf/document/FileStream.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Internal.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"

#include "base/ParallelFor.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>

namespace pdf {

using engine::ctx;

namespace {

pdf_page* loadPage(fz_context* c, pdf_document* doc, int index) {
    pdf_page* page = nullptr;
    fz_var(page);
    fz_try(c) {
        page = loadPdfPage(c, doc, index);
    }
    fz_catch(c) {
        page = nullptr;
    }
    return page;
}

// Extracts the text of the pages it takes from `next` from a private copy of the document,
// in a context of its own, so that it takes no lock the other threads wait on. Pages are
// handed out one at a time, so a slower thread simply takes fewer.
// `take(i)` says whether page i is still wanted (it may wait for room first); `done(i, text)`
// receives every page taken, with a null text when the page could not be loaded.
using TakePage = std::function<bool(int index)>;
using PageDone = std::function<void(int index, std::shared_ptr<const TextPage> text)>;

void extractShare(const SourceRef& source, const QByteArray& password, bool withAnnotations,
                  const base::NextIndex& next, int first, const TakePage& take,
                  const PageDone& done) {
    engine::IsolatedContext isolated;
    fz_context* c = isolated.get();
    if (!c)
        return;
    fz_stream* stream = nullptr;
    pdf_document* doc = nullptr;
    PageTable table; // so that page 20,000 is found as fast as page 1
    ObjList found;   // the pages the repair's walk found: the table starts from them
    fz_var(stream);
    fz_var(doc);
    fz_var(found);
    fz_try(c) {
        stream = source.open(c);
        doc = pdf_open_document_with_stream(c, stream);
        if (pdf_needs_password(c, doc) && !pdf_authenticate_password(c, doc, password.constData()))
            fz_throw(c, FZ_ERROR_GENERIC,
                     "the private copy does not open with the document's password");
        // The same repair as the document's own, so page numbers name the same pages. The
        // engine's page map keeps pages alive past the document: the table below stands in.
        countAndRepairPages(c, doc, &found);
    }
    fz_always(c) {
        fz_drop_stream(c, stream);
    }
    fz_catch(c) {
        found.release(c);
        pdf_drop_document(c, doc);
        return;
    }
    table.attach(doc);
    table.adopt(c, found.items, found.len);
    try {
        for (int i = next(); i >= 0; i = next()) {
            if (!take(i))
                continue;
            pdf_page* page = loadPage(c, doc, first + i);
            std::shared_ptr<const TextPage> text;
            if (page) {
                text = extractTextPage(c, page, withAnnotations);
                fz_drop_page(c, &page->super);
            }
            done(i, std::move(text));
        }
    } catch (...) {
        table.detach(c);
        pdf_drop_document(c, doc);
        throw;
    }
    table.detach(c);
    pdf_drop_document(c, doc);
}

} // namespace

std::vector<std::shared_ptr<const TextPage>> Document::textPages() const {
    return textPagesInRange(*this, 0, pageCount());
}

std::vector<std::shared_ptr<const TextPage>> textPagesInRange(const Document& document, int first,
                                                              int end, int maxThreads) {
    const auto& d = document.data();
    const int total = document.pageCount();
    first = std::clamp(first, 0, total);
    end = std::clamp(end, first, total);
    const int count = end - first;
    std::vector<std::shared_ptr<const TextPage>> out(static_cast<size_t>(count));
    SourceRef source;
    QByteArray password;
    int missing = 0;
    int moved = 0;
    {
        auto lock = d->lock();
        for (int i = 0; i < count; ++i) {
            if (first + i < int(d->texts.size()))
                out[size_t(i)] = d->texts[size_t(first + i)];
            missing += out[size_t(i)] ? 0 : 1;
        }
        // A private copy reads the same pages only while nothing was inserted or removed
        // and no page's content changed.
        if (missing >= 8 && (d->source || d->file) && d->pagesMoved == 0 && !d->contentEdited &&
            !d->locked) {
            source = SourceRef(d->source, d->file);
            password = d->password;
            moved = d->pagesMoved;
        }
    }
    if (source) {
        // Each thread opens its own copy, which costs more than a few pages of text.
        base::ParallelOptions options;
        options.maxThreads = std::max(1, std::min(4, missing / 4));
        if (maxThreads > 0)
            options.maxThreads = std::min(options.maxThreads, maxThreads);
        try {
            base::parallelWorkers(
                count,
                [&](const base::NextIndex& next) {
                    extractShare(
                        source, password, d->textWithAnnotations, next, first,
                        [&](int i) { return !out[size_t(i)]; },
                        [&](int i, std::shared_ptr<const TextPage> text) {
                            if (text)
                                out[size_t(i)] = std::move(text);
                        });
                },
                options);
        } catch (...) {
            // Out of memory in a worker: the pages it left are read one by one below.
        }
        source = SourceRef();
        auto lock = d->lock();
        // Pages inserted or removed meanwhile: what was read belongs to other slots now.
        if (d->pagesMoved != moved) {
            lock.unlock();
            return textPagesInRange(document, first, end, maxThreads);
        }
        auto table = d->tableLock();
        for (int i = 0; i < count && first + i < int(d->texts.size()); ++i) {
            auto& kept = d->texts[size_t(first + i)];
            if (out[size_t(i)] && !kept)
                kept = out[size_t(i)];
            else if (kept)
                out[size_t(i)] = kept; // one page, one text, whoever read it first
        }
        d->trimTexts(0);
    }
    for (int i = 0; i < count; ++i)
        if (!out[size_t(i)])
            if (auto p = document.page(first + i))
                out[size_t(i)] = p->textPage();
    return out;
}

std::vector<Selection> Document::findString(const QString& text) const {
    return findStringInRange(*this, text, 0, pageCount());
}

std::vector<Selection> findStringInRange(const Document& document, const QString& text, int first,
                                         int end, int maxThreads) {
    // Accents count here, as they always did for callers that name no options.
    return findStringInRange(document, text, SearchOptions{.matchDiacritics = true}, first, end,
                             maxThreads);
}

std::vector<Selection> findStringInRange(const Document& document, const QString& text,
                                         const SearchOptions& options, int first, int end,
                                         int maxThreads) {
    std::vector<Selection> results;
    const std::u32string needle = foldForSearch(text, options);
    if (needle.empty())
        return results;
    first = std::max(first, 0);
    const auto texts = textPagesInRange(document, first, end, maxThreads);
    const int count = int(texts.size());
    for (int i = 0; i < count; ++i) {
        auto tp = texts[size_t(i)];
        if (!tp || tp->isEmpty())
            continue;
        auto p = document.page(first + i);
        if (!p)
            continue;
        for (const auto& [first, last] : tp->find(needle, options))
            results.emplace_back(std::vector<Selection::Range>{{p, first, last}});
    }
    return results;
}

qint64 Document::keptTextBytes() const {
    auto lock = d_->lock();
    return d_->textBytes();
}

void Document::forEachTextPage(const std::function<bool(int, const TextPage*)>& visit,
                               int window) const {
    window = std::max(1, window);
    const int count = pageCount();
    std::vector<std::shared_ptr<const TextPage>> known(static_cast<size_t>(count));
    SourceRef source;
    QByteArray password;
    {
        auto lock = d_->lock();
        for (int i = 0; i < count && i < int(d_->texts.size()); ++i)
            known[size_t(i)] = d_->texts[size_t(i)];
        // A private copy reads the same pages only while the document is as it was read.
        if (count >= 8 && (d_->source || d_->file) && d_->pagesMoved == 0 && !d_->contentEdited &&
            !d_->locked)
            source = SourceRef(d_->source, d_->file);
        password = d_->password;
    }

    // Pages finished out of order wait in `ready` until every page before them was
    // visited; a worker does not start a page `window` or more ahead of the next to visit.
    std::mutex mutex;
    std::condition_variable room;
    std::map<int, std::shared_ptr<const TextPage>> ready;
    int nextToVisit = 0;
    bool visiting = false, stopped = false;

    const auto deliver = [&](int index, std::shared_ptr<const TextPage> text) {
        std::unique_lock lock(mutex);
        ready.emplace(index, std::move(text));
        if (visiting)
            return; // the thread visiting now finds it before it stops
        visiting = true;
        for (auto it = ready.find(nextToVisit); it != ready.end() && !stopped;
             it = ready.find(nextToVisit)) {
            std::shared_ptr<const TextPage> page = std::move(it->second);
            ready.erase(it);
            lock.unlock();
            bool go = false;
            try {
                go = visit(nextToVisit, page && !page->isEmpty() ? page.get() : nullptr);
            } catch (...) {
                lock.lock();
                stopped = true;
                visiting = false;
                room.notify_all();
                throw;
            }
            page.reset();
            lock.lock();
            stopped = stopped || !go;
            ++nextToVisit;
            room.notify_all();
        }
        visiting = false;
    };
    const auto take = [&](int index) {
        std::unique_lock lock(mutex);
        room.wait(lock, [&] { return stopped || index < nextToVisit + window; });
        if (stopped)
            return false;
        if (known[size_t(index)]) {
            lock.unlock();
            deliver(index, known[size_t(index)]);
            return false;
        }
        return true;
    };

    if (source) {
        base::ParallelOptions options;
        options.maxThreads = std::max(1, std::min(4, count / 4));
        std::exception_ptr failure;
        try {
            base::parallelWorkers(
                count,
                [&](const base::NextIndex& next) {
                    try {
                        extractShare(source, password, d_->textWithAnnotations, next, 0, take,
                                     [&](int i, std::shared_ptr<const TextPage> text) {
                                         // A page the copy could not load is read as the
                                         // document itself reads it.
                                         if (!text)
                                             if (auto p = page(i))
                                                 text = p->textPage();
                                         deliver(i, std::move(text));
                                     });
                    } catch (...) {
                        // Whoever waits for room must not wait for this thread's pages.
                        std::lock_guard lock(mutex);
                        stopped = true;
                        room.notify_all();
                        throw;
                    }
                },
                options);
        } catch (...) {
            failure = std::current_exception();
        }
        source = SourceRef();
        if (failure)
            std::rethrow_exception(failure);
    }
    // Whatever the private copies did not read (none made, or pages they could not load)
    // is read here from the document itself, in order.
    std::unique_lock lock(mutex);
    for (int i = nextToVisit; i < count && !stopped; i = nextToVisit) {
        lock.unlock();
        auto p = known[size_t(i)] ? nullptr : page(i);
        auto text = known[size_t(i)] ? known[size_t(i)] : p ? p->textPage() : nullptr;
        p.reset();
        lock.lock();
        ready.erase(i);
        lock.unlock();
        deliver(i, std::move(text));
        lock.lock();
    }
}

} // namespace pdf
