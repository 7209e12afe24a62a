#include "utilities/DigitalSignatureService.h"

#include "models/Base64.h"
#include "models/LocaleFormat.h"
#include "models/ReferenceDate.h"
#include "pdf/document/Document.h"
#include "pdf/document/DocumentSource.h"
#include "pdf/engine/Error.h"
#include "pdf/signatures/SignatureFields.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;

// The reason OpenSSL gave for the last failure, or `fallback` when it gave none.
QString openSslReason(const QString& fallback) {
    const unsigned long code = ERR_peek_last_error();
    QString reason = fallback;
    if (code != 0) {
        char buffer[256] = {};
        ERR_error_string_n(code, buffer, sizeof buffer);
        reason = QString::fromLatin1(buffer);
    }
    ERR_clear_error();
    return reason;
}

// RSASSA-PKCS1-v1_5 with SHA-256 over `message` (hashed inside).
std::optional<QByteArray> signMessage(EVP_PKEY* key, const QByteArray& message, QString* reason) {
    MdCtx ctx(EVP_MD_CTX_new());
    size_t length = 0;
    EVP_PKEY_CTX* pctx = nullptr;
    if (!ctx || EVP_DigestSignInit(ctx.get(), &pctx, EVP_sha256(), nullptr, key) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(pctx, RSA_PKCS1_PADDING) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &length,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       size_t(message.size())) != 1) {
        *reason = openSslReason("Unknown");
        return std::nullopt;
    }
    QByteArray signature(qsizetype(length), Qt::Uninitialized);
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       size_t(message.size())) != 1) {
        *reason = openSslReason("Unknown");
        return std::nullopt;
    }
    signature.resize(qsizetype(length));
    return signature;
}

bool verifyMessage(EVP_PKEY* key, const QByteArray& message, const QByteArray& signature) {
    MdCtx ctx(EVP_MD_CTX_new());
    EVP_PKEY_CTX* pctx = nullptr;
    const bool ok =
        ctx && EVP_DigestVerifyInit(ctx.get(), &pctx, EVP_sha256(), nullptr, key) == 1 &&
        EVP_PKEY_CTX_set_rsa_padding(pctx, RSA_PKCS1_PADDING) == 1 &&
        EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                         size_t(signature.size()),
                         reinterpret_cast<const unsigned char*>(message.constData()),
                         size_t(message.size())) == 1;
    ERR_clear_error();
    return ok;
}

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

} // namespace

// ---- errors

DigitalSignatureService::SignatureError::SignatureError(Kind kind, const QString& description)
    : std::runtime_error(description.toStdString()), kind_(kind) {}

DigitalSignatureService::SignatureError
DigitalSignatureService::SignatureError::keyGenerationFailed(const QString& reason) {
    return SignatureError(Kind::keyGenerationFailed, "Key generation failed: " + reason);
}
DigitalSignatureService::SignatureError
DigitalSignatureService::SignatureError::signingFailed(const QString& reason) {
    return SignatureError(Kind::signingFailed, "Signing failed: " + reason);
}
DigitalSignatureService::SignatureError
DigitalSignatureService::SignatureError::verificationFailed(const QString& reason) {
    return SignatureError(Kind::verificationFailed, "Verification failed: " + reason);
}
DigitalSignatureService::SignatureError DigitalSignatureService::SignatureError::noIdentity() {
    return SignatureError(Kind::noIdentity, "No signing identity available");
}
DigitalSignatureService::SignatureError DigitalSignatureService::SignatureError::dataError() {
    return SignatureError(Kind::dataError, "Failed to process document data");
}

// ---- record

QByteArray DigitalSignatureService::SignatureMetadata::toJson() const {
    QJsonObject object;
    object.insert("signerName", signerName);
    object.insert("signDate", ReferenceDate::secondsFrom(signDate));
    object.insert("signatureData", signatureData);
    object.insert("documentHash", documentHash);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<DigitalSignatureService::SignatureMetadata>
DigitalSignatureService::SignatureMetadata::fromJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue name = object.value("signerName");
    const QJsonValue date = object.value("signDate");
    const QJsonValue signature = object.value("signatureData");
    const QJsonValue hash = object.value("documentHash");
    if (!name.isString() || !date.isDouble() || !signature.isString() || !hash.isString())
        return std::nullopt;
    const std::optional<QDateTime> signDate = ReferenceDate::dateFrom(date.toDouble());
    if (!signDate)
        return std::nullopt;
    return SignatureMetadata{name.toString(), *signDate, signature.toString(), hash.toString()};
}

QByteArray DigitalSignatureService::keyTag(const QString& signerName) {
    return QByteArray(tagPrefix) + signerName.toUtf8();
}

// ---- keys

KeyStore::PrivateKey DigitalSignatureService::getExistingSigningKey(const QString& name,
                                                                    const KeyStore& keys) {
    if (!name.isValidUtf16())
        return nullptr;
    return keys.findPrivateKey(keyTag(name));
}

KeyStore::PrivateKey DigitalSignatureService::generateSigningKeyPair(const QString& label,
                                                                     const KeyStore& keys) {
    // Unpaired surrogates would turn into the same UTF-8 as another name and share its key.
    if (!label.isValidUtf16())
        throw SignatureError::keyGenerationFailed("The name is not valid text");
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* raw = nullptr;
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), 2048) != 1 ||
        EVP_PKEY_generate(ctx.get(), &raw) != 1 || !raw)
        throw SignatureError::keyGenerationFailed(openSslReason("Unknown error"));
    KeyStore::PrivateKey key(raw, [](EVP_PKEY* k) { EVP_PKEY_free(k); });

    QString error;
    switch (keys.storePrivateKey(keyTag(label), key, &error)) {
    case KeyStore::StoreResult::Stored:
        return key;
    case KeyStore::StoreResult::AlreadyExists:
        // Another signature under this name got there first: its key is the name's key.
        if (auto existing = getExistingSigningKey(label, keys))
            return existing;
        throw SignatureError::keyGenerationFailed("The stored key cannot be read");
    case KeyStore::StoreResult::Failed:
        break;
    }
    throw SignatureError::keyGenerationFailed(error.isEmpty() ? QString("Unknown error") : error);
}

QByteArray DigitalSignatureService::publicKeyPem(const QString& signerName, const KeyStore& keys) {
    const KeyStore::PrivateKey key = getExistingSigningKey(signerName, keys);
    if (!key)
        return {};
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio)
        return {};
    QByteArray pem;
    if (PEM_write_bio_PUBKEY(bio, key.get()) == 1) {
        char* data = nullptr;
        const long length = BIO_get_mem_data(bio, &data);
        pem = QByteArray(data, qsizetype(length));
    }
    BIO_free(bio);
    ERR_clear_error();
    return pem;
}

// ---- signing and verification

SigningIdentity DigitalSignatureService::identityFor(const QString& signerName,
                                                     const KeyStore& keys) {
    SigningIdentity identity;
    identity.key = getExistingSigningKey(signerName, keys);
    if (!identity.key)
        identity.key = generateSigningKeyPair(signerName, keys);
    const QByteArray tag = keyTag(signerName);
    const auto stored = SigningIdentity::fromPem(keys.findCertificates(tag));
    if (!stored.empty() && SigningIdentity::matches(stored.front(), identity.key)) {
        identity.certificate = stored.front();
    } else {
        identity.certificate = SigningIdentity::makeSelfSigned(identity.key, signerName);
        QString error;
        if (!keys.storeCertificates(tag, SigningIdentity::toPem({identity.certificate}), &error))
            throw SignatureError::signingFailed(error);
    }
    identity.label = signerName;
    return identity;
}

DigitalSignatureService::SignResult
DigitalSignatureService::signDocument(pdf::Document& document, const QString& signerName,
                                      const KeyStore& keys, const SigningIdentity* identity,
                                      const StandardSignature::Options& standard) {
    // A signature is appended to exactly the bytes that were opened, or not at all.
    if (pdf::sourceState(document) == pdf::SourceState::Changed)
        throw SignatureError::signingFailed(
            QStringLiteral("“%1” was changed on disk by another program since it was opened. "
                           "Open it again, then sign")
                .arg(QFileInfo(document.path()).fileName()));
    // A file others signed already is appended to, never rewritten: a rewrite would break
    // their signatures. Changes made since it was opened ride along as an update of their own.
    const QByteArray source = pdf::sourceBytes(document);
    const QByteArray password = pdf::openingPassword(document);
    const bool appendOnly = !StandardSignature::verify(source, "/etc/ssl/certs", password).empty();
    QByteArray original = source;
    if (!appendOnly || pdf::hasUnsavedChanges(document)) {
        try {
            pdf::WriteOptions keep;
            keep.keepProtection = appendOnly;
            original = document.serialize(keep);
        } catch (const pdf::Error& e) {
            throw SignatureError::signingFailed(QString::fromUtf8(e.what())); // says why
        }
    }
    if (original.isEmpty())
        throw SignatureError::dataError();

    KeyStore::PrivateKey key = getExistingSigningKey(signerName, keys);
    if (!key)
        key = generateSigningKeyPair(signerName, keys);

    const QByteArray digest = QCryptographicHash::hash(original, QCryptographicHash::Sha256);
    QString reason;
    const std::optional<QByteArray> signature = signMessage(key.get(), digest, &reason);
    if (!signature)
        throw SignatureError::signingFailed(reason);

    SignatureMetadata metadata{signerName, QDateTime::currentDateTimeUtc(),
                               Base64::encode(*signature), Base64::encode(digest)};
    const QByteArray json = metadata.toJson();

    document.setInfo(pdf::InfoKey::Subject, subjectMarker);
    document.setInfo(pdf::InfoKey::Keywords,
                     isValidUtf8(json) ? QString::fromUtf8(json) : QString());

    const SigningIdentity own = identity ? *identity : identityFor(signerName, keys);
    StandardSignature::Options options = standard;
    options.password = password;
    if (appendOnly) {
        options.info = {{"Subject", subjectMarker},
                        {"Keywords", document.info(pdf::InfoKey::Keywords)}};
        return {StandardSignature::sign(original, own, signerName, options), *signature};
    }
    // A protected document stays protected: the signed copy is encrypted as its file was.
    QByteArray recorded;
    if (document.isEncrypted()) {
        pdf::WriteOptions keep;
        keep.keepProtection = true;
        try {
            recorded = document.serialize(keep);
        } catch (const std::exception&) {
            throw SignatureError::dataError();
        }
    } else {
        recorded = document.dataRepresentation();
    }
    if (recorded.isEmpty())
        throw SignatureError::dataError();
    return {StandardSignature::sign(recorded, own, signerName, options), *signature};
}

DigitalSignatureService::SignatureVerificationResult
DigitalSignatureService::verifyDocument(const pdf::Document& document, const KeyStore& keys) {
    return verifyDocument(document, pdf::sourceBytes(document), keys);
}

DigitalSignatureService::SignatureVerificationResult
DigitalSignatureService::verifyDocument(const pdf::Document& document, const QByteArray& fileBytes,
                                        const KeyStore& keys) {
    SignatureVerificationResult result;
    result.signatures =
        StandardSignature::verify(fileBytes, "/etc/ssl/certs", pdf::openingPassword(document));
    const std::optional<SignatureMetadata> metadata =
        document.info(pdf::InfoKey::Subject) == subjectMarker
            ? SignatureMetadata::fromJson(document.info(pdf::InfoKey::Keywords).toUtf8())
            : std::nullopt;
    if (!metadata && !result.signatures.empty()) {
        // Signed by another program: its signatures speak for the document.
        const auto& all = result.signatures;
        const bool good =
            std::all_of(all.begin(), all.end(), [](const auto& s) { return s.isGood(); });
        result.isSigned = true;
        result.isValid = good;
        result.signerName = all.front().signer;
        if (all.front().signingTime.isValid())
            result.signDate = all.front().signingTime;
        result.message = all.size() == 1 ? all.front().summary()
                         : good          ? QString("%1 signatures, all valid").arg(all.size())
                                         : QString("%1 signatures, not all valid").arg(all.size());
        return result;
    }
    if (!metadata) {
        result.message = "Document is not digitally signed";
        return result;
    }
    result.isSigned = true;
    result.signerName = metadata->signerName;
    result.signDate = metadata->signDate;

    const auto signature = Base64::decodeStrict(metadata->signatureData);
    const auto digest = Base64::decodeStrict(metadata->documentHash);
    if (!signature || !digest) {
        result.isValid = false;
        result.message = "Signature data is corrupted";
        return result;
    }

    const KeyStore::PrivateKey key = getExistingSigningKey(metadata->signerName, keys);
    if (!key) {
        const QString date = LocaleFormat::numericDateTime(metadata->signDate);
        result.message = "Signed by " + metadata->signerName + " on " + date +
                         ". Cannot verify - signing key not found on this machine.";
        return result;
    }

    // Our last standard signature covers the record: the record stands only while it holds
    // and nothing was changed after it.
    const StandardSignature::Result* ours = nullptr;
    for (const auto& s : result.signatures)
        if (s.ours)
            ours = &s;
    const bool covered = !ours || ours->isGood();
    // The private key object carries its public half; the check uses only that half.
    if (covered && verifyMessage(key.get(), *digest, *signature)) {
        result.isValid = true;
        result.message = "Signature is valid. Signed by " + metadata->signerName;
    } else {
        result.isValid = false;
        result.message = "Signature verification failed - document may have been modified";
    }
    return result;
}
