#include "pdf/writing/OptimizeResources.h"

#include <QByteArray>

#include <cstring>
#include <map>
#include <set>

namespace pdf {

namespace {

using Names = std::set<QByteArray>;

bool regular(unsigned char ch) {
    return ch > 32 && ch < 127 && !std::strchr("()<>[]{}/%", ch);
}

// Every name token in `data` (a few more than the resources it uses, since text in strings
// is scanned too: the error only ever keeps an entry).
void collectNames(const unsigned char* data, size_t size, Names* names) {
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '/')
            continue;
        size_t end = i + 1;
        while (end < size && regular(data[end]))
            ++end;
        QByteArray name(reinterpret_cast<const char*>(data + i + 1), qsizetype(end - i - 1));
        // #xx escapes stand for the character: compare names as the engine reads them.
        if (name.contains('#'))
            name = QByteArray::fromPercentEncoding(name, '#');
        names->insert(std::move(name));
        i = end - 1;
    }
}

// Whether anything the page draws borrows the page's resources. Throws through fz_throw.
bool lends(fz_context* c, pdf_obj* resources) {
    pdf_obj* xobjects = pdf_dict_get(c, resources, PDF_NAME(XObject));
    for (int i = 0, n = pdf_dict_len(c, xobjects); i < n; ++i) {
        pdf_obj* x = pdf_dict_get_val(c, xobjects, i);
        if (pdf_name_eq(c, pdf_dict_get(c, x, PDF_NAME(Subtype)), PDF_NAME(Form)) &&
            !pdf_dict_get(c, x, PDF_NAME(Resources)))
            return true;
    }
    pdf_obj* fonts = pdf_dict_get(c, resources, PDF_NAME(Font));
    for (int i = 0, n = pdf_dict_len(c, fonts); i < n; ++i) {
        pdf_obj* f = pdf_dict_get_val(c, fonts, i);
        if (pdf_name_eq(c, pdf_dict_get(c, f, PDF_NAME(Subtype)), PDF_NAME(Type3)) &&
            !pdf_dict_get(c, f, PDF_NAME(Resources)))
            return true;
    }
    return false;
}

struct Use {
    pdf_obj* resources = nullptr; // kept
    Names names;
    bool keepAll = false;
};

// The names page `index` mentions, added to the use of its resources. Never throws.
void readPage(fz_context* c, pdf_document* doc, int index, std::map<pdf_obj*, Use>* uses) {
    pdf_obj* resources = nullptr;
    fz_buffer* contents = nullptr;
    fz_stream* stream = nullptr;
    int lent = 1;
    int truncated = 0;
    fz_var(resources);
    fz_var(contents);
    fz_var(stream);
    fz_var(lent);
    fz_try(c) {
        pdf_obj* page = pdf_lookup_page_obj(c, doc, index);
        resources = pdf_keep_obj(c, pdf_dict_get_inheritable(c, page, PDF_NAME(Resources)));
        lent = lends(c, resources);
        stream = pdf_open_contents_stream(c, doc, pdf_dict_get(c, page, PDF_NAME(Contents)));
        contents = fz_read_best(c, stream, 0, &truncated, 0);
    }
    fz_always(c) {
        fz_drop_stream(c, stream);
    }
    fz_catch(c) {
        lent = 1;
    }
    if (truncated)
        lent = 1; // what the rest of the contents would have named is unknown
    if (resources) {
        // One entry per resource dictionary: the object itself, shared or not.
        pdf_obj* key = pdf_resolve_indirect(c, resources);
        auto [at, fresh] = uses->try_emplace(key);
        if (fresh)
            at->second.resources = resources;
        else
            pdf_drop_obj(c, resources);
        if (lent || !contents) {
            at->second.keepAll = true;
        } else {
            unsigned char* data = nullptr;
            const size_t size = fz_buffer_storage(c, contents, &data);
            collectNames(data, size, &at->second.names);
        }
    }
    fz_drop_buffer(c, contents);
}

// Removes the entries of `category` not in `names`. Never throws.
int prune(fz_context* c, pdf_obj* resources, pdf_obj* category, const Names& names) {
    int removed = 0;
    fz_var(removed);
    fz_try(c) {
        pdf_obj* dict = pdf_dict_get(c, resources, category);
        for (int i = pdf_dict_len(c, dict) - 1; i >= 0; --i) {
            pdf_obj* key = pdf_dict_get_key(c, dict, i);
            if (!names.count(QByteArray(pdf_to_name(c, key)))) {
                pdf_dict_del(c, dict, key);
                ++removed;
            }
        }
    }
    fz_catch(c) {}
    return removed;
}

} // namespace

namespace {

int pageCount(fz_context* c, pdf_document* doc) {
    int pages = 0;
    fz_var(pages);
    fz_try(c) {
        pages = pdf_count_pages(c, doc);
    }
    fz_catch(c) {
        pages = 0;
    }
    return pages;
}

} // namespace

int dropUnusedResources(fz_context* c, pdf_document* doc) {
    std::map<pdf_obj*, Use> uses;
    const int pages = pageCount(c, doc);
    for (int i = 0; i < pages; ++i)
        readPage(c, doc, i, &uses);
    int removed = 0;
    for (auto& [key, use] : uses) {
        if (!use.keepAll) {
            removed += prune(c, use.resources, PDF_NAME(XObject), use.names);
            removed += prune(c, use.resources, PDF_NAME(Font), use.names);
        }
        pdf_drop_obj(c, use.resources);
    }
    return removed;
}

} // namespace pdf
