#include "utilities/DigitalSignatureService.h"

#include "models/Base64.h"
#include "models/LocaleFormat.h"
#include "pdf/document/Document.h"
#include "pdf/document/DocumentSource.h"
#include "pdf/document/Page.h"
#include "pdf/signatures/SignatureFields.h"
#include "support/SignatureFixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Service = DigitalSignatureService;
using Error = DigitalSignatureService::SignatureError;

namespace {

class DigitalSignatureServiceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    KeyStore keys{dir.path() + "/keys"};

    pdf::DocumentPtr document(const QStringList& pages = {"Quarterly report"}) {
        auto doc = pdf::Document::fromData(sigfix::letterPdf(pages));
        EXPECT_NE(doc, nullptr);
        return doc;
    }

    static Service::SignatureMetadata record(const pdf::Document& doc) {
        auto metadata =
            Service::SignatureMetadata::fromJson(doc.info(pdf::InfoKey::Keywords).toUtf8());
        EXPECT_TRUE(metadata.has_value());
        return metadata.value_or(Service::SignatureMetadata{});
    }

    static void setRecord(pdf::Document& doc, const Service::SignatureMetadata& metadata) {
        doc.setInfo(pdf::InfoKey::Keywords, QString::fromUtf8(metadata.toJson()));
    }

    // Keys only; each has its certificate beside it.
    int keyFiles() const {
        const QDir folder(keys.folder());
        const int all = int(folder.entryList(QDir::Files | QDir::Hidden).size());
        const int certificates = int(folder.entryList({"*.crt"}, QDir::Files).size());
        EXPECT_EQ(all - certificates, certificates);
        return all - certificates;
    }
};

QByteArray sha256(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

} // namespace

TEST(SignatureErrorTest, DescriptionsAreTheUserVisibleMessages) {
    EXPECT_EQ(Error::keyGenerationFailed("x").description(), "Key generation failed: x");
    EXPECT_EQ(Error::signingFailed("y").description(), "Signing failed: y");
    EXPECT_EQ(Error::verificationFailed("z").description(), "Verification failed: z");
    EXPECT_EQ(Error::noIdentity().description(), "No signing identity available");
    EXPECT_EQ(Error::dataError().description(), "Failed to process document data");
    EXPECT_EQ(Error::dataError().kind(), Error::Kind::dataError);
}

TEST(SignatureMetadataTest, JsonHasExactlyTheFourMembersAndEveryOneIsRequired) {
    const Service::SignatureMetadata metadata{"Zoë \"Z\" O'Neil \\ 署名\n",
                                              QDateTime(QDate(2024, 3, 1), QTime(12, 0), Qt::UTC),
                                              "c2ln", "aGFzaA=="};
    const QByteArray json = metadata.toJson();
    EXPECT_FALSE(json.contains('\n')); // compact
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(object.keys(),
              (QStringList{"documentHash", "signDate", "signatureData", "signerName"}));
    // 2024-03-01 12:00 UTC in seconds since 2001-01-01 00:00 UTC.
    EXPECT_DOUBLE_EQ(object.value("signDate").toDouble(), 730987200.0);

    const auto back = Service::SignatureMetadata::fromJson(json);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->signerName, metadata.signerName);
    EXPECT_EQ(back->signDate, metadata.signDate);
    EXPECT_EQ(back->signatureData, metadata.signatureData);
    EXPECT_EQ(back->documentHash, metadata.documentHash);

    for (const QString& member : object.keys()) {
        QJsonObject missing = object;
        missing.remove(member);
        EXPECT_FALSE(Service::SignatureMetadata::fromJson(QJsonDocument(missing).toJson()))
            << member.toStdString();
    }
    QJsonObject wrongType = object;
    wrongType.insert("signDate", "yesterday");
    EXPECT_FALSE(Service::SignatureMetadata::fromJson(QJsonDocument(wrongType).toJson()));
    EXPECT_FALSE(Service::SignatureMetadata::fromJson("Approved by the board"));
    EXPECT_FALSE(Service::SignatureMetadata::fromJson("[1,2]"));
}

TEST_F(DigitalSignatureServiceTest, SigningRecordsTheDigestOfTheBytesBeforeSigning) {
    auto doc = document();
    doc->setInfo(pdf::InfoKey::Title, "Report");
    const QByteArray before = doc->dataRepresentation();
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-1);

    const Service::SignResult result = Service::signDocument(*doc, "Ada", keys);

    EXPECT_EQ(result.signature.size(), 256);
    EXPECT_EQ(doc->info(pdf::InfoKey::Subject), "Digitally Signed");
    EXPECT_EQ(doc->info(pdf::InfoKey::Title), "Report"); // other entries stay
    const auto metadata = record(*doc);
    EXPECT_EQ(metadata.signerName, "Ada");
    EXPECT_EQ(metadata.signatureData.size(), 344);
    EXPECT_EQ(metadata.documentHash.size(), 44);
    EXPECT_EQ(Base64::decodeStrict(metadata.documentHash), sha256(before));
    EXPECT_EQ(Base64::decodeStrict(metadata.signatureData), result.signature);
    EXPECT_GE(metadata.signDate, start);
    EXPECT_LE(metadata.signDate, QDateTime::currentDateTimeUtc().addSecs(1));

    // The returned bytes are the signed document itself.
    auto reopened = pdf::Document::fromData(result.signedData);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->info(pdf::InfoKey::Subject), "Digitally Signed");
    EXPECT_EQ(reopened->info(pdf::InfoKey::Keywords), doc->info(pdf::InfoKey::Keywords));
    EXPECT_EQ(keyFiles(), 1);
}

TEST_F(DigitalSignatureServiceTest, SigningTwiceReusesTheKeyAndDigestsTheOnceSignedBytes) {
    auto doc = document();
    const Service::SignResult first = Service::signDocument(*doc, "Ada", keys);
    const QByteArray publicKey = Service::publicKeyPem("Ada", keys);
    const QByteArray onceSigned = doc->dataRepresentation();

    const Service::SignResult second = Service::signDocument(*doc, "Ada", keys);
    EXPECT_EQ(keyFiles(), 1);
    EXPECT_EQ(Service::publicKeyPem("Ada", keys), publicKey);
    EXPECT_EQ(Base64::decodeStrict(record(*doc).documentHash), sha256(onceSigned));
    EXPECT_NE(first.signature, second.signature);
    EXPECT_EQ(Service::verifyDocument(*doc, keys).isValid, true);

    // Another name gets its own key.
    Service::signDocument(*doc, "Grace", keys);
    EXPECT_EQ(keyFiles(), 2);
    EXPECT_NE(Service::publicKeyPem("Grace", keys), publicKey);
}

TEST_F(DigitalSignatureServiceTest, VerificationRows) {
    // Row 1: no record at all.
    auto plain = document();
    auto result = Service::verifyDocument(*plain, keys);
    EXPECT_FALSE(result.isSigned);
    EXPECT_FALSE(result.isValid.has_value());
    EXPECT_FALSE(result.signerName.has_value());
    EXPECT_FALSE(result.signDate.has_value());
    EXPECT_EQ(result.message, "Document is not digitally signed");

    // Row 1: the marker with plain-text Keywords, and a record under another Subject.
    plain->setInfo(pdf::InfoKey::Subject, "Digitally Signed");
    plain->setInfo(pdf::InfoKey::Keywords, "signed, final, approved");
    EXPECT_EQ(Service::verifyDocument(*plain, keys).message, "Document is not digitally signed");

    auto doc = document();
    Service::signDocument(*doc, "Ada", keys);
    const auto good = record(*doc);
    doc->setInfo(pdf::InfoKey::Subject, "digitally signed");
    EXPECT_FALSE(Service::verifyDocument(*doc, keys).isSigned);
    doc->setInfo(pdf::InfoKey::Subject, "Digitally Signed");

    // Row 4: valid.
    result = Service::verifyDocument(*doc, keys);
    EXPECT_TRUE(result.isSigned);
    EXPECT_EQ(result.isValid, true);
    EXPECT_EQ(result.signerName, "Ada");
    EXPECT_EQ(result.signDate, good.signDate);
    EXPECT_EQ(result.message, "Signature is valid. Signed by Ada");

    // Row 2: damaged Base64 in either member, strictly judged.
    for (const QString& damaged :
         {good.signatureData.left(100) + "\n" + good.signatureData.mid(100),
          good.signatureData.left(343) + "!", good.signatureData.chopped(1)}) {
        auto broken = good;
        broken.signatureData = damaged;
        setRecord(*doc, broken);
        result = Service::verifyDocument(*doc, keys);
        EXPECT_TRUE(result.isSigned);
        EXPECT_EQ(result.isValid, false);
        EXPECT_EQ(result.signerName, "Ada");
        EXPECT_EQ(result.signDate, good.signDate);
        EXPECT_EQ(result.message, "Signature data is corrupted");
    }
    auto brokenHash = good;
    brokenHash.documentHash = " " + good.documentHash;
    setRecord(*doc, brokenHash);
    EXPECT_EQ(Service::verifyDocument(*doc, keys).message, "Signature data is corrupted");

    // Row 5: a signature made for another digest.
    auto otherDigest = good;
    otherDigest.documentHash = Base64::encode(sha256("some other document"));
    setRecord(*doc, otherDigest);
    result = Service::verifyDocument(*doc, keys);
    EXPECT_TRUE(result.isSigned);
    EXPECT_EQ(result.isValid, false);
    EXPECT_EQ(result.message, "Signature verification failed - document may have been modified");

    // Row 5 as well: the record names a signer whose key did not make the signature.
    Service::generateSigningKeyPair("Mallory", keys);
    auto otherSigner = good;
    otherSigner.signerName = "Mallory";
    setRecord(*doc, otherSigner);
    EXPECT_EQ(Service::verifyDocument(*doc, keys).isValid, false);

    // Row 3: a machine without the key (an empty key store).
    setRecord(*doc, good);
    QTemporaryDir elsewhere;
    result = Service::verifyDocument(*doc, KeyStore(elsewhere.path() + "/keys"));
    EXPECT_TRUE(result.isSigned);
    EXPECT_FALSE(result.isValid.has_value()); // absent, not false
    EXPECT_EQ(result.signerName, "Ada");
    EXPECT_TRUE(result.message.startsWith("Signed by Ada on "));
    EXPECT_TRUE(
        result.message.endsWith(". Cannot verify - signing key not found on this machine."));
    EXPECT_EQ(result.message, "Signed by Ada on " + LocaleFormat::numericDateTime(good.signDate) +
                                  ". Cannot verify - signing key not found on this machine.");
}

TEST_F(DigitalSignatureServiceTest, EditingPagesKeepsTheSignatureValidOnTheSigningMachine) {
    auto doc = document({"one", "two"});
    Service::signDocument(*doc, "Ada", keys);
    doc->insertBlankPage(doc->pageCount(), 612, 792);
    doc->page(0)->setRotation(90);
    auto reopened = pdf::Document::fromData(doc->dataRepresentation());
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(Service::verifyDocument(*reopened, keys).isValid, true);
}

TEST_F(DigitalSignatureServiceTest, OpenSslCommandLineAcceptsTheSignatureOverTheDigest) {
    auto doc = document();
    const QByteArray before = doc->dataRepresentation();
    const auto result = Service::signDocument(*doc, "Ada", keys);
    const QByteArray pem = Service::publicKeyPem("Ada", keys);
    ASSERT_TRUE(pem.startsWith("-----BEGIN PUBLIC KEY-----"));
    EXPECT_FALSE(pem.contains("PRIVATE"));

    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.path() + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString key = write("ada.pub", pem);
    const QString signature = write("sig.bin", result.signature);
    const QString digest = write("digest.bin", sha256(before));
    const QString other = write("other.bin", sha256("tampered"));

    auto ok = sigfix::runProgram(
        "openssl", {"dgst", "-sha256", "-verify", key, "-signature", signature, digest});
    EXPECT_EQ(ok.exitCode, 0) << ok.out.toStdString() << ok.err.toStdString();
    EXPECT_TRUE(ok.out.contains("Verified OK"));
    auto bad = sigfix::runProgram(
        "openssl", {"dgst", "-sha256", "-verify", key, "-signature", signature, other});
    EXPECT_NE(bad.exitCode, 0);
    // The signature is PKCS #1 v1.5 with SHA-256: recovering it shows the DigestInfo of
    // SHA-256 over the digest bytes.
    auto recovered =
        sigfix::runProgram("openssl", {"pkeyutl", "-verifyrecover", "-pubin", "-inkey", key, "-in",
                                       signature, "-pkeyopt", "rsa_padding_mode:pkcs1"});
    ASSERT_EQ(recovered.exitCode, 0) << recovered.err.toStdString();
    EXPECT_EQ(recovered.out.toHex(), QByteArray("3031300d060960864801650304020105000420") +
                                         sha256(sha256(before)).toHex());
}

TEST_F(DigitalSignatureServiceTest, AwkwardNamesKeepTheirOwnKeysAndRoundTrip) {
    const QStringList names = {"../../etc/passwd",
                               "a/b",
                               "a%2Fb",
                               "Line\nbreak",
                               QString("nul") + QChar(0) + "byte",
                               "\"Quoted\" \\ back",
                               "Zoë Ünal",
                               "署名者",
                               "A",
                               "a"};
    for (const QString& name : names) {
        auto doc = document();
        Service::signDocument(*doc, name, keys);
        auto reopened = pdf::Document::fromData(doc->dataRepresentation());
        ASSERT_NE(reopened, nullptr);
        const auto result = Service::verifyDocument(*reopened, keys);
        EXPECT_EQ(result.signerName, name) << name.toStdString();
        EXPECT_EQ(result.isValid, true) << name.toStdString();
    }
    EXPECT_EQ(keyFiles(), names.size()); // one key each, none shared
    // Nothing landed outside the key folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"keys"});
}

TEST_F(DigitalSignatureServiceTest, KeyStoreFailuresAreKeyGenerationErrors) {
    QFile blocker(dir.path() + "/not-a-folder");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const KeyStore broken(blocker.fileName() + "/keys");
    auto doc = document();
    const QString keywordsBefore = doc->info(pdf::InfoKey::Keywords);
    try {
        Service::signDocument(*doc, "Ada", broken);
        FAIL() << "signing without a usable key store succeeded";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), Error::Kind::keyGenerationFailed);
        EXPECT_TRUE(error.description().startsWith("Key generation failed: "));
    }
    EXPECT_EQ(doc->info(pdf::InfoKey::Subject), QString());
    EXPECT_EQ(doc->info(pdf::InfoKey::Keywords), keywordsBefore);
}

TEST_F(DigitalSignatureServiceTest, TheWrittenSignedFileShowsTheRecordInOtherReaders) {
    auto doc = document();
    Service::signDocument(*doc, "Zoë \"Z\" Ünal", keys);
    const QString path = dir.path() + "/signed.pdf";
    QString error;
    ASSERT_TRUE(doc->write(path, {}, &error)) << error.toStdString();

    const auto info = sigfix::runProgram("pdfinfo", {path});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    const QString text = QString::fromUtf8(info.out);
    EXPECT_TRUE(text.contains(QRegularExpression("Subject:\\s+Digitally Signed\n")));
    const QString keywords =
        QRegularExpression("Keywords:\\s+(\\{.*\\})\n").match(text).captured(1);
    const auto metadata = Service::SignatureMetadata::fromJson(keywords.toUtf8());
    ASSERT_TRUE(metadata) << text.toStdString();
    EXPECT_EQ(metadata->signerName, "Zoë \"Z\" Ünal");

    const auto check = sigfix::runProgram("qpdf", {"--check", path});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
    EXPECT_EQ(Service::verifyDocument(*pdf::Document::open(path), keys).isValid, true);
}

TEST_F(DigitalSignatureServiceTest, AProtectedDocumentIsSignedUnderItsOwnProtection) {
    pdf::WriteOptions protection;
    protection.ownerPassword = "owner";
    protection.userPassword = "user";
    protection.allowCopying = false;
    auto doc = pdf::Document::fromData(document()->serialize(protection));
    ASSERT_TRUE(doc && doc->unlock("user"));

    const QString signer = "Zoë 署名";
    const QByteArray signedData = Service::signDocument(*doc, signer, keys).signedData;
    auto copy = pdf::Document::fromData(signedData);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isLocked()) << "the copy needs the document's password";
    ASSERT_TRUE(pdf::unlockLike(*copy, *doc));
    EXPECT_FALSE(copy->hasOwnerAccess());
    EXPECT_EQ(copy->info(pdf::InfoKey::Subject), Service::subjectMarker);

    // The field's strings were encrypted with the file's key: they read back as written.
    const auto fields = pdf::readSignatureFields(signedData, "user");
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].signerName, signer);
    EXPECT_EQ(fields[0].fieldName, "Signature1");
    EXPECT_TRUE(fields[0].signingTime.isValid());
    EXPECT_TRUE(fields[0].byteRangeSound);
    EXPECT_TRUE(pdf::readSignatureFields(signedData, "wrong").empty());

    const auto result = Service::verifyDocument(*copy, signedData, keys);
    EXPECT_EQ(result.isValid, std::optional<bool>(true)) << result.message.toStdString();
    ASSERT_EQ(result.signatures.size(), 1u);
    EXPECT_TRUE(result.signatures[0].isGood()) << result.signatures[0].summary().toStdString();
}
