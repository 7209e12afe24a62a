// Matches found and replaced outside the pages' content: document information, XMP,
// bookmark titles, annotation texts and form values.
#include "pdf/annotations/Redaction.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"

#include <set>

namespace pdf {

using engine::ctx;

namespace {

using Scrub = std::function<int(QString&)>;

[[noreturn]] void fail(fz_context* c) {
    throw Error(QStringLiteral("the document's text could not be changed: %1")
                    .arg(engine::lastError(c))
                    .toStdString());
}

// `key` of `dict`, borrowed; null when absent. Never throws.
pdf_obj* entry(fz_context* c, pdf_obj* dict, const char* key) {
    pdf_obj* value = nullptr;
    fz_var(value);
    fz_try(c) {
        value = pdf_dict_gets(c, dict, key);
    }
    fz_catch(c) {
        value = nullptr;
    }
    return value;
}

QString textOf(fz_context* c, pdf_obj* value) {
    const char* s = nullptr;
    fz_var(s);
    fz_try(c) {
        s = pdf_is_string(c, value) ? pdf_to_text_string(c, value) : nullptr;
    }
    fz_catch(c) {
        s = nullptr;
    }
    return s ? QString::fromUtf8(s) : QString();
}

// Scrubs the text string under `key`; returns the matches replaced. Throws Error.
int scrubEntry(fz_context* c, pdf_obj* dict, const char* key, const Scrub& scrub) {
    QString text = textOf(c, entry(c, dict, key));
    if (text.isEmpty())
        return 0;
    const int found = scrub(text);
    if (found == 0)
        return 0;
    const QByteArray utf8 = text.toUtf8();
    bool ok = true;
    fz_try(c) {
        pdf_dict_puts_drop(c, dict, key, pdf_new_text_string(c, utf8.constData()));
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        fail(c);
    return found;
}

int scrubInformation(fz_context* c, pdf_document* doc, const Scrub& scrub) {
    pdf_obj* info = entry(c, pdf_trailer(c, doc), "Info");
    std::vector<QByteArray> keys;
    fz_try(c) {
        for (int i = 0; i < pdf_dict_len(c, info); ++i)
            if (pdf_is_string(c, pdf_dict_get_val(c, info, i)))
                keys.emplace_back(pdf_to_name(c, pdf_dict_get_key(c, info, i)));
    }
    fz_catch(c) {
        fail(c);
    }
    int found = 0;
    for (const QByteArray& key : keys)
        found += scrubEntry(c, info, key.constData(), scrub);
    return found;
}

// An XMP packet cannot be edited reliably in place: one holding a match goes whole.
int scrubMetadata(fz_context* c, pdf_document* doc, const Scrub& scrub) {
    pdf_obj* root = entry(c, pdf_trailer(c, doc), "Root");
    pdf_obj* stream = entry(c, root, "Metadata");
    if (!stream)
        return 0;
    fz_buffer* buffer = nullptr;
    fz_var(buffer);
    fz_try(c) {
        buffer = pdf_load_stream(c, stream);
    }
    fz_catch(c) {
        buffer = nullptr;
    }
    QString text;
    if (buffer) {
        unsigned char* data = nullptr;
        const size_t len = fz_buffer_storage(c, buffer, &data);
        text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(len));
        fz_drop_buffer(c, buffer);
    }
    // Unreadable metadata cannot be shown to hold nothing: it goes too.
    int found = buffer ? scrub(text) : 1;
    fz_var(found);
    if (found == 0)
        return 0;
    fz_try(c) {
        pdf_dict_del(c, root, PDF_NAME(Metadata));
    }
    fz_catch(c) {
        fail(c);
    }
    return found;
}

int scrubOutline(fz_context* c, pdf_document* doc, const Scrub& scrub) {
    pdf_obj* root = entry(c, pdf_trailer(c, doc), "Root");
    std::vector<pdf_obj*> pending{entry(c, entry(c, root, "Outlines"), "First")};
    std::set<int> seen;
    int found = 0;
    while (!pending.empty()) {
        pdf_obj* item = pending.back();
        pending.pop_back();
        if (!item || !seen.insert(pdf_to_num(c, item)).second)
            continue;
        found += scrubEntry(c, item, "Title", scrub);
        pending.push_back(entry(c, item, "Next"));
        pending.push_back(entry(c, item, "First"));
    }
    return found;
}

// Draws an annotation again after its text changed. Throws Error.
void redraw(fz_context* c, pdf_annot* annot) {
    fz_try(c) {
        pdf_dirty_annot(c, annot);
        pdf_update_annot(c, annot);
    }
    fz_catch(c) {
        fail(c);
    }
}

void scrubPage(fz_context* c, pdf_document* doc, pdf_page* page, const Scrub& scrub,
               ScrubCounts& counts) {
    std::vector<pdf_annot*> annots;
    std::vector<pdf_annot*> widgets;
    fz_try(c) {
        for (pdf_annot* a = pdf_first_annot(c, page); a; a = pdf_next_annot(c, a))
            annots.push_back(a);
        for (pdf_annot* w = pdf_first_widget(c, page); w; w = pdf_next_widget(c, w))
            widgets.push_back(w);
    }
    fz_catch(c) {
        fail(c);
    }
    for (pdf_annot* a : annots) {
        pdf_obj* obj = pdf_annot_obj(c, a);
        const int inContents = scrubEntry(c, obj, "Contents", scrub);
        counts.annotations +=
            inContents + scrubEntry(c, obj, "T", scrub) + scrubEntry(c, obj, "Subj", scrub);
        if (inContents > 0) {
            fz_try(c) {
                pdf_dict_del(c, obj, PDF_NAME(RC)); // the rich text repeats the contents
            }
            fz_catch(c) {
                fail(c);
            }
            // Only a text box draws its contents; other appearances (a note's icon) stay.
            if (pdf_annot_type(c, a) == PDF_ANNOT_FREE_TEXT)
                redraw(c, a);
        }
    }
    // Link addresses (links are not among the engine's annotations).
    pdf_obj* links = entry(c, page->obj, "Annots");
    int count = 0;
    fz_var(count);
    fz_try(c) {
        count = pdf_array_len(c, links);
    }
    fz_catch(c) {
        fail(c);
    }
    for (int i = 0; i < count; ++i) {
        pdf_obj* action = entry(c, pdf_array_get(c, links, i), "A");
        if (action)
            counts.annotations += scrubEntry(c, action, "URI", scrub);
    }
    for (pdf_annot* w : widgets) {
        pdf_obj* field = pdf_annot_obj(c, w);
        const char* raw = nullptr;
        fz_var(raw);
        fz_try(c) {
            raw = pdf_field_value(c, field);
        }
        fz_catch(c) {
            raw = nullptr;
        }
        QString value = raw ? QString::fromUtf8(raw) : QString();
        const int found = value.isEmpty() ? 0 : scrub(value);
        if (found == 0)
            continue;
        counts.fields += found;
        const QByteArray utf8 = value.toUtf8();
        bool ok = true;
        fz_try(c) {
            pdf_set_field_value(c, doc, field, utf8.constData(), 1);
        }
        fz_catch(c) {
            ok = false;
        }
        if (!ok)
            fail(c);
        redraw(c, w);
    }
}

} // namespace

ScrubCounts scrubDocumentText(Document& document, const Scrub& scrub) {
    if (document.isLocked())
        throw Error("the document is locked; it needs its password first");
    ScrubCounts counts;
    ChangeScope scope;
    DocumentData& d = *document.data();
    fz_context* c = ctx();
    {
        auto lock = d.lock();
        counts.information = scrubInformation(c, d.pdf, scrub);
        counts.metadata = scrubMetadata(c, d.pdf, scrub);
        counts.outline = scrubOutline(c, d.pdf, scrub);
    }
    for (int i = 0; i < document.pageCount(); ++i) {
        const auto page = document.page(i);
        auto lock = d.lock();
        pdf_page* engine = page ? page->data().engine() : nullptr;
        if (!engine)
            throw Error(QStringLiteral("page %1 cannot be read").arg(i + 1).toStdString());
        const int before = counts.annotations + counts.fields;
        scrubPage(c, d.pdf, engine, scrub, counts);
        if (counts.annotations + counts.fields != before) {
            touch(page->data());
            announce(d, {Change::Kind::AnnotationsChanged, {i}});
        }
    }
    if (counts.information + counts.metadata + counts.outline > 0)
        announce(d, {Change::Kind::InfoChanged, {}});
    return counts;
}

} // namespace pdf
