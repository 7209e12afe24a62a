#pragma once
// Fixtures for the signature tests: a small text PDF, a drawn signature image, and a
// way to run a program with extra environment (the command-line tool with its own key store).
#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace sigfix {

// A US Letter PDF with one page per entry, each showing its text (Latin-1).
QByteArray letterPdf(const QStringList& pageTexts = {"Hello signatures"});

// A transparent image with a black scribble, as the signature pad delivers it.
QImage scribble(int width = 300, int height = 120);

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs a program to completion; extra environment entries as "NAME=value".
ProcessResult runProgram(const QString& program, const QStringList& args,
                         const QStringList& environment = {});

// A key and certificate made with the openssl command in `folder`, and a PKCS #12 file of
// both (friendly name "signer") locked with `password`. With `authority`, the certificate
// is issued by a test authority made beside it (authorityPem), which the PKCS #12 carries.
struct TestCertificate {
    QString p12;
    QString certificatePem;
    QString authorityPem; // empty unless made with an authority
};
TestCertificate makeCertificate(const QString& folder, const QString& commonName,
                                const QString& password, bool authority = false);

// `openssl pkcs12 -export` into `folder`/`name` with `password` and further options (the
// key and certificates to take, "-legacy", "-nokeys"...). Returns the file's path.
QString exportPkcs12(const QString& folder, const QString& name, const QString& password,
                     const QStringList& options);

// A self-signed certificate (PEM) for the key `keyPem`, valid only from `start` to `end`
// (YYYYMMDDHHMMSSZ), made with `openssl ca` in a folder of its own under `folder`.
QString datedCertificate(const QString& folder, const QString& keyPem, const QString& commonName,
                         const QString& start, const QString& end);

// Signs `in` into `out` with poppler's pdfsig, from an NSS database made in `folder` with
// certutil and holding `certificate`. Returns pdfsig's run.
ProcessResult signWithPdfsig(const QString& folder, const TestCertificate& certificate,
                             const QString& password, const QString& in, const QString& out);

// A timestamp authority on 127.0.0.1 for as long as it lives: `openssl ts -reply` behind a
// small HTTP responder (tests/fixtures/tsa_server.py), with a certificate made in `folder`.
// `mode` "sign" answers, "garbage" answers nonsense, "silent" never answers.
class TimestampAuthority {
public:
    TimestampAuthority(const QString& folder, const QString& mode);
    ~TimestampAuthority();
    TimestampAuthority(const TimestampAuthority&) = delete;
    TimestampAuthority& operator=(const TimestampAuthority&) = delete;

    QString url; // empty when it did not start
    QString certificate;

private:
    QProcess server;
};

} // namespace sigfix
