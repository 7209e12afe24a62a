#include "utilities/StandardSignature.h"

#include "models/LocaleFormat.h"
#include "pdf/document/DocumentSource.h"
#include "pdf/engine/Error.h"
#include "utilities/DigitalSignatureService.h"
#include "utilities/Timestamp.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/ess.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <ctime>
#include <memory>

using SignatureError = DigitalSignatureService::SignatureError;

namespace {

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Cms = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using Store = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtx = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
void freeCertStack(STACK_OF(X509) * s) {
    sk_X509_pop_free(s, X509_free);
}
using CertStack = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), freeCertStack>>;

QString openSslReason() {
    const unsigned long code = ERR_peek_last_error();
    char buffer[256] = {};
    if (code != 0)
        ERR_error_string_n(code, buffer, sizeof buffer);
    ERR_clear_error();
    return code ? QString::fromLatin1(buffer) : QString("Unknown");
}

Bio memoryOf(const QByteArray& bytes) {
    return Bio(BIO_new_mem_buf(bytes.constData(), int(bytes.size())));
}

// CMS SignedData, detached, SHA-256, with the signer's certificate and chain, the
// signing-certificate-v2 attribute (CAdES) and the signing time.
QByteArray makeCms(const QByteArray& content, const SigningIdentity& identity) {
    const unsigned int flags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | CMS_NOSMIMECAP;
    Cms cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, flags));
    if (!cms)
        return {};
    CMS_SignerInfo* signer = CMS_add1_signer(cms.get(), identity.certificate.get(),
                                             identity.key.get(), EVP_sha256(), flags);
    if (!signer)
        return {};
    for (const SigningIdentity::Certificate& c : identity.chain)
        if (!CMS_add1_cert(cms.get(), c.get()))
            return {};
    ESS_SIGNING_CERT_V2* sc =
        OSSL_ESS_signing_cert_v2_new_init(EVP_sha256(), identity.certificate.get(), nullptr, 0);
    // The attribute's value is the DER of the structure, as OpenSSL's own signers add it.
    unsigned char* attribute = nullptr;
    const int derLength = sc ? i2d_ESS_SIGNING_CERT_V2(sc, &attribute) : -1;
    ASN1_STRING* sequence = derLength > 0 ? ASN1_STRING_new() : nullptr;
    const bool attributed =
        sequence && ASN1_STRING_set(sequence, attribute, derLength) == 1 &&
        CMS_signed_add1_attr_by_NID(signer, NID_id_smime_aa_signingCertificateV2, V_ASN1_SEQUENCE,
                                    sequence, -1) == 1;
    ASN1_STRING_free(sequence);
    OPENSSL_free(attribute);
    ESS_SIGNING_CERT_V2_free(sc);
    Bio data = memoryOf(content);
    if (!attributed || !data || CMS_final(cms.get(), data.get(), nullptr, flags) != 1)
        return {};
    const int length = i2d_CMS_ContentInfo(cms.get(), nullptr);
    if (length <= 0)
        return {};
    QByteArray der(length, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(der.data());
    i2d_CMS_ContentInfo(cms.get(), &out);
    return der;
}

// The certificate the first signer info names, from the certificates the CMS carries.
X509* signerCertificate(CMS_ContentInfo* cms, STACK_OF(X509) * certs) {
    STACK_OF(CMS_SignerInfo)* infos = CMS_get0_SignerInfos(cms);
    if (!infos || sk_CMS_SignerInfo_num(infos) < 1)
        return nullptr;
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(infos, 0);
    for (int i = 0; certs && i < sk_X509_num(certs); ++i)
        if (CMS_SignerInfo_cert_cmp(si, sk_X509_value(certs, i)) == 0)
            return sk_X509_value(certs, i);
    return nullptr;
}

QDateTime cmsSigningTime(CMS_ContentInfo* cms) {
    STACK_OF(CMS_SignerInfo)* infos = CMS_get0_SignerInfos(cms);
    if (!infos || sk_CMS_SignerInfo_num(infos) < 1)
        return {};
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(infos, 0);
    const int index = CMS_signed_get_attr_by_NID(si, NID_pkcs9_signingTime, -1);
    if (index < 0)
        return {};
    ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(CMS_signed_get_attr(si, index), 0);
    if (!value || (value->type != V_ASN1_UTCTIME && value->type != V_ASN1_GENERALIZEDTIME))
        return {};
    std::tm tm{};
    if (ASN1_TIME_to_tm(reinterpret_cast<ASN1_TIME*>(value->value.asn1_string), &tm) != 1)
        return {};
    return QDateTime::fromSecsSinceEpoch(qint64(timegm(&tm)), Qt::UTC);
}

void judgeTrust(X509* signer, STACK_OF(X509) * certs, const QString& authorities,
                StandardSignature::Result& result) {
    Store store(X509_STORE_new());
    StoreCtx ctx(X509_STORE_CTX_new());
    if (!store || !ctx)
        return;
    const QByteArray folder = QFileInfo(authorities).absoluteFilePath().toLocal8Bit();
    if (QFileInfo(authorities).isDir())
        X509_STORE_load_path(store.get(), folder.constData());
    else
        X509_STORE_load_file(store.get(), folder.constData());
    ERR_clear_error();
    if (X509_STORE_CTX_init(ctx.get(), store.get(), signer, certs) != 1)
        return;
    if (X509_verify_cert(ctx.get()) == 1) {
        result.trust = StandardSignature::Trust::Trusted;
    } else {
        const int error = X509_STORE_CTX_get_error(ctx.get());
        // A root the signature carries itself is an authority nobody here knows.
        result.trust = error == X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT
                           ? StandardSignature::Trust::SelfSigned
                           : StandardSignature::Trust::Unknown;
        result.trustDetail = QString::fromLatin1(X509_verify_cert_error_string(error));
    }
    ERR_clear_error();
}

// Whether following issuers from `signer` among `certs` comes back to a certificate already
// passed. A self-issued certificate ends the walk, as a root does.
bool chainLoops(X509* signer, STACK_OF(X509) * certs) {
    std::vector<X509*> path{signer};
    X509* current = signer;
    for (int step = 0; step < 32; ++step) {
        if (X509_check_issued(current, current) == X509_V_OK)
            return false;
        X509* issuer = nullptr;
        for (int i = 0; !issuer && certs && i < sk_X509_num(certs); ++i) {
            X509* candidate = sk_X509_value(certs, i);
            if (X509_cmp(candidate, current) != 0 &&
                X509_check_issued(candidate, current) == X509_V_OK)
                issuer = candidate;
        }
        if (!issuer)
            return false;
        for (X509* passed : path)
            if (X509_cmp(passed, issuer) == 0)
                return true;
        path.push_back(issuer);
        current = issuer;
    }
    return true; // longer than any chain an authority issues
}

// The signed bytes of a sound byte range.
QByteArray rangeBytes(const QByteArray& file, const pdf::SignatureField& field) {
    QByteArray bytes;
    for (const auto& [offset, length] : field.byteRange)
        bytes += file.mid(offset, length);
    return bytes;
}

} // namespace

QByteArray StandardSignature::sign(const QByteArray& pdfBytes, const SigningIdentity& identity,
                                   const QString& signerName, const Options& options) {
    if (!identity.isComplete())
        throw SignatureError::noIdentity();
    identity.checkValidity(options.when);
    qsizetype certificateBytes = i2d_X509(identity.certificate.get(), nullptr);
    for (const auto& c : identity.chain)
        certificateBytes += i2d_X509(c.get(), nullptr);

    pdf::SignatureFieldRequest request;
    request.signerName = signerName;
    request.application = application;
    request.signingTime = options.when;
    request.stampPage = options.stampPage;
    request.stampRect = options.stampRect;
    request.visiblePage = options.visiblePage;
    request.reason = options.reason;
    request.location = options.location;
    // A timestamp token carries the authority's certificates too.
    request.contentsCapacity =
        8192 + certificateBytes + (options.timestampServer.isEmpty() ? 0 : 16384);
    request.info = options.info;
    request.password = options.password;
    try {
        pdf::PreparedSignature prepared = pdf::prepareSignatureField(pdfBytes, request);
        QByteArray cms = makeCms(prepared.signedBytes(), identity);
        if (cms.isEmpty())
            throw SignatureError::signingFailed(openSslReason());
        if (!options.timestampServer.isEmpty())
            cms = Timestamp::addToken(cms, options.timestampServer, options.timestampTimeoutMs);
        pdf::fillSignatureHole(prepared, cms);
        return prepared.data;
    } catch (const pdf::Error& error) {
        throw SignatureError::signingFailed(QString::fromUtf8(error.what()));
    }
}

std::vector<StandardSignature::Result> StandardSignature::verify(const pdf::Document& document) {
    // Most documents carry no signature; they are not copied to find that out.
    if (!pdf::sourceContains(document, "/ByteRange"))
        return {};
    return verify(pdf::sourceBytes(document), "/etc/ssl/certs", pdf::openingPassword(document));
}

std::vector<StandardSignature::Result> StandardSignature::verify(const QByteArray& pdfBytes,
                                                                 const QString& authorities,
                                                                 const QByteArray& password) {
    std::vector<Result> results;
    // Most documents carry no signature; spare them a second parse.
    if (!pdfBytes.contains("/ByteRange"))
        return results;
    for (const pdf::SignatureField& field : pdf::readSignatureFields(pdfBytes, password)) {
        Result result;
        result.fieldName = field.fieldName;
        result.change = field.changeAfterSigning;
        result.signingTime = field.signingTime;
        result.signer = field.signerName;
        result.ours = field.application == application;

        const auto* p = reinterpret_cast<const unsigned char*>(field.contents.constData());
        Cms cms(d2i_CMS_ContentInfo(nullptr, &p, long(field.contents.size())));
        CertStack certs(cms ? CMS_get1_certs(cms.get()) : nullptr);
        X509* signer = cms ? signerCertificate(cms.get(), certs.get()) : nullptr;
        if (signer)
            result.signer = SigningIdentity::commonName(signer);
        if (cms) {
            const QDateTime claimed = cmsSigningTime(cms.get());
            if (claimed.isValid())
                result.signingTime = claimed;
        }

        const unsigned int flags = CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY;
        if (!field.byteRangeSound || !cms || !signer) {
            result.integrity = Integrity::Broken;
            result.reason = !field.byteRangeSound ? field.byteRangeProblem
                            : !cms ? QString("its signature data is not a CMS signature")
                                   : QString("its signature names no certificate it carries");
        } else if (field.subFilter == "adbe.pkcs7.sha1") {
            // The signed content is the SHA-1 of the byte range, carried inside the CMS.
            Bio out(BIO_new(BIO_s_mem()));
            const bool verified =
                out && CMS_verify(cms.get(), nullptr, nullptr, nullptr, out.get(), flags) == 1;
            char* data = nullptr;
            const long length = out ? BIO_get_mem_data(out.get(), &data) : 0;
            const QByteArray digest =
                QCryptographicHash::hash(rangeBytes(pdfBytes, field), QCryptographicHash::Sha1);
            result.integrity = verified && QByteArray(data, qsizetype(length)) == digest
                                   ? Integrity::Valid
                                   : Integrity::Broken;
        } else if (field.subFilter == "adbe.pkcs7.detached" ||
                   field.subFilter == "ETSI.CAdES.detached") {
            const QByteArray content = rangeBytes(pdfBytes, field);
            Bio data = memoryOf(content);
            result.integrity =
                data && CMS_verify(cms.get(), nullptr, nullptr, data.get(), nullptr, flags) == 1
                    ? Integrity::Valid
                    : Integrity::Broken;
        } else {
            result.integrity = Integrity::Unsupported;
        }
        ERR_clear_error();
        if (result.integrity == Integrity::Broken && result.reason.isEmpty())
            result.reason = "the signed bytes do not match its signature";
        if (result.integrity == Integrity::Valid) {
            const Timestamp::Check stamp = Timestamp::check(field.contents, authorities);
            if (stamp.valid) {
                result.timestampTime = stamp.time;
                result.timestampAuthority = stamp.authority;
                result.timestampTrusted = stamp.trusted;
            } else if (stamp.present) {
                result.integrity = Integrity::Broken;
                result.reason = stamp.problem;
            }
        }
        // A chain that leads back into itself proves nothing, whatever the signature says.
        if (signer && result.integrity == Integrity::Valid && chainLoops(signer, certs.get())) {
            result.integrity = Integrity::Unsupported;
            result.reason = "its certificate chain loops";
        }
        if (signer)
            judgeTrust(signer, certs.get(), authorities, result);
        results.push_back(std::move(result));
    }
    return results;
}

QString StandardSignature::Result::state() const {
    if (integrity == Integrity::Unsupported)
        return reason.isEmpty() ? "signature of a kind this program cannot check" : "cannot verify";
    if (integrity == Integrity::Broken)
        return "signature broken";
    switch (change) {
    case Change::None:
        return "valid, not changed since";
    case Change::FormsOrAnnotations:
        return "valid, changed after signing (form filling or annotations only)";
    case Change::Content:
        break;
    }
    return "valid, changed after signing (content changed)";
}

QString StandardSignature::Result::summary() const {
    QString line = "Signed by " + (signer.isEmpty() ? QString("an unnamed signer") : signer);
    if (timestampTime.isValid())
        line +=
            " on " + LocaleFormat::numericDateTime(timestampTime.toLocalTime()) +
            " (timestamp by " +
            (timestampAuthority.isEmpty() ? QString("an unnamed authority") : timestampAuthority) +
            (timestampTrusted ? ")" : ", an authority not trusted here)");
    else if (signingTime.isValid())
        line += " on " + LocaleFormat::numericDateTime(signingTime.toLocalTime());
    line += ": " + state();
    if (integrity != Integrity::Valid && !reason.isEmpty())
        line += " (" + reason + ")";
    switch (trust) {
    case Trust::Trusted:
        line += "; certificate trusted";
        break;
    case Trust::SelfSigned:
        line += "; self-signed certificate";
        break;
    case Trust::Unknown:
        line += "; certificate from an unknown authority";
        break;
    }
    return line;
}
