#include "support/RedactionFixtures.h"

#include "support/PdfFixtures.h"

namespace fixtures {

namespace {

QByteArray ref(int n) {
    return QByteArray::number(n) + " 0 R";
}

const QString kPolish = QStringLiteral("gęślą Zażółć jaźń");
const QString kCjk = QStringLiteral("東京 秘密 大阪");

// A Type 3 font whose capital letters are all the same block, named so readers know them.
int type3Font(MiniPdf& pdf) {
    const int block = pdf.addStream("<< >>", "600 0 0 0 500 700 d1 0 0 500 700 re f");
    const int blank = pdf.addStream("<< >>", "600 0 d0");
    QByteArray names = "32 /space 65";
    QByteArray procs = "/space " + ref(blank);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        names += QByteArray(" /") + letter;
        procs += QByteArray(" /") + letter + " " + ref(block);
    }
    QByteArray widths;
    for (int code = 32; code <= 90; ++code)
        widths += "600 ";
    return pdf.add("<< /Type /Font /Subtype /Type3 /FontBBox [0 0 600 700] /FontMatrix [0.001 0 "
                   "0 0.001 0 0] /CharProcs << " +
                   procs + " >> /Encoding << /Type /Encoding /Differences [" + names +
                   "] >> /FirstChar 32 /LastChar 90 /Widths [" + widths + "] /Resources << >> >>");
}

// A CID font left to the reader's fallback, its codes mapped to text by a ToUnicode CMap.
int cidFont(MiniPdf& pdf, const QString& alphabet) {
    QByteArray map = "/CIDInit /ProcSet findresource begin 12 dict begin begincmap "
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def "
                     "/CMapName /Adobe-Identity-UCS def /CMapType 2 def 1 begincodespacerange "
                     "<0000> <FFFF> endcodespacerange " +
                     QByteArray::number(alphabet.size()) + " beginbfchar\n";
    for (qsizetype i = 0; i < alphabet.size(); ++i)
        map += "<" + QByteArray::number(qulonglong(i + 1), 16).rightJustified(4, '0') + "> <" +
               QByteArray::number(alphabet[i].unicode(), 16).rightJustified(4, '0') + ">\n";
    map += "endbfchar endcmap CMapName currentdict /CMap defineresource pop end end";
    const int toUnicode = pdf.addStream("<< >>", map);
    const int descriptor =
        pdf.add("<< /Type /FontDescriptor /FontName /DroidSansFallback /Flags 4 /FontBBox [0 -200 "
                "1000 900] /ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 >>");
    const int descendant = pdf.add(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /DroidSansFallback /CIDSystemInfo << "
        "/Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " +
        ref(descriptor) + " /DW 1000 >>");
    return pdf.add("<< /Type /Font /Subtype /Type0 /BaseFont /DroidSansFallback /Encoding "
                   "/Identity-H /DescendantFonts [" +
                   ref(descendant) + "] /ToUnicode " + ref(toUnicode) + " >>");
}

QByteArray cidCodes(const QString& alphabet, const QString& text) {
    QByteArray out = "<";
    for (QChar ch : text)
        out += QByteArray::number(qulonglong(alphabet.indexOf(ch) + 1), 16).rightJustified(4, '0');
    return out + ">";
}

QByteArray patchedImage() {
    QByteArray pixels;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            pixels += (x >= 10 && x < 20 && y >= 10 && y < 20) ? QByteArray("\x00\x00\xff", 3)
                                                               : QByteArray("\x00\xc8\x00", 3);
    return pixels;
}

QByteArray rotatedPage(MiniPdf& pdf, int pages, int helvetica, int rotate, const char* line) {
    const int content =
        pdf.addStream("<< >>", QByteArray("BT /F1 12 Tf 72 300 Td (") + line + ") Tj ET");
    return "<< /Type /Page /Parent " + ref(pages) + " /MediaBox [0 0 612 792] /Rotate " +
           QByteArray::number(rotate) + " /Contents " + ref(content) +
           " /Resources << /Font << /F1 " + ref(helvetica) + " >> >> >>";
}

} // namespace

QStringList redactionSecrets() {
    return {QStringLiteral("SECRET"), QStringLiteral("Zażółć"), QStringLiteral("秘密")};
}

QStringList redactionKeptWords() {
    return {"Alpha",
            "Bravo",
            "DELTA",
            QStringLiteral("gęślą"),
            QStringLiteral("jaźń"),
            QStringLiteral("東京"),
            QStringLiteral("大阪"),
            "Echo",
            "Foxtrot",
            "Hotel",
            "India",
            "Juliet",
            "Kilo"};
}

QRectF redactionPatchShown() {
    return {350, 342, 50, 50};
}

QRectF redactionSquareShown() {
    return {75, 657, 40, 40};
}

QByteArray redactionPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int page1 = pdf.reserve();
    const int outlines = pdf.reserve();
    const int helvetica = pdf.add(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    const int type3 = type3Font(pdf);
    QString alphabet;
    for (QChar ch : kPolish + kCjk)
        if (!alphabet.contains(ch))
            alphabet += ch;
    const int cid = cidFont(pdf, alphabet);
    const int form = pdf.addStream(
        "<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << /Font << /F1 " +
            ref(helvetica) + " >> >> >>",
        "BT /F1 12 Tf 72 570 Td (Foxtrot SECRET) Tj ET");
    const int image = pdf.addStream("<< /Type /XObject /Subtype /Image /Width 40 /Height 40 "
                                    "/ColorSpace /DeviceRGB /BitsPerComponent 8 >>",
                                    patchedImage());
    const QByteArray content = "BT /F1 12 Tf 72 720 Td (Alpha SECRET Bravo) Tj ET\n"
                               "BT /T3 12 Tf 72 690 Td (DELTA SECRET) Tj ET\n"
                               "BT /C1 12 Tf 72 660 Td " +
                               cidCodes(alphabet, kPolish) + " Tj ET\nBT /C1 12 Tf 72 630 Td " +
                               cidCodes(alphabet, kCjk) +
                               " Tj ET\n"
                               "q BT 3 Tr /F1 12 Tf 72 600 Td (Echo SECRET) Tj ET Q\n"
                               "/X1 Do\n"
                               "q 200 0 0 200 300 300 cm /I1 Do Q\n"
                               "q 0 0 1 rg 80 100 30 30 re f 0 G 50 115 m 500 115 l S Q\n";
    const int contents = pdf.addStream("<< >>", content);
    const int thumb = pdf.addStream(
        "<< /Width 6 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>", "SECRET");
    const int link = pdf.add("<< /Type /Annot /Subtype /Link /Rect [106 716 154 730] /Border [0 0 "
                             "0] /A << /S /URI /URI (https://example.org/SECRET-plan) >> >>");
    const int note = pdf.add(
        "<< /Type /Annot /Subtype /Text /Rect [120 718 140 738] /Contents (about the SECRET) >>");
    const int other = pdf.add("<< /Type /Annot /Subtype /Text /Rect [400 700 420 720] /Contents "
                              "(Reminder: SECRET elsewhere) >>");
    pdf.set(page1, "<< /Type /Page /Parent " + ref(pages) + " /MediaBox [0 0 612 792] /Contents " +
                       ref(contents) + " /Thumb " + ref(thumb) + " /Annots [" + ref(link) + " " +
                       ref(note) + " " + ref(other) + "] /Resources << /Font << /F1 " +
                       ref(helvetica) + " /T3 " + ref(type3) + " /C1 " + ref(cid) +
                       " >> /XObject << /X1 " + ref(form) + " /I1 " + ref(image) + " >> >> >>");
    const int page2 = pdf.add(rotatedPage(pdf, pages, helvetica, 90, "Hotel SECRET India"));
    const int page3 = pdf.add(rotatedPage(pdf, pages, helvetica, 270, "Juliet SECRET Kilo"));
    pdf.set(pages, "<< /Type /Pages /Kids [" + ref(page1) + " " + ref(page2) + " " + ref(page3) +
                       "] /Count 3 >>");
    const int kept = pdf.add("<< /Title (Lima chapter) /Parent " + ref(outlines) + " /Dest [" +
                             ref(page2) + " /Fit] >>");
    const int secret = pdf.add("<< /Title (SECRET chapter) /Parent " + ref(outlines) + " /Next " +
                               ref(kept) + " /Dest [" + ref(page1) + " /Fit] >>");
    pdf.set(outlines,
            "<< /Type /Outlines /First " + ref(secret) + " /Last " + ref(kept) + " /Count 2 >>");
    const int xmp = pdf.addStream("<< /Type /Metadata /Subtype /XML >>",
                                  "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><dc:title>The SECRET "
                                  "report</dc:title></x:xmpmeta>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pages) + " /Outlines " + ref(outlines) +
                         " /Metadata " + ref(xmp) + " >>");
    const int info = pdf.add("<< /Title (The SECRET report) /Author (Mike) >>");
    return pdf.build(catalog, "/Info " + ref(info));
}

QByteArray sanitizePdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int page = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const int layer = pdf.add("<< /Type /OCG /Name (Draft) >>");
    const int contents =
        pdf.addStream("<< >>", "BT /F1 12 Tf 72 700 Td (Visible words) Tj ET\n"
                               "/OC /L1 BDC BT /F1 12 Tf 72 650 Td (HiddenLayerWord) Tj ET EMC");
    const int file = pdf.addStream("<< /Type /EmbeddedFile >>", "plan.txt holds the plan");
    const int spec = pdf.add("<< /Type /Filespec /F (plan.txt) /EF << /F " + ref(file) + " >> >>");
    const int attachment = pdf.add("<< /Type /Annot /Subtype /FileAttachment /Rect [300 700 320 "
                                   "720] /FS " +
                                   ref(spec) + " >>");
    const int note = pdf.add(
        "<< /Type /Annot /Subtype /Text /Rect [400 700 420 720] /Contents (Comment text) >>");
    const int script = pdf.add("<< /S /JavaScript /JS (app.alert\\(1\\)) >>");
    pdf.set(page, "<< /Type /Page /Parent " + ref(pages) + " /MediaBox [0 0 612 792] /Contents " +
                      ref(contents) + " /Annots [" + ref(attachment) + " " + ref(note) +
                      "] /Resources << /Font << /F1 " + ref(font) + " >> /Properties << /L1 " +
                      ref(layer) + " >> >> >>");
    pdf.set(pages, "<< /Type /Pages /Kids [" + ref(page) + "] /Count 1 >>");
    const int xmp = pdf.addStream("<< /Type /Metadata /Subtype /XML >>",
                                  "<x:xmpmeta><dc:creator>Planner</dc:creator></x:xmpmeta>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pages) + " /Metadata " + ref(xmp) +
                         " /OpenAction " + ref(script) +
                         " /Names << /JavaScript << /Names [(alert) " + ref(script) +
                         "] >> /EmbeddedFiles << /Names [(plan.txt) " + ref(spec) +
                         "] >> >> /OCProperties << /OCGs [" + ref(layer) + "] /D << /OFF [" +
                         ref(layer) + "] >> >> >>");
    const int info = pdf.add("<< /Author (Planner) /Title (Plans) >>");
    return pdf.build(catalog, "/Info " + ref(info));
}

} // namespace fixtures
