#include "utilities/Timestamp.h"

#include "utilities/DigitalSignatureService.h"
#include "utilities/HttpPost.h"
#include "utilities/SigningIdentity.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <ctime>
#include <memory>

using SignatureError = DigitalSignatureService::SignatureError;

namespace {

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Cms = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using TsReq = std::unique_ptr<TS_REQ, Deleter<TS_REQ, TS_REQ_free>>;
using TsResp = std::unique_ptr<TS_RESP, Deleter<TS_RESP, TS_RESP_free>>;
using TstInfo = std::unique_ptr<TS_TST_INFO, Deleter<TS_TST_INFO, TS_TST_INFO_free>>;
using Imprint = std::unique_ptr<TS_MSG_IMPRINT, Deleter<TS_MSG_IMPRINT, TS_MSG_IMPRINT_free>>;
using Algor = std::unique_ptr<X509_ALGOR, Deleter<X509_ALGOR, X509_ALGOR_free>>;
using Integer = std::unique_ptr<ASN1_INTEGER, Deleter<ASN1_INTEGER, ASN1_INTEGER_free>>;

constexpr qsizetype kNonceBytes = 8;

Cms parseCms(const QByteArray& der) {
    const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
    return Cms(d2i_CMS_ContentInfo(nullptr, &p, long(der.size())));
}

CMS_SignerInfo* firstSigner(CMS_ContentInfo* cms) {
    STACK_OF(CMS_SignerInfo)* infos = cms ? CMS_get0_SignerInfos(cms) : nullptr;
    return infos && sk_CMS_SignerInfo_num(infos) > 0 ? sk_CMS_SignerInfo_value(infos, 0) : nullptr;
}

QByteArray stringBytes(const ASN1_STRING* s) {
    return s ? QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(s)),
                          ASN1_STRING_length(s))
             : QByteArray();
}

QByteArray tokenIn(CMS_SignerInfo* si) {
    const int index =
        si ? CMS_unsigned_get_attr_by_NID(si, NID_id_smime_aa_timeStampToken, -1) : -1;
    if (index < 0)
        return {};
    ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(CMS_unsigned_get_attr(si, index), 0);
    if (!value || value->type != V_ASN1_SEQUENCE)
        return {};
    return stringBytes(value->value.sequence);
}

QDateTime timeOf(const ASN1_GENERALIZEDTIME* time) {
    std::tm tm{};
    if (!time || ASN1_TIME_to_tm(time, &tm) != 1)
        return {};
    return QDateTime::fromSecsSinceEpoch(qint64(timegm(&tm)), Qt::UTC);
}

// Whether `signer` chains, for timestamping, to an authority in `authorities` (a folder of
// hashed certificates or one file).
bool trustedAuthority(X509* signer, CMS_ContentInfo* token, const QString& authorities) {
    std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>> store(X509_STORE_new());
    std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>> ctx(
        X509_STORE_CTX_new());
    STACK_OF(X509)* certs = CMS_get1_certs(token);
    const QByteArray path = QFileInfo(authorities).absoluteFilePath().toLocal8Bit();
    bool trusted = false;
    if (store && ctx) {
        if (QFileInfo(authorities).isDir())
            X509_STORE_load_path(store.get(), path.constData());
        else
            X509_STORE_load_file(store.get(), path.constData());
        trusted = X509_STORE_CTX_init(ctx.get(), store.get(), signer, certs) == 1 &&
                  X509_STORE_CTX_set_purpose(ctx.get(), X509_PURPOSE_TIMESTAMP_SIGN) == 1 &&
                  X509_verify_cert(ctx.get()) == 1;
    }
    sk_X509_pop_free(certs, X509_free);
    ERR_clear_error();
    return trusted;
}

// The token's own signature and content: the TSTInfo it signs, or none when it does not
// hold. `authority` gets the signer's common name, `trusted` whether it chains to one of
// `authorities` (not judged when empty).
TstInfo verifiedInfo(const QByteArray& token, QString* authority, QString* problem,
                     const QString& authorities = {}, bool* trusted = nullptr) {
    Cms cms = parseCms(token);
    if (!cms || OBJ_obj2nid(CMS_get0_eContentType(cms.get())) != NID_id_smime_ct_TSTInfo) {
        *problem = "its timestamp is not a timestamp token";
        return nullptr;
    }
    Bio out(BIO_new(BIO_s_mem()));
    const unsigned int flags = CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY;
    if (!out || CMS_verify(cms.get(), nullptr, nullptr, nullptr, out.get(), flags) != 1) {
        *problem = "its timestamp token's signature does not hold";
        return nullptr;
    }
    STACK_OF(X509)* signers = CMS_get0_signers(cms.get());
    if (signers && sk_X509_num(signers) > 0) {
        *authority = SigningIdentity::commonName(sk_X509_value(signers, 0));
        if (trusted && !authorities.isEmpty())
            *trusted = trustedAuthority(sk_X509_value(signers, 0), cms.get(), authorities);
    }
    sk_X509_free(signers);
    TstInfo info(d2i_TS_TST_INFO_bio(out.get(), nullptr));
    if (!info)
        *problem = "its timestamp token holds no time";
    return info;
}

// Whether the imprint of `info` is the digest of `value` under the imprint's algorithm.
bool stamps(TS_TST_INFO* info, const QByteArray& value) {
    TS_MSG_IMPRINT* imprint = TS_TST_INFO_get_msg_imprint(info);
    const ASN1_OBJECT* algorithm = nullptr;
    X509_ALGOR_get0(&algorithm, nullptr, nullptr, TS_MSG_IMPRINT_get_algo(imprint));
    const EVP_MD* md = algorithm ? EVP_get_digestbyobj(algorithm) : nullptr;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!md ||
        EVP_Digest(value.constData(), size_t(value.size()), digest, &length, md, nullptr) != 1)
        return false;
    return stringBytes(TS_MSG_IMPRINT_get_msg(imprint)) ==
           QByteArray(reinterpret_cast<const char*>(digest), int(length));
}

// A positive big-endian number as an ASN.1 integer.
Integer integerOf(const QByteArray& bytes) {
    BIGNUM* bn = BN_bin2bn(reinterpret_cast<const unsigned char*>(bytes.constData()),
                           int(bytes.size()), nullptr);
    Integer number(bn ? BN_to_ASN1_INTEGER(bn, nullptr) : nullptr);
    BN_free(bn);
    return number;
}

// An RFC 3161 request for the SHA-256 of `value`, asking for the authority's certificate.
QByteArray makeRequest(const QByteArray& value, const QByteArray& nonce) {
    TsReq request(TS_REQ_new());
    Imprint imprint(TS_MSG_IMPRINT_new());
    Algor algorithm(X509_ALGOR_new());
    Integer number = integerOf(nonce);
    const QByteArray digest = QCryptographicHash::hash(value, QCryptographicHash::Sha256);
    const bool ok =
        request && imprint && algorithm && number && TS_REQ_set_version(request.get(), 1) &&
        X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr) &&
        TS_MSG_IMPRINT_set_algo(imprint.get(), algorithm.get()) &&
        TS_MSG_IMPRINT_set_msg(imprint.get(),
                               reinterpret_cast<unsigned char*>(const_cast<char*>(digest.data())),
                               int(digest.size())) &&
        TS_REQ_set_msg_imprint(request.get(), imprint.get()) &&
        TS_REQ_set_nonce(request.get(), number.get()) && TS_REQ_set_cert_req(request.get(), 1);
    const int length = ok ? i2d_TS_REQ(request.get(), nullptr) : -1;
    if (length <= 0)
        return {};
    QByteArray der(length, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(der.data());
    i2d_TS_REQ(request.get(), &out);
    return der;
}

} // namespace

QByteArray Timestamp::addToken(const QByteArray& cmsDer, const QString& url, int timeoutMs) {
    Cms cms = parseCms(cmsDer);
    CMS_SignerInfo* si = firstSigner(cms.get());
    if (!si)
        throw SignatureError::signingFailed("The signature cannot be timestamped");
    const QByteArray value = stringBytes(CMS_SignerInfo_get0_signature(si));
    QByteArray nonce(kNonceBytes, Qt::Uninitialized);
    RAND_bytes(reinterpret_cast<unsigned char*>(nonce.data()), int(nonce.size()));
    nonce[0] = char(nonce[0] & 0x7F);
    const QByteArray request = makeRequest(value, nonce);
    if (request.isEmpty())
        throw SignatureError::signingFailed("The timestamp request cannot be made");

    const QString server = "The timestamp server " + url + " ";
    HttpPost::Reply reply;
    try {
        reply = HttpPost::post(url, "application/timestamp-query", request, timeoutMs);
    } catch (const HttpPost::Failure& failure) {
        throw SignatureError::signingFailed(server + QString::fromUtf8(failure.what()));
    }
    if (reply.status != 200)
        throw SignatureError::signingFailed(
            server + QString("answered with HTTP status %1").arg(reply.status));
    const auto* p = reinterpret_cast<const unsigned char*>(reply.body.constData());
    TsResp response(d2i_TS_RESP(nullptr, &p, long(reply.body.size())));
    ERR_clear_error();
    if (!response)
        throw SignatureError::signingFailed(server + "did not answer with a timestamp");
    const long status =
        ASN1_INTEGER_get(TS_STATUS_INFO_get0_status(TS_RESP_get_status_info(response.get())));
    if (status != 0 && status != 1) // granted, or granted with modifications
        throw SignatureError::signingFailed(server + "refused to timestamp the signature");
    PKCS7* token = TS_RESP_get_token(response.get());
    const int length = token ? i2d_PKCS7(token, nullptr) : -1;
    if (length <= 0)
        throw SignatureError::signingFailed(server + "answered without a timestamp token");
    QByteArray tokenDer(length, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(tokenDer.data());
    i2d_PKCS7(token, &out);

    // What comes back must be for this signature and this request, and must hold.
    QString authority;
    QString problem;
    TstInfo info = verifiedInfo(tokenDer, &authority, &problem);
    const ASN1_INTEGER* answered = info ? TS_TST_INFO_get_nonce(info.get()) : nullptr;
    Integer asked = integerOf(nonce);
    if (!info || !stamps(info.get(), value) || !answered || ASN1_INTEGER_cmp(answered, asked.get()))
        throw SignatureError::signingFailed(server +
                                            "answered with a timestamp for something else");

    ASN1_STRING* sequence = ASN1_STRING_new();
    const bool added = sequence &&
                       ASN1_STRING_set(sequence, tokenDer.constData(), int(tokenDer.size())) == 1 &&
                       CMS_unsigned_add1_attr_by_NID(si, NID_id_smime_aa_timeStampToken,
                                                     V_ASN1_SEQUENCE, sequence, -1) == 1;
    ASN1_STRING_free(sequence);
    const int total = added ? i2d_CMS_ContentInfo(cms.get(), nullptr) : -1;
    ERR_clear_error();
    if (total <= 0)
        throw SignatureError::signingFailed("The timestamp cannot be added to the signature");
    QByteArray stamped(total, Qt::Uninitialized);
    auto* write = reinterpret_cast<unsigned char*>(stamped.data());
    i2d_CMS_ContentInfo(cms.get(), &write);
    return stamped;
}

Timestamp::Check Timestamp::check(const QByteArray& cmsDer, const QString& authorities) {
    Check result;
    Cms cms = parseCms(cmsDer);
    CMS_SignerInfo* si = firstSigner(cms.get());
    const QByteArray token = tokenIn(si);
    result.present =
        !token.isEmpty() ||
        (si && CMS_unsigned_get_attr_by_NID(si, NID_id_smime_aa_timeStampToken, -1) >= 0);
    if (!result.present) {
        ERR_clear_error();
        return result;
    }
    TstInfo info =
        verifiedInfo(token, &result.authority, &result.problem, authorities, &result.trusted);
    if (info && !stamps(info.get(), stringBytes(CMS_SignerInfo_get0_signature(si))))
        result.problem = "its timestamp is for another signature";
    else if (info)
        result.time = timeOf(TS_TST_INFO_get_time(info.get()));
    result.valid = info && result.problem.isEmpty() && result.time.isValid();
    if (info && !result.valid && result.problem.isEmpty())
        result.problem = "its timestamp token holds no time";
    ERR_clear_error();
    return result;
}

QByteArray Timestamp::tokenOf(const QByteArray& cmsDer) {
    Cms cms = parseCms(cmsDer);
    const QByteArray token = tokenIn(firstSigner(cms.get()));
    ERR_clear_error();
    return token;
}

QByteArray Timestamp::signatureValueOf(const QByteArray& cmsDer) {
    Cms cms = parseCms(cmsDer);
    CMS_SignerInfo* si = firstSigner(cms.get());
    ERR_clear_error();
    return si ? stringBytes(CMS_SignerInfo_get0_signature(si)) : QByteArray();
}
