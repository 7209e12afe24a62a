// render_icon: draws an SVG file into square PNG files, for the icon sizes of the package.
//   render_icon ICON.svg SIZE OUT.png [SIZE OUT.png ...]
// Built with the project (Qt Svg and Gui only) and run at build time; not installed.
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "Usage: render_icon ICON.svg SIZE OUT.png [SIZE OUT.png ...]\n");
        return 2;
    }
    // No display is needed to draw into an image; the offscreen platform keeps it so.
    // (Quiet: its only complaint here, about XDG_RUNTIME_DIR, does not concern drawing.)
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QString());

    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s as SVG\n", argv[1]);
        return 1;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 4096) {
            std::fprintf(stderr, "render_icon: bad size '%s'\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString out = QString::fromLocal8Bit(argv[i + 1]);
        if (!image.convertToFormat(QImage::Format_ARGB32).save(out, "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
