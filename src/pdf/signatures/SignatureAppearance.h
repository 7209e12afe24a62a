#pragma once
// What a visible signature shows: its signer, date, reason and location in a framed box,
// laid out as the page is shown, so the words stand upright on a page turned by /Rotate.
#include <QByteArray>
#include <QRectF>
#include <QStringList>

namespace pdf {

struct SignatureAppearance {
    QRectF rect;      // the widget's /Rect, page space
    double width = 0; // the form's /BBox is [0 0 width height], upright
    double height = 0;
    double matrix[6] = {1, 0, 0, 1, 0, 0}; // the form's /Matrix: turns it against the page
    QByteArray content;                    // the form's content stream (font /Helv)
};

// The box for `lines` (the first is the signer's) on a page whose crop box is `pageBox` and
// whose /Rotate is `rotation`: below the stamp at `stampRect` as the page is shown (above
// it when the page ends first), or at the shown page's lower left when there is no stamp.
SignatureAppearance layoutSignatureAppearance(const QStringList& lines, const QRectF& pageBox,
                                              int rotation, const QRectF& stampRect);

} // namespace pdf
