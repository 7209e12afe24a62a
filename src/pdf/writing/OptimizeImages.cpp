#include "pdf/writing/OptimizeImages.h"

#include "pdf/engine/Internal.h"
#include "pdf/writing/ImageCodec.h"

#include "base/ParallelFor.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace pdf {

namespace {

// How the page walk follows the current transformation into forms: fixed arrays, since the
// engine's interpreter calls back through C frames that nothing may throw across.
constexpr int kStates = 256;
constexpr int kForms = 16;

struct Walker {
    pdf_processor super;
    pdf_document* doc;
    float* dpi;
    int count;
    fz_matrix ctm[kStates];
    int top;
    int overflow;
    pdf_obj* resources[kForms];
    int depth;
};

void walkerSave(fz_context*, pdf_processor* proc) {
    auto* w = reinterpret_cast<Walker*>(proc);
    if (w->top + 1 < kStates) {
        w->ctm[w->top + 1] = w->ctm[w->top];
        ++w->top;
    } else {
        ++w->overflow;
    }
}

void walkerRestore(fz_context*, pdf_processor* proc) {
    auto* w = reinterpret_cast<Walker*>(proc);
    if (w->overflow > 0)
        --w->overflow;
    else if (w->top > 0)
        --w->top;
}

void walkerConcat(fz_context*, pdf_processor* proc, float a, float b, float c, float d, float e,
                  float f) {
    auto* w = reinterpret_cast<Walker*>(proc);
    w->ctm[w->top] = fz_concat(fz_make_matrix(a, b, c, d, e, f), w->ctm[w->top]);
}

void walkerImage(fz_context* c, pdf_processor* proc, const char* name, fz_image* image) {
    auto* w = reinterpret_cast<Walker*>(proc);
    pdf_obj* xobjects = pdf_dict_get(c, w->resources[w->depth], PDF_NAME(XObject));
    const int number = pdf_to_num(c, pdf_dict_gets(c, xobjects, name));
    if (number <= 0 || number >= w->count || !image)
        return;
    const fz_matrix& m = w->ctm[w->top];
    const float across = std::hypot(m.a, m.b);
    const float down = std::hypot(m.c, m.d);
    if (across < 0.5f || down < 0.5f)
        return;
    const float dpi = 72.f * std::max(float(image->w) / across, float(image->h) / down);
    float& kept = w->dpi[number];
    kept = kept > 0 ? std::min(kept, dpi) : dpi;
}

void walkerForm(fz_context* c, pdf_processor* proc, const char*, pdf_obj* form,
                pdf_obj* pageResources) {
    auto* w = reinterpret_cast<Walker*>(proc);
    if (w->depth + 1 >= kForms)
        return;
    const int top = w->top;
    walkerSave(c, proc);
    w->ctm[w->top] = fz_concat(pdf_dict_get_matrix(c, form, PDF_NAME(Matrix)), w->ctm[w->top]);
    pdf_obj* resources = pdf_dict_get(c, form, PDF_NAME(Resources));
    w->resources[++w->depth] = resources ? resources : pageResources;
    fz_try(c) {
        pdf_process_contents(c, proc, w->doc, w->resources[w->depth], form, nullptr);
    }
    fz_always(c) {
        --w->depth;
        w->top = top;
        w->overflow = 0;
    }
    fz_catch(c) {} // a broken form: its images stay at the resolution they have
}

} // namespace

namespace {

// Follows the contents of page `index` with the walker. Never throws: a page that cannot
// be read leaves its images as they are.
void walkPage(fz_context* c, Walker* w, pdf_document* doc, int index) {
    fz_try(c) {
        pdf_obj* page = pdf_lookup_page_obj(c, doc, index);
        pdf_obj* resources = pdf_dict_get_inheritable(c, page, PDF_NAME(Resources));
        w->ctm[0] = fz_identity;
        w->top = 0;
        w->overflow = 0;
        w->depth = 0;
        w->resources[0] = resources;
        pdf_process_contents(c, &w->super, doc, resources,
                             pdf_dict_get(c, page, PDF_NAME(Contents)), nullptr);
    }
    fz_catch(c) {}
}

} // namespace

std::vector<float> imageResolutions(fz_context* c, pdf_document* doc,
                                    const base::CancelToken* cancel, const std::vector<int>* only) {
    // Made before anything with a destructor: the engine's error unwinds this frame.
    Walker* w = static_cast<Walker*>(pdf_new_processor(c, sizeof(Walker)));
    const int pages = only ? int(only->size()) : pdf_count_pages(c, doc);
    std::vector<float> dpi(size_t(pdf_xref_len(c, doc)), 0.f);
    w->super.op_q = walkerSave;
    w->super.op_Q = walkerRestore;
    w->super.op_cm = walkerConcat;
    w->super.op_Do_image = walkerImage;
    w->super.op_Do_form = walkerForm;
    w->doc = doc;
    w->dpi = dpi.data();
    w->count = int(dpi.size());
    for (int i = 0; i < pages && !(cancel && cancel->isCancelled()); ++i)
        walkPage(c, w, doc, only ? (*only)[size_t(i)] : i);
    pdf_drop_processor(c, &w->super);
    return dpi;
}

std::vector<int> imageObjects(fz_context* c, pdf_document* doc) {
    std::vector<int> found;
    std::set<int> masks;
    const int count = pdf_xref_len(c, doc);
    for (int number = 1; number < count; ++number) {
        pdf_obj* obj = nullptr;
        bool image = false;
        int mask = 0;
        fz_var(obj);
        fz_var(image);
        fz_var(mask);
        fz_try(c) {
            if (pdf_obj_num_is_stream(c, doc, number)) {
                obj = pdf_load_object(c, doc, number);
                image = pdf_name_eq(c, pdf_dict_get(c, obj, PDF_NAME(Subtype)), PDF_NAME(Image));
                mask = pdf_to_num(c, pdf_dict_get(c, obj, PDF_NAME(SMask)));
            }
        }
        fz_always(c) {
            pdf_drop_obj(c, obj);
        }
        fz_catch(c) {
            image = false;
        }
        if (image)
            found.push_back(number);
        if (mask > 0)
            masks.insert(mask);
    }
    // A soft mask is an image too, but one whose edges JPEG would blur: the stream pass
    // keeps it lossless.
    std::erase_if(found, [&](int number) { return masks.count(number) > 0; });
    return found;
}

namespace {

enum class Coding { Raw, Flate, Jpeg };

struct Job {
    int number = 0;
    fz_image* image = nullptr; // kept; decoded on a worker
    Coding coding = Coding::Raw;
    codec::Bytes stored; // the stored bytes, when a worker must check them
    qint64 storedSize = 0;
    int channels = 0;
    bool jpegParms = false; // a JPEG with decoding parameters: the engine knows them
    int width = 0;
    int height = 0;
    float dpi = 0;
    // The worker's result.
    codec::Bytes result;
    codec::Pixels shape; // width, height and channels of the result (no samples)
    bool jpeg = false;
    bool predicted = false;
    bool resampled = false;
    bool grey = false;
    bool damaged = false;
};

// The colour channels of an image's colour space this pass re-encodes, else 0.
int channelsOf(fz_context* c, pdf_obj* space) {
    if (pdf_name_eq(c, space, PDF_NAME(DeviceGray)) || pdf_name_eq(c, space, PDF_NAME(G)))
        return 1;
    if (pdf_name_eq(c, space, PDF_NAME(DeviceRGB)) || pdf_name_eq(c, space, PDF_NAME(RGB)))
        return 3;
    if (pdf_is_array(c, space) && pdf_name_eq(c, pdf_array_get(c, space, 0), PDF_NAME(ICCBased))) {
        const int n = pdf_dict_get_int(c, pdf_array_get(c, space, 1), PDF_NAME(N));
        return n == 1 || n == 3 ? n : 0;
    }
    return 0;
}

enum class Verdict { Take, Keep, Unsupported };

// Reads what the workers need of image `number`. Throws through fz_throw.
Verdict examine(fz_context* c, pdf_document* doc, int number, Job* job) {
    pdf_obj* dict = pdf_load_object(c, doc, number);
    Verdict verdict = Verdict::Keep;
    fz_try(c) {
        pdf_obj* filter = pdf_dict_get(c, dict, PDF_NAME(Filter));
        if (pdf_is_array(c, filter) && pdf_array_len(c, filter) == 1)
            filter = pdf_array_get(c, filter, 0);
        const int bits = pdf_dict_get_int(c, dict, PDF_NAME(BitsPerComponent));
        job->channels = channelsOf(c, pdf_dict_get(c, dict, PDF_NAME(ColorSpace)));
        job->coding = !filter                                         ? Coding::Raw
                      : pdf_name_eq(c, filter, PDF_NAME(FlateDecode)) ? Coding::Flate
                      : pdf_name_eq(c, filter, PDF_NAME(DCTDecode))   ? Coding::Jpeg
                                                                      : Coding::Raw;
        const bool knownFilter = !filter || job->coding != Coding::Raw;
        job->storedSize = pdf_dict_get_int(c, dict, PDF_NAME(Length));
        job->jpegParms = pdf_dict_get(c, dict, PDF_NAME(DecodeParms)) != nullptr;
        job->width = pdf_dict_get_int(c, dict, PDF_NAME(Width));
        job->height = pdf_dict_get_int(c, dict, PDF_NAME(Height));
        if (pdf_dict_get_bool(c, dict, PDF_NAME(ImageMask)) || bits != 8 ||
            pdf_is_array(c, pdf_dict_get(c, dict, PDF_NAME(Mask))) ||
            pdf_dict_get(c, dict, PDF_NAME(Decode)) || !knownFilter)
            verdict = Verdict::Keep; // bilevel, masked or coded otherwise: left as it is
        else if (!job->channels)
            verdict = Verdict::Unsupported;
        else
            verdict = Verdict::Take;
    }
    fz_always(c) {
        pdf_drop_obj(c, dict);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return verdict;
}

// As examine(), but never throws: an image whose dictionary cannot be read is kept.
Verdict examineOrKeep(fz_context* c, pdf_document* doc, int number, Job* job) {
    Verdict verdict = Verdict::Keep;
    fz_var(verdict);
    fz_try(c) {
        verdict = examine(c, doc, number, job);
    }
    fz_catch(c) {
        verdict = Verdict::Keep;
    }
    return verdict;
}

// Loads the image and, for a coding the engine reads leniently, its stored bytes. Never
// throws: false when the image cannot be read, which counts it as damaged.
bool loadJob(fz_context* c, pdf_document* doc, Job* job) {
    fz_buffer* raw = nullptr;
    pdf_obj* ref = nullptr;
    fz_var(raw);
    fz_var(ref);
    bool ok = true;
    fz_try(c) {
        ref = pdf_new_indirect(c, doc, job->number, 0);
        if (job->coding != Coding::Jpeg || job->jpegParms)
            job->image = pdf_load_image(c, doc, ref);
        if (job->coding != Coding::Raw)
            raw = pdf_load_raw_stream_number(c, doc, job->number);
    }
    fz_always(c) {
        pdf_drop_obj(c, ref);
    }
    fz_catch(c) {
        ok = false;
    }
    if (ok && raw) {
        unsigned char* data = nullptr;
        const size_t size = fz_buffer_storage(c, raw, &data);
        try {
            job->stored.assign(data, data + size);
            job->storedSize = qint64(size);
        } catch (...) {
            ok = false;
        }
    }
    fz_drop_buffer(c, raw);
    return ok;
}

// Whether the stored bytes decode whole: the engine fills what a damaged stream lacks,
// and re-encoding that would make the damage permanent.
bool storedIsWhole(const Job& job, size_t expected) {
    if (job.coding == Coding::Flate) {
        codec::Bytes plain;
        return codec::inflate(job.stored.data(), job.stored.size(), expected * 2 + 4096, &plain) &&
               plain.size() >= expected;
    }
    if (job.coding == Coding::Jpeg) {
        // A JPEG cut short lacks its end-of-image marker.
        const size_t n = job.stored.size();
        for (size_t i = n > 64 ? n - 64 : 0; i + 1 < n; ++i)
            if (job.stored[i] == 0xff && job.stored[i + 1] == 0xd9)
                return true;
        return false;
    }
    return true;
}

// The decoded samples of the job's image, at least `width` × `height` (the engine decodes a
// JPEG straight at a half, a quarter or an eighth of its size when that is enough), or
// false. Engine calls on this thread's context.
bool decode(Job& job, int width, int height, codec::Pixels* pixels) {
    fz_context* c = engine::ctx();
    fz_pixmap* pix = nullptr;
    fz_matrix scale = fz_scale(float(width), float(height));
    fz_var(pix);
    fz_try(c) {
        pix = fz_get_pixmap_from_image(c, job.image, nullptr, &scale, nullptr, nullptr);
    }
    fz_catch(c) {
        return false;
    }
    bool ok = pix->n == job.channels && pix->alpha == 0;
    if (ok) {
        try {
            pixels->width = pix->w;
            pixels->height = pix->h;
            pixels->channels = pix->n;
            const size_t row = size_t(pix->w) * size_t(pix->n);
            pixels->samples.resize(row * size_t(pix->h));
            for (int y = 0; y < pix->h; ++y)
                std::copy_n(pix->samples + size_t(y) * size_t(pix->stride), row,
                            pixels->samples.data() + size_t(y) * row);
        } catch (...) {
            ok = false;
        }
    }
    fz_drop_pixmap(c, pix);
    return ok;
}

// Engine-free but for the decoding: runs on any worker.
void work(Job& job, const ImageSettings& settings) {
    const int fullWidth = job.image ? job.image->w : job.width;
    const int fullHeight = job.image ? job.image->h : job.height;
    if (fullWidth <= 0 || fullHeight <= 0) {
        job.damaged = true;
        return;
    }
    int width = fullWidth;
    int height = fullHeight;
    // A little finer than asked is left alone: resampling it would cost detail for little.
    if (job.dpi > settings.dpi * 1.15) {
        const double scale = settings.dpi / job.dpi;
        width = std::max(1, int(std::lround(fullWidth * scale)));
        height = std::max(1, int(std::lround(fullHeight * scale)));
    }
    codec::Pixels pixels;
    if (job.coding == Coding::Jpeg && !job.jpegParms) {
        // Decoded here: straight at the size needed, and strictly, so damage shows.
        if (!codec::decodeJpeg(job.stored.data(), job.stored.size(), job.channels, width, height,
                               &pixels)) {
            job.damaged = true;
            return;
        }
    } else {
        if (!storedIsWhole(job, size_t(fullWidth) * size_t(fullHeight) * size_t(job.channels)) ||
            !decode(job, width, height, &pixels)) {
            job.damaged = true;
            return;
        }
    }
    job.stored.clear();
    job.stored.shrink_to_fit();
    if (width < pixels.width && height < pixels.height) {
        pixels = codec::resample(pixels, width, height);
        job.resampled = true;
    } else {
        job.resampled = pixels.width < fullWidth;
    }
    if (pixels.channels == 3 && codec::isGrey(pixels)) {
        pixels = codec::toGrey(pixels);
        job.grey = true;
    }
    const bool photographic = job.coding == Coding::Jpeg || codec::looksPhotographic(pixels);
    if (!photographic && !job.resampled && !job.grey)
        return; // nothing lossy to gain: the stream pass deflates it better
    if (photographic) {
        job.result = codec::encodeJpeg(pixels, settings.jpegQuality);
        job.jpeg = true;
    } else {
        const codec::Bytes rows =
            codec::pngPredict(pixels.samples.data(), pixels.width, pixels.height, pixels.channels);
        job.result = codec::deflate(rows.data(), rows.size(), 10);
        job.predicted = true;
    }
    // A JPEG encoded again at its own size loses a little each time: only for a real gain.
    const bool sameJpeg = job.coding == Coding::Jpeg && !job.resampled && !job.grey;
    const qint64 limit = sameJpeg ? job.storedSize * 9 / 10 : job.storedSize;
    if (job.result.empty() || qint64(job.result.size()) >= limit) {
        job.result.clear();
        return;
    }
    job.shape = {pixels.width, pixels.height, pixels.channels, {}};
}

// Puts the re-encoded image in. Never throws: a failure keeps the image as it was.
bool storeJob(fz_context* c, pdf_document* doc, const Job& job) {
    fz_buffer* data = nullptr;
    pdf_obj* ref = nullptr;
    fz_var(data);
    fz_var(ref);
    bool ok = true;
    fz_try(c) {
        data = fz_new_buffer_from_copied_data(c, job.result.data(), job.result.size());
        ref = pdf_new_indirect(c, doc, job.number, 0);
        pdf_update_stream(c, doc, ref, data, 1);
        pdf_dict_put_int(c, ref, PDF_NAME(Width), job.shape.width);
        pdf_dict_put_int(c, ref, PDF_NAME(Height), job.shape.height);
        pdf_dict_put_int(c, ref, PDF_NAME(BitsPerComponent), 8);
        if (job.grey)
            pdf_dict_put(c, ref, PDF_NAME(ColorSpace), PDF_NAME(DeviceGray));
        pdf_dict_del(c, ref, PDF_NAME(DL));
        if (job.jpeg) {
            pdf_dict_put(c, ref, PDF_NAME(Filter), PDF_NAME(DCTDecode));
            pdf_dict_del(c, ref, PDF_NAME(DecodeParms));
        } else {
            pdf_dict_put(c, ref, PDF_NAME(Filter), PDF_NAME(FlateDecode));
            pdf_obj* parms = pdf_dict_put_dict(c, ref, PDF_NAME(DecodeParms), 4);
            pdf_dict_put_int(c, parms, PDF_NAME(Predictor), 15);
            pdf_dict_put_int(c, parms, PDF_NAME(Colors), job.shape.channels);
            pdf_dict_put_int(c, parms, PDF_NAME(BitsPerComponent), 8);
            pdf_dict_put_int(c, parms, PDF_NAME(Columns), job.shape.width);
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, ref);
        fz_drop_buffer(c, data);
    }
    fz_catch(c) {
        ok = false;
    }
    return ok;
}

} // namespace

void shrinkImages(fz_context* c, pdf_document* doc, const ImageSettings& settings,
                  const std::vector<float>& resolutions, const std::vector<int>& numbers,
                  const base::CancelToken* cancel, const std::function<void(int, int)>& progress,
                  ImageCounts* counts, std::vector<bool>* done, bool store) {
    const std::vector<int> all = numbers.empty() ? imageObjects(c, doc) : numbers;
    // Enough images in hand to keep every worker busy; each holds its stored bytes only.
    const size_t perBatch = size_t(std::max(4, 2 * base::coreCount()));
    std::vector<Job> batch;
    size_t next = 0;
    while (next < all.size()) {
        if (cancel && cancel->isCancelled())
            return;
        for (; next < all.size() && batch.size() < perBatch; ++next) {
            Job job;
            job.number = all[next];
            ++counts->images;
            const Verdict verdict = examineOrKeep(c, doc, job.number, &job);
            if (verdict == Verdict::Unsupported)
                ++counts->unsupported;
            if (verdict != Verdict::Take)
                continue;
            if (!loadJob(c, doc, &job)) {
                fz_drop_image(c, job.image);
                ++counts->damaged;
                continue;
            }
            if (job.number < int(resolutions.size()))
                job.dpi = resolutions[size_t(job.number)];
            batch.push_back(std::move(job));
        }
        base::ParallelOptions options;
        options.cancel = cancel;
        try {
            base::parallelFor(
                int(batch.size()), [&](int i) { work(batch[size_t(i)], settings); }, options);
        } catch (...) {
            for (Job& job : batch)
                fz_drop_image(c, job.image);
            throw;
        }
        for (Job& job : batch) {
            fz_drop_image(c, job.image);
            job.image = nullptr;
            if (job.damaged)
                ++counts->damaged;
            if (job.result.empty())
                continue;
            if (store && !storeJob(c, doc, job))
                continue;
            ++counts->reencoded;
            counts->resampled += job.resampled;
            counts->madeGrey += job.grey;
            counts->bytesBefore += job.storedSize;
            counts->bytesAfter += qint64(job.result.size());
            if (done && job.number < int(done->size()))
                (*done)[size_t(job.number)] = true;
        }
        batch.clear();
        if (progress)
            progress(int(next), int(all.size()));
    }
}

} // namespace pdf
