#pragma once
// Pages that carry pictures as well as text, the heavy kind for renderers and encoders.
#include <QByteArray>

namespace fixtures {

// `count` pages of `width` × `height` points. Each shows an RGB picture of `imageSide` ×
// `imageSide` pixels (smooth colours with fine detail, different on every page, Flate
// compressed) over the upper half and a few lines of text below it.
QByteArray imagePagesPdf(int count, int imageSide = 400, double width = 612, double height = 792);

} // namespace fixtures
