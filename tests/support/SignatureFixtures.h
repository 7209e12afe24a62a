#pragma once
// Fixtures for the signature tests: a small text PDF, a drawn signature image, and a
// way to run a program with extra environment (the command-line tool with its own key store).
#include <QByteArray>
#include <QImage>
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

// Signs `in` into `out` with poppler's pdfsig, from an NSS database made in `folder` with
// certutil and holding `certificate`; a protected `in` opens with `userPassword`. Returns
// pdfsig's run.
ProcessResult signWithPdfsig(const QString& folder, const TestCertificate& certificate,
                             const QString& password, const QString& in, const QString& out,
                             const QString& userPassword = {});

} // namespace sigfix
