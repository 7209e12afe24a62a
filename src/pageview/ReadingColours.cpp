#include "pageview/ReadingColours.h"

#include <QColor>

#include <algorithm>

namespace ReadingColoursScheme {

namespace {

struct Entry {
    ReadingColours colours;
    const char* name;
    const char* label;
};

constexpr Entry kEntries[] = {
    {ReadingColours::normal, "normal", "Normal"},
    {ReadingColours::night, "night", "Night"},
    {ReadingColours::sepia, "sepia", "Sepia"},
    {ReadingColours::highContrast, "highContrast", "High Contrast"},
};

// Night: lightness turned over (white paper dark, black ink light) in a range that spares
// the eyes the extremes.
constexpr int kNightDark = 24, kNightLight = 230;
// Sepia: ink and paper of an old book.
constexpr QRgb kSepiaInk = 0x3B2A1A, kSepiaPaper = 0xF4ECD8;

inline int clamp255(int v) {
    return std::clamp(v, 0, 255);
}

// Per channel c + 255 − (max + min): HSL lightness becomes 1 − lightness, hue and
// saturation stay.
inline void invertLightness(int& r, int& g, int& b) {
    const int sum = std::max({r, g, b}) + std::min({r, g, b});
    r = r + 255 - sum;
    g = g + 255 - sum;
    b = b + 255 - sum;
}

QRgb recolour(QRgb pixel, ReadingColours colours) {
    int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    switch (colours) {
    case ReadingColours::night:
        invertLightness(r, g, b);
        r = kNightDark + r * (kNightLight - kNightDark) / 255;
        g = kNightDark + g * (kNightLight - kNightDark) / 255;
        b = kNightDark + b * (kNightLight - kNightDark) / 255;
        break;
    case ReadingColours::sepia: {
        // Each channel between ink and paper by its own value: colours stay told apart.
        r = qRed(kSepiaInk) + (qRed(kSepiaPaper) - qRed(kSepiaInk)) * r / 255;
        g = qGreen(kSepiaInk) + (qGreen(kSepiaPaper) - qGreen(kSepiaInk)) * g / 255;
        b = qBlue(kSepiaInk) + (qBlue(kSepiaPaper) - qBlue(kSepiaInk)) * b / 255;
        break;
    }
    case ReadingColours::highContrast:
        // Light ink on black, pushed away from the middle so grey text turns white.
        invertLightness(r, g, b);
        r = clamp255((r - 128) * 2 + 128);
        g = clamp255((g - 128) * 2 + 128);
        b = clamp255((b - 128) * 2 + 128);
        break;
    case ReadingColours::normal:
        break;
    }
    return qRgba(r, g, b, qAlpha(pixel));
}

} // namespace

QString name(ReadingColours colours) {
    for (const Entry& e : kEntries)
        if (e.colours == colours)
            return QString::fromLatin1(e.name);
    return QStringLiteral("normal");
}

ReadingColours fromName(const QString& name) {
    for (const Entry& e : kEntries)
        if (name == QLatin1String(e.name))
            return e.colours;
    return ReadingColours::normal;
}

const QStringList& names() {
    static const QStringList list = [] {
        QStringList out;
        for (const Entry& e : kEntries)
            out << QString::fromLatin1(e.name);
        return out;
    }();
    return list;
}

QString label(ReadingColours colours) {
    for (const Entry& e : kEntries)
        if (e.colours == colours)
            return QString::fromLatin1(e.label);
    return {};
}

QColor paper(ReadingColours colours) {
    return QColor::fromRgb(recolour(qRgb(255, 255, 255), colours));
}

void apply(QImage& image, ReadingColours colours, const std::vector<QRect>& keep) {
    if (colours == ReadingColours::normal || image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Pages render opaque; a pixel with alpha is recoloured as it stands (premultiplied
    // colours under full alpha are plain ones).
    const QRect all = image.rect();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        // The stretches of this row that pictures cover stay as they are.
        std::vector<std::pair<int, int>> kept;
        for (const QRect& r : keep) {
            const QRect k = r.intersected(all);
            if (!k.isEmpty() && y >= k.top() && y <= k.bottom())
                kept.emplace_back(k.left(), k.right());
        }
        for (int x = 0; x < image.width(); ++x) {
            bool skip = false;
            for (const auto& [left, right] : kept)
                if (x >= left && x <= right) {
                    skip = true;
                    x = right;
                    break;
                }
            if (!skip)
                line[x] = recolour(line[x], colours);
        }
    }
}

} // namespace ReadingColoursScheme
