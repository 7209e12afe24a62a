#include "pdf/writing/StreamDeflate.h"

#include "pdf/engine/Internal.h"

#include "base/ParallelFor.h"

#include <libdeflate.h>

#include <memory>
#include <vector>

namespace pdf {

namespace {

// Level 1 of libdeflate makes page contents as small as zlib's default level does (within a
// percent or two), in a sixth of its time.
constexpr int kLevel = 1;
// Raw bytes read ahead of one parallel pass: the memory a batch holds, besides its output.
constexpr size_t kBatchBytes = size_t(16) << 20;
// Below this, a stream is deflated on the calling thread with the batch's others.
constexpr size_t kSmallBatch = 64 << 10;

struct Pending {
    int number = 0;
    fz_buffer* raw = nullptr;            // kept
    const unsigned char* data = nullptr; // raw's bytes
    size_t length = 0;
    std::vector<unsigned char> deflated;
    bool ok = false;
};

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const {
        libdeflate_free_compressor(compressor);
    }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

// Whether object `number` is a stream the writer would deflate itself. Throws through fz_throw.
bool wantsDeflate(fz_context* c, pdf_document* doc, int number) {
    if (!pdf_obj_num_is_stream(c, doc, number))
        return false;
    pdf_obj* obj = pdf_load_object(c, doc, number);
    bool wanted = false;
    fz_try(c) {
        pdf_obj* type = pdf_dict_get(c, obj, PDF_NAME(Type));
        wanted = !pdf_dict_get(c, obj, PDF_NAME(Filter)) &&
                 !pdf_dict_get(c, obj, PDF_NAME(DecodeParms)) &&
                 !pdf_name_eq(c, type, PDF_NAME(Metadata)) &&
                 !pdf_name_eq(c, type, PDF_NAME(ObjStm)) && !pdf_name_eq(c, type, PDF_NAME(XRef));
    }
    fz_always(c) {
        pdf_drop_obj(c, obj);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return wanted;
}

// The raw bytes of stream `number` when it is one to deflate, else null. A stream that cannot
// be read is left to the writer, which deals with it as it always has. Never throws.
fz_buffer* loadIfWanted(fz_context* c, pdf_document* doc, int number) {
    fz_buffer* raw = nullptr;
    fz_var(raw);
    fz_try(c) {
        if (wantsDeflate(c, doc, number))
            raw = pdf_load_raw_stream_number(c, doc, number);
    }
    fz_catch(c) {
        raw = nullptr;
    }
    return raw;
}

// Deflates every pending stream's bytes; engine-free, so it runs on any thread.
void deflateAll(std::vector<Pending>& batch, size_t bytes) {
    const auto deflateOne = [&](libdeflate_compressor* compressor, Pending& item) {
        try {
            item.deflated.resize(libdeflate_zlib_compress_bound(compressor, item.length));
        } catch (...) {
            return; // out of memory: the writer deflates this one
        }
        const size_t size = libdeflate_zlib_compress(compressor, item.data, item.length,
                                                     item.deflated.data(), item.deflated.size());
        item.deflated.resize(size);
        item.ok = size > 0;
    };
    base::ParallelOptions options;
    if (bytes < kSmallBatch)
        options.maxThreads = 1;
    base::parallelWorkers(
        int(batch.size()),
        [&](const base::NextIndex& next) {
            Compressor compressor(libdeflate_alloc_compressor(kLevel));
            if (!compressor)
                return; // the writer deflates what this worker would have
            for (int i = next(); i >= 0; i = next())
                deflateOne(compressor.get(), batch[size_t(i)]);
        },
        options);
}

// Puts a deflated stream into the document, its filter and its data together: should either
// fail to go in, the stream keeps what it had. Never throws.
void store(fz_context* c, pdf_document* doc, const Pending& item) {
    fz_buffer* deflated = nullptr;
    pdf_obj* ref = nullptr;
    fz_var(deflated);
    fz_var(ref);
    fz_try(c) {
        deflated = fz_new_buffer_from_copied_data(c, item.deflated.data(), item.deflated.size());
        ref = pdf_new_indirect(c, doc, item.number, 0);
        pdf_dict_put(c, ref, PDF_NAME(Filter), PDF_NAME(FlateDecode));
        pdf_update_stream(c, doc, ref, deflated, 1);
    }
    fz_catch(c) {
        fz_try(c) {
            const pdf_xref_entry* entry = pdf_get_xref_entry_no_null(c, doc, item.number);
            if (ref && (!deflated || entry->stm_buf != deflated))
                pdf_dict_del(c, ref, PDF_NAME(Filter));
        }
        fz_catch(c) {}
    }
    pdf_drop_obj(c, ref);
    fz_drop_buffer(c, deflated);
}

void release(fz_context* c, std::vector<Pending>& batch) {
    for (Pending& item : batch)
        fz_drop_buffer(c, item.raw);
    batch.clear();
}

} // namespace

void deflateUnfilteredStreams(fz_context* c, pdf_document* doc) {
    if (doc->crypt)
        return;
    std::vector<Pending> batch;
    const int count = pdf_xref_len(c, doc);
    int number = 1;
    while (number < count) {
        size_t bytes = 0;
        for (; number < count && bytes < kBatchBytes; ++number) {
            fz_buffer* raw = loadIfWanted(c, doc, number);
            if (!raw)
                continue;
            unsigned char* data = nullptr;
            const size_t length = fz_buffer_storage(c, raw, &data);
            try {
                batch.push_back({number, raw, data, length, {}, false});
            } catch (...) {
                fz_drop_buffer(c, raw);
                break; // no room for more: this batch first, then this stream again
            }
            bytes += length;
        }
        if (batch.empty() && number < count)
            return; // no memory even for one: the writer deflates the rest
        try {
            deflateAll(batch, bytes);
        } catch (...) {
            // Out of memory or threads: whatever was not deflated is left to the writer.
        }
        for (const Pending& item : batch)
            if (item.ok)
                store(c, doc, item);
        release(c, batch);
    }
}

} // namespace pdf
