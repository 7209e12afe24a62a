#pragma once
// Internal to src/pdf: the pixel work of making images smaller. Engine-free, so it runs on
// any thread; pixels are 8 bits a sample, `channels` samples a pixel, rows packed.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pdf::codec {

using Bytes = std::vector<unsigned char>;

struct Pixels {
    int width = 0;
    int height = 0;
    int channels = 0; // 1 grey, 3 RGB
    Bytes samples;
};

// `image` made `width` × `height` by averaging the area each new pixel covers (a box filter
// with fractional edges): no aliasing of a downsampled halftone or noise, no ringing.
Pixels resample(const Pixels& image, int width, int height);

// Whether an RGB image is grey: no area of it has a colour, whatever the noise of single
// pixels.
bool isGrey(const Pixels& image);
// An RGB image as grey, by its luminance.
Pixels toGrey(const Pixels& image);

// Whether an image looks like a photograph or a scan (many colours, few runs of equal
// pixels) rather than line art, a chart or a screenshot, which JPEG would smear.
bool looksPhotographic(const Pixels& image);

// Baseline JPEG at `quality` (1-100), 4:2:0 for colour; empty on failure.
Bytes encodeJpeg(const Pixels& image, int quality);

// Decodes a baseline or progressive JPEG of `channels` components (1 or 3), at the smallest
// of 1/1, 1/2, 1/4 and 1/8 of its size that is still at least `minWidth` × `minHeight`
// (scaled while decoding, which costs a fraction of a full decode). False when the data is
// damaged (cut short, corrupt: the decoder warned) or has other components.
bool decodeJpeg(const unsigned char* data, size_t size, int channels, int minWidth, int minHeight,
                Pixels* out);

// zlib data at libdeflate's `level` (1-12); empty on failure.
Bytes deflate(const unsigned char* data, size_t size, int level);
// The zlib data inflated, when it holds exactly up to `limit` bytes; empty (and false) on
// damage or when it would hold more.
bool inflate(const unsigned char* data, size_t size, size_t limit, Bytes* out);

// Rows of `image` each led by the PNG filter byte that makes the row cheapest to deflate
// (the sum of absolute differences heuristic), as /Predictor 15 expects.
Bytes pngPredict(const unsigned char* samples, int width, int height, int channels);

} // namespace pdf::codec
