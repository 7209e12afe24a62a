#include "support/SignatureFixtures.h"

#include "support/PdfFixtures.h"

#include <QDir>
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
    path.cubicTo(width * 0.25, height * 0.05, width * 0.35, height * 0.95, width * 0.5,
                 height * 0.5);
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

TestCertificate makeCertificate(const QString& folder, const QString& commonName,
                                const QString& password, bool authority) {
    TestCertificate made;
    const QString key = folder + "/signer.key";
    made.certificatePem = folder + "/signer.pem";
    made.p12 = folder + "/signer.p12";
    const QString subject = "/CN=" + commonName;
    if (!authority) {
        runProgram("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                               "-out", made.certificatePem, "-days", "30", "-subj", subject});
    } else {
        made.authorityPem = folder + "/authority.pem";
        const QString authorityKey = folder + "/authority.key";
        runProgram("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                               authorityKey, "-out", made.authorityPem, "-days", "30", "-subj",
                               "/CN=Test Authority", "-addext", "basicConstraints=critical,CA:TRUE",
                               "-addext", "keyUsage=critical,keyCertSign,cRLSign"});
        const QString request = folder + "/signer.csr";
        runProgram("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                               request, "-subj", subject});
        runProgram("openssl",
                   {"x509", "-req", "-in", request, "-CA", made.authorityPem, "-CAkey",
                    authorityKey, "-CAcreateserial", "-out", made.certificatePem, "-days", "30"});
    }
    QStringList args{"pkcs12", "-export", "-inkey", key,      "-in",      made.certificatePem,
                     "-name",  "signer",  "-out",   made.p12, "-passout", "pass:" + password};
    if (authority)
        args << "-certfile" << made.authorityPem;
    runProgram("openssl", args);
    return made;
}

ProcessResult signWithPdfsig(const QString& folder, const TestCertificate& certificate,
                             const QString& password, const QString& in, const QString& out,
                             const QString& userPassword) {
    const QString database = "sql:" + folder + "/nss";
    QDir().mkpath(folder + "/nss");
    runProgram("certutil", {"-N", "-d", database, "--empty-password"});
    runProgram("pk12util", {"-i", certificate.p12, "-d", database, "-W", password});
    QStringList args{"-nssdir", database, "-add-signature", "-nick", "signer"};
    if (!userPassword.isEmpty())
        args << "-upw" << userPassword;
    return runProgram("pdfsig", args + QStringList{in, out});
}

} // namespace sigfix
