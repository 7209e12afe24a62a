#include "utilities/StandardSignature.h"

#include "pdf/document/Document.h"
#include "pdf/document/DocumentSource.h"
#include "pdf/signatures/SignatureFields.h"
#include "support/PdfFixtures.h"
#include "support/SignatureFixtures.h"
#include "utilities/DigitalSignatureService.h"
#include "utilities/SigningIdentity.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Service = DigitalSignatureService;
using Change = StandardSignature::Change;
using Integrity = StandardSignature::Integrity;
using Trust = StandardSignature::Trust;

namespace {

class StandardSignatureTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    KeyStore keys{dir.path() + "/keys"};

    QByteArray unsignedPdf() { return sigfix::letterPdf({"Contract", "Terms", "Annex"}); }

    // An update appended by hand that gives the information dictionary a new title, keeping
    // the signature record's entries.
    static QByteArray withNewTitle(const QByteArray& pdf) {
        const qsizetype at = pdf.lastIndexOf("startxref");
        const QByteArray previous = pdf.mid(at + 9).trimmed().split('\n').first();
        const auto doc = pdf::Document::fromData(pdf);
        QByteArray keywords = doc->info(pdf::InfoKey::Keywords).toUtf8();
        keywords.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)");
        QByteArray update = "\n";
        const qsizetype objectAt = pdf.size() + 1;
        const int number = 9000;
        update += QByteArray::number(number) + " 0 obj\n<</Title(Changed)/Subject(" +
                  doc->info(pdf::InfoKey::Subject).toUtf8() + ")/Keywords(" + keywords +
                  ")>>\nendobj\n";
        const qsizetype xref = pdf.size() + update.size();
        update += "xref\n" + QByteArray::number(number) + " 1\n" +
                  QByteArray::number(objectAt).rightJustified(10, '0') + " 00000 n \n";
        QByteArray root;
        for (const auto& m :
             QRegularExpression("/Root\\s*\\d+\\s+\\d+\\s*R").globalMatch(QString::fromLatin1(pdf)))
            root = m.captured().toLatin1();
        update += "trailer\n<</Size " + QByteArray::number(number + 1) + root + "/Info " +
                  QByteArray::number(number) + " 0 R/Prev " + previous + ">>\nstartxref\n" +
                  QByteArray::number(xref) + "\n%%EOF\n";
        return pdf + update;
    }
};

} // namespace

TEST_F(StandardSignatureTest, SigningAppendsAndVerifiesAsOursUnchangedAndSelfSigned) {
    const QByteArray original = unsignedPdf();
    const SigningIdentity identity = Service::identityFor("Ada Lovelace", keys);
    // The signing time is written in whole seconds: compare against whole seconds, with room
    // for a busy machine.
    QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
    before.setTime(QTime(before.time().hour(), before.time().minute(), before.time().second()));
    const QByteArray signedPdf = StandardSignature::sign(original, identity, "Ada Lovelace");

    EXPECT_TRUE(signedPdf.startsWith(original)); // an incremental update
    EXPECT_TRUE(signedPdf.contains("/SubFilter/ETSI.CAdES.detached"));
    const auto results = StandardSignature::verify(signedPdf);
    ASSERT_EQ(results.size(), 1u);
    const auto& result = results.front();
    EXPECT_EQ(result.signer, "Ada Lovelace");
    EXPECT_EQ(result.integrity, Integrity::Valid);
    EXPECT_EQ(result.change, Change::None);
    EXPECT_EQ(result.trust, Trust::SelfSigned);
    EXPECT_TRUE(result.ours);
    EXPECT_GE(result.signingTime, before);
    EXPECT_LE(result.signingTime, QDateTime::currentDateTimeUtc().addSecs(1));
    EXPECT_TRUE(result.summary().contains(": valid, not changed since; self-signed certificate"));

    // The CMS carries what PAdES B-B asks for.
    const QString cms = dir.path() + "/signature.der";
    const qsizetype from = signedPdf.indexOf("/Contents<") + 10;
    QFile out(cms);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray::fromHex(signedPdf.mid(from, signedPdf.indexOf('>', from) - from)));
    out.close();
    const auto dump = sigfix::runProgram(
        "openssl", {"cms", "-cmsout", "-print", "-inform", "DER", "-in", cms, "-noout"});
    const QString text = QString::fromUtf8(dump.out);
    EXPECT_TRUE(text.contains("id-smime-aa-signingCertificateV2")) << dump.err.toStdString();
    EXPECT_TRUE(text.contains("signingTime"));
    EXPECT_TRUE(text.contains("sha256"));
    EXPECT_TRUE(text.contains("Ada Lovelace"));       // the certificate is embedded
    EXPECT_TRUE(text.contains("eContent: <ABSENT>")); // detached
}

TEST_F(StandardSignatureTest, ChangesAfterSigningAreToldApart) {
    const SigningIdentity ada = Service::identityFor("Ada", keys);
    const QByteArray once = StandardSignature::sign(unsignedPdf(), ada, "Ada");

    // A second signature only adds a form field and its widget.
    const QByteArray twice =
        StandardSignature::sign(once, Service::identityFor("Grace", keys), "Grace");
    const auto both = StandardSignature::verify(twice);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].signer, "Ada");
    EXPECT_EQ(both[0].integrity, Integrity::Valid);
    EXPECT_EQ(both[0].change, Change::FormsOrAnnotations);
    EXPECT_TRUE(both[0].state().contains("changed after signing"));
    EXPECT_EQ(both[1].signer, "Grace");
    EXPECT_TRUE(both[1].isGood());

    // New information is not a form or an annotation.
    const auto retitled = StandardSignature::verify(withNewTitle(once));
    ASSERT_EQ(retitled.size(), 1u);
    EXPECT_EQ(retitled[0].integrity, Integrity::Valid);
    EXPECT_EQ(retitled[0].change, Change::Content);

    // A byte changed inside the signed range breaks it.
    QByteArray flipped = once;
    ASSERT_GT(flipped.indexOf("Contract"), 0);
    flipped[flipped.indexOf("Contract")] = 'K';
    ASSERT_EQ(StandardSignature::verify(flipped).size(), 1u);
    EXPECT_EQ(StandardSignature::verify(flipped)[0].integrity, Integrity::Broken);
    EXPECT_TRUE(StandardSignature::verify(flipped)[0].state().contains("signature broken"));

    // Rewritten by a tool that knows nothing of signatures: the ranges no longer fit.
    const auto rewritten = pdf::Document::fromData(once)->dataRepresentation();
    for (const auto& r : StandardSignature::verify(rewritten))
        EXPECT_FALSE(r.isGood());

    EXPECT_TRUE(StandardSignature::verify(unsignedPdf()).empty());
    EXPECT_TRUE(StandardSignature::verify(fixtures::garbageBytes()).empty());
}

TEST_F(StandardSignatureTest, TrustFollowsTheAuthorities) {
    const auto issued = sigfix::makeCertificate(dir.path(), "Grace Hopper", "pw", true);
    const SigningIdentity identity = SigningIdentity::readPkcs12(issued.p12, "pw");
    ASSERT_EQ(identity.chain.size(), 1u);
    const QByteArray signedPdf = StandardSignature::sign(unsignedPdf(), identity, "Grace");

    const auto trusted = StandardSignature::verify(signedPdf, issued.authorityPem);
    ASSERT_EQ(trusted.size(), 1u);
    EXPECT_EQ(trusted[0].trust, Trust::Trusted);
    EXPECT_EQ(trusted[0].signer, "Grace Hopper");
    EXPECT_TRUE(trusted[0].summary().endsWith("; certificate trusted"));

    // The system's authorities do not know the test authority: said plainly, still valid.
    const auto unknown = StandardSignature::verify(signedPdf);
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_EQ(unknown[0].trust, Trust::Unknown);
    EXPECT_TRUE(unknown[0].isGood());
}

TEST_F(StandardSignatureTest, TheRecordStandsOnlyWhileOurSignatureHolds) {
    auto doc = pdf::Document::fromData(unsignedPdf());
    const QByteArray signedPdf = Service::signDocument(*doc, "Ada", keys).signedData;

    auto reopened = pdf::Document::fromData(signedPdf);
    auto result = Service::verifyDocument(*reopened, keys);
    EXPECT_EQ(result.isValid, true);
    EXPECT_EQ(result.message, "Signature is valid. Signed by Ada");
    ASSERT_EQ(result.signatures.size(), 1u);

    // Changed after signing: the record no longer vouches for the document.
    auto changedDoc = pdf::Document::fromData(withNewTitle(signedPdf));
    ASSERT_NE(changedDoc, nullptr);
    ASSERT_EQ(changedDoc->info(pdf::InfoKey::Title), "Changed");
    result = Service::verifyDocument(*changedDoc, keys);
    EXPECT_EQ(result.isValid, false);
    EXPECT_EQ(result.message, "Signature verification failed - document may have been modified");

    // Cut to fewer pages and rewritten: broken, so not valid either.
    auto cut = pdf::Document::fromData(signedPdf);
    ASSERT_TRUE(cut->removePage(2));
    auto cutDoc = pdf::Document::fromData(cut->dataRepresentation());
    result = Service::verifyDocument(*cutDoc, keys);
    EXPECT_EQ(result.isValid, false);
}

TEST_F(StandardSignatureTest, EachNameGetsOneSelfSignedCertificateBesideItsKey) {
    const SigningIdentity first = Service::identityFor("Zoë/../Ünal", keys);
    EXPECT_EQ(first.subjectName(), "Zoë/../Ünal");
    EXPECT_TRUE(first.isSelfSigned());
    EXPECT_TRUE(SigningIdentity::matches(first.certificate, first.key));
    const SigningIdentity again = Service::identityFor("Zoë/../Ünal", keys);
    EXPECT_EQ(SigningIdentity::toPem({again.certificate}),
              SigningIdentity::toPem({first.certificate}));

    const QStringList certificates = QDir(keys.folder()).entryList({"*.crt"}, QDir::Files);
    ASSERT_EQ(certificates.size(), 1);
    EXPECT_EQ(certificates[0].chopped(4) + ".pem",
              KeyStore::fileNameForTag(Service::keyTag("Zoë/../Ünal")));
    EXPECT_EQ(QFile(keys.folder() + "/" + certificates[0]).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

TEST_F(StandardSignatureTest, Pkcs12ImportKeepsTheIdentityButNeverThePassword) {
    const auto made = sigfix::makeCertificate(dir.path(), "Katherine Johnson", "s3cret");
    try {
        SigningIdentity::readPkcs12(made.p12, "wrong");
        FAIL() << "a wrong password was accepted";
    } catch (const Service::SignatureError& error) {
        EXPECT_EQ(error.description(), "Signing failed: The password for signer.p12 is wrong");
    }
    EXPECT_FALSE(QDir(keys.folder()).exists());

    const SigningIdentity stored =
        SigningIdentity::importIdentity(SigningIdentity::readPkcs12(made.p12, "s3cret"), keys);
    EXPECT_EQ(stored.label, "Katherine Johnson");
    const auto listed = SigningIdentity::importedIdentities(keys);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].label, "Katherine Johnson");
    EXPECT_TRUE(SigningIdentity::matches(listed[0].certificate, listed[0].key));
    for (const QString& name : QDir(keys.folder()).entryList(QDir::Files)) {
        QFile file(keys.folder() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains("s3cret")) << name.toStdString();
    }

    // Importing again is fine; another key under the same name is not.
    EXPECT_NO_THROW(SigningIdentity::importIdentity(listed[0], keys));
    QTemporaryDir other;
    const auto impostor = sigfix::makeCertificate(other.path(), "Katherine Johnson", "x");
    EXPECT_THROW(
        SigningIdentity::importIdentity(SigningIdentity::readPkcs12(impostor.p12, "x"), keys),
        Service::SignatureError);
}

TEST_F(StandardSignatureTest, Pkcs12FilesFromOtherSystemsSignOrSayWhatIsWrong) {
    const auto made = sigfix::makeCertificate(dir.path(), "Grace Hopper", "pw");
    const QString key = dir.path() + "/signer.key";
    const QString cert = made.certificatePem;

    // RC2-40 and 3DES, as older systems export: read, and the signature holds.
    const QString legacy = sigfix::exportPkcs12(dir.path(), "legacy.p12", "pw",
                                                {"-legacy", "-inkey", key, "-in", cert});
    const SigningIdentity identity = SigningIdentity::readPkcs12(legacy, "pw");
    EXPECT_EQ(identity.subjectName(), "Grace Hopper");
    const auto results =
        StandardSignature::verify(StandardSignature::sign(unsignedPdf(), identity, "Grace"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].isGood()) << results[0].summary().toStdString();

    QTemporaryDir other;
    sigfix::makeCertificate(other.path(), "Stranger", "pw");
    const std::pair<QString, QString> cases[] = {
        {"legacy.p12:wrong", "The password for legacy.p12 is wrong"},
        {sigfix::exportPkcs12(dir.path(), "nokey.p12", "pw", {"-nokeys", "-in", cert}),
         "nokey.p12 holds a certificate but no private key"},
        {sigfix::exportPkcs12(dir.path(), "nocert.p12", "pw", {"-nocerts", "-inkey", key}),
         "nocert.p12 holds a private key but no certificate"},
        {sigfix::exportPkcs12(
             dir.path(), "mismatch.p12", "pw",
             {"-nocerts", "-inkey", other.path() + "/signer.key", "-certfile", cert}),
         "The private key in mismatch.p12 does not belong to its certificate"},
        {sigfix::exportPkcs12(dir.path(), "expired.p12", "pw",
                              {"-inkey", key, "-in",
                               sigfix::datedCertificate(dir.path(), key, "Grace Hopper",
                                                        "20200101000000Z", "20200201000000Z")}),
         "The certificate of Grace Hopper expired on "},
        {sigfix::exportPkcs12(dir.path(), "future.p12", "pw",
                              {"-inkey", key, "-in",
                               sigfix::datedCertificate(dir.path(), key, "Grace Hopper",
                                                        "20900101000000Z", "20910101000000Z")}),
         "The certificate of Grace Hopper is valid only from "},
    };
    for (const auto& [file, message] : cases) {
        const QString path = file.section(':', 0, 0);
        const QString password = file.contains(':') ? file.section(':', 1) : "pw";
        try {
            SigningIdentity::readPkcs12(path.startsWith('/') ? path : dir.path() + "/" + path,
                                        password);
            ADD_FAILURE() << path.toStdString() << " was accepted";
        } catch (const Service::SignatureError& error) {
            EXPECT_TRUE(error.description().startsWith("Signing failed: " + message))
                << error.description().toStdString();
        }
    }
}

TEST_F(StandardSignatureTest, SigningADocumentOthersSignedAppendsAndKeepsTheirSignature) {
    const QByteArray theirs =
        StandardSignature::sign(unsignedPdf(), Service::identityFor("Grace", keys), "Grace");
    auto doc = pdf::Document::fromData(theirs);
    const QByteArray ours = Service::signDocument(*doc, "Ada", keys).signedData;
    EXPECT_TRUE(ours.startsWith(theirs));

    auto reopened = pdf::Document::fromData(ours);
    const auto result = Service::verifyDocument(*reopened, keys);
    EXPECT_EQ(result.message, "Signature is valid. Signed by Ada");
    ASSERT_EQ(result.signatures.size(), 2u);
    EXPECT_EQ(result.signatures[0].integrity, Integrity::Valid);
    // Our record and signature count as a signature added, not as new content.
    EXPECT_EQ(result.signatures[0].change, Change::FormsOrAnnotations);
    EXPECT_TRUE(result.signatures[1].isGood());
    EXPECT_TRUE(result.signatures[1].ours);

    // Edits made since opening cannot be appended without rewriting: refused, not broken.
    auto edited = pdf::Document::fromData(theirs);
    ASSERT_TRUE(edited->removePage(1));
    try {
        Service::signDocument(*edited, "Ada", keys);
        FAIL() << "signing rewrote a document others had signed";
    } catch (const Service::SignatureError& error) {
        EXPECT_TRUE(error.description().startsWith("Signing failed: The document's existing "
                                                   "signatures would break"));
    }
}

TEST_F(StandardSignatureTest, AnOpenDocumentIsSearchedInPlaceForSignatures) {
    const QByteArray original = unsignedPdf();
    const SigningIdentity identity = Service::identityFor("Ada Lovelace", keys);
    const QByteArray signedPdf = StandardSignature::sign(original, identity, "Ada Lovelace");
    const QString path = dir.path() + "/signed.pdf";
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(signedPdf);
    out.close();

    const auto opened = pdf::Document::open(path);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(pdf::sourceContains(*opened, "/ByteRange"));
    EXPECT_TRUE(pdf::sourceContains(*opened, "%%EOF\n"));
    EXPECT_EQ(StandardSignature::verify(*opened).size(), 1u);

    const auto plain = pdf::Document::fromData(original);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(pdf::sourceContains(*plain, "/ByteRange"));
    EXPECT_TRUE(StandardSignature::verify(*plain).empty());
    // Made in memory: nothing was read, so nothing is found.
    const auto made = pdf::Document::create();
    EXPECT_FALSE(pdf::sourceContains(*made, "/ByteRange"));
}
