#pragma once
// Documents for making files smaller: what must survive a rewrite, and images to shrink.
#include <QByteArray>
#include <QImage>

namespace fixtures {

// Three pages of text. Page 1: a link to https://example.org and a square annotation
// ("note"); page 2: a text field "name" holding "Alice". The outline: "First" (page 1),
// "Third" (page 3); page labels i, ii, A-1. Pages 1 and 3 draw two copies of one image;
// page 3 also lists one it never draws.
// Every stream unfiltered.
QByteArray survivorsPdf();

// A 640 × 480 picture of soft grey shapes under noise: a photograph of something grey.
// Each `seed` gives other noise.
QImage greyPhoto(int width = 640, int height = 480, int seed = 7);
// A 640 × 480 bar chart in four flat colours: line art.
QImage chart(int width = 640, int height = 480);

// One page per image, each drawn `points` wide (height by its aspect): as JPEG (DCTDecode,
// the bytes given) or, for a QImage, as deflated RGB samples.
struct PlacedImage {
    QByteArray jpeg; // when not empty
    QImage pixels;   // otherwise
    double points = 200;
};
QByteArray imagePagesPdf(const std::vector<PlacedImage>& images);

// JPEG bytes of `image` at `quality`, three components.
QByteArray jpegOf(const QImage& image, int quality);

} // namespace fixtures
