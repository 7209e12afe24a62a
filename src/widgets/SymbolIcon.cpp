#include "widgets/SymbolIcon.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

namespace {

// 24 × 24 drawings in black; white parts stay white when tinted (the cut-outs of the
// filled shields).
const QHash<QString, QByteArray>& drawings() {
    static const QHash<QString, QByteArray>
        table =
            {
                {"pencil.tip",
                 R"(<path d="M4.5 19.5 6 14 15.5 4.5a2.1 2.1 0 0 1 3 0l1 1a2.1 2.1 0 0 1 0 3L10 18z" fill="none" stroke="#000" stroke-width="1.8" stroke-linejoin="round"/><path d="M4.5 19.5 5.4 16.2 7.8 18.6z" fill="#000"/><path d="M6 14l4 4M13.5 6.5l4 4" stroke="#000" stroke-width="1.5"/>)"},
                {"square.grid.2x2",
                 R"(<g fill="none" stroke="#000" stroke-width="1.8"><rect x="3.5" y="3.5" width="7" height="7" rx="1.6"/><rect x="13.5" y="3.5" width="7" height="7" rx="1.6"/><rect x="3.5" y="13.5" width="7" height="7" rx="1.6"/><rect x="13.5" y="13.5" width="7" height="7" rx="1.6"/></g>)"},
                {"lock.shield",
                 R"(<path d="M12 2.5 4.5 5.5v6c0 4.6 3.1 8.4 7.5 10 4.4-1.6 7.5-5.4 7.5-10v-6z" fill="none" stroke="#000" stroke-width="1.7" stroke-linejoin="round"/><rect x="8.6" y="10.6" width="6.8" height="5.4" rx="1" fill="#000"/><path d="M10 10.8V9.4a2 2 0 0 1 4 0v1.4" fill="none" stroke="#000" stroke-width="1.4"/>)"},
                {"lock.shield.fill",
                 R"(<path d="M12 2.2 4.2 5.3v6.2c0 4.8 3.2 8.7 7.8 10.3 4.6-1.6 7.8-5.5 7.8-10.3V5.3z" fill="#000"/><rect x="8.6" y="10.6" width="6.8" height="5.4" rx="1" fill="#fff"/><path d="M10 10.8V9.4a2 2 0 0 1 4 0v1.4" fill="none" stroke="#fff" stroke-width="1.4"/>)"},
                {"shield.slash",
                 R"(<path d="M12 2.5 4.5 5.5v6c0 4.6 3.1 8.4 7.5 10 4.4-1.6 7.5-5.4 7.5-10v-6z" fill="none" stroke="#000" stroke-width="1.7" stroke-linejoin="round"/><path d="M3.5 3.5l17 17" stroke="#000" stroke-width="1.8" stroke-linecap="round"/>)"},
                {"checkmark.shield.fill",
                 R"(<path d="M12 2.2 4.2 5.3v6.2c0 4.8 3.2 8.7 7.8 10.3 4.6-1.6 7.8-5.5 7.8-10.3V5.3z" fill="#000"/><path d="M8.3 12.2l2.6 2.6 4.9-5.4" fill="none" stroke="#fff" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>)"},
                {"xmark.shield.fill",
                 R"(<path d="M12 2.2 4.2 5.3v6.2c0 4.8 3.2 8.7 7.8 10.3 4.6-1.6 7.8-5.5 7.8-10.3V5.3z" fill="#000"/><path d="M9.3 8.8l5.4 5.4M14.7 8.8l-5.4 5.4" stroke="#fff" stroke-width="2" stroke-linecap="round"/>)"},
                {"checkmark.circle.fill",
                 R"(<circle cx="12" cy="12" r="10" fill="#000"/><path d="M7.5 12.3l3 3 6-6.3" fill="none" stroke="#fff" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>)"},
                {"exclamationmark.triangle.fill",
                 R"(<path d="M10.3 3.6 2.2 18a2 2 0 0 0 1.7 3h16.2a2 2 0 0 0 1.7-3L13.7 3.6a2 2 0 0 0-3.4 0z" fill="#000"/><path d="M12 8.5v5.5" stroke="#fff" stroke-width="2.2" stroke-linecap="round"/><circle cx="12" cy="17.3" r="1.3" fill="#fff"/>)"},
                {"doc.on.doc",
                 R"(<g fill="none" stroke="#000" stroke-width="1.6" stroke-linejoin="round"><path d="M8 6.5V4.5A1.5 1.5 0 0 1 9.5 3h6.2L20 7.3v10.2a1.5 1.5 0 0 1-1.5 1.5H16"/><path d="M15.5 3v4.5H20"/><path d="M5.5 6.5h6.2L16 10.8v8.7A1.5 1.5 0 0 1 14.5 21h-9A1.5 1.5 0 0 1 4 19.5V8a1.5 1.5 0 0 1 1.5-1.5z"/><path d="M11.5 6.5V11H16"/></g>)"},
                {"doc.questionmark",
                 R"(<g fill="none" stroke="#000" stroke-width="1.6" stroke-linejoin="round"><path d="M6.5 2.8h7.7l4.8 4.8v12.1a1.5 1.5 0 0 1-1.5 1.5h-11A1.5 1.5 0 0 1 5 19.7V4.3a1.5 1.5 0 0 1 1.5-1.5z"/><path d="M14 2.8v4.9h5"/><path d="M9.8 11a2.3 2.3 0 1 1 3.3 2.1c-.7.3-1.1.9-1.1 1.6v.5" stroke-linecap="round"/></g><circle cx="12" cy="18" r="1" fill="#000"/>)"},
                {"list.bullet.rectangle",
                 R"(<rect x="2.5" y="4" width="19" height="16" rx="2.5" fill="none" stroke="#000" stroke-width="1.6"/><g fill="#000"><circle cx="7" cy="9" r="1.1"/><circle cx="7" cy="12" r="1.1"/><circle cx="7" cy="15" r="1.1"/></g><path d="M10 9h8M10 12h8M10 15h8" stroke="#000" stroke-width="1.5" stroke-linecap="round"/>)"},
                {"arrow.right.circle",
                 R"(<circle cx="12" cy="12" r="9.5" fill="none" stroke="#000" stroke-width="1.6"/><path d="M7.5 12h8.5M12.5 8.3 16.2 12l-3.7 3.7" fill="none" stroke="#000" stroke-width="1.7" stroke-linecap="round" stroke-linejoin="round"/>)"},
                {"chevron.left",
                 R"(<path d="M15 4.5 7.5 12l7.5 7.5" fill="none" stroke="#000" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>)"},
                {"chevron.right",
                 R"(<path d="M9 4.5 16.5 12 9 19.5" fill="none" stroke="#000" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>)"},
                {"signature",
                 R"(<path d="M3 15.5c2-4.5 4-9 5.3-8.4 1.6.7-2.4 9.6-.8 10 1.3.3 3-4.3 4.3-4.1 1 .2.1 2.9 1 3.1.9.2 1.9-1.8 2.8-1.7.8.1.6 1.4 1.5 1.5.9.1 1.6-.6 2.4-.9" fill="none" stroke="#000" stroke-width="1.6" stroke-linecap="round" stroke-linejoin="round"/><path d="M3 20h18" stroke="#000" stroke-width="1.4" stroke-linecap="round"/>)"},
                {"doc",
                 R"(<path d="M6 2.8h8l4.5 4.5v13a1 1 0 0 1-1 1H6a1 1 0 0 1-1-1V3.8a1 1 0 0 1 1-1z" fill="none" stroke="#000" stroke-width="1.6" stroke-linejoin="round"/><path d="M13.8 3v4.6h4.6" fill="none" stroke="#000" stroke-width="1.6" stroke-linejoin="round"/>)"},
                {"line.3.horizontal",
                 R"(<path d="M4 6.5h16M4 12h16M4 17.5h16" stroke="#000" stroke-width="1.8" stroke-linecap="round"/>)"},
                {"grid", R"(<g fill="none" stroke="#000" stroke-width="1.5"><rect x="3.5" y="3.5" width="17" height="17" rx="1.5"/><path d="M9.2 3.5v17M14.8 3.5v17M3.5 9.2h17M3.5 14.8h17"/></g>)"},
                {"circle.grid.3x3",
                 R"(<g fill="#000"><circle cx="5.5" cy="5.5" r="2"/><circle cx="12" cy="5.5" r="2"/><circle cx="18.5" cy="5.5" r="2"/><circle cx="5.5" cy="12" r="2"/><circle cx="12" cy="12" r="2"/><circle cx="18.5" cy="12" r="2"/><circle cx="5.5" cy="18.5" r="2"/><circle cx="12" cy="18.5" r="2"/><circle cx="18.5" cy="18.5" r="2"/></g>)"},
                {"plus",
                 R"(<path d="M12 5v14M5 12h14" stroke="#000" stroke-width="2" stroke-linecap="round"/>)"},
                {"photo.badge.plus",
                 R"(<g fill="none" stroke="#000" stroke-width="1.5" stroke-linejoin="round"><path d="M13 18.5H4.5a1 1 0 0 1-1-1v-11a1 1 0 0 1 1-1h13a1 1 0 0 1 1 1V12"/><path d="M3.5 15.5l4.5-4.5 3.5 3.5 2-2 2.5 2.5"/><circle cx="14" cy="9" r="1.4"/></g><path d="M18.5 14.5v7M15 18h7" stroke="#000" stroke-width="1.8" stroke-linecap="round"/>)"},
                {"trash",
                 R"(<path d="M4 6.5h16M9.5 6.5V4.5h5v2M6.2 6.5l1 13.2c.1.8.7 1.3 1.5 1.3h6.6c.8 0 1.4-.5 1.5-1.3l1-13.2M10 10v7.5M14 10v7.5" fill="none" stroke="#000" stroke-width="1.6" stroke-linecap="round" stroke-linejoin="round"/>)"},
            };
    return table;
}

} // namespace

namespace SymbolIcon {

bool has(const QString& symbol) {
    return drawings().contains(symbol);
}

QPixmap pixmap(const QString& symbol, int size, const QColor& color, qreal devicePixelRatio) {
    const auto it = drawings().constFind(symbol);
    if (it == drawings().constEnd())
        return {};
    const QByteArray svg =
        R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24">)" + it.value() + "</svg>";
    QSvgRenderer renderer(svg);
    const int pixels = qRound(size * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    // Black ink takes the colour, white cut-outs stay white, coverage stays as drawn.
    const int r = color.red(), g = color.green(), b = color.blue();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(line[x]);
            if (a == 0)
                continue;
            const int light = qGreen(line[x]); // drawings are grey-scale
            line[x] = qRgba(r + (255 - r) * light / 255, g + (255 - g) * light / 255,
                            b + (255 - b) * light / 255, a * color.alpha() / 255);
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon(const QString& symbol, const QColor& color) {
    if (!has(symbol))
        return QIcon::fromTheme(symbol);
    const QPalette palette = QApplication::palette();
    const QColor normal = color.isValid() ? color : palette.color(QPalette::WindowText);
    const QColor disabled = palette.color(QPalette::Disabled, QPalette::WindowText);
    QIcon result;
    for (const int size : {16, 24, 32, 48}) {
        result.addPixmap(pixmap(symbol, size, normal), QIcon::Normal);
        result.addPixmap(pixmap(symbol, size, normal), QIcon::Active);
        // On a selected row of a list the symbol takes the selection's text colour.
        result.addPixmap(pixmap(symbol, size, palette.color(QPalette::HighlightedText)),
                         QIcon::Selected);
        result.addPixmap(pixmap(symbol, size, disabled), QIcon::Disabled);
    }
    return result;
}

} // namespace SymbolIcon
