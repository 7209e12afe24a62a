#include "widgets/Icons.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

// The resources live in a static library: make sure they are registered before use.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

const QHash<QString, QString>& themeNames() {
    static const QHash<QString, QString> table = {
        {"doc.badge.plus", "document-new"},
        {"folder", "document-open"},
        {"chevron.left", "go-previous"},
        {"chevron.right", "go-next"},
        {"chevron.up", "go-up"},
        {"chevron.down", "go-down"},
        {"magnifyingglass", "edit-find"},
        {"plus.magnifyingglass", "zoom-in"},
        {"minus.magnifyingglass", "zoom-out"},
        {"arrow.up.left.and.arrow.down.right", "zoom-fit-best"},
        {"bookmark", "bookmark-new"},
        {"bookmark.fill", "user-bookmarks"},
        {"pencil.tip.crop.circle", "document-edit"},
        {"wrench.and.screwdriver", "applications-utilities"},
        {"square.and.arrow.up", "document-export"},
        {"xmark.circle.fill", "edit-clear"},
        {"doc.text.fill", "x-office-document"},
        {"square.grid.2x2", "view-grid"},
        {"cursor.rays", "edit-select"},
        {"highlighter", "draw-highlight"},
        {"underline", "format-text-underline"},
        {"strikethrough", "format-text-strikethrough"},
        {"note.text", "view-pim-notes"},
        {"pencil.tip", "draw-freehand"},
        {"character.textbox", "insert-text"},
        {"rectangle", "draw-rectangle"},
        {"oval", "draw-ellipse"},
        {"line.diagonal", "draw-line"},
        {"arrow.right", "draw-arrow"},
        {"signature", "document-sign"},
        {"rectangle.redact", "edit-redact"},
        {"trash", "edit-delete"},
        {"paperclip", "mail-attachment"},
        {"text.bubble", "mail-message"},
    };
    return table;
}

QString resourcePath(const QString& symbol) {
    return ":/icons/" + symbol + ".svg";
}

// The drawing's text, read once per symbol.
QByteArray drawing(const QString& symbol) {
    static QHash<QString, QByteArray> cache;
    const auto it = cache.constFind(symbol);
    if (it != cache.constEnd())
        return it.value();
    static const bool registered = (initResources(), true);
    Q_UNUSED(registered);
    QFile file(resourcePath(symbol));
    QByteArray svg = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    cache.insert(symbol, svg);
    return svg;
}

// Draws the bundled symbol in the colour of the mode it is asked for, at any size, so
// icons stay sharp on every screen and follow palette changes.
class SymbolEngine : public QIconEngine {
public:
    SymbolEngine(QString symbol, QColor color) : symbol_(std::move(symbol)), color_(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int side = qMin(rect.width(), rect.height());
        const QPixmap pm = Icons::pixmap(symbol_, side, colorFor(mode), dpr);
        const QPoint topLeft(rect.x() + (rect.width() - side) / 2,
                             rect.y() + (rect.height() - side) / 2);
        painter->drawPixmap(topLeft, pm);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        QPixmap result(size);
        result.fill(Qt::transparent);
        QPainter painter(&result);
        painter.drawPixmap((size.width() - side) / 2, (size.height() - side) / 2,
                           Icons::pixmap(symbol_, side, colorFor(mode)));
        return result;
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        const QSize pixels = size * scale;
        QPixmap result = pixmap(pixels, mode, state);
        result.setDevicePixelRatio(scale);
        return result;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SymbolEngine(symbol_, color_); }
    QString key() const override { return QStringLiteral("vellumark-symbol"); }
    QString iconName() override { return symbol_; }
    bool isNull() override { return !Icons::hasFallback(symbol_); }

private:
    QColor colorFor(QIcon::Mode mode) const {
        const QPalette palette = QApplication::palette();
        if (mode == QIcon::Disabled) {
            QColor c = color_.isValid() ? color_ : palette.color(QPalette::WindowText);
            c.setAlphaF(c.alphaF() * 0.35);
            return c;
        }
        if (color_.isValid())
            return color_;
        return mode == QIcon::Selected ? palette.color(QPalette::HighlightedText)
                                       : palette.color(QPalette::WindowText);
    }

    QString symbol_;
    QColor color_;
};

} // namespace

namespace Icons {

QString themeName(const QString& symbol) {
    return themeNames().value(symbol);
}

bool hasFallback(const QString& symbol) {
    return !drawing(symbol).isEmpty();
}

QStringList symbols() {
    QStringList list = themeNames().keys();
    list.sort();
    return list;
}

QPixmap pixmap(const QString& symbol, int size, const QColor& color, qreal devicePixelRatio) {
    QByteArray svg = drawing(symbol);
    if (svg.isEmpty() || size <= 0)
        return {};
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    const int pixels = qMax(1, qRound(size * devicePixelRatio));
    QPixmap result(pixels, pixels);
    result.fill(Qt::transparent);
    {
        QPainter painter(&result);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(color.alphaF());
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon(const QString& symbol, const QColor& color) {
    if (!color.isValid()) {
        const QString name = themeName(symbol);
        // Some themes list a name without a usable picture at toolbar sizes; only a theme
        // icon that actually draws may replace the bundled one.
        if (!name.isEmpty() && QIcon::hasThemeIcon(name)) {
            const QIcon themed = QIcon::fromTheme(name);
            if (!themed.pixmap(QSize(16, 16)).isNull() && !themed.pixmap(QSize(24, 24)).isNull())
                return themed;
        }
    }
    if (!hasFallback(symbol))
        return QIcon::fromTheme(themeName(symbol));
    return QIcon(new SymbolEngine(symbol, color));
}

QIcon applicationIcon() {
    drawing(QStringLiteral("vellumark"));
    QIcon result = QIcon::fromTheme(QStringLiteral("vellumark"));
    if (result.isNull())
        result = QIcon(QStringLiteral(":/icons/vellumark.svg"));
    return result;
}

} // namespace Icons
