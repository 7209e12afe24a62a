#include "pdf/document/Attachments.h"

#include "pdf/document/Document.h"
#include "pdf/document/PdfDate.h"
#include "pdf/document/PdfTrees.h"

#include "base/AtomicFile.h"

#include <QFileInfo>

namespace pdf {

using engine::ctx;

namespace {

// How many annotations of one page are looked at, at most.
constexpr int kMaxAnnotsPerPage = 10000;

// The file entries found, in listing order, with the name-tree key (document
// level) or the page (annotations). Engine-allocated so it grows inside guarded regions.
struct Specs {
    pdf_obj** spec = nullptr;
    pdf_obj** key = nullptr;
    int* page = nullptr;
    int len = 0;
    int cap = 0;
    void push(fz_context* c, pdf_obj* s, pdf_obj* k, int p) {
        if (len == cap) {
            const int grown = cap ? cap * 2 : 16;
            spec = fz_realloc_array(c, spec, grown, pdf_obj*);
            key = fz_realloc_array(c, key, grown, pdf_obj*);
            page = fz_realloc_array(c, page, grown, int);
            cap = grown;
        }
        spec[len] = s;
        key[len] = k;
        page[len] = p;
        ++len;
    }
    void release(fz_context* c) {
        fz_free(c, spec);
        fz_free(c, key);
        fz_free(c, page);
        *this = {};
    }
};

// The embedded stream of a file entry, or nullptr.
pdf_obj* embeddedStream(fz_context* c, pdf_obj* spec) {
    pdf_obj* ef = pdf_dict_get(c, spec, PDF_NAME(EF));
    pdf_obj* stream = pdf_dict_get(c, ef, PDF_NAME(UF));
    if (!pdf_is_stream(c, stream))
        stream = pdf_dict_get(c, ef, PDF_NAME(F));
    return pdf_is_stream(c, stream) ? stream : nullptr;
}

// Every file entry with an embedded stream, in listing order. Throws through
// fz_throw; what was found before stays in `out`.
void collectSpecs(fz_context* c, pdf_document* doc, Specs* out) {
    ObjList keys, values;
    fz_try(c) {
        pdf_obj* root = pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Root));
        pdf_obj* tree = pdf_dict_getp(c, root, "Names/EmbeddedFiles");
        collectTree(c, tree, PDF_NAME(Names), &keys, &values);
        for (int i = 0; i < values.len && out->len < kMaxAttachments; ++i)
            if (embeddedStream(c, values.items[i]))
                out->push(c, values.items[i], keys.items[i], -1);
        const int pages = pdf_count_pages(c, doc);
        for (int p = 0; p < pages && out->len < kMaxAttachments; ++p) {
            pdf_obj* annots = pdf_dict_get(c, pageObjectAt(c, doc, p), PDF_NAME(Annots));
            const int n = std::min(pdf_array_len(c, annots), kMaxAnnotsPerPage);
            for (int i = 0; i < n && out->len < kMaxAttachments; ++i) {
                pdf_obj* annot = pdf_array_get(c, annots, i);
                if (!pdf_name_eq(c, pdf_dict_get(c, annot, PDF_NAME(Subtype)),
                                 PDF_NAME(FileAttachment)))
                    continue;
                pdf_obj* spec = pdf_dict_get(c, annot, PDF_NAME(FS));
                if (embeddedStream(c, spec))
                    out->push(c, spec, nullptr, p);
            }
        }
    }
    fz_always(c) {
        keys.release(c);
        values.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

struct RawAttachment {
    const char* name = nullptr;
    const char* description = nullptr;
    const char* mime = nullptr;
    const char* created = nullptr;
    const char* modified = nullptr;
    int64_t size = -1;
};

const char* textOf(fz_context* c, pdf_obj* obj) {
    return pdf_is_string(c, obj) ? pdf_to_text_string(c, obj) : nullptr;
}

// Control characters are dropped from a name and become spaces in other text.
QString printableText(const char* raw, bool spaces = false) {
    QString out;
    for (QChar ch : QString::fromUtf8(raw))
        if (ch.isPrint() || ch == u' ')
            out += ch;
        else if (spaces)
            out += u' ';
    return out.simplified();
}

// Those found before any damage.
void findSpecs(fz_context* c, pdf_document* doc, Specs* specs) {
    fz_try(c) {
        collectSpecs(c, doc, specs);
    }
    fz_catch(c) {}
}

// Reads what each file entry declares into `out`. Kept apart so nothing local lives
// across the guard.
void readSpecs(fz_context* c, const Specs& specs, RawAttachment* out) {
    fz_try(c) {
        for (int i = 0; i < specs.len; ++i) {
            pdf_obj* spec = specs.spec[i];
            RawAttachment& r = out[i];
            r.name = textOf(c, pdf_dict_get(c, spec, PDF_NAME(UF)));
            if (!r.name || !*r.name)
                r.name = textOf(c, pdf_dict_get(c, spec, PDF_NAME(F)));
            if ((!r.name || !*r.name) && specs.key[i])
                r.name = textOf(c, specs.key[i]);
            r.description = textOf(c, pdf_dict_get(c, spec, PDF_NAME(Desc)));
            pdf_obj* stream = embeddedStream(c, spec);
            pdf_obj* params = pdf_dict_get(c, stream, PDF_NAME(Params));
            pdf_obj* size = pdf_dict_get(c, params, PDF_NAME(Size));
            // A number past 64 bits comes as a real; either way it is only shown.
            r.size = pdf_is_int(c, size) ? std::max<int64_t>(-1, pdf_to_int64(c, size))
                     : pdf_is_number(c, size)
                         ? int64_t(std::clamp(double(pdf_to_real(c, size)), -1.0, 9e18))
                         : -1;
            r.mime = pdf_dict_get_name(c, stream, PDF_NAME(Subtype));
            r.created = textOf(c, pdf_dict_get(c, params, PDF_NAME(CreationDate)));
            r.modified = textOf(c, pdf_dict_get(c, params, PDF_NAME(ModDate)));
        }
    }
    fz_catch(c) {}
}

// The decoded contents of the attachment at `index`, or nullptr.
fz_stream* openSpec(fz_context* c, pdf_document* doc, int index) {
    Specs specs;
    fz_stream* in = nullptr;
    fz_var(in);
    fz_try(c) {
        collectSpecs(c, doc, &specs);
        if (index >= 0 && index < specs.len)
            in = pdf_open_stream(c, embeddedStream(c, specs.spec[index]));
    }
    fz_always(c) {
        specs.release(c);
    }
    fz_catch(c) {
        in = nullptr;
    }
    return in;
}

// Up to `capacity` decoded bytes; 0 at the end. Kept apart so nothing local lives across
// the guard.
size_t readSome(fz_context* c, fz_stream* in, char* buffer, size_t capacity, bool* broken) {
    size_t got = 0;
    fz_var(got);
    fz_try(c) {
        got = fz_read(c, in, reinterpret_cast<unsigned char*>(buffer), capacity);
    }
    fz_catch(c) {
        *broken = true;
        got = 0;
    }
    return got;
}

} // namespace

std::vector<Attachment> attachments(const Document& document) {
    const auto& d = document.data();
    auto lock = d->lock();
    if (d->locked)
        return {};
    fz_context* c = ctx();
    Specs specs;
    findSpecs(c, d->pdf, &specs);
    std::vector<RawAttachment> raw(size_t(specs.len));
    readSpecs(c, specs, raw.data());
    const int count = specs.len;
    std::vector<Attachment> result;
    result.reserve(raw.size());
    for (int i = 0; i < count; ++i) {
        const RawAttachment& r = raw[size_t(i)];
        Attachment a;
        a.name = printableText(r.name);
        a.description = printableText(r.description, true);
        a.size = r.size;
        a.mimeType = printableText(r.mime);
        a.created = r.created ? parsePdfDate(QString::fromUtf8(r.created)) : QDateTime();
        a.modified = r.modified ? parsePdfDate(QString::fromUtf8(r.modified)) : QDateTime();
        a.page = specs.page[i];
        result.push_back(std::move(a));
    }
    specs.release(c);
    return result;
}

bool saveAttachment(const Document& document, int index, const QString& path, QString* error,
                    qint64 limit) {
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    const auto& d = document.data();
    auto lock = d->lock();
    if (d->locked)
        return fail(QString("The document is locked."));
    fz_context* c = ctx();
    fz_stream* in = openSpec(c, d->pdf, index);
    if (!in)
        return fail(QString("The attached file cannot be read from this document."));

    base::AtomicFile out(path);
    if (!out.open()) {
        fz_drop_stream(c, in);
        return fail(base::couldNotBeWritten(path, out.reason()));
    }
    QByteArray chunk(1 << 16, Qt::Uninitialized);
    char* buffer = chunk.data();
    const size_t capacity = size_t(chunk.size());
    qint64 written = 0;
    QString problem;
    for (;;) {
        bool broken = false;
        const size_t got = readSome(c, in, buffer, capacity, &broken);
        if (broken) {
            problem = QString("The attached file is damaged and was not saved.");
            break;
        }
        if (got == 0)
            break;
        written += qint64(got);
        if (written > limit) {
            problem = QString("The attached file is larger than %1 MB and was not saved.")
                          .arg(limit >> 20);
            break;
        }
        if (!out.write(buffer, qint64(got))) {
            problem = base::couldNotBeWritten(path, out.reason());
            break;
        }
    }
    fz_drop_stream(c, in);
    if (!problem.isEmpty()) {
        out.cancel();
        return fail(problem);
    }
    if (!out.commit())
        return fail(base::couldNotBeWritten(path, out.reason()));
    return true;
}

QString safeFileName(const QString& name) {
    QString last = name;
    const qsizetype cut = std::max(last.lastIndexOf(u'/'), last.lastIndexOf(u'\\'));
    if (cut >= 0)
        last = last.mid(cut + 1);
    QString clean;
    for (QChar ch : last)
        if (ch.isPrint() || ch == u' ')
            clean += ch;
    clean = clean.trimmed();
    while (clean.startsWith(u'.') || clean.startsWith(u' '))
        clean.remove(0, 1);
    // Cut to 200 bytes of UTF-8, keeping a short extension, and never inside a character.
    const QString suffix = QFileInfo(clean).suffix();
    const QString ext = suffix.isEmpty() || suffix.size() > 16 ? QString() : u'.' + suffix;
    if (clean.toUtf8().size() > 200) {
        QString stem = clean.left(clean.size() - ext.size());
        while (!stem.isEmpty() && (stem + ext).toUtf8().size() > 200)
            stem.chop(stem.size() > 64 ? stem.size() / 8 : 1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
        clean = stem.trimmed() + ext;
    }
    if (clean.isEmpty() || clean == ext)
        return QStringLiteral("attachment") + ext;
    return clean;
}

} // namespace pdf
