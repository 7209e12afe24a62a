#pragma once
// Standard PDF signature fields: reading every signature a file carries (byte range,
// CMS contents, what changed after it), and appending a new, unsigned signature field as
// an incremental update, so that the bytes before it stay exactly as they were.
#include <QByteArray>
#include <QDateTime>
#include <QRectF>
#include <QString>

#include <utility>
#include <vector>

namespace pdf {

struct SignatureField {
    QString fieldName;
    QByteArray subFilter; // e.g. "ETSI.CAdES.detached", "adbe.pkcs7.detached"
    QByteArray contents;  // the CMS (DER), trailing zero padding left as written
    std::vector<std::pair<qint64, qint64>> byteRange; // (offset, length) pairs
    QDateTime signingTime;                            // the dictionary's /M; invalid when absent
    QString signerName;                               // the dictionary's /Name, often empty
    QString application;                              // /Prop_Build /App /Name, empty when absent

    enum class Change { None, FormsOrAnnotations, Content };
    // What the file holds beyond the signed bytes. A byte range that does not end where the
    // file ends, or that leaves holes other than its own /Contents, is Content.
    Change changeAfterSigning = Change::None;
    bool byteRangeSound = false; // ranges start at 0, leave exactly the /Contents hole
    QString byteRangeProblem;    // why it is not sound, as a phrase; empty when it is
};

// Every signed signature field of a PDF file, in the order of the form's fields. Empty for
// anything that is not a readable PDF or has no signatures, and for a protected file that
// `password` does not open. Never throws.
std::vector<SignatureField> readSignatureFields(const QByteArray& fileBytes,
                                                const QByteArray& password = {});

struct SignatureFieldRequest {
    QString fieldName;     // unique among the form's fields; made up when empty
    QString signerName;    // /Name
    QString application;   // /Prop_Build /App /Name
    QDateTime signingTime; // /M
    QByteArray subFilter = "ETSI.CAdES.detached";
    qsizetype contentsCapacity = 16384; // bytes of CMS the hole can take
    // A visible signature, showing signer, date, reason and location: below the image stamp
    // at `stampRect` (PDF user space) of page `stampPage`, or at the lower left of page
    // `visiblePage`. Invisible when there is no such stamp or page.
    int stampPage = -1;
    QRectF stampRect;
    int visiblePage = -1;
    QString reason;   // /Reason, when not empty
    QString location; // /Location, when not empty
    // Information entries (e.g. "Subject") to set in the same update; the others stay.
    std::vector<std::pair<QByteArray, QString>> info;
    // Opens a protected file; the update is encrypted as the file is.
    QByteArray password;
};

struct PreparedSignature {
    QByteArray data;         // the file with the update appended; /Contents all zeros
    qsizetype holeStart = 0; // offset of '<' of /Contents
    qsizetype holeEnd = 0;   // offset just after '>'
    // The signed bytes: everything but the hole.
    QByteArray signedBytes() const { return data.left(holeStart) + data.mid(holeEnd); }
};

// Appends a signature field (invisible on the first page unless a stamp is named), with a signature
// dictionary whose /ByteRange is final and whose /Contents is a zero-filled hole. A protected file
// keeps its protection: the update's strings are encrypted with the file's key, the hole is not.
// Throws pdf::Error when the file is not a PDF this can update (unreadable, locked to the
// request's password, repaired, without pages).
PreparedSignature prepareSignatureField(const QByteArray& fileBytes,
                                        const SignatureFieldRequest& request);

// Puts `cms` (DER) into the hole as hex. Throws pdf::Error when it does not fit.
void fillSignatureHole(PreparedSignature& prepared, const QByteArray& cms);

} // namespace pdf
