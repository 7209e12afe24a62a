#include "utilities/SigningIdentity.h"

#include "models/LocaleFormat.h"
#include "utilities/DigitalSignatureService.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>

using SignatureError = DigitalSignatureService::SignatureError;

namespace {

SigningIdentity::Certificate adopt(X509* certificate) {
    return SigningIdentity::Certificate(certificate, [](X509* c) { X509_free(c); });
}

KeyStore::PrivateKey adoptKey(EVP_PKEY* key) {
    return KeyStore::PrivateKey(key, [](EVP_PKEY* k) { EVP_PKEY_free(k); });
}

struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
using Bio = std::unique_ptr<BIO, BioFree>;

QString nameText(X509_NAME* name) {
    const int index = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
    if (index >= 0) {
        unsigned char* utf8 = nullptr;
        const int length =
            ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
        if (length >= 0) {
            const QString text = QString::fromUtf8(reinterpret_cast<char*>(utf8), length);
            OPENSSL_free(utf8);
            return text;
        }
    }
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB) < 0)
        return {};
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return QString::fromUtf8(data, qsizetype(length));
}

} // namespace

QString SigningIdentity::commonName(x509_st* certificate) {
    return certificate ? nameText(X509_get_subject_name(certificate)) : QString();
}

QString SigningIdentity::subjectName() const {
    return commonName(certificate.get());
}

bool SigningIdentity::isSelfSigned() const {
    // Issued by its own subject and signed with its own key (key usage aside).
    X509* c = certificate.get();
    const bool self = c && X509_NAME_cmp(X509_get_subject_name(c), X509_get_issuer_name(c)) == 0 &&
                      X509_verify(c, X509_get0_pubkey(c)) == 1;
    ERR_clear_error();
    return self;
}

bool SigningIdentity::matches(const Certificate& certificate, const KeyStore::PrivateKey& key) {
    const bool ok = certificate && key && X509_check_private_key(certificate.get(), key.get()) == 1;
    ERR_clear_error();
    return ok;
}

SigningIdentity::Certificate SigningIdentity::makeSelfSigned(const KeyStore::PrivateKey& key,
                                                             const QString& name) {
    Certificate certificate = adopt(X509_new());
    const QByteArray cn = name.toUtf8();
    unsigned char serial[16];
    bool ok = certificate && RAND_bytes(serial, sizeof serial) == 1;
    serial[0] &= 0x7F; // a positive serial number
    // Valid from an hour back, so a signature dated by a clock a little behind still holds.
    if (ok) {
        X509* x = certificate.get();
        BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
        X509_NAME* subject = X509_get_subject_name(x);
        ok = bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(x)) && X509_set_version(x, 2) &&
             X509_gmtime_adj(X509_getm_notBefore(x), -3600) &&
             X509_gmtime_adj(X509_getm_notAfter(x), 60L * 60 * 24 * 3653) &&
             X509_NAME_add_entry_by_NID(subject, NID_commonName, MBSTRING_UTF8,
                                        reinterpret_cast<const unsigned char*>(cn.constData()),
                                        int(cn.size()), -1, 0) &&
             X509_set_issuer_name(x, subject) && X509_set_pubkey(x, key.get());
        BN_free(bn);
        // Marked for signing documents, so readers do not take it for an authority.
        X509V3_CTX ctx;
        X509V3_set_ctx_nodb(&ctx);
        X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
        for (const auto& [nid, value] :
             {std::pair{NID_basic_constraints, "critical,CA:FALSE"},
              std::pair{NID_key_usage, "critical,digitalSignature,nonRepudiation"},
              std::pair{NID_subject_key_identifier, "hash"}}) {
            X509_EXTENSION* ext = ok ? X509V3_EXT_conf_nid(nullptr, &ctx, nid, value) : nullptr;
            ok = ext && X509_add_ext(x, ext, -1);
            X509_EXTENSION_free(ext);
        }
        ok = ok && X509_sign(x, key.get(), EVP_sha256()) > 0;
    }
    if (!ok) {
        ERR_clear_error();
        throw SignatureError::signingFailed("The certificate for " + name + " cannot be made");
    }
    return certificate;
}

QByteArray SigningIdentity::toPem(const std::vector<Certificate>& certificates) {
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio)
        return {};
    for (const Certificate& c : certificates)
        if (c && PEM_write_bio_X509(bio.get(), c.get()) != 1)
            return {};
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, qsizetype(length));
}

std::vector<SigningIdentity::Certificate> SigningIdentity::fromPem(const QByteArray& pem) {
    std::vector<Certificate> certificates;
    Bio bio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    while (bio) {
        X509* x = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
        if (!x)
            break;
        certificates.push_back(adopt(x));
    }
    ERR_clear_error();
    return certificates;
}

namespace {

// Files exported for older systems encrypt with RC2-40 or 3DES, which OpenSSL 3 keeps in
// its legacy provider. Loading it into the default context would stop the default one
// from loading by itself, so both are loaded, once, and kept for the process.
bool loadLegacyProvider() {
    static const bool loaded = [] {
        OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER* fallback = legacy ? OSSL_PROVIDER_load(nullptr, "default") : nullptr;
        ERR_clear_error();
        return legacy && fallback;
    }();
    return loaded;
}

// Whether the last failure was an algorithm the loaded providers do not offer.
bool unsupportedAlgorithm() {
    for (unsigned long code = ERR_get_error(); code != 0; code = ERR_get_error())
        if (ERR_GET_REASON(code) == ERR_R_UNSUPPORTED ||
            ERR_GET_REASON(code) == EVP_R_UNSUPPORTED_ALGORITHM)
            return true;
    return false;
}

struct Pkcs12Parts {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509) * ca = nullptr;
};

bool parsePkcs12(PKCS12* p12, const QByteArray& secret, Pkcs12Parts* parts) {
    if (PKCS12_parse(p12, secret.constData(), &parts->key, &parts->cert, &parts->ca) == 1)
        return true;
    const bool retry = unsupportedAlgorithm() && loadLegacyProvider();
    return retry &&
           PKCS12_parse(p12, secret.constData(), &parts->key, &parts->cert, &parts->ca) == 1;
}

} // namespace

SigningIdentity SigningIdentity::readPkcs12(const QString& path, const QString& password) {
    const QString fileName = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SignatureError::signingFailed("Cannot read " + path + ": " + file.errorString());
    const QByteArray bytes = file.readAll();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    std::unique_ptr<PKCS12, void (*)(PKCS12*)> p12(d2i_PKCS12(nullptr, &p, long(bytes.size())),
                                                   PKCS12_free);
    if (!p12) {
        ERR_clear_error();
        throw SignatureError::signingFailed(fileName + " is not a PKCS #12 certificate file");
    }
    QByteArray secret = password.toUtf8();
    const bool macOk =
        PKCS12_mac_present(p12.get())
            ? PKCS12_verify_mac(p12.get(), secret.constData(), int(secret.size())) == 1
            : true;
    Pkcs12Parts parts;
    const bool parsed = macOk && parsePkcs12(p12.get(), secret, &parts);
    OPENSSL_cleanse(secret.data(), size_t(secret.size()));
    ERR_clear_error();
    if (!macOk)
        throw SignatureError::signingFailed("The password for " + fileName + " is wrong");
    SigningIdentity identity;
    identity.key = parts.key ? adoptKey(parts.key) : nullptr;
    identity.certificate = parts.cert ? adopt(parts.cert) : nullptr;
    for (int i = 0; parts.ca && i < sk_X509_num(parts.ca); ++i) {
        X509* c = sk_X509_value(parts.ca, i);
        X509_up_ref(c);
        identity.chain.push_back(adopt(c));
    }
    sk_X509_pop_free(parts.ca, X509_free);
    if (!parsed)
        throw SignatureError::signingFailed(
            fileName + " cannot be opened with this password, or is encrypted in a way "
                       "this program does not know");
    // Without a matching certificate, the parser leaves every certificate among the others.
    if (!identity.key)
        throw SignatureError::signingFailed(fileName + " holds a certificate but no private key");
    if (!identity.certificate && identity.chain.empty())
        throw SignatureError::signingFailed(fileName + " holds a private key but no certificate");
    if (!identity.certificate || !matches(identity.certificate, identity.key))
        throw SignatureError::signingFailed("The private key in " + fileName +
                                            " does not belong to its certificate");
    identity.checkValidity(QDateTime::currentDateTimeUtc());
    identity.label = identity.subjectName();
    return identity;
}

void SigningIdentity::checkValidity(const QDateTime& when) const {
    if (!certificate)
        throw SignatureError::noIdentity();
    auto moment = [](const ASN1_TIME* time) {
        std::tm tm{};
        return ASN1_TIME_to_tm(time, &tm) == 1
                   ? QDateTime::fromSecsSinceEpoch(qint64(timegm(&tm)), Qt::UTC)
                   : QDateTime();
    };
    const QDateTime from = moment(X509_get0_notBefore(certificate.get()));
    const QDateTime until = moment(X509_get0_notAfter(certificate.get()));
    const QString who = subjectName();
    if (until.isValid() && when > until)
        throw SignatureError::signingFailed("The certificate of " + who + " expired on " +
                                            LocaleFormat::numericDateTime(until.toLocalTime()));
    if (from.isValid() && when < from)
        throw SignatureError::signingFailed("The certificate of " + who + " is valid only from " +
                                            LocaleFormat::numericDateTime(from.toLocalTime()));
}

SigningIdentity SigningIdentity::importIdentity(const SigningIdentity& identity,
                                                const KeyStore& keys) {
    if (!identity.isComplete())
        throw SignatureError::noIdentity();
    SigningIdentity stored = identity;
    stored.label = identity.subjectName();
    if (stored.label.isEmpty())
        stored.label = "Imported identity";
    const QByteArray tag = importedTagPrefix + stored.label.toUtf8();
    QString error;
    switch (keys.storePrivateKey(tag, identity.key, &error)) {
    case KeyStore::StoreResult::Stored:
        break;
    case KeyStore::StoreResult::AlreadyExists:
        // The same key again (a renewed certificate) is welcome; another key is not.
        if (!matches(identity.certificate, keys.findPrivateKey(tag)))
            throw SignatureError::signingFailed("An identity named " + stored.label +
                                                " with another key is already kept");
        break;
    case KeyStore::StoreResult::Failed:
        throw SignatureError::signingFailed(error);
    }
    std::vector<Certificate> all{identity.certificate};
    all.insert(all.end(), identity.chain.begin(), identity.chain.end());
    if (!keys.storeCertificates(tag, toPem(all), &error))
        throw SignatureError::signingFailed(error);
    return stored;
}

std::vector<SigningIdentity> SigningIdentity::importedIdentities(const KeyStore& keys) {
    std::vector<SigningIdentity> result;
    const QByteArray prefix(importedTagPrefix);
    for (const QByteArray& tag : keys.tags()) {
        if (!tag.startsWith(prefix))
            continue;
        SigningIdentity identity;
        identity.key = keys.findPrivateKey(tag);
        std::vector<Certificate> all = fromPem(keys.findCertificates(tag));
        if (!identity.key || all.empty() || !matches(all.front(), identity.key))
            continue;
        identity.certificate = all.front();
        identity.chain.assign(all.begin() + 1, all.end());
        identity.label = QString::fromUtf8(tag.mid(prefix.size()));
        result.push_back(std::move(identity));
    }
    return result;
}
