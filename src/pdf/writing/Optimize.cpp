#include "pdf/writing/Optimize.h"

#include "pdf/document/Document.h"
#include "pdf/document/FileStream.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/writing/ObjectStreamWriter.h"
#include "pdf/writing/OptimizeImages.h"
#include "pdf/writing/OptimizeResources.h"
#include "pdf/writing/OptimizeStreams.h"

#include "base/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>

namespace pdf {

using engine::ctx;

int levelDpi(OptimizeLevel level) {
    switch (level) {
    case OptimizeLevel::Balanced:
        return 150;
    case OptimizeLevel::Small:
        return 100;
    case OptimizeLevel::Lossless:
        break;
    }
    return 0;
}

int levelJpegQuality(OptimizeLevel level) {
    switch (level) {
    case OptimizeLevel::Balanced:
        return 75;
    case OptimizeLevel::Small:
        return 60;
    case OptimizeLevel::Lossless:
        break;
    }
    return 0;
}

QString levelName(OptimizeLevel level) {
    switch (level) {
    case OptimizeLevel::Balanced:
        return QStringLiteral("balanced");
    case OptimizeLevel::Small:
        return QStringLiteral("small");
    case OptimizeLevel::Lossless:
        break;
    }
    return QStringLiteral("lossless");
}

namespace {

// A private copy of the document, read from its file, for this work alone.
class PrivateCopy {
public:
    explicit PrivateCopy(const Document& source) {
        if (source.path().isEmpty())
            throw Error("the document has not been saved to a file");
        if (source.isLocked())
            throw Error("the document is locked; it needs its password first");
        if (source.pageCount() == 0)
            throw Error("the document has no pages: there is nothing to make smaller");
        const QByteArray path = QFile::encodeName(source.path());
        const QByteArray password = source.data()->password;
        fz_context* c = ctx();
        fz_stream* stream = nullptr;
        fz_var(stream);
        bool ok = true;
        fz_try(c) {
            stream = openFileStream(c, path.constData());
            doc_ = pdf_open_document_with_stream(c, stream);
            if (pdf_needs_password(c, doc_) &&
                !pdf_authenticate_password(c, doc_, password.constData()))
                fz_throw(c, FZ_ERROR_GENERIC, "the password no longer opens the file");
            pages_ = pdf_count_pages(c, doc_);
        }
        fz_always(c) {
            fz_drop_stream(c, stream);
        }
        fz_catch(c) {
            ok = false;
        }
        if (!ok)
            throw Error("the file could not be read: " + engine::lastError(c).toStdString());
        if (pages_ <= 0)
            throw Error("the document has no pages: there is nothing to make smaller");
        inputBytes_ = QFileInfo(source.path()).size();
    }
    ~PrivateCopy() { pdf_drop_document(ctx(), doc_); }
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;

    pdf_document* get() const { return doc_; }
    int pages() const { return pages_; }
    qint64 inputBytes() const { return inputBytes_; }

private:
    pdf_document* doc_ = nullptr;
    int pages_ = 0;
    qint64 inputBytes_ = 0;
};

// Runs an engine step that throws through fz_throw; its error as pdf::Error.
template <typename Step> void guarded(fz_context* c, Step step) {
    bool ok = true;
    fz_try(c) {
        step();
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        throw Error(engine::lastError(c).toStdString());
}

// Maps the progress of one stage onto its share [from, to) of the whole.
OptimizeProgress stage(const OptimizeProgress& progress, int from, int to) {
    if (!progress)
        return {};
    return [progress, from, to](int done, int total) {
        progress(from + (total > 0 ? (to - from) * done / total : 0), 100);
    };
}

// Lossless races a plain rewrite, so it deflates as hard as zlib's best does in the same
// time; the levels that re-encode images spend the time images save on a few percent more.
int deflateLevel(OptimizeLevel level) {
    switch (level) {
    case OptimizeLevel::Balanced:
        return 10;
    case OptimizeLevel::Small:
        return 12;
    case OptimizeLevel::Lossless:
        break;
    }
    return 9;
}

bool cancelled(const base::CancelToken* cancel) {
    return cancel && cancel->isCancelled();
}

// The engine's writer, for encrypted documents: objects collected and renumbered, streams
// it finds unfiltered deflated, the encryption kept.
void writeCollected(fz_context* c, pdf_document* doc, const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    pdf_write_options opts = pdf_default_write_options;
    opts.do_garbage = 2;
    opts.do_compress = 1;
    opts.do_compress_images = 1;
    opts.do_compress_fonts = 1;
    opts.do_encrypt = doc->crypt ? PDF_ENCRYPT_KEEP : PDF_ENCRYPT_NONE;
    guarded(c, [&] { pdf_save_document(c, doc, name.constData(), &opts); });
}

// Copies the file at `from` into `file`; the bytes copied.
qint64 copyInto(const QString& from, base::AtomicFile& file) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw Error(in.errorString().toStdString());
    qint64 total = 0;
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (!file.write(chunk))
            throw Error(file.reason().toStdString());
        total += chunk.size();
    }
    return total;
}

} // namespace

OptimizeReport writeOptimizedCopy(const Document& source, const QString& output,
                                  const OptimizeSettings& settings,
                                  const OptimizeProgress& progress,
                                  const base::CancelToken* cancel) {
    PrivateCopy copy(source);
    fz_context* c = ctx();
    pdf_document* doc = copy.get();
    OptimizeReport report;
    report.inputBytes = copy.inputBytes();
    report.pages = copy.pages();
    const bool images = settings.level != OptimizeLevel::Lossless;
    const int level = deflateLevel(settings.level);
    const int streamsFrom = images ? 60 : 0;
    report.resourcesDropped = dropUnusedResources(c, doc);

    if (images) {
        std::vector<float> resolutions;
        guarded(c, [&] { resolutions = imageResolutions(c, doc, cancel); });
        if (progress)
            progress(10, 100);
        ImageSettings imageSettings;
        imageSettings.dpi = settings.dpi > 0 ? settings.dpi : levelDpi(settings.level);
        imageSettings.jpegQuality =
            settings.jpegQuality > 0 ? settings.jpegQuality : levelJpegQuality(settings.level);
        ImageCounts counts;
        guarded(c, [&] {
            shrinkImages(c, doc, imageSettings, resolutions, {}, cancel, stage(progress, 10, 60),
                         &counts, nullptr);
        });
        report.imagesReencoded = counts.reencoded;
        report.imagesResampled = counts.resampled;
        report.imagesMadeGrey = counts.madeGrey;
        report.damagedImages = counts.damaged;
        report.unsupportedImages = counts.unsupported;
    }
    if (cancelled(cancel)) {
        report.cancelled = true;
        return report;
    }
    StreamCounts streams;
    guarded(c, [&] {
        recompressStreams(c, doc, level, cancel, stage(progress, streamsFrom, 85), &streams);
    });
    report.streamsRecompressed = streams.recompressed;
    report.damagedStreams = streams.damaged;
    guarded(c, [&] { report.objectsMerged = mergeDuplicates(c, doc); });
    if (cancelled(cancel)) {
        report.cancelled = true;
        return report;
    }

    base::AtomicFile file(output);
    if (!file.open())
        throw Error(file.reason().toStdString());
    if (doc->crypt) {
        // Encrypted: the engine's writer keeps the encryption; its objects stay apart.
        QTemporaryFile collected(QFileInfo(output).absoluteDir().filePath(".optimize-XXXXXX"));
        if (!collected.open())
            throw Error(collected.errorString().toStdString());
        collected.close();
        writeCollected(c, doc, collected.fileName());
        report.outputBytes = copyInto(collected.fileName(), file);
    } else {
        try {
            report.outputBytes = writeWithObjectStreams(c, doc, file, level, cancel);
        } catch (...) {
            file.cancel();
            if (!cancelled(cancel))
                throw;
            report.cancelled = true;
            return report;
        }
        report.objectStreams = true;
    }
    if (report.outputBytes >= report.inputBytes) {
        file.cancel();
        return report;
    }
    if (!file.commit())
        throw Error(file.reason().toStdString());
    report.written = true;
    if (progress)
        progress(100, 100);
    return report;
}

namespace {

// `count` of `items`, spread evenly over them.
std::vector<int> spread(const std::vector<int>& items, size_t count) {
    if (items.size() <= count)
        return items;
    std::vector<int> picked;
    for (size_t i = 0; i < count; ++i)
        picked.push_back(items[i * items.size() / count]);
    return picked;
}

// The length stream `number` has in the file. Throws through fz_throw.
qint64 storedLength(fz_context* c, pdf_document* doc, int number) {
    pdf_obj* dict = pdf_load_object(c, doc, number);
    const qint64 length = pdf_dict_get_int(c, dict, PDF_NAME(Length)); // never throws
    pdf_drop_obj(c, dict);
    return length;
}

// Stored bytes of every stream, split into images and the rest. Throws through fz_throw.
void streamBytes(fz_context* c, pdf_document* doc, const std::vector<int>& images,
                 qint64* imageBytes, qint64* otherBytes, std::vector<int>* others) {
    std::vector<bool> isImage(size_t(pdf_xref_len(c, doc)), false);
    for (int number : images)
        isImage[size_t(number)] = true;
    for (int number = 1; number < int(isImage.size()); ++number) {
        if (!pdf_obj_num_is_stream(c, doc, number))
            continue;
        if (isImage[size_t(number)]) {
            *imageBytes += storedLength(c, doc, number);
        } else {
            *otherBytes += storedLength(c, doc, number);
            others->push_back(number);
        }
    }
}

// The share of their stored size that the images of `sample` keep at `level`.
double imageShare(fz_context* c, pdf_document* doc, const std::vector<int>& sample,
                  const std::vector<float>& resolutions, OptimizeLevel level,
                  const base::CancelToken* cancel) {
    ImageSettings settings;
    settings.dpi = levelDpi(level);
    settings.jpegQuality = levelJpegQuality(level);
    ImageCounts counts;
    qint64 sampled = 0;
    for (int number : sample)
        sampled += storedLength(c, doc, number);
    shrinkImages(c, doc, settings, resolutions, sample, cancel, {}, &counts, nullptr, false);
    if (sampled <= 0)
        return 1.0;
    return double(sampled - counts.bytesBefore + counts.bytesAfter) / double(sampled);
}

} // namespace

SizeEstimates estimateOptimizedSizes(const Document& source, const base::CancelToken* cancel) {
    PrivateCopy copy(source);
    fz_context* c = ctx();
    pdf_document* doc = copy.get();
    SizeEstimates estimates;
    estimates.inputBytes = copy.inputBytes();
    std::vector<int> images, others, pages;
    qint64 imageBytes = 0, otherBytes = 0;
    guarded(c, [&] {
        images = imageObjects(c, doc);
        streamBytes(c, doc, images, &imageBytes, &otherBytes, &others);
    });
    // Streams: a sample recompressed in memory. Objects outside streams: object streams
    // pack them to about a third (less where the file packed them already).
    StreamCounts streams;
    const std::vector<int> streamSample = spread(others, 40);
    guarded(c, [&] {
        recompressStreams(c, doc, deflateLevel(OptimizeLevel::Lossless), cancel, {}, &streams,
                          &streamSample, false);
    });
    const double streamShare =
        streams.bytesBefore > 0 ? double(streams.bytesAfter) / double(streams.bytesBefore) : 1.0;
    const qint64 loose = std::max<qint64>(0, estimates.inputBytes - imageBytes - otherBytes);
    const qint64 rest = qint64(double(otherBytes) * streamShare) + (doc->crypt ? loose : loose / 3);
    estimates.lossless = std::min(estimates.inputBytes, rest + imageBytes);
    // Images: those drawn on a sample of pages, re-encoded in memory at each level.
    for (int i = 0; i < copy.pages(); i += std::max(1, copy.pages() / 12))
        pages.push_back(i);
    std::vector<float> resolutions;
    guarded(c, [&] { resolutions = imageResolutions(c, doc, cancel, &pages); });
    std::vector<int> drawn;
    for (int number : images)
        if (resolutions[size_t(number)] > 0)
            drawn.push_back(number);
    const std::vector<int> sample = spread(drawn.empty() ? images : drawn, 6);
    for (auto level : {OptimizeLevel::Balanced, OptimizeLevel::Small}) {
        double share = 1.0;
        guarded(c, [&] { share = imageShare(c, doc, sample, resolutions, level, cancel); });
        const qint64 size = rest + qint64(double(imageBytes) * share);
        (level == OptimizeLevel::Balanced ? estimates.balanced : estimates.small) =
            std::min(estimates.lossless, size);
    }
    return estimates;
}

} // namespace pdf
