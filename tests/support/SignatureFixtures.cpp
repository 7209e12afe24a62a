#include "support/SignatureFixtures.h"

#include "support/PdfFixtures.h"

#include <QDir>
#include <QFile>
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

QString exportPkcs12(const QString& folder, const QString& name, const QString& password,
                     const QStringList& options) {
    const QString path = folder + "/" + name;
    runProgram("openssl",
               QStringList{"pkcs12", "-export", "-out", path, "-passout", "pass:" + password} +
                   options);
    return path;
}

QString datedCertificate(const QString& folder, const QString& keyPem, const QString& commonName,
                         const QString& start, const QString& end) {
    const QString ca = folder + "/ca-" + start;
    QDir().mkpath(ca);
    auto write = [&ca](const QString& name, const QByteArray& text) {
        QFile file(ca + "/" + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    };
    write("ca.cnf", "[ca]\ndefault_ca=d\n[d]\ndatabase=" + (ca + "/index.txt").toUtf8() +
                        "\nnew_certs_dir=" + ca.toUtf8() + "\nserial=" + (ca + "/serial").toUtf8() +
                        "\ndefault_md=sha256\npolicy=p\n[p]\ncommonName=supplied\n");
    write("index.txt", "");
    write("serial", "01\n");
    runProgram("openssl", {"req", "-new", "-key", keyPem, "-subj", "/CN=" + commonName, "-out",
                           ca + "/request.csr"});
    const QString out = ca + "/certificate.pem";
    runProgram("openssl",
               {"ca", "-batch", "-config", ca + "/ca.cnf", "-selfsign", "-keyfile", keyPem, "-in",
                ca + "/request.csr", "-out", out, "-startdate", start, "-enddate", end});
    return out;
}

TimestampAuthority::TimestampAuthority(const QString& folder, const QString& mode) {
    certificate = folder + "/tsa.pem";
    runProgram("openssl",
               {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", folder + "/tsa.key",
                "-out", certificate, "-days", "30", "-subj", "/CN=Test Timestamp Authority",
                "-addext", "extendedKeyUsage=critical,timeStamping"});
    const QString config = folder + "/tsa.cnf";
    QFile file(config);
    if (file.open(QIODevice::WriteOnly))
        file.write("[tsa]\ndefault_tsa=t\n[t]\nserial=" + (folder + "/serial").toUtf8() +
                   "\ncrypto_device=builtin\nsigner_cert=" + certificate.toUtf8() +
                   "\nsigner_key=" + (folder + "/tsa.key").toUtf8() +
                   "\nsigner_digest=sha256\ndefault_policy=1.2.3.4.1\n"
                   "digests=sha256,sha384,sha512\naccuracy=secs:1\nordering=yes\n"
                   "tsa_name=no\ness_cert_id_chain=no\ness_cert_id_alg=sha256\n");
    file.close();
    QFile serial(folder + "/serial");
    if (serial.open(QIODevice::WriteOnly))
        serial.write("01\n");
    serial.close();
    server.start("python3", {VELLUMARK_SOURCE_DIR "/tests/fixtures/tsa_server.py", config, mode});
    if (server.waitForReadyRead(30000))
        url = "http://127.0.0.1:" + QString::fromLatin1(server.readLine().trimmed()) + "/";
}

TimestampAuthority::~TimestampAuthority() {
    server.kill();
    server.waitForFinished();
}

ProcessResult signWithPdfsig(const QString& folder, const TestCertificate& certificate,
                             const QString& password, const QString& in, const QString& out) {
    const QString database = "sql:" + folder + "/nss";
    QDir().mkpath(folder + "/nss");
    runProgram("certutil", {"-N", "-d", database, "--empty-password"});
    runProgram("pk12util", {"-i", certificate.p12, "-d", database, "-W", password});
    return runProgram("pdfsig",
                      {"-nssdir", database, "-add-signature", "-nick", "signer", in, out});
}

} // namespace sigfix
