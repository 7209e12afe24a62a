#include "pdf/Document.h"
#include "pdf/DocumentRangeText.h"

#include "pdf/Internal.h"
#include "pdf/Page.h"
#include "pdf/Selection.h"
#include "pdf/TextPage.h"

#include "base/ParallelFor.h"

#include <algorithm>

namespace pdf {

using engine::ctx;

namespace {

pdf_page* loadPage(fz_context* c, pdf_document* doc, int index) {
    pdf_page* page = nullptr;
    fz_var(page);
    fz_try(c) {
        page = pdf_load_page(c, doc, index);
    }
    fz_catch(c) {
        page = nullptr;
    }
    return page;
}

// Extracts the text of the pages it takes from `next` from a private copy of the document,
// in a context of its own, so that it takes no lock the other threads wait on. Pages are
// handed out one at a time, so a slower thread simply takes fewer.
void extractShare(fz_buffer* source, const QByteArray& password, const base::NextIndex& next,
                  int first, std::vector<std::shared_ptr<const TextPage>>& out) {
    engine::IsolatedContext isolated;
    fz_context* c = isolated.get();
    if (!c)
        return;
    fz_stream* stream = nullptr;
    pdf_document* doc = nullptr;
    int mapped = 0;
    fz_var(stream);
    fz_var(doc);
    fz_var(mapped);
    fz_try(c) {
        // The bytes stay owned by the caller's buffer; this context only reads them.
        unsigned char* data = nullptr;
        const size_t length = fz_buffer_storage(c, source, &data);
        fz_buffer* view = fz_new_buffer_from_shared_data(c, data, length);
        stream = fz_open_buffer(c, view);
        fz_drop_buffer(c, view);
        doc = pdf_open_document_with_stream(c, stream);
        if (pdf_needs_password(c, doc) && !pdf_authenticate_password(c, doc, password.constData()))
            fz_throw(c, FZ_ERROR_GENERIC,
                     "the private copy does not open with the document's password");
        // The copy's tree never changes: one map makes every lookup by number cost the same.
        countAndRepairPages(c, doc);
        pdf_load_page_tree(c, doc);
        mapped = 1;
    }
    fz_always(c) {
        fz_drop_stream(c, stream);
    }
    fz_catch(c) {
        pdf_drop_document(c, doc);
        return;
    }
    for (int i = next(); i >= 0; i = next()) {
        if (out[size_t(i)])
            continue; // already known
        pdf_page* page = loadPage(c, doc, first + i);
        if (!page)
            continue;
        out[size_t(i)] = extractTextPage(c, page);
        fz_drop_page(c, &page->super);
    }
    if (mapped)
        pdf_drop_page_tree(c, doc);
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
    fz_buffer* source = nullptr;
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
        if (missing >= 8 && d->source && d->pagesMoved == 0 && !d->contentEdited && !d->locked) {
            source = fz_keep_buffer(ctx(), d->source);
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
                    extractShare(source, password, next, first, out);
                },
                options);
        } catch (...) {
            // Out of memory in a worker: the pages it left are read one by one below.
        }
        fz_drop_buffer(ctx(), source);
        auto lock = d->lock();
        // Pages inserted or removed meanwhile: what was read belongs to other slots now.
        if (d->pagesMoved != moved) {
            lock.unlock();
            return textPagesInRange(document, first, end, maxThreads);
        }
        for (int i = 0; i < count && first + i < int(d->texts.size()); ++i) {
            auto& kept = d->texts[size_t(first + i)];
            if (out[size_t(i)] && !kept)
                kept = out[size_t(i)];
            else if (kept)
                out[size_t(i)] = kept; // one page, one text, whoever read it first
        }
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
    std::vector<Selection> results;
    const std::u32string needle = foldForSearch(text);
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
        for (const auto& [first, last] : tp->find(needle))
            results.emplace_back(std::vector<Selection::Range>{{p, first, last}});
    }
    return results;
}

} // namespace pdf
