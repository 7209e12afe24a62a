#include "pdf/writing/OptimizeStreams.h"

#include "pdf/writing/ImageCodec.h"

#include "base/ParallelFor.h"

#include <QCryptographicHash>

#include <map>
#include <vector>

namespace pdf {

namespace {

constexpr size_t kBatchBytes = size_t(32) << 20;
// Nothing inflates past this many bytes in one stream: a bomb stays as it is.
constexpr size_t kInflateLimit = size_t(1) << 30;

struct Pending {
    int number = 0;
    codec::Bytes raw; // as stored (decrypted)
    bool deflated = false;
    int imageWidth = 0; // 8-bit image without parameters: a predictor may help
    int imageHeight = 0;
    codec::Bytes result;
    bool predicted = false;
    int channels = 0;
    bool damaged = false;
    size_t storedSize = 0;
};

bool isName(fz_context* c, pdf_obj* obj, pdf_obj* name) {
    return pdf_name_eq(c, obj, name) || (pdf_is_array(c, obj) && pdf_array_len(c, obj) == 1 &&
                                         pdf_name_eq(c, pdf_array_get(c, obj, 0), name));
}

// Whether stream `number` is one this pass recompresses; fills what the workers need.
// Throws through fz_throw.
bool wanted(fz_context* c, pdf_document* doc, int number, Pending* item) {
    if (!pdf_obj_num_is_stream(c, doc, number))
        return false;
    pdf_obj* dict = pdf_load_object(c, doc, number);
    bool want = false;
    fz_try(c) {
        pdf_obj* type = pdf_dict_get(c, dict, PDF_NAME(Type));
        pdf_obj* filter = pdf_dict_get(c, dict, PDF_NAME(Filter));
        pdf_obj* parms = pdf_dict_get(c, dict, PDF_NAME(DecodeParms));
        const bool special = pdf_name_eq(c, type, PDF_NAME(Metadata)) ||
                             pdf_name_eq(c, type, PDF_NAME(ObjStm)) ||
                             pdf_name_eq(c, type, PDF_NAME(XRef));
        item->deflated = filter && isName(c, filter, PDF_NAME(FlateDecode));
        want = !special && (!filter || item->deflated) && (!parms || item->deflated);
        if (want && !parms &&
            pdf_name_eq(c, pdf_dict_get(c, dict, PDF_NAME(Subtype)), PDF_NAME(Image)) &&
            pdf_dict_get_int(c, dict, PDF_NAME(BitsPerComponent)) == 8 &&
            !pdf_dict_get_bool(c, dict, PDF_NAME(ImageMask))) {
            item->imageWidth = pdf_dict_get_int(c, dict, PDF_NAME(Width));
            item->imageHeight = pdf_dict_get_int(c, dict, PDF_NAME(Height));
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, dict);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return want;
}

// The stream's stored bytes, or false when it is not one to recompress. Never throws: a
// stream that cannot be read is left to the writer.
bool load(fz_context* c, pdf_document* doc, int number, Pending* item) {
    fz_buffer* raw = nullptr;
    fz_var(raw);
    fz_try(c) {
        if (wanted(c, doc, number, item))
            raw = pdf_load_raw_stream_number(c, doc, number);
    }
    fz_catch(c) {
        raw = nullptr;
    }
    if (!raw)
        return false;
    unsigned char* data = nullptr;
    const size_t size = fz_buffer_storage(c, raw, &data);
    bool ok = true;
    try {
        item->raw.assign(data, data + size);
        item->number = number;
        item->storedSize = size;
    } catch (...) {
        ok = false;
    }
    fz_drop_buffer(c, raw);
    return ok;
}

// Engine-free: runs on any thread.
void shrink(Pending& item, int level) {
    codec::Bytes plain;
    if (item.deflated) {
        if (!codec::inflate(item.raw.data(), item.raw.size(), kInflateLimit, &plain)) {
            item.damaged = true;
            return;
        }
    } else {
        plain.swap(item.raw);
    }
    const size_t stored = item.deflated ? item.raw.size() : plain.size();
    const size_t pixels = size_t(item.imageWidth) * size_t(item.imageHeight);
    // On a large image the predictor all but always wins: only a small one is tried both ways.
    const bool image = pixels && plain.size() % pixels == 0;
    codec::Bytes best;
    if (!image || plain.size() < (size_t(1) << 20))
        best = codec::deflate(plain.data(), plain.size(), level);
    if (image) {
        const int channels = int(plain.size() / pixels);
        if (channels == 1 || channels == 3 || channels == 4) {
            const codec::Bytes rows =
                codec::pngPredict(plain.data(), item.imageWidth, item.imageHeight, channels);
            codec::Bytes predicted = codec::deflate(rows.data(), rows.size(), level);
            if (!predicted.empty() && (best.empty() || predicted.size() < best.size())) {
                best.swap(predicted);
                item.predicted = true;
                item.channels = channels;
            }
        }
    }
    if (!best.empty() && best.size() < stored)
        item.result.swap(best);
    item.raw.clear();
    item.raw.shrink_to_fit();
}

// Puts the smaller bytes in with their filter. Never throws: a failure keeps the stream.
void storeResult(fz_context* c, pdf_document* doc, const Pending& item) {
    fz_buffer* data = nullptr;
    pdf_obj* ref = nullptr;
    fz_var(data);
    fz_var(ref);
    fz_try(c) {
        data = fz_new_buffer_from_copied_data(c, item.result.data(), item.result.size());
        ref = pdf_new_indirect(c, doc, item.number, 0);
        pdf_update_stream(c, doc, ref, data, 1);
        pdf_dict_put(c, ref, PDF_NAME(Filter), PDF_NAME(FlateDecode));
        if (item.predicted) {
            pdf_obj* parms = pdf_dict_put_dict(c, ref, PDF_NAME(DecodeParms), 4);
            pdf_dict_put_int(c, parms, PDF_NAME(Predictor), 15);
            pdf_dict_put_int(c, parms, PDF_NAME(Colors), item.channels);
            pdf_dict_put_int(c, parms, PDF_NAME(BitsPerComponent), 8);
            pdf_dict_put_int(c, parms, PDF_NAME(Columns), item.imageWidth);
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, ref);
        fz_drop_buffer(c, data);
    }
    fz_catch(c) {}
}

} // namespace

void recompressStreams(fz_context* c, pdf_document* doc, int level, const base::CancelToken* cancel,
                       const std::function<void(int, int)>& progress, StreamCounts* counts,
                       const std::vector<int>* only, bool store) {
    const int count = only ? int(only->size()) : pdf_xref_len(c, doc) - 1;
    std::vector<Pending> batch;
    int at = 0;
    while (at < count) {
        if (cancel && cancel->isCancelled())
            return;
        size_t bytes = 0;
        for (; at < count && bytes < kBatchBytes; ++at) {
            Pending item;
            if (!load(c, doc, only ? (*only)[size_t(at)] : at + 1, &item))
                continue;
            bytes += item.raw.size();
            counts->bytesBefore += qint64(item.raw.size());
            batch.push_back(std::move(item));
        }
        base::ParallelOptions options;
        options.cancel = cancel;
        base::parallelFor(
            int(batch.size()), [&](int i) { shrink(batch[size_t(i)], level); }, options);
        for (const Pending& item : batch) {
            if (item.damaged)
                ++counts->damaged;
            if (item.result.empty()) {
                counts->bytesAfter += qint64(item.storedSize);
                continue;
            }
            counts->bytesAfter += qint64(item.result.size());
            if (store)
                storeResult(c, doc, item);
            ++counts->recompressed;
        }
        batch.clear();
        if (progress)
            progress(at, count);
    }
}

namespace {

// Points every reference inside `obj` (a direct container) at its kept twin.
void redirect(fz_context* c, pdf_document* doc, pdf_obj* obj, const std::vector<int>& twin,
              int depth = 0) {
    if (depth > 64)
        return;
    if (pdf_is_dict(c, obj)) {
        const int n = pdf_dict_len(c, obj);
        for (int i = 0; i < n; ++i) {
            pdf_obj* value = pdf_dict_get_val(c, obj, i);
            if (pdf_is_indirect(c, value)) {
                const int num = pdf_to_num(c, value);
                if (num > 0 && num < int(twin.size()) && twin[size_t(num)])
                    pdf_dict_put_drop(c, obj, pdf_dict_get_key(c, obj, i),
                                      pdf_new_indirect(c, doc, twin[size_t(num)], 0));
            } else {
                redirect(c, doc, value, twin, depth + 1);
            }
        }
    } else if (pdf_is_array(c, obj)) {
        const int n = pdf_array_len(c, obj);
        for (int i = 0; i < n; ++i) {
            pdf_obj* value = pdf_array_get(c, obj, i);
            if (pdf_is_indirect(c, value)) {
                const int num = pdf_to_num(c, value);
                if (num > 0 && num < int(twin.size()) && twin[size_t(num)])
                    pdf_array_put_drop(c, obj, i, pdf_new_indirect(c, doc, twin[size_t(num)], 0));
            } else {
                redirect(c, doc, value, twin, depth + 1);
            }
        }
    }
}

// Dictionaries that may stand for each other when equal: what a page draws with, never
// what belongs to one place in the document (pages, annotations, fields).
bool mergeable(fz_context* c, pdf_obj* obj, bool stream) {
    pdf_obj* type = pdf_dict_get(c, obj, PDF_NAME(Type));
    if (stream)
        return !pdf_name_eq(c, type, PDF_NAME(Metadata)) && !pdf_name_eq(c, type, PDF_NAME(XRef)) &&
               !pdf_name_eq(c, type, PDF_NAME(ObjStm));
    return pdf_name_eq(c, type, PDF_NAME(Font)) || pdf_name_eq(c, type, PDF_NAME(FontDescriptor)) ||
           pdf_name_eq(c, type, PDF_NAME(ExtGState));
}

// A digest of object `number` as written, and with `data` of its stored bytes (else of
// their length) for a stream; empty when it cannot be read. Never throws.
QByteArray fingerprint(fz_context* c, pdf_document* doc, int number, bool stream, bool data) {
    char* printed = nullptr;
    size_t length = 0;
    fz_buffer* raw = nullptr;
    pdf_obj* obj = nullptr;
    pdf_obj* copy = nullptr;
    fz_var(printed);
    fz_var(raw);
    fz_var(obj);
    fz_var(copy);
    bool ok = true;
    fz_try(c) {
        obj = pdf_load_object(c, doc, number);
        copy = pdf_copy_dict(c, obj);
        if (stream)
            pdf_dict_put_int(c, copy, PDF_NAME(Length),
                             pdf_get_xref_entry_no_null(c, doc, number)->stm_buf
                                 ? 0
                                 : pdf_dict_get_int(c, obj, PDF_NAME(Length)));
        if (stream && data)
            pdf_dict_del(c, copy, PDF_NAME(Length));
        printed = pdf_sprint_obj(c, nullptr, 0, &length, copy, 1, 0);
        if (stream && data)
            raw = pdf_load_raw_stream_number(c, doc, number);
    }
    fz_catch(c) {
        ok = false;
    }
    QByteArray digest;
    if (ok) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(QByteArrayView(printed, qsizetype(length)));
        if (raw) {
            unsigned char* data = nullptr;
            const size_t size = fz_buffer_storage(c, raw, &data);
            hash.addData(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
        }
        digest = hash.result();
    }
    pdf_drop_obj(c, obj);
    pdf_drop_obj(c, copy);
    fz_free(c, printed);
    fz_drop_buffer(c, raw);
    return digest;
}

// Points the references inside object `number` at their kept twins. Never throws: an
// object that cannot be read is left as it is.
void redirectObject(fz_context* c, pdf_document* doc, int number, const std::vector<int>& twin) {
    pdf_obj* obj = nullptr;
    fz_var(obj);
    fz_try(c) {
        obj = pdf_load_object(c, doc, number);
        redirect(c, doc, obj, twin);
    }
    fz_always(c) {
        pdf_drop_obj(c, obj);
    }
    fz_catch(c) {}
}

// 1 for a dictionary and 2 for a stream that may stand for an equal one (its references
// first pointed at the twins found so far), else 0. Never throws.
int candidateKind(fz_context* c, pdf_document* doc, int number, const std::vector<int>& twin) {
    pdf_obj* obj = nullptr;
    int candidate = 0;
    fz_var(obj);
    fz_var(candidate);
    fz_try(c) {
        obj = pdf_load_object(c, doc, number);
        const bool stream = pdf_obj_num_is_stream(c, doc, number);
        if (pdf_is_dict(c, obj) && mergeable(c, obj, stream)) {
            redirect(c, doc, obj, twin);
            candidate = stream ? 2 : 1;
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, obj);
    }
    fz_catch(c) {
        candidate = 0;
    }
    return candidate;
}

} // namespace

int mergeDuplicates(fz_context* c, pdf_document* doc) {
    const int count = pdf_xref_len(c, doc);
    std::vector<int> twin(size_t(count), 0);
    int merged = 0;
    // Font files and images first, then the descriptors pointing at them, then the fonts.
    for (int pass = 0; pass < 3; ++pass) {
        // Grouped by their dictionaries (and stored lengths) first: only streams that agree
        // there have their bytes read and compared.
        std::map<QByteArray, std::vector<int>> groups;
        std::vector<bool> isStream(size_t(count), false);
        for (int number = 1; number < count; ++number) {
            if (twin[size_t(number)])
                continue;
            const int candidate = candidateKind(c, doc, number, twin);
            if (!candidate)
                continue;
            isStream[size_t(number)] = candidate == 2;
            const QByteArray shape = fingerprint(c, doc, number, candidate == 2, false);
            if (!shape.isEmpty())
                groups[shape].push_back(number);
        }
        bool found = false;
        for (const auto& [shape, members] : groups) {
            if (members.size() < 2)
                continue;
            std::map<QByteArray, int> seen;
            for (int number : members) {
                const QByteArray key =
                    isStream[size_t(number)] ? fingerprint(c, doc, number, true, true) : shape;
                if (key.isEmpty())
                    continue;
                const auto [at, fresh] = seen.emplace(key, number);
                if (!fresh) {
                    twin[size_t(number)] = at->second;
                    found = true;
                    ++merged;
                }
            }
        }
        if (!found)
            break;
    }
    if (!merged)
        return 0;
    for (int number = 1; number < count; ++number)
        if (!twin[size_t(number)])
            redirectObject(c, doc, number, twin);
    redirect(c, doc, pdf_trailer(c, doc), twin);
    return merged;
}

} // namespace pdf
