#pragma once
// A key with its X.509 certificate (and the chain up to its authority): what a standard
// PDF signature is made with. Either the self-signed certificate each signer's name gets
// for its key, or one imported from a PKCS#12 file. Both live in the key store: the key as
// a key, the certificates beside it.
#include "platform/KeyStore.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

struct x509_st; // OpenSSL's X509, kept out of this header on purpose

class SigningIdentity {
public:
    using Certificate = std::shared_ptr<x509_st>;
    static constexpr const char* importedTagPrefix = "com.vellumark.identity.";

    KeyStore::PrivateKey key;
    Certificate certificate;
    std::vector<Certificate> chain; // authorities above the certificate, nearest first
    QString label;                  // how the sheet lists it

    bool isComplete() const { return key && certificate; }
    // The certificate subject's common name, or its whole subject when it has none.
    QString subjectName() const;
    bool isSelfSigned() const;
    // Throws DigitalSignatureService::SignatureError when the certificate has expired or is
    // not valid yet at `when`.
    void checkValidity(const QDateTime& when) const;

    // A certificate for `key` signed by itself: CN = name, SHA-256, valid ten years.
    // Throws DigitalSignatureService::SignatureError.
    static Certificate makeSelfSigned(const KeyStore::PrivateKey& key, const QString& name);
    static QByteArray toPem(const std::vector<Certificate>& certificates);
    static std::vector<Certificate> fromPem(const QByteArray& pem);
    // Whether `certificate` carries the public half of `key`.
    static bool matches(const Certificate& certificate, const KeyStore::PrivateKey& key);
    static QString commonName(x509_st* certificate);

    // Reads a PKCS#12 file (.p12/.pfx). The password is used for this call only. Throws
    // DigitalSignatureService::SignatureError with a sentence a person can act on.
    // Files exported with the older RC2-40 or 3DES encryption are read too.
    static SigningIdentity readPkcs12(const QString& path, const QString& password);
    // Keeps an identity in the store under its subject name; returns the identity as
    // stored (with its label). Throws DigitalSignatureService::SignatureError.
    static SigningIdentity importIdentity(const SigningIdentity& identity, const KeyStore& keys);
    // Every identity imported into the store, by label.
    static std::vector<SigningIdentity> importedIdentities(const KeyStore& keys);
};
