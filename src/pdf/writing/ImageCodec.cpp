#include "pdf/writing/ImageCodec.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

namespace pdf::codec {

namespace {

struct Tap {
    int source = 0;
    float weight = 0;
};

// For each of `to` cells over `from`, the source cells it covers and by how much.
std::vector<std::vector<Tap>> boxTaps(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
    const double scale = double(from) / to;
    for (int x = 0; x < to; ++x) {
        const double start = x * scale;
        const double end = std::min<double>(from, (x + 1) * scale);
        for (int s = int(start); s < from && s < end; ++s) {
            const double covered = std::min<double>(s + 1, end) - std::max<double>(s, start);
            if (covered > 0)
                taps[size_t(x)].push_back({s, float(covered / (end - start))});
        }
    }
    return taps;
}

} // namespace

Pixels resample(const Pixels& image, int width, int height) {
    const int n = image.channels;
    Pixels out{width, height, n, Bytes(size_t(width) * size_t(height) * size_t(n))};
    const auto columns = boxTaps(image.width, width);
    const auto rows = boxTaps(image.height, height);
    const size_t stride = size_t(image.width) * size_t(n);
    // One row of horizontally filtered samples at a time: memory stays at a row or two.
    std::vector<float> across(size_t(width) * size_t(n));
    std::vector<float> sum(size_t(width) * size_t(n));
    for (int y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.f);
        for (const Tap& row : rows[size_t(y)]) {
            const unsigned char* src = image.samples.data() + size_t(row.source) * stride;
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < n; ++c) {
                    float v = 0;
                    for (const Tap& col : columns[size_t(x)])
                        v += col.weight * src[size_t(col.source) * size_t(n) + size_t(c)];
                    across[size_t(x) * size_t(n) + size_t(c)] = v;
                }
            for (size_t i = 0; i < sum.size(); ++i)
                sum[i] += row.weight * across[i];
        }
        unsigned char* dst = out.samples.data() + size_t(y) * size_t(width) * size_t(n);
        for (size_t i = 0; i < sum.size(); ++i)
            dst[i] = static_cast<unsigned char>(std::clamp(std::lround(sum[i]), 0L, 255L));
    }
    return out;
}

bool isGrey(const Pixels& image) {
    if (image.channels != 3)
        return image.channels == 1;
    // A scanner's noise parts the channels of single grey pixels; a colour shows over an
    // area. So the channels are compared on 4 × 4 averages, where the noise has settled.
    constexpr int kBlock = 4;
    const size_t stride = size_t(image.width) * 3;
    size_t tinted = 0, blocks = 0;
    for (int by = 0; by < image.height; by += kBlock) {
        const int rows = std::min(kBlock, image.height - by);
        for (int bx = 0; bx < image.width; bx += kBlock) {
            const int columns = std::min(kBlock, image.width - bx);
            int sum[3] = {0, 0, 0};
            for (int y = by; y < by + rows; ++y) {
                const unsigned char* p = image.samples.data() + size_t(y) * stride + size_t(bx) * 3;
                for (int x = 0; x < columns; ++x, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const int count = rows * columns;
            const int spread =
                (std::max({sum[0], sum[1], sum[2]}) - std::min({sum[0], sum[1], sum[2]})) / count;
            if (spread > 40)
                return false;
            tinted += spread > 14;
            ++blocks;
        }
    }
    return tinted * 1000 <= blocks;
}

Pixels toGrey(const Pixels& image) {
    Pixels out{image.width, image.height, 1, Bytes(size_t(image.width) * size_t(image.height))};
    const unsigned char* p = image.samples.data();
    for (unsigned char& v : out.samples) {
        v = static_cast<unsigned char>((p[0] * 77 + p[1] * 150 + p[2] * 29 + 128) >> 8);
        p += 3;
    }
    return out;
}

bool looksPhotographic(const Pixels& image) {
    if (image.width < 16 || image.height < 16)
        return false;
    // Flat areas repeat a pixel exactly; a photograph or a scan has noise everywhere.
    const int n = image.channels;
    const size_t stride = size_t(image.width) * size_t(n);
    const int step = std::max(1, image.height / 64);
    size_t same = 0, total = 0;
    for (int y = 0; y < image.height; y += step) {
        const unsigned char* row = image.samples.data() + size_t(y) * stride;
        for (int x = 1; x < image.width; ++x, ++total)
            same += std::equal(row + size_t(x) * size_t(n), row + size_t(x + 1) * size_t(n),
                               row + size_t(x - 1) * size_t(n));
    }
    return same * 10 < total * 4;
}

namespace {

struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jpegFailed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegFailure*>(info->err)->jump, 1);
}

// Says nothing, but counts the warnings (data cut short or corrupt) as the library's own
// handler would.
void jpegQuiet(j_common_ptr info, int level) {
    if (level < 0)
        ++info->err->num_warnings;
}

} // namespace

bool decodeJpeg(const unsigned char* data, size_t size, int channels, int minWidth, int minHeight,
                Pixels* out) {
    // Everything with a destructor lives before the jump target: a failure returns here.
    jpeg_decompress_struct info{};
    JpegFailure failure{};
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpegFailed;
    failure.manager.emit_message = jpegQuiet;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.num_components != channels || (channels != 1 && channels != 3)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    unsigned denom = 8;
    while (denom > 1 && (int((info.image_width + denom - 1) / denom) < minWidth ||
                         int((info.image_height + denom - 1) / denom) < minHeight))
        denom /= 2;
    info.scale_num = 1;
    info.scale_denom = denom;
    // What is decoded here is resampled and encoded again: the plain upsampling of the
    // colour planes and the fast transform lose nothing that survives, and save a fifth.
    info.do_fancy_upsampling = FALSE;
    info.dct_method = JDCT_IFAST;
    jpeg_start_decompress(&info);
    out->width = int(info.output_width);
    out->height = int(info.output_height);
    out->channels = channels;
    out->samples.resize(size_t(out->width) * size_t(out->height) * size_t(channels));
    const size_t stride = size_t(out->width) * size_t(channels);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->samples.data() + info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    const bool whole = failure.manager.num_warnings == 0;
    jpeg_destroy_decompress(&info);
    return whole;
}

Bytes encodeJpeg(const Pixels& image, int quality) {
    // Everything with a destructor lives before the jump target: a failure returns here.
    Bytes result;
    jpeg_compress_struct info{};
    JpegFailure failure{};
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpegFailed;
    failure.manager.emit_message = jpegQuiet;
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&info);
        std::free(memory);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &memory, &size);
    info.image_width = JDIMENSION(image.width);
    info.image_height = JDIMENSION(image.height);
    info.input_components = image.channels;
    info.in_color_space = image.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    const size_t stride = size_t(image.width) * size_t(image.channels);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.samples.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    try {
        result.assign(memory, memory + size);
    } catch (...) {
        result.clear();
    }
    std::free(memory);
    return result;
}

namespace {

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// One compressor per level and thread: making one costs more than a small stream does.
libdeflate_compressor* compressor(int level) {
    thread_local std::array<std::unique_ptr<libdeflate_compressor, CompressorDeleter>, 13> kept;
    auto& slot = kept[size_t(std::clamp(level, 1, 12))];
    if (!slot)
        slot.reset(libdeflate_alloc_compressor(std::clamp(level, 1, 12)));
    return slot.get();
}

} // namespace

Bytes deflate(const unsigned char* data, size_t size, int level) {
    libdeflate_compressor* c = compressor(level);
    if (!c)
        return {};
    Bytes out(libdeflate_zlib_compress_bound(c, size));
    out.resize(libdeflate_zlib_compress(c, data, size, out.data(), out.size()));
    return out;
}

bool inflate(const unsigned char* data, size_t size, size_t limit, Bytes* out) {
    thread_local std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> d(
        libdeflate_alloc_decompressor());
    if (!d)
        return false;
    size_t room = std::min(limit, std::max<size_t>(size * 4, 64 << 10));
    for (;;) {
        out->resize(room);
        size_t got = 0;
        const auto result =
            libdeflate_zlib_decompress(d.get(), data, size, out->data(), room, &got);
        if (result == LIBDEFLATE_SUCCESS) {
            out->resize(got);
            return true;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE || room >= limit) {
            out->clear();
            return false;
        }
        room = std::min(limit, room * 2);
    }
}

Bytes pngPredict(const unsigned char* samples, int width, int height, int channels) {
    const size_t stride = size_t(width) * size_t(channels);
    const size_t bpp = size_t(channels);
    Bytes out((stride + 1) * size_t(height));
    std::vector<unsigned char> candidate(stride);
    std::vector<unsigned char> zero(stride, 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = samples + size_t(y) * stride;
        const unsigned char* up = y ? row - stride : zero.data();
        unsigned char* dst = out.data() + size_t(y) * (stride + 1);
        uint64_t best = UINT64_MAX;
        for (int type = 0; type < 5; ++type) {
            uint64_t cost = 0;
            for (size_t i = 0; i < stride; ++i) {
                const int a = i >= bpp ? row[i - bpp] : 0;
                const int b = up[i];
                const int c = i >= bpp ? up[i - bpp] : 0;
                int predicted = 0;
                switch (type) {
                case 1:
                    predicted = a;
                    break;
                case 2:
                    predicted = b;
                    break;
                case 3:
                    predicted = (a + b) / 2;
                    break;
                case 4: {
                    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                              pc = std::abs(p - c);
                    predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                    break;
                }
                default:
                    break;
                }
                candidate[i] = static_cast<unsigned char>(row[i] - predicted);
                cost += uint64_t(std::abs(int(static_cast<signed char>(candidate[i]))));
            }
            if (cost < best) {
                best = cost;
                dst[0] = static_cast<unsigned char>(type);
                std::copy(candidate.begin(), candidate.end(), dst + 1);
            }
        }
    }
    return out;
}

} // namespace pdf::codec
