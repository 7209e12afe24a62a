#pragma once
// A document that hides a secret everywhere a PDF can hold one, for redaction tests.
#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace fixtures {

// The secrets and the words around them that must survive.
QStringList redactionSecrets(); // "SECRET", "Zażółć", "秘密"
QStringList redactionKeptWords();

// Page 1 (612 × 792): the secrets in Helvetica, a Type 3 font, a CID font (Polish, CJK),
// invisible text (render mode 3) and a form XObject; a 40 × 40 green image at
// [300 300 500 500] whose 10 × 10 blue patch (pixels 10–19) sits at [350 400 400 450]; a
// blue square at [80 100 110 130] crossed by a line along y = 115; a link and a note over
// the Helvetica secret, another note elsewhere naming it, and a thumbnail spelling it.
// Pages 2 and 3 (/Rotate 90 and 270): "Hotel SECRET India" and "Juliet SECRET Kilo" in
// 12 pt Helvetica at (72, 300), the secret spanning x 103.3–152 in PDF user space.
// The outline has an entry "SECRET chapter"; the title and the XMP name the secret.
QByteArray redactionPdf();

// One page showing "Visible words", carrying the kinds sanitising removes: information and
// XMP naming "Planner", an opening script and a named script ("alert"), an embedded file
// "plan.txt" and a file attachment annotation, a note "Comment text", and a layer hidden
// by default drawing "HiddenLayerWord".
QByteArray sanitizePdf();

// Where the image patch and the blue square lie as page 1 is shown (top-left origin).
QRectF redactionPatchShown();  // 350, 342, 50, 50
QRectF redactionSquareShown(); // 75, 657, 40, 40

} // namespace fixtures
