#include "sheets/PageToolIcons.h"

#include "widgets/SymbolIcon.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

namespace PageToolIcons {

namespace {

// 24 × 24 outlines in black, tinted when drawn.
const QHash<QString, QByteArray>& drawings() {
    static const QHash<QString, QByteArray> table = {
        {"rotate.right",
         R"(<path d="M18.5 12a6.5 6.5 0 1 1-2-4.7" fill="none" stroke="#000" stroke-width="1.8" stroke-linecap="round"/><path d="M17.8 3.2v4.6h-4.6" fill="none" stroke="#000" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>)"},
        {"trash",
         R"(<path d="M4 6.5h16M9.5 6.5V4.5h5v2M6.2 6.5l1 13.2c.1.8.7 1.3 1.5 1.3h6.6c.8 0 1.4-.5 1.5-1.3l1-13.2M10 10v7.5M14 10v7.5" fill="none" stroke="#000" stroke-width="1.6" stroke-linecap="round" stroke-linejoin="round"/>)"},
        {"doc.badge.plus",
         R"(<path d="M13 3.5H7a1.5 1.5 0 0 0-1.5 1.5v14A1.5 1.5 0 0 0 7 20.5h6M13 3.5l4.5 4.5v3" fill="none" stroke="#000" stroke-width="1.6" stroke-linejoin="round"/><path d="M18 14v7M14.5 17.5h7" stroke="#000" stroke-width="1.8" stroke-linecap="round"/>)"},
        {"doc.on.doc",
         R"(<rect x="8.5" y="7.5" width="11" height="14" rx="1.6" fill="none" stroke="#000" stroke-width="1.6"/><path d="M6 16.5H5.8A1.3 1.3 0 0 1 4.5 15.2V4.3A1.3 1.3 0 0 1 5.8 3h8.4a1.3 1.3 0 0 1 1.3 1.3v.7" fill="none" stroke="#000" stroke-width="1.6"/>)"},
        {"arrow.up.doc",
         R"(<path d="M14 3.5H7A1.5 1.5 0 0 0 5.5 5v14A1.5 1.5 0 0 0 7 20.5h10a1.5 1.5 0 0 0 1.5-1.5V8z" fill="none" stroke="#000" stroke-width="1.6" stroke-linejoin="round"/><path d="M12 17.5v-7M9 13.2l3-3 3 3" fill="none" stroke="#000" stroke-width="1.7" stroke-linecap="round" stroke-linejoin="round"/>)"},
        {"scissors",
         R"(<circle cx="6.5" cy="17.5" r="2.8" fill="none" stroke="#000" stroke-width="1.6"/><circle cx="17.5" cy="17.5" r="2.8" fill="none" stroke="#000" stroke-width="1.6"/><path d="M8.5 15.5 17 3.5M15.5 15.5 7 3.5" stroke="#000" stroke-width="1.6" stroke-linecap="round"/>)"},
        {"arrow.triangle.merge",
         R"(<path d="M6 3.5v4.5c0 3 6 4.5 6 8v4.5M18 3.5v4.5c0 3-6 4.5-6 8" fill="none" stroke="#000" stroke-width="1.7" stroke-linecap="round"/><path d="M3.8 6 6 3.5 8.2 6M15.8 6 18 3.5 20.2 6" fill="none" stroke="#000" stroke-width="1.6" stroke-linecap="round" stroke-linejoin="round"/>)"},
    };
    return table;
}

QPixmap tinted(const QByteArray& body, int size, const QColor& color) {
    QSvgRenderer renderer(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24">)" + body +
                          "</svg>");
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    return pixmap;
}

} // namespace

QIcon icon(const QString& symbol) {
    if (SymbolIcon::has(symbol))
        return SymbolIcon::icon(symbol);
    const auto it = drawings().constFind(symbol);
    if (it == drawings().constEnd())
        return QIcon::fromTheme(symbol);
    const QPalette palette = QApplication::palette();
    QIcon result;
    for (const int size : {16, 24, 32}) {
        result.addPixmap(tinted(it.value(), size, palette.color(QPalette::WindowText)),
                         QIcon::Normal);
        result.addPixmap(
            tinted(it.value(), size, palette.color(QPalette::Disabled, QPalette::WindowText)),
            QIcon::Disabled);
    }
    return result;
}

} // namespace PageToolIcons
