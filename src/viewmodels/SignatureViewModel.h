#pragma once
// The signature sheet's model: the library of drawn signatures (kept in preferences
// under "saved_signatures"), the drawing waiting to be saved, the "Signed by" stamp
// options, the digital signer's name and the last verification result.
#include "models/SignatureModel.h"
#include "platform/KeyStore.h"
#include "utilities/DigitalSignatureService.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>
#include <vector>

namespace pdf {
class Annotation;
class Document;
class Page;
} // namespace pdf

class DocumentViewModel;

class SignatureViewModel : public QObject {
    Q_OBJECT
    // A null image stands for "no current signature".
    Q_PROPERTY(QImage currentSignatureImage READ currentSignatureImage WRITE
                   setCurrentSignatureImage NOTIFY currentSignatureImageChanged)
    Q_PROPERTY(
        QString signatureName READ signatureName WRITE setSignatureName NOTIFY signatureNameChanged)
    Q_PROPERTY(bool includeStamp READ includeStamp WRITE setIncludeStamp NOTIFY includeStampChanged)
    Q_PROPERTY(QString stampName READ stampName WRITE setStampName NOTIFY stampNameChanged)
    Q_PROPERTY(QString signerName READ signerName WRITE setSignerName NOTIFY signerNameChanged)
    // Shown on a visible signature and kept in the signature dictionary; empty for none.
    Q_PROPERTY(QString signingReason READ signingReason WRITE setSigningReason NOTIFY
                   signingDetailsChanged)
    Q_PROPERTY(QString signingLocation READ signingLocation WRITE setSigningLocation NOTIFY
                   signingDetailsChanged)
    // The timestamp authority's address (http://...), kept across runs; empty for none.
    Q_PROPERTY(QString timestampServer READ timestampServer WRITE setTimestampServer NOTIFY
                   signingDetailsChanged)
    // The imported identity to sign with, by label; empty for the signer name's own.
    Q_PROPERTY(QString selectedIdentity READ selectedIdentity WRITE setSelectedIdentity NOTIFY
                   selectedIdentityChanged)

public:
    using VerificationResult = DigitalSignatureService::SignatureVerificationResult;
    static constexpr const char* storageKey = "saved_signatures";
    static constexpr const char* timestampServerKey = "timestamp_server";

    // Loads the library from preferences.
    explicit SignatureViewModel(QObject* parent = nullptr);

    const std::vector<SavedSignature>& savedSignatures() const { return savedSignatures_; }
    QImage currentSignatureImage() const { return currentSignatureImage_; }
    QString signatureName() const { return signatureName_; }
    bool includeStamp() const { return includeStamp_; }
    QString stampName() const { return stampName_; }
    QString signerName() const { return signerName_; }
    const std::optional<VerificationResult>& verificationResult() const {
        return verificationResult_;
    }

    void setCurrentSignatureImage(const QImage& image);
    void setSignatureName(const QString& name);
    void setIncludeStamp(bool on);
    void setStampName(const QString& name);
    void setSignerName(const QString& name);
    void setVerificationResult(const std::optional<VerificationResult>& result);

    void loadSignatures();
    // Adds the current drawing under signatureName, then clears both.
    void saveCurrentSignature();
    // Removes every entry with the signature's id.
    void deleteSignature(const SavedSignature& signature);

    // Puts the signature on `page` as an image stamp of `size` centred on `center` (page
    // space), with the "Signed by" line 4 points below it when includeStamp is on. Returns
    // the annotations made.
    std::vector<std::shared_ptr<pdf::Annotation>>
    placeSignature(const SavedSignature& signature, pdf::Page& page, QPointF center, QSizeF size,
                   const QDateTime& now = QDateTime::currentDateTime());
    // The main window's placement: the page at `pageIndex`, at its centre, 200 × 80.
    // Returns false (and changes nothing) without a document or such a page.
    bool placeSignatureOnPage(const SavedSignature& signature, pdf::Document* document,
                              int pageIndex);
    // The same placement on the window's current page, as an edit performed through
    // `documentVM` (undone as one). Used by every control that places a saved signature.
    bool placeSignatureOnCurrentPage(const SavedSignature& signature,
                                     DocumentViewModel& documentVM);
    // The signature tool's placement on page `pageIndex`, as one edit: fitted into `box`
    // (page space, aspect kept), or at the default size centred on its corner when `box`
    // is empty (a click).
    bool placeSignatureInBox(const SavedSignature& signature, DocumentViewModel& documentVM,
                             int pageIndex, const QRectF& box);
    // What the signature tool places: the signature placed last, else the newest saved one.
    std::optional<SavedSignature> chosenSignature() const;

    // Signs under signerName ("User" when empty) with the selected identity; returns the
    // signed PDF bytes. Throws DigitalSignatureService::SignatureError.
    QByteArray signDocument(pdf::Document& document);

    QString signingReason() const { return signingReason_; }
    QString signingLocation() const { return signingLocation_; }
    QString timestampServer() const { return timestampServer_; }
    void setSigningReason(const QString& reason);
    void setSigningLocation(const QString& location);
    void setTimestampServer(const QString& url);

    QString selectedIdentity() const { return selectedIdentity_; }
    void setSelectedIdentity(const QString& label);
    // The identities imported into the key store, by label.
    std::vector<SigningIdentity> importedIdentities() const;
    // Reads a PKCS #12 file with its password (used for this call only) and keeps its key
    // and certificates; selects it. Returns an empty string, or why it failed.
    QString importIdentity(const QString& path, const QString& password);

    // The key store used for signing (the user's own unless a test swaps it).
    const KeyStore& keyStore() const { return keyStore_; }
    void setKeyStore(const KeyStore& store) { keyStore_ = store; }

    // "Signed by NAME on DATE": the date in the locale's abbreviated style with its short time.
    static QString stampText(const QString& name, const QDateTime& when);

signals:
    void savedSignaturesChanged();
    void currentSignatureImageChanged();
    void signatureNameChanged();
    void includeStampChanged();
    void stampNameChanged();
    void signerNameChanged();
    void verificationResultChanged();
    void selectedIdentityChanged();
    void identitiesChanged();
    void signingDetailsChanged();

private:
    void persistSignatures();
    bool placeAsEdit(const SavedSignature& signature, DocumentViewModel& documentVM, int pageIndex,
                     std::optional<QPointF> center, QSizeF size);

    std::vector<SavedSignature> savedSignatures_;
    QImage currentSignatureImage_;
    QString signatureName_;
    bool includeStamp_ = true;
    QString stampName_;
    std::optional<VerificationResult> verificationResult_;
    QString signerName_;
    QString selectedIdentity_;
    QString signingReason_;
    QString signingLocation_;
    QString timestampServer_;
    KeyStore keyStore_;
    // The last stamp placed, which the next digital signature shows on.
    const pdf::Document* stampDocument_ = nullptr;
    int stampPage_ = -1;
    QRectF stampRect_;
    QUuid lastPlaced_;
};
