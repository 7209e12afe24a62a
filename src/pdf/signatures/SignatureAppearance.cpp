#include "pdf/signatures/SignatureAppearance.h"

#include <algorithm>

namespace pdf {

namespace {

constexpr double kFontSize = 8;
constexpr double kLeading = 10;
constexpr double kPadding = 4;
constexpr double kMinWidth = 180;
constexpr double kMargin = 36;     // from the shown page's edges when there is no stamp
constexpr double kBelowStamp = 24; // room for the stamp's "Signed by" line
// Helvetica's widest common glyphs are about this wide; lines are fitted to it.
constexpr double kCharWidth = 0.56;

// A point of the page as the page is shown: turned clockwise by `rotation`, y down.
QPointF shown(const QPointF& p, const QRectF& box, int rotation) {
    const double x0 = box.left(), y0 = box.top(), x1 = box.right(), y1 = box.bottom();
    switch (rotation) {
    case 90:
        return {p.y() - y0, p.x() - x0};
    case 180:
        return {x1 - p.x(), p.y() - y0};
    case 270:
        return {y1 - p.y(), x1 - p.x()};
    default:
        return {p.x() - x0, y1 - p.y()};
    }
}

QPointF unshown(const QPointF& d, const QRectF& box, int rotation) {
    const double x0 = box.left(), y0 = box.top(), x1 = box.right(), y1 = box.bottom();
    switch (rotation) {
    case 90:
        return {x0 + d.y(), y0 + d.x()};
    case 180:
        return {x1 - d.x(), y0 + d.y()};
    case 270:
        return {x1 - d.y(), y1 - d.x()};
    default:
        return {x0 + d.x(), y1 - d.y()};
    }
}

QRectF mapRect(const QRectF& r, const QRectF& box, int rotation, bool toPage) {
    auto map = [&](const QPointF& p) {
        return toPage ? unshown(p, box, rotation) : shown(p, box, rotation);
    };
    return QRectF(map(r.topLeft()), map(r.bottomRight())).normalized();
}

// A PDF string of WinAnsi text (what Helvetica shows); what it cannot show becomes '?'.
QByteArray pdfString(const QString& text) {
    QByteArray out = "(";
    for (const QChar ch : text) {
        const ushort u = ch.unicode();
        const char c = (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF) ? char(u) : '?';
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + ")";
}

QByteArray number(double v) {
    return QByteArray::number(v, 'f', 2);
}

} // namespace

SignatureAppearance layoutSignatureAppearance(const QStringList& lines, const QRectF& pageBox,
                                              int rotation, const QRectF& stampRect) {
    rotation = ((rotation % 360) + 360) % 360;
    if (rotation % 90)
        rotation = 0;
    const bool turned = rotation == 90 || rotation == 270;
    const double shownWidth = turned ? pageBox.height() : pageBox.width();
    const double shownHeight = turned ? pageBox.width() : pageBox.height();

    SignatureAppearance a;
    const QRectF stamp =
        stampRect.isEmpty() ? QRectF() : mapRect(stampRect, pageBox, rotation, false);
    a.width = std::min(std::max(kMinWidth, stamp.width()), shownWidth);
    a.height = kPadding * 2 + kLeading * double(lines.size());
    QPointF at;
    if (stamp.isEmpty()) {
        at = {kMargin, shownHeight - kMargin - a.height};
    } else {
        at = {stamp.left(), stamp.bottom() + kBelowStamp};
        if (at.y() + a.height > shownHeight)
            at.setY(stamp.top() - kPadding - a.height);
    }
    at.setX(std::clamp(at.x(), 0.0, std::max(0.0, shownWidth - a.width)));
    at.setY(std::clamp(at.y(), 0.0, std::max(0.0, shownHeight - a.height)));
    a.rect = mapRect(QRectF(at, QSizeF(a.width, a.height)), pageBox, rotation, true);

    // Drawn upright, then turned against the page's rotation so that it shows upright.
    const double w = a.width, h = a.height;
    const double matrices[4][6] = {
        {1, 0, 0, 1, 0, 0}, {0, 1, -1, 0, h, 0}, {-1, 0, 0, -1, w, h}, {0, -1, 1, 0, 0, w}};
    std::copy(std::begin(matrices[rotation / 90]), std::end(matrices[rotation / 90]), a.matrix);

    qsizetype longest = 1;
    for (const QString& line : lines)
        longest = std::max(longest, line.size());
    const double size =
        std::clamp((w - 2 * kPadding) / (double(longest) * kCharWidth), 4.0, kFontSize);
    QByteArray& c = a.content;
    c = "q 1 1 1 rg 0.35 0.35 0.35 RG 0.75 w 0.5 0.5 " + number(w - 1) + " " + number(h - 1) +
        " re B Q\nBT 0.1 0.1 0.1 rg /Helv " + number(size) + " Tf " + number(kLeading) + " TL " +
        number(kPadding) + " " + number(h - kPadding - size) + " Td\n";
    for (int i = 0; i < lines.size(); ++i)
        c += (i ? "T* " : "") + pdfString(lines[i]) + " Tj\n";
    c += "ET\n";
    return a;
}

} // namespace pdf
