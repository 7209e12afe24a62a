#include "support/SignatureFixtures.h"

#include "support/PdfFixtures.h"

#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QProcessEnvironment>

namespace sigfix {

QByteArray letterPdf(const QStringList& pageTexts) {
    std::vector<QStringList> pages;
    for (const QString& text : pageTexts)
        pages.push_back({text});
    return fixtures::textPdf(pages);
}

QImage scribble(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path(QPointF(width * 0.05, height * 0.7));
    path.cubicTo(width * 0.25, height * 0.05, width * 0.35, height * 0.95, width * 0.5, height * 0.5);
    path.cubicTo(width * 0.65, height * 0.1, width * 0.8, height * 0.9, width * 0.95, height * 0.3);
    painter.drawPath(path);
    return image;
}

ProcessResult runProgram(const QString& program, const QStringList& args,
                         const QStringList& environment) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    process.setProcessEnvironment(env);
    process.start(program, args);
    ProcessResult result;
    if (!process.waitForFinished(120000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace sigfix
