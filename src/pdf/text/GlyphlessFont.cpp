#include "pdf/text/GlyphlessFont.h"

#include <QString>

#include <cstdint>
#include <map>

namespace pdf {

namespace {

constexpr int kUnitsPerEm = 1000;
constexpr int kAscender = int(kGlyphlessAscent * kUnitsPerEm);
constexpr int kDescender = -int(kGlyphlessDescent * kUnitsPerEm);

// Big-endian writer for the font's tables.
struct Bytes {
    QByteArray data;
    void u8(int v) { data.append(char(v & 0xFF)); }
    void u16(int v) {
        u8(v >> 8);
        u8(v);
    }
    void u32(uint32_t v) {
        u16(int(v >> 16));
        u16(int(v & 0xFFFF));
    }
    void zeros(int n) { data.append(QByteArray(n, '\0')); }
};

uint32_t checksum(const QByteArray& table) {
    QByteArray padded = table;
    while (padded.size() % 4)
        padded.append('\0');
    uint32_t sum = 0;
    for (qsizetype i = 0; i < padded.size(); i += 4)
        sum += (uint32_t(uchar(padded[i])) << 24) | (uint32_t(uchar(padded[i + 1])) << 16) |
               (uint32_t(uchar(padded[i + 2])) << 8) | uint32_t(uchar(padded[i + 3]));
    return sum;
}

QByteArray head() {
    Bytes b;
    b.u32(0x00010000);
    b.u32(0x00010000);
    b.u32(0); // checkSumAdjustment, filled in once the whole font is known
    b.u32(0x5F0F3CF5);
    b.u16(0x000B);
    b.u16(kUnitsPerEm);
    b.zeros(16); // created, modified
    b.u16(0);
    b.u16(kDescender);
    b.u16(kGlyphlessAdvance);
    b.u16(kAscender);
    b.u16(0); // macStyle
    b.u16(3); // lowestRecPPEM
    b.u16(2); // fontDirectionHint
    b.u16(0); // short loca offsets
    b.u16(0);
    return b.data;
}

QByteArray hhea() {
    Bytes b;
    b.u32(0x00010000);
    b.u16(kAscender);
    b.u16(kDescender);
    b.u16(0); // lineGap
    b.u16(kGlyphlessAdvance);
    b.u16(0);
    b.u16(0);
    b.u16(kGlyphlessAdvance);
    b.u16(1); // caret slope: upright
    b.u16(0);
    b.u16(0);
    b.zeros(8);
    b.u16(0);
    b.u16(2); // numberOfHMetrics
    return b.data;
}

QByteArray maxp() {
    Bytes b;
    b.u32(0x00010000);
    b.u16(2); // numGlyphs: .notdef and the one empty glyph every character maps to
    b.zeros(6);
    b.u16(2); // maxZones
    b.zeros(18);
    return b.data;
}

QByteArray hmtx() {
    Bytes b;
    for (int glyph = 0; glyph < 2; ++glyph) {
        b.u16(kGlyphlessAdvance);
        b.u16(0);
    }
    return b.data;
}

QByteArray loca() {
    Bytes b;
    b.zeros(6); // three short offsets, all 0: both glyphs are empty
    return b.data;
}

QByteArray glyf() {
    return QByteArray(4, '\0');
}

QByteArray cmap() {
    // Format 4 with the space mapped to glyph 1 and the closing segment.
    Bytes b;
    b.u16(0);
    b.u16(1);
    b.u16(3);
    b.u16(1);
    b.u32(12);
    b.u16(4);
    b.u16(32); // length
    b.u16(0);
    b.u16(4); // segCountX2
    b.u16(4);
    b.u16(1);
    b.u16(0);
    b.u16(0x0020);
    b.u16(0xFFFF); // endCode
    b.u16(0);
    b.u16(0x0020);
    b.u16(0xFFFF); // startCode
    b.u16((1 - 0x20) & 0xFFFF);
    b.u16(1); // idDelta
    b.u16(0);
    b.u16(0); // idRangeOffset
    return b.data;
}

QByteArray name() {
    const QString family = QStringLiteral("GlyphLessFont");
    const QString style = QStringLiteral("Regular");
    const int familyBytes = int(family.size()) * 2;
    Bytes b;
    b.u16(0);
    b.u16(3);
    b.u16(6 + 3 * 12);
    const int records[3][3] = {
        {1, familyBytes, 0}, {2, int(style.size()) * 2, familyBytes}, {6, familyBytes, 0}};
    for (const auto& record : records) {
        b.u16(3);
        b.u16(1);
        b.u16(0x409);
        b.u16(record[0]);
        b.u16(record[1]);
        b.u16(record[2]);
    }
    for (const QString& text : {family, style})
        for (QChar ch : text)
            b.u16(ch.unicode());
    return b.data;
}

QByteArray post() {
    Bytes b;
    b.u32(0x00030000);
    b.u32(0);
    b.u16(-100);
    b.u16(50);
    b.u32(1); // fixed pitch
    b.zeros(16);
    return b.data;
}

QByteArray os2() {
    Bytes b;
    b.u16(3);
    b.u16(kGlyphlessAdvance);
    b.u16(400);
    b.u16(5);
    b.u16(0); // installable embedding
    b.zeros(20);
    b.u16(0);
    b.zeros(10); // panose
    b.zeros(16); // unicode ranges
    b.data.append("NONE");
    b.u16(0x40); // regular
    b.u16(0x20);
    b.u16(0x20);
    b.u16(kAscender);
    b.u16(kDescender);
    b.u16(0);
    b.u16(kAscender);
    b.u16(-kDescender);
    b.zeros(8); // code page ranges
    b.u16(kAscender * 5 / 8);
    b.u16(kAscender);
    b.u16(0);
    b.u16(0x20);
    b.u16(0);
    return b.data;
}

} // namespace

QByteArray glyphlessTrueType() {
    // Tags in ascending byte order, as the table directory requires.
    const std::map<QByteArray, QByteArray> tables{
        {"OS/2", os2()},  {"cmap", cmap()}, {"glyf", glyf()}, {"head", head()}, {"hhea", hhea()},
        {"hmtx", hmtx()}, {"loca", loca()}, {"maxp", maxp()}, {"name", name()}, {"post", post()},
    };
    const int count = int(tables.size());
    Bytes font;
    font.u32(0x00010000);
    font.u16(count);
    font.u16(128); // searchRange: 16 * 8, the largest power of two below 10 tables
    font.u16(3);
    font.u16(count * 16 - 128);
    int offset = 12 + 16 * count;
    QByteArray bodies;
    int headOffset = 0;
    for (const auto& [tag, table] : tables) {
        font.data.append(tag);
        font.u32(checksum(table));
        font.u32(uint32_t(offset));
        font.u32(uint32_t(table.size()));
        if (tag == "head")
            headOffset = offset;
        QByteArray padded = table;
        while (padded.size() % 4)
            padded.append('\0');
        bodies.append(padded);
        offset += int(padded.size());
    }
    font.data.append(bodies);
    const uint32_t adjustment = 0xB1B0AFBAu - checksum(font.data);
    for (int i = 0; i < 4; ++i)
        font.data[headOffset + 8 + i] = char((adjustment >> (24 - 8 * i)) & 0xFF);
    return font.data;
}

} // namespace pdf
