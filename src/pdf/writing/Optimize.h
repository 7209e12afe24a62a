#pragma once
// Making a PDF file smaller. Every level rewrites the file losslessly (object streams,
// identical streams stored once, the strongest deflate); balanced and small also resample
// images drawn finer than their resolution and store photographs as JPEG.
#include "base/CancelToken.h"

#include <QString>

#include <functional>

namespace pdf {

class Document;

enum class OptimizeLevel { Lossless, Balanced, Small };

struct OptimizeSettings {
    OptimizeLevel level = OptimizeLevel::Balanced;
    int dpi = 0;         // 0: the level's own
    int jpegQuality = 0; // 0: the level's own
};

// The level's image resolution and JPEG quality (lossless: 0, it keeps every image).
int levelDpi(OptimizeLevel level);
int levelJpegQuality(OptimizeLevel level);
// "lossless", "balanced", "small".
QString levelName(OptimizeLevel level);

struct OptimizeReport {
    qint64 inputBytes = 0;
    qint64 outputBytes = 0; // the copy's size, also when it was not kept for being no smaller
    bool written = false;   // false: cancelled, or the copy would not have been smaller
    bool cancelled = false;
    int pages = 0;
    int imagesReencoded = 0;
    int imagesResampled = 0;
    int imagesMadeGrey = 0;
    int damagedImages = 0;     // kept as they were
    int unsupportedImages = 0; // colour spaces left alone
    int streamsRecompressed = 0;
    int damagedStreams = 0;
    int objectsMerged = 0;
    int resourcesDropped = 0;   // images and fonts pages listed but never drew
    bool objectStreams = false; // not for encrypted files, whose objects stay apart
};

// (done, total): how far the work has come; called on the working thread.
using OptimizeProgress = std::function<void(int done, int total)>;

// The one place a whole file is rewritten to be smaller: what guards a rewrite (the
// signatures it would break, for one) belongs in front of this call. Reads the file
// `source` was opened from (with the password that unlocked it), never the edits made to
// it since, and writes `output` atomically only when the result is smaller than the file;
// the input's encryption and permissions are kept. Throws pdf::Error for a document that
// is locked, has no file or no pages, or when the file cannot be read or written.
OptimizeReport writeOptimizedCopy(const Document& source, const QString& output,
                                  const OptimizeSettings& settings,
                                  const OptimizeProgress& progress = {},
                                  const base::CancelToken* cancel = nullptr);

// What each level would make of the file, estimated in a fraction of the time a copy takes
// (the streams and images of a sample, re-encoded in memory). Throws pdf::Error as above.
struct SizeEstimates {
    qint64 inputBytes = 0;
    qint64 lossless = 0;
    qint64 balanced = 0;
    qint64 small = 0;
};
SizeEstimates estimateOptimizedSizes(const Document& source,
                                     const base::CancelToken* cancel = nullptr);

} // namespace pdf
