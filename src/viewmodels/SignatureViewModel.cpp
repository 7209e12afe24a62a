#include "viewmodels/SignatureViewModel.h"

#include "models/LocaleFormat.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "platform/Preferences.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"

#include <QBuffer>
#include <QTransform>

namespace {

// The "Signed by" line: grey of secondary labels, 9 points, 16-point strip 4 points below.
const QColor kSecondaryLabel(128, 128, 128);
constexpr double kStampFontSize = 9;
constexpr double kStampLineHeight = 16;
constexpr double kStampGap = 4;
constexpr QSizeF kPlacementSize(200, 80);

// Where a stamp of `size` centred on `center` lands in page space: laid out as the page is
// shown, so on a turned page its sides are turned too.
QRectF placedRect(const pdf::Page& page, QPointF center, QSizeF size) {
    const QTransform toDisplay = page.pageToDisplay();
    const QPointF shown = toDisplay.map(center);
    return toDisplay.inverted().mapRect(QRectF(
        shown.x() - size.width() / 2, shown.y() - size.height() / 2, size.width(), size.height()));
}

std::optional<QByteArray> pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return std::nullopt;
    return bytes;
}

// The image stamp, and the "Signed by" line under `stampName` (the signature's own name
// when empty) unless it is nullopt.
std::vector<pdf::AnnotationPtr> stampSignature(const SavedSignature& signature, pdf::Page& page,
                                               QPointF center, QSizeF size,
                                               const std::optional<QString>& stampName,
                                               const QDateTime& now) {
    const QImage image = QImage::fromData(signature.imageData);
    if (image.isNull())
        return {};
    // Laid out as the person sees the page (rotation applied, y down), then taken back into
    // page space: on a turned page the stamp and its line stay upright and in one line.
    const QTransform toDisplay = page.pageToDisplay();
    const QTransform toPage = toDisplay.inverted();
    const QPointF shownCenter = toDisplay.map(center);
    const QRectF stampShown(shownCenter.x() - size.width() / 2, shownCenter.y() - size.height() / 2,
                            size.width(), size.height());
    const QRectF stampRect = toPage.mapRect(stampShown);
    // The image is drawn in page space; turned back by the page's rotation it shows upright.
    const int turn = page.rotation();
    const QImage upright = turn ? image.transformed(QTransform().rotate(-turn)) : image;
    std::vector<pdf::AnnotationPtr> made;
    if (auto stamp = page.addImageStamp(stampRect, upright))
        made.push_back(std::move(stamp));
    else
        return {};
    if (!stampName)
        return made;
    const QString name = stampName->isEmpty() ? signature.name : *stampName;
    const QRectF lineRect = toPage.mapRect(
        QRectF(stampShown.left(), stampShown.bottom() + kStampGap, size.width(), kStampLineHeight));
    made.push_back(page.addFreeText(lineRect, SignatureViewModel::stampText(name, now),
                                    kStampFontSize, kSecondaryLabel));
    return made;
}

} // namespace

SignatureViewModel::SignatureViewModel(QObject* parent) : QObject(parent) {
    loadSignatures();
    timestampServer_ = QString::fromUtf8(Preferences::data(timestampServerKey).value_or(""));
}

void SignatureViewModel::setCurrentSignatureImage(const QImage& image) {
    if (image.isNull() && currentSignatureImage_.isNull())
        return;
    currentSignatureImage_ = image;
    emit currentSignatureImageChanged();
}

void SignatureViewModel::setSignatureName(const QString& name) {
    if (name == signatureName_)
        return;
    signatureName_ = name;
    emit signatureNameChanged();
}

void SignatureViewModel::setIncludeStamp(bool on) {
    if (on == includeStamp_)
        return;
    includeStamp_ = on;
    emit includeStampChanged();
}

void SignatureViewModel::setStampName(const QString& name) {
    if (name == stampName_)
        return;
    stampName_ = name;
    emit stampNameChanged();
}

void SignatureViewModel::setSignerName(const QString& name) {
    if (name == signerName_)
        return;
    signerName_ = name;
    emit signerNameChanged();
}

void SignatureViewModel::setVerificationResult(const std::optional<VerificationResult>& result) {
    verificationResult_ = result;
    emit verificationResultChanged();
}

void SignatureViewModel::loadSignatures() {
    const std::optional<QByteArray> stored = Preferences::data(storageKey);
    if (!stored)
        return;
    // An unreadable library leaves the list as it is; the next save overwrites it.
    if (auto library = SavedSignature::decodeLibrary(*stored)) {
        savedSignatures_ = std::move(*library);
        emit savedSignaturesChanged();
    }
}

void SignatureViewModel::persistSignatures() {
    Preferences::setData(storageKey, SavedSignature::encodeLibrary(savedSignatures_));
}

void SignatureViewModel::saveCurrentSignature() {
    if (currentSignatureImage_.isNull())
        return;
    const std::optional<QByteArray> png = pngBytes(currentSignatureImage_);
    if (!png || signatureName_.isEmpty())
        return;
    SavedSignature signature;
    signature.name = signatureName_;
    signature.imageData = *png;
    savedSignatures_.push_back(std::move(signature));
    persistSignatures();
    emit savedSignaturesChanged();
    setSignatureName(QString());
    setCurrentSignatureImage(QImage());
}

void SignatureViewModel::deleteSignature(const SavedSignature& signature) {
    const auto removed = std::erase_if(
        savedSignatures_, [&](const SavedSignature& s) { return s.id == signature.id; });
    persistSignatures();
    if (removed > 0)
        emit savedSignaturesChanged();
}

QString SignatureViewModel::stampText(const QString& name, const QDateTime& when) {
    return "Signed by " + name + " on " + LocaleFormat::abbreviatedDateTime(when);
}

std::vector<pdf::AnnotationPtr> SignatureViewModel::placeSignature(const SavedSignature& signature,
                                                                   pdf::Page& page, QPointF center,
                                                                   QSizeF size,
                                                                   const QDateTime& now) {
    return stampSignature(signature, page, center, size,
                          includeStamp_ ? std::optional<QString>(stampName_) : std::nullopt, now);
}

bool SignatureViewModel::placeSignatureOnPage(const SavedSignature& signature,
                                              pdf::Document* document, int pageIndex) {
    if (!document)
        return false;
    const pdf::PagePtr page = document->page(pageIndex);
    if (!page)
        return false;
    placeSignature(signature, *page, page->mediaBox().center(), kPlacementSize);
    stampDocument_ = document;
    stampPage_ = pageIndex;
    stampRect_ = placedRect(*page, page->mediaBox().center(), kPlacementSize);
    return true;
}

bool SignatureViewModel::placeSignatureOnCurrentPage(const SavedSignature& signature,
                                                     DocumentViewModel& documentVM) {
    return placeAsEdit(signature, documentVM, documentVM.currentPageIndex(), std::nullopt,
                       kPlacementSize);
}

bool SignatureViewModel::placeSignatureInBox(const SavedSignature& signature,
                                             DocumentViewModel& documentVM, int pageIndex,
                                             const QRectF& box) {
    const pdf::DocumentPtr document = documentVM.pdfDocument();
    const pdf::PagePtr page = document ? document->page(pageIndex) : nullptr;
    if (!page)
        return false;
    if (box.isEmpty())
        return placeAsEdit(signature, documentVM, pageIndex, box.topLeft(), kPlacementSize);
    // The picture keeps its proportions inside the box as the person dragged it.
    const QSizeF shown = page->pageToDisplay().mapRect(box).size();
    const QSize picture = QImage::fromData(signature.imageData).size();
    const QSizeF size =
        picture.isEmpty() ? shown : QSizeF(picture).scaled(shown, Qt::KeepAspectRatio);
    return placeAsEdit(signature, documentVM, pageIndex, box.center(), size);
}

std::optional<SavedSignature> SignatureViewModel::chosenSignature() const {
    for (const SavedSignature& signature : savedSignatures_)
        if (signature.id == lastPlaced_)
            return signature;
    if (savedSignatures_.empty())
        return std::nullopt;
    return savedSignatures_.back();
}

bool SignatureViewModel::placeAsEdit(const SavedSignature& signature, DocumentViewModel& documentVM,
                                     int index, std::optional<QPointF> center, QSizeF size) {
    const pdf::DocumentPtr document = documentVM.pdfDocument();
    if (!document || !document->page(index))
        return false;
    // A redo places the same stamp again, whatever the sheet's options are by then.
    auto make = [signature, index, center, size,
                 stamp = includeStamp_ ? std::optional(stampName_) : std::nullopt,
                 now = QDateTime::currentDateTime()](pdf::Document& doc) {
        const pdf::PagePtr page = doc.page(index);
        if (!page)
            return std::vector<pdf::AnnotationPtr>();
        return stampSignature(signature, *page, center.value_or(page->mediaBox().center()), size,
                              stamp, now);
    };
    if (!documentVM.perform(
            std::make_unique<AddAnnotationsEdit>(tr("Place Signature"), document, std::move(make))))
        return false;
    lastPlaced_ = signature.id;
    // A standard signature made next shows this stamp as its picture.
    const pdf::PagePtr page = document->page(index);
    stampDocument_ = document.get();
    stampPage_ = index;
    stampRect_ = placedRect(*page, center.value_or(page->mediaBox().center()), size);
    return true;
}

QByteArray SignatureViewModel::signDocument(pdf::Document& document) {
    const QString signer = signerName_.isEmpty() ? QStringLiteral("User") : signerName_;
    std::optional<SigningIdentity> identity;
    if (!selectedIdentity_.isEmpty()) {
        for (SigningIdentity& candidate : importedIdentities())
            if (candidate.label == selectedIdentity_)
                identity = std::move(candidate);
        if (!identity)
            throw DigitalSignatureService::SignatureError::noIdentity();
    }
    StandardSignature::Options options;
    if (stampDocument_ == &document) {
        options.stampPage = stampPage_;
        options.stampRect = stampRect_;
    }
    options.reason = signingReason_;
    options.location = signingLocation_;
    options.timestampServer = timestampServer_;
    return DigitalSignatureService::signDocument(document, signer, keyStore_,
                                                 identity ? &*identity : nullptr, options)
        .signedData;
}

void SignatureViewModel::setSigningReason(const QString& reason) {
    if (reason == signingReason_)
        return;
    signingReason_ = reason;
    emit signingDetailsChanged();
}

void SignatureViewModel::setSigningLocation(const QString& location) {
    if (location == signingLocation_)
        return;
    signingLocation_ = location;
    emit signingDetailsChanged();
}

void SignatureViewModel::setTimestampServer(const QString& url) {
    const QString trimmed = url.trimmed();
    if (trimmed == timestampServer_)
        return;
    timestampServer_ = trimmed;
    if (trimmed.isEmpty())
        Preferences::remove(timestampServerKey);
    else
        Preferences::setData(timestampServerKey, trimmed.toUtf8());
    emit signingDetailsChanged();
}

void SignatureViewModel::setSelectedIdentity(const QString& label) {
    if (label == selectedIdentity_)
        return;
    selectedIdentity_ = label;
    emit selectedIdentityChanged();
}

std::vector<SigningIdentity> SignatureViewModel::importedIdentities() const {
    return SigningIdentity::importedIdentities(keyStore_);
}

QString SignatureViewModel::importIdentity(const QString& path, const QString& password) {
    try {
        const SigningIdentity stored =
            SigningIdentity::importIdentity(SigningIdentity::readPkcs12(path, password), keyStore_);
        emit identitiesChanged();
        setSelectedIdentity(stored.label);
        return {};
    } catch (const DigitalSignatureService::SignatureError& error) {
        return error.description();
    }
}
