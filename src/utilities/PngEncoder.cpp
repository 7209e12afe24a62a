#include "utilities/PngEncoder.h"

#include <libdeflate.h>

#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace PngEncoder {

namespace {

// Level 6 of libdeflate matches zlib's default level in size at several times its speed.
constexpr int kCompressionLevel = 6;

enum Filter : unsigned char { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

unsigned char paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return static_cast<unsigned char>(a);
    return static_cast<unsigned char>(pb <= pc ? b : c);
}

// Writes `row` filtered with `filter` against `prior` (zeros above the first row) to `out`.
void applyFilter(Filter filter, const unsigned char* row, const unsigned char* prior, int length,
                 int bpp, unsigned char* out) {
    const auto left = [&](int i) { return i >= bpp ? row[i - bpp] : 0; };
    switch (filter) {
    case None:
        std::memcpy(out, row, size_t(length));
        return;
    case Sub:
        for (int i = 0; i < length; ++i)
            out[i] = static_cast<unsigned char>(row[i] - left(i));
        return;
    case Up:
        for (int i = 0; i < length; ++i)
            out[i] = static_cast<unsigned char>(row[i] - prior[i]);
        return;
    case Average:
        for (int i = 0; i < length; ++i)
            out[i] = static_cast<unsigned char>(row[i] - (left(i) + prior[i]) / 2);
        return;
    case Paeth:
        for (int i = 0; i < length; ++i)
            out[i] = static_cast<unsigned char>(
                row[i] - paeth(left(i), prior[i], i >= bpp ? prior[i - bpp] : 0));
        return;
    }
}

// The usual heuristic, in one pass for all five filters: the filter whose output, read as
// signed bytes, sums smallest. A row equal to the one above costs nothing with Up.
Filter bestFilter(const unsigned char* row, const unsigned char* prior, int length, int bpp) {
    if (std::memcmp(row, prior, size_t(length)) == 0)
        return Up;
    const auto magnitude = [](int v) { return std::abs(static_cast<signed char>(v)); };
    unsigned long sums[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < length; ++i) {
        const int x = row[i];
        const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
        sums[None] += unsigned(magnitude(x));
        sums[Sub] += unsigned(magnitude(x - a));
        sums[Up] += unsigned(magnitude(x - b));
        sums[Average] += unsigned(magnitude(x - (a + b) / 2));
        sums[Paeth] += unsigned(magnitude(x - paeth(a, b, c)));
    }
    Filter best = None;
    for (Filter f : {Sub, Up, Average, Paeth})
        if (sums[f] < sums[best])
            best = f;
    return best;
}

bool allGrey(const QImage& image) {
    const int width = image.width(), height = image.height();
    for (int y = 0; y < height; ++y) {
        const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb p = px[x];
            if (((p >> 16) & 0xff) != ((p >> 8) & 0xff) || ((p >> 8) & 0xff) != (p & 0xff))
                return false;
        }
    }
    return true;
}

void appendChunk(QByteArray& out, const char type[4], const unsigned char* data, size_t length) {
    unsigned char header[8];
    qToBigEndian<quint32>(quint32(length), header);
    std::memcpy(header + 4, type, 4);
    out.append(reinterpret_cast<const char*>(header), 8);
    out.append(reinterpret_cast<const char*>(data), qsizetype(length));
    quint32 crc = quint32(libdeflate_crc32(0, header + 4, 4));
    // libdeflate answers a null pointer with the initial value, not the running one.
    if (length > 0)
        crc = quint32(libdeflate_crc32(crc, data, length));
    unsigned char tail[4];
    qToBigEndian<quint32>(crc, tail);
    out.append(reinterpret_cast<const char*>(tail), 4);
}

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

QByteArray encodeOrThrow(const QImage& source) {
    if (source.isNull())
        return {};
    // Pages arrive as premultiplied ARGB32, opaque; RGB32 reads them as they are.
    const QImage image = source.format() == QImage::Format_RGB32 ||
                                 source.format() == QImage::Format_ARGB32 ||
                                 source.format() == QImage::Format_ARGB32_Premultiplied
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int width = image.width(), height = image.height();
    const bool grey = allGrey(image);
    const int bpp = grey ? 1 : 3;
    const size_t rowBytes = size_t(width) * size_t(bpp);
    if (rowBytes > size_t(1) << 30 || size_t(height) > (size_t(1) << 31) / (rowBytes + 1))
        return {};

    // Every byte is written below: no need to clear pages' worth of memory first.
    const size_t filteredSize = (rowBytes + 1) * size_t(height);
    const std::unique_ptr<unsigned char[]> filtered(new unsigned char[filteredSize]);
    std::vector<unsigned char> current(rowBytes), prior(rowBytes, 0);
    for (int y = 0; y < height; ++y) {
        const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        unsigned char* o = current.data();
        if (grey) {
            for (int x = 0; x < width; ++x)
                o[x] = static_cast<unsigned char>(px[x] & 0xff);
        } else {
            for (int x = 0; x < width; ++x) {
                const QRgb p = px[x];
                *o++ = static_cast<unsigned char>(p >> 16);
                *o++ = static_cast<unsigned char>(p >> 8);
                *o++ = static_cast<unsigned char>(p);
            }
        }
        unsigned char* line = filtered.get() + size_t(y) * (rowBytes + 1);
        const Filter filter = bestFilter(current.data(), prior.data(), int(rowBytes), bpp);
        line[0] = filter;
        applyFilter(filter, current.data(), prior.data(), int(rowBytes), bpp, line + 1);
        std::swap(current, prior);
    }

    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(kCompressionLevel));
    if (!compressor)
        return {};
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), filteredSize);
    const std::unique_ptr<unsigned char[]> deflated(new unsigned char[bound]);
    const size_t deflatedSize = libdeflate_zlib_compress(compressor.get(), filtered.get(),
                                                         filteredSize, deflated.get(), bound);
    if (deflatedSize == 0)
        return {};

    QByteArray out;
    out.reserve(qsizetype(deflatedSize) + 64);
    out.append("\x89PNG\r\n\x1a\n", 8);
    unsigned char header[13];
    qToBigEndian<quint32>(quint32(width), header);
    qToBigEndian<quint32>(quint32(height), header + 4);
    header[8] = 8;                            // bits per sample
    header[9] = grey ? 0 : 2;                 // greyscale or RGB
    header[10] = header[11] = header[12] = 0; // deflate, adaptive filtering, no interlace
    appendChunk(out, "IHDR", header, sizeof header);
    appendChunk(out, "IDAT", deflated.get(), deflatedSize);
    appendChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace

QByteArray encode(const QImage& image) {
    try {
        return encodeOrThrow(image);
    } catch (const std::bad_alloc&) {
        return {}; // an image too large for the memory left is reported like any failure
    }
}

} // namespace PngEncoder
