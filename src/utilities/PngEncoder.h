#pragma once
// The one PNG encoder for pages written by the window's export and by vellumark-cli.
// Rows are filtered one by one with the filter that predicts them best and compressed
// with libdeflate: files as small as other tools' in a fraction of zlib's time.
#include <QByteArray>
#include <QImage>

namespace PngEncoder {

// PNG bytes of `image` without alpha (an image with alpha loses it as Qt's RGB32 would).
// An image whose pixels are all grey is written as 8-bit greyscale. Empty on failure.
QByteArray encode(const QImage& image);

} // namespace PngEncoder
