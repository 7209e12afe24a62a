#pragma once
// Trusted timestamps (RFC 3161): a timestamp authority signs the time together with the
// digest of a signature's value, and the token rides in that signature's CMS as an unsigned
// attribute (PAdES B-T). The token proves the signature existed at that time.
#include <QByteArray>
#include <QDateTime>
#include <QString>

class Timestamp {
public:
    Timestamp() = delete;

    static constexpr int defaultTimeoutMs = 30000;

    // `cmsDer` (a CMS SignedData) with a token from the server at `url` over its first
    // signer's signature value. Waits at most `timeoutMs` for the server. Throws
    // DigitalSignatureService::SignatureError saying what the server did wrong.
    static QByteArray addToken(const QByteArray& cmsDer, const QString& url,
                               int timeoutMs = defaultTimeoutMs);

    struct Check {
        bool present = false; // the signature carries a token
        bool valid = false;   // its signature holds and it stamps this signature's value
        QDateTime time;       // the authority's time, when valid
        QString authority;    // the common name of the token's signer
        bool trusted = false; // the authority chains to one of the trusted authorities
        QString problem;      // why it is not valid, as a phrase
    };
    // The timestamp token of the first signer of `cmsDer`, checked; its authority judged
    // against `authorities` (a folder of hashed certificates, or one file). Never throws.
    static Check check(const QByteArray& cmsDer, const QString& authorities = "/etc/ssl/certs");

    // The parts a token is made of and over, for other tools to check: the token (DER
    // ContentInfo) and the signature value it stamps. Empty when there is none.
    static QByteArray tokenOf(const QByteArray& cmsDer);
    static QByteArray signatureValueOf(const QByteArray& cmsDer);
};
