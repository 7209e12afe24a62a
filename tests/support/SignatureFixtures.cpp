#include "SignatureFixtures.h"

#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QProcessEnvironment>

namespace sigfix {

QByteArray letterPdf(const QStringList& pageTexts) {
    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsets;
    auto object = [&](const QByteArray& body) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    const int pages = int(pageTexts.size());
    // 1 catalog, 2 pages, 3 font, then page/content pairs.
    object("<< /Type /Catalog /Pages 2 0 R >>");
    QByteArray kids;
    for (int i = 0; i < pages; ++i)
        kids += QByteArray::number(4 + 2 * i) + " 0 R ";
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>");
    object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    for (int i = 0; i < pages; ++i) {
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << "
               "/F1 3 0 R >> >> /Contents " +
               QByteArray::number(5 + 2 * i) + " 0 R >>");
        QByteArray text = pageTexts[i].toLatin1();
        text.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)");
        const QByteArray stream = "BT /F1 18 Tf 72 700 Td (" + text + ") Tj ET";
        object("<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream +
               "\nendstream");
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
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
