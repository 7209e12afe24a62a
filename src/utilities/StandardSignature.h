#pragma once
// Standard PDF signatures, which every reader checks: PAdES baseline B-B signatures
// (ETSI.CAdES.detached, a CMS SignedData over the byte range) appended as an incremental
// update, and the check of every signature a PDF carries, whoever made it.
#include "pdf/signatures/SignatureFields.h"
#include "utilities/SigningIdentity.h"

#include <QByteArray>
#include <QDateTime>
#include <QRectF>
#include <QString>

#include <vector>

namespace pdf {
class Document;
}

// How a standard signature is made beyond its identity.
struct StandardSignatureOptions {
    QDateTime when = QDateTime::currentDateTimeUtc();
    // Information entries set in the same update (the signature record).
    std::vector<std::pair<QByteArray, QString>> info;
    // A visible signature (signer, date, reason, location) goes below the signer's drawn
    // stamp when one was placed, else at the lower left of page `visiblePage`; without
    // either the signature is invisible.
    int stampPage = -1;
    QRectF stampRect; // PDF user space
    int visiblePage = -1;
    // Opens protected bytes; the signature is appended under their own protection.
    QByteArray password;
    // Why and where, for the signature dictionary and the visible signature; may be empty.
    QString reason;
    QString location;
    // A timestamp authority (http://...) whose token the signature carries; none when empty.
    QString timestampServer;
    int timestampTimeoutMs = 30000; // the longest wait for its answer
};

class StandardSignature {
public:
    StandardSignature() = delete;

    // Written into every signature we make, so that ours can be told from others'.
    static constexpr const char* application = "Brivel PDF";

    using Options = StandardSignatureOptions;

    // `pdfBytes` with a signature by `identity` appended; the bytes before it are kept as
    // they were. Throws DigitalSignatureService::SignatureError.
    static QByteArray sign(const QByteArray& pdfBytes, const SigningIdentity& identity,
                           const QString& signerName, const Options& options = {});

    // Unsupported: nothing can be said here, a kind of signature this program does not
    // check or a certificate chain that cannot be followed (the reason says which).
    enum class Integrity { Valid, Broken, Unsupported };
    enum class Trust { Trusted, SelfSigned, Unknown };
    using Change = pdf::SignatureField::Change;

    struct Result {
        QString fieldName;
        QString signer;        // the certificate subject's common name
        QDateTime signingTime; // invalid when the signature states none
        Integrity integrity = Integrity::Broken;
        Change change = Change::None;
        Trust trust = Trust::Unknown;
        QString trustDetail; // why it is not trusted, in the verifier's words
        QString reason;      // why it is broken or cannot be verified, as a phrase
        // The time a timestamp authority vouches for (invalid without a sound timestamp),
        // and that authority's name.
        QDateTime timestampTime;
        QString timestampAuthority;
        bool timestampTrusted = false; // the authority chains to a trusted one
        bool ours = false;             // made by this program

        bool isGood() const { return integrity == Integrity::Valid && change == Change::None; }
        // "Signed by Ada on 7 Dec 2026 10:00: valid, not changed since; self-signed", with
        // the reason in brackets after a verdict that is not "valid". A timestamped
        // signature shows the authority's time: "on 7 Dec 2026 10:00 (timestamp by TSA)",
        // "(timestamp by TSA, an authority not trusted here)".
        QString summary() const;
        // The bar's words: "valid, not changed since" / "changed after signing" / ...
        QString state() const;
    };

    // Every signature of the file, in the order of its form fields. `authorities` is a
    // folder of hashed CA certificates. Never throws.
    // A protected file is read with `password`.
    static std::vector<Result> verify(const QByteArray& pdfBytes,
                                      const QString& authorities = "/etc/ssl/certs",
                                      const QByteArray& password = {});
    // The signatures of the file `document` was read from, opened as the document was.
    static std::vector<Result> verify(const pdf::Document& document);
};
