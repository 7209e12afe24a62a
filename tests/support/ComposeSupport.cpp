#include "support/ComposeSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>

namespace compose_test {

QByteArray encodedImage(int width, int height, const QColor& color, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    // 72 dpi, so one pixel is one point; a new QImage takes the screen's resolution.
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

ToolResult runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    ToolResult result;
    if (!process.waitForStarted() || !process.waitForFinished(-1))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace compose_test
