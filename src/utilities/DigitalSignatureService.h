#pragma once
// Signs a document with the signer's RSA key from the key store and verifies such a
// signature. The record travels in the document's information entries: Subject
// "Digitally Signed", Keywords the JSON SignatureMetadata. Stateless.
#include "platform/KeyStore.h"
#include "utilities/StandardSignature.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <stdexcept>
#include <vector>

namespace pdf {
class Document;
}

class DigitalSignatureService {
public:
    DigitalSignatureService() = delete;

    static constexpr const char* subjectMarker = "Digitally Signed";
    static constexpr const char* tagPrefix = "com.vellumark.signing.";

    struct SignatureMetadata {
        QString signerName;
        QDateTime signDate;
        QString signatureData; // Base64
        QString documentHash;  // Base64 of the 32-byte SHA-256 digest

        // Compact JSON; the date as seconds since 2001-01-01 00:00:00 UTC.
        QByteArray toJson() const;
        // nullopt unless all four members are present with the right types.
        static std::optional<SignatureMetadata> fromJson(const QByteArray& json);
    };

    struct SignatureVerificationResult {
        bool isSigned = false;
        std::optional<bool> isValid;
        std::optional<QString> signerName;
        std::optional<QDateTime> signDate;
        QString message;
        // Every standard signature the file carries, ours and others', in field order.
        std::vector<StandardSignature::Result> signatures;
    };

    class SignatureError : public std::runtime_error {
    public:
        enum class Kind {
            keyGenerationFailed,
            signingFailed,
            verificationFailed,
            noIdentity,
            dataError
        };

        static SignatureError keyGenerationFailed(const QString& reason);
        static SignatureError signingFailed(const QString& reason);
        static SignatureError verificationFailed(const QString& reason);
        static SignatureError noIdentity();
        static SignatureError dataError();

        Kind kind() const { return kind_; }
        QString description() const { return QString::fromUtf8(what()); }

    private:
        SignatureError(Kind kind, const QString& description);
        Kind kind_;
    };

    struct SignResult {
        QByteArray signedData; // the whole signed PDF
        QByteArray signature;  // the raw RSA signature (256 bytes)
    };

    // Signs `document` in place (its Subject and Keywords change) and returns its new bytes:
    // the record, then a standard signature appended by `identity` (the name's own
    // self-signed identity when none is given), shown on the signer's stamp when `standard`
    // names one. A protected document's copy keeps its encryption and permissions (it opens
    // with the password the document was unlocked with). Throws SignatureError.
    static SignResult signDocument(pdf::Document& document, const QString& signerName,
                                   const KeyStore& keys = KeyStore(),
                                   const SigningIdentity* identity = nullptr,
                                   const StandardSignature::Options& standard = {});

    // The signer's key with its self-signed certificate (CN = the name), both made and kept
    // on first use. Throws SignatureError.
    static SigningIdentity identityFor(const QString& signerName,
                                       const KeyStore& keys = KeyStore());

    // Never throws: damaged or foreign records are reported as results. The record is valid
    // only while our last standard signature, when the file has one, holds and covers it.
    static SignatureVerificationResult verifyDocument(const pdf::Document& document,
                                                      const KeyStore& keys = KeyStore());
    // The same from the file's bytes as they are on disk.
    static SignatureVerificationResult verifyDocument(const pdf::Document& document,
                                                      const QByteArray& fileBytes,
                                                      const KeyStore& keys = KeyStore());

    // A new RSA 2048 key kept under the signer's tag. Throws keyGenerationFailed.
    static KeyStore::PrivateKey generateSigningKeyPair(const QString& label,
                                                       const KeyStore& keys = KeyStore());

    // The public half of the signer's key as PEM (SubjectPublicKeyInfo); empty when the
    // store has no key under that name.
    static QByteArray publicKeyPem(const QString& signerName, const KeyStore& keys = KeyStore());

    // The key store tag of a signer: the UTF-8 bytes of the prefix and the name.
    static QByteArray keyTag(const QString& signerName);

private:
    static KeyStore::PrivateKey getExistingSigningKey(const QString& name, const KeyStore& keys);
};
