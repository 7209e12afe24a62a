#include "pdf/text/FontSubset.h"

#include <QCryptographicHash>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <set>

namespace pdf::fontsubset {

namespace {

quint32 u32(const QByteArray& b, qsizetype at) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}
quint16 u16(const QByteArray& b, qsizetype at) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint16(p[0] << 8 | p[1]);
}
void put16(QByteArray& b, qsizetype at, quint16 v) {
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
}
void append16(QByteArray& b, quint16 v) {
    b.append(char(v >> 8)).append(char(v));
}
void append32(QByteArray& b, quint32 v) {
    b.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}
quint32 checksum(const QByteArray& t) {
    QByteArray padded = t;
    while (padded.size() % 4)
        padded.append('\0');
    quint32 sum = 0;
    for (qsizetype i = 0; i < padded.size(); i += 4)
        sum += u32(padded, i);
    return sum;
}

struct Tables {
    std::map<QByteArray, QByteArray> byTag;
    bool has(const char* tag) const { return byTag.count(tag) != 0; }
    const QByteArray& at(const char* tag) const { return byTag.at(tag); }
};

bool readTables(const QByteArray& font, Tables& out) {
    if (font.size() < 12)
        return false;
    const quint32 version = u32(font, 0);
    if (version != 0x00010000 && version != 0x74727565 && version != 0x4F54544F) // not 'ttcf'
        return false;
    const int count = u16(font, 4);
    if (font.size() < 12 + 16 * qsizetype(count))
        return false;
    for (int i = 0; i < count; ++i) {
        const qsizetype rec = 12 + 16 * qsizetype(i);
        const quint32 offset = u32(font, rec + 8), length = u32(font, rec + 12);
        if (qint64(offset) + qint64(length) > font.size())
            return false;
        out.byTag[font.mid(rec, 4)] = font.mid(offset, length);
    }
    for (const char* tag : {"head", "hhea", "maxp", "hmtx"})
        if (!out.has(tag))
            return false;
    if (!out.has("CFF ") && !(out.has("glyf") && out.has("loca")))
        return false;
    return out.at("head").size() >= 54 && out.at("hhea").size() >= 36 && out.at("maxp").size() >= 6;
}

// Start and end of glyph `gid` in glyf, from loca; false when out of range.
bool glyphRange(const Tables& t, int gid, bool longLoca, quint32* start, quint32* end) {
    const QByteArray& loca = t.at("loca");
    const qsizetype step = longLoca ? 4 : 2;
    if ((qsizetype(gid) + 2) * step > loca.size())
        return false;
    auto entry = [&](int i) { return longLoca ? u32(loca, i * 4) : quint32(u16(loca, i * 2)) * 2; };
    *start = entry(gid);
    *end = entry(gid + 1);
    return *start <= *end && *end <= quint32(t.at("glyf").size());
}

// Adds the components of composite glyphs to `keep` until nothing new turns up.
void addComponents(const Tables& t, bool longLoca, std::set<int>& keep, int glyphCount) {
    std::vector<int> todo(keep.begin(), keep.end());
    const QByteArray& glyf = t.at("glyf");
    while (!todo.empty()) {
        const int gid = todo.back();
        todo.pop_back();
        quint32 start = 0, end = 0;
        if (!glyphRange(t, gid, longLoca, &start, &end) || end - start < 10)
            continue;
        if (qint16(u16(glyf, start)) >= 0)
            continue; // a simple glyph
        qsizetype at = start + 10;
        for (int guard = 0; guard < 256 && at + 4 <= qsizetype(end); ++guard) {
            const quint16 flags = u16(glyf, at);
            const int component = u16(glyf, at + 2);
            if (component < glyphCount && keep.insert(component).second)
                todo.push_back(component);
            at += 4 + ((flags & 0x0001) ? 4 : 2);
            if (flags & 0x0008)
                at += 2;
            else if (flags & 0x0040)
                at += 4;
            else if (flags & 0x0080)
                at += 8;
            if (!(flags & 0x0020))
                break;
        }
    }
}

// A format 12 character map (Windows, full Unicode) with just the characters used.
QByteArray characterMap(const GlyphUse& used) {
    std::map<char32_t, int> pairs;
    for (const auto& [ucs, gid] : used)
        if (ucs > 0 && gid > 0)
            pairs.emplace(ucs, gid);
    std::vector<std::array<quint32, 3>> groups; // first char, last char, first glyph
    for (const auto& [ucs, gid] : pairs) {
        if (!groups.empty() && groups.back()[1] + 1 == ucs &&
            groups.back()[2] + (ucs - groups.back()[0]) == quint32(gid))
            groups.back()[1] = ucs;
        else
            groups.push_back({quint32(ucs), quint32(ucs), quint32(gid)});
    }
    QByteArray sub;
    append16(sub, 12);
    append16(sub, 0);
    append32(sub, quint32(16 + 12 * groups.size()));
    append32(sub, 0);
    append32(sub, quint32(groups.size()));
    for (const auto& g : groups) {
        append32(sub, g[0]);
        append32(sub, g[1]);
        append32(sub, g[2]);
    }
    QByteArray cmap;
    append16(cmap, 0);  // version
    append16(cmap, 1);  // one subtable
    append16(cmap, 3);  // Windows
    append16(cmap, 10); // full Unicode
    append32(cmap, 12);
    return cmap + sub;
}

// Reads a CFF INDEX at `at`; fills the byte range of each entry and where the INDEX ends.
bool readIndex(const QByteArray& b, qsizetype at,
               std::vector<std::pair<qsizetype, qsizetype>>* items, qsizetype* end) {
    if (at + 2 > b.size())
        return false;
    const int count = u16(b, at);
    if (count == 0) {
        *end = at + 2;
        return true;
    }
    if (at + 3 > b.size())
        return false;
    const int offSize = uchar(b[at + 2]);
    if (offSize < 1 || offSize > 4)
        return false;
    const qsizetype offsets = at + 3;
    const qsizetype data = offsets + qsizetype(count + 1) * offSize - 1;
    if (data >= b.size())
        return false;
    auto offset = [&](int i) {
        qsizetype v = 0;
        for (int k = 0; k < offSize; ++k)
            v = v << 8 | uchar(b[offsets + qsizetype(i) * offSize + k]);
        return v;
    };
    qsizetype previous = offset(0);
    for (int i = 1; i <= count; ++i) {
        const qsizetype next = offset(i);
        if (next < previous || data + next > b.size())
            return false;
        if (items)
            items->push_back({data + previous, data + next});
        previous = next;
    }
    *end = data + previous;
    return true;
}

QByteArray writeIndex(const std::vector<QByteArray>& items) {
    QByteArray out;
    append16(out, quint16(items.size()));
    if (items.empty())
        return out;
    out.append(char(4));
    quint32 offset = 1;
    append32(out, offset);
    for (const QByteArray& item : items) {
        offset += quint32(item.size());
        append32(out, offset);
    }
    for (const QByteArray& item : items)
        out += item;
    return out;
}

// One DICT entry: its operands (as raw bytes and as numbers) and its operator.
struct DictEntry {
    std::vector<QByteArray> rawOperands;
    std::vector<qint64> operands;
    int op = -1; // 1200 + x for the two-byte operators
};

bool readDict(const QByteArray& b, qsizetype from, qsizetype to, std::vector<DictEntry>* out) {
    DictEntry entry;
    qsizetype at = from;
    while (at < to) {
        const int b0 = uchar(b[at]);
        const qsizetype start = at;
        qint64 value = 0;
        if (b0 <= 21) {
            if (b0 == 12) {
                if (at + 1 >= to)
                    return false;
                entry.op = 1200 + uchar(b[at + 1]);
                at += 2;
            } else {
                entry.op = b0;
                at += 1;
            }
            out->push_back(entry);
            entry = DictEntry();
            continue;
        }
        if (b0 >= 32 && b0 <= 246) {
            value = b0 - 139;
            at += 1;
        } else if (b0 >= 247 && b0 <= 250) {
            if (at + 1 >= to)
                return false;
            value = (b0 - 247) * 256 + uchar(b[at + 1]) + 108;
            at += 2;
        } else if (b0 >= 251 && b0 <= 254) {
            if (at + 1 >= to)
                return false;
            value = -(b0 - 251) * 256 - uchar(b[at + 1]) - 108;
            at += 2;
        } else if (b0 == 28) {
            if (at + 2 >= to)
                return false;
            value = qint16(u16(b, at + 1));
            at += 3;
        } else if (b0 == 29) {
            if (at + 4 >= to)
                return false;
            value = qint32(u32(b, at + 1));
            at += 5;
        } else if (b0 == 30) {
            ++at;
            while (at < to && (uchar(b[at]) & 0x0F) != 0x0F && (uchar(b[at]) >> 4) != 0x0F)
                ++at;
            ++at;
        } else {
            return false;
        }
        entry.rawOperands.push_back(b.mid(start, at - start));
        entry.operands.push_back(value);
    }
    return true;
}

QByteArray int32Operand(qint64 v) {
    QByteArray out(1, char(29));
    append32(out, quint32(v));
    return out;
}

QByteArray writeDict(const std::vector<DictEntry>& entries) {
    QByteArray out;
    for (const DictEntry& e : entries) {
        for (const QByteArray& raw : e.rawOperands)
            out += raw;
        if (e.op >= 1200)
            out.append(char(12)).append(char(e.op - 1200));
        else
            out.append(char(e.op));
    }
    return out;
}

// Length of a charset of `glyphs` glyphs at `at`; 0 when damaged.
qsizetype charsetLength(const QByteArray& b, qsizetype at, int glyphs) {
    if (at >= b.size())
        return 0;
    const int format = uchar(b[at]);
    if (format == 0)
        return 1 + 2 * qsizetype(glyphs - 1);
    if (format != 1 && format != 2)
        return 0;
    qsizetype p = at + 1;
    int covered = 1;
    while (covered < glyphs) {
        if (p + (format == 1 ? 3 : 4) > b.size())
            return 0;
        const int left = format == 1 ? uchar(b[p + 2]) : u16(b, p + 2);
        covered += left + 1;
        p += format == 1 ? 3 : 4;
    }
    return p - at;
}

// A CFF table whose unused charstrings are emptied (glyph ids kept). Empty for CID-keyed
// fonts, custom encodings or anything it cannot read.
QByteArray subsetCff(const QByteArray& cff, const std::set<int>& keep) {
    if (cff.size() < 4)
        return {};
    const qsizetype headerSize = uchar(cff[2]);
    qsizetype nameEnd = 0, topEnd = 0, stringsEnd = 0, globalsEnd = 0;
    std::vector<std::pair<qsizetype, qsizetype>> tops;
    if (!readIndex(cff, headerSize, nullptr, &nameEnd) ||
        !readIndex(cff, nameEnd, &tops, &topEnd) || tops.size() != 1 ||
        !readIndex(cff, topEnd, nullptr, &stringsEnd) ||
        !readIndex(cff, stringsEnd, nullptr, &globalsEnd))
        return {};
    std::vector<DictEntry> top;
    if (!readDict(cff, tops[0].first, tops[0].second, &top))
        return {};
    qint64 charsetAt = 0, charStringsAt = -1, privateSize = 0, privateAt = -1;
    for (const DictEntry& e : top) {
        if (e.op == 1230 || e.op == 1236 || e.op == 1237)
            return {}; // CID-keyed
        if (e.op == 16 && !e.operands.empty() && e.operands[0] > 1)
            return {}; // a custom encoding
        if (e.op == 15 && !e.operands.empty())
            charsetAt = e.operands[0];
        if (e.op == 17 && !e.operands.empty())
            charStringsAt = e.operands[0];
        if (e.op == 18 && e.operands.size() == 2)
            privateSize = e.operands[0], privateAt = e.operands[1];
    }
    std::vector<std::pair<qsizetype, qsizetype>> glyphs;
    qsizetype charStringsEnd = 0;
    if (charStringsAt <= 0 || !readIndex(cff, charStringsAt, &glyphs, &charStringsEnd) ||
        glyphs.empty())
        return {};
    const qsizetype charsetLen =
        charsetAt > 2 ? charsetLength(cff, charsetAt, int(glyphs.size())) : 0;
    if (charsetAt > 2 && (charsetLen == 0 || charsetAt + charsetLen > cff.size()))
        return {};
    // The Private DICT and the local subroutines it points to move as one block.
    qsizetype privateEnd = privateAt + privateSize;
    if (privateAt > 0) {
        std::vector<DictEntry> priv;
        if (privateEnd > cff.size() || !readDict(cff, privateAt, privateEnd, &priv))
            return {};
        for (const DictEntry& e : priv) {
            qsizetype subrsEnd = 0;
            if (e.op == 19 && !e.operands.empty()) {
                if (e.operands[0] < 0 ||
                    !readIndex(cff, privateAt + e.operands[0], nullptr, &subrsEnd))
                    return {};
                privateEnd = std::max(privateEnd, subrsEnd);
            }
        }
    }

    std::vector<QByteArray> charStrings;
    for (size_t gid = 0; gid < glyphs.size(); ++gid)
        charStrings.push_back(keep.count(int(gid)) ? cff.mid(glyphs[gid].first,
                                                             glyphs[gid].second - glyphs[gid].first)
                                                   : QByteArray(1, char(14))); // endchar
    const QByteArray charStringIndex = writeIndex(charStrings);

    // Offsets are written as five-byte numbers, so the Top DICT's size does not depend on them.
    auto topDict = [&](qint64 charset, qint64 strings, qint64 priv) {
        std::vector<DictEntry> out = top;
        for (DictEntry& e : out) {
            if (e.op == 15 && charsetAt > 2)
                e.rawOperands = {int32Operand(charset)};
            else if (e.op == 17)
                e.rawOperands = {int32Operand(strings)};
            else if (e.op == 18 && privateAt > 0)
                e.rawOperands = {int32Operand(privateSize), int32Operand(priv)};
        }
        return writeIndex({writeDict(out)});
    };
    const QByteArray prefix = cff.left(nameEnd);
    const QByteArray middle = cff.mid(topEnd, globalsEnd - topEnd); // strings, global subrs
    const qint64 afterHeader = prefix.size() + topDict(0, 0, 0).size() + middle.size();
    const qint64 charsetPos = afterHeader;
    const qint64 charStringsPos = charsetPos + charsetLen;
    const qint64 privatePos = charStringsPos + charStringIndex.size();
    QByteArray out = prefix + topDict(charsetPos, charStringsPos, privatePos) + middle;
    if (charsetLen)
        out += cff.mid(charsetAt, charsetLen);
    out += charStringIndex;
    if (privateAt > 0)
        out += cff.mid(privateAt, privateEnd - privateAt);
    return out;
}

// The tables of a TrueType face cut down to `keep` (and the glyphs those are built from).
std::map<QByteArray, QByteArray> trueTypeTables(const Tables& t, std::set<int> keep) {
    const bool longLoca = qint16(u16(t.at("head"), 50)) == 1;
    const int glyphCount = u16(t.at("maxp"), 4);
    const int metricCount = u16(t.at("hhea"), 34);
    if (glyphCount == 0 || metricCount == 0 || metricCount > glyphCount ||
        t.at("hmtx").size() < 4 * qsizetype(metricCount) + 2 * qsizetype(glyphCount - metricCount))
        return {};
    addComponents(t, longLoca, keep, glyphCount);
    // Glyph ids are kept, so the face ends after the highest glyph used.
    const int newCount = *keep.rbegin() + 1;

    QByteArray glyf, loca;
    for (int gid = 0; gid < newCount; ++gid) {
        append32(loca, quint32(glyf.size()));
        quint32 start = 0, end = 0;
        if (keep.count(gid) && glyphRange(t, gid, longLoca, &start, &end)) {
            glyf += t.at("glyf").mid(start, end - start);
            while (glyf.size() % 4)
                glyf.append('\0');
        }
    }
    append32(loca, quint32(glyf.size()));

    // Metrics: every glyph up to the last kept keeps its advance (a reader may ask for any).
    const QByteArray& hmtxIn = t.at("hmtx");
    const int newMetrics = std::min(metricCount, newCount);
    QByteArray hmtx = hmtxIn.left(4 * qsizetype(newMetrics));
    for (int gid = newMetrics; gid < newCount; ++gid)
        hmtx += hmtxIn.mid(4 * qsizetype(metricCount) + 2 * qsizetype(gid - metricCount), 2);

    QByteArray head = t.at("head");
    put16(head, 50, 1); // long loca
    QByteArray maxp = t.at("maxp");
    put16(maxp, 4, quint16(newCount));
    QByteArray hhea = t.at("hhea");
    put16(hhea, 34, quint16(newMetrics));

    std::map<QByteArray, QByteArray> out{{"head", head}, {"hhea", hhea}, {"maxp", maxp},
                                         {"hmtx", hmtx}, {"loca", loca}, {"glyf", glyf}};
    // Hinting programs come along; per-glyph device tables are not needed to draw glyphs.
    for (const char* tag : {"cvt ", "fpgm", "prep", "gasp"})
        if (t.has(tag))
            out[tag] = t.at(tag);
    return out;
}

// The tables of a CFF face whose unused glyphs are emptied; metrics stay whole (glyph
// ids cannot end early: the charstrings count is the face's glyph count).
std::map<QByteArray, QByteArray> cffTables(const Tables& t, const std::set<int>& keep) {
    const QByteArray cff = subsetCff(t.at("CFF "), keep);
    if (cff.isEmpty())
        return {};
    return {{"CFF ", cff},
            {"head", t.at("head")},
            {"hhea", t.at("hhea")},
            {"maxp", t.at("maxp")},
            {"hmtx", t.at("hmtx")}};
}

} // namespace

QByteArray subsetFontFile(const QByteArray& font, const GlyphUse& used) {
    Tables t;
    if (!readTables(font, t))
        return {};
    const bool cff = t.has("CFF ");
    const int glyphCount = u16(t.at("maxp"), 4);
    std::set<int> keep{0};
    for (const auto& [ucs, gid] : used)
        if (gid > 0 && gid < glyphCount)
            keep.insert(gid);
    std::map<QByteArray, QByteArray> out = cff ? cffTables(t, keep) : trueTypeTables(t, keep);
    if (out.empty())
        return {};
    std::memset(out["head"].data() + 8, 0, 4); // checksum adjustment, set below
    out["cmap"] = characterMap(used);
    QByteArray post;
    append32(post, 0x00030000); // no glyph names
    post +=
        t.has("post") && t.at("post").size() >= 32 ? t.at("post").mid(4, 28) : QByteArray(28, '\0');
    out["post"] = post;
    // Naming and metrics tables come along; layout tables and kerning are not needed to
    // draw glyphs already placed.
    for (const char* tag : {"OS/2", "name"})
        if (t.has(tag))
            out[tag] = t.at(tag);

    const int tables = int(out.size());
    int power = 1, log2 = 0;
    while (power * 2 <= tables)
        power *= 2, ++log2;
    QByteArray result;
    append32(result, cff ? 0x4F54544F : 0x00010000);
    append16(result, quint16(tables));
    append16(result, quint16(power * 16));
    append16(result, quint16(log2));
    append16(result, quint16(tables * 16 - power * 16));
    quint32 offset = quint32(12 + 16 * tables);
    QByteArray body;
    qsizetype headAt = 0;
    for (const auto& [tag, data] : out) { // std::map keeps the tags sorted, as required
        result += tag;
        append32(result, checksum(data));
        append32(result, offset + quint32(body.size()));
        append32(result, quint32(data.size()));
        if (tag == "head")
            headAt = qsizetype(offset) + body.size();
        body += data;
        while (body.size() % 4)
            body.append('\0');
    }
    result += body;
    const quint32 adjust = 0xB1B0AFBA - checksum(result);
    result[headAt + 8] = char(adjust >> 24);
    result[headAt + 9] = char(adjust >> 16);
    result[headAt + 10] = char(adjust >> 8);
    result[headAt + 11] = char(adjust);
    return result;
}

fz_font* subsetFont(fz_context* c, fz_font* font, const GlyphUse& used) {
    if (!font)
        return nullptr;
    QByteArray subset;
    QByteArray name;
    if (font->buffer && !font->flags.ft_substitute) {
        unsigned char* data = nullptr;
        const size_t size = fz_buffer_storage(c, font->buffer, &data);
        try {
            subset = subsetFontFile(
                QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)),
                used);
            // A subset's name starts with six capitals drawn from what it holds.
            const QByteArray digest = QCryptographicHash::hash(subset, QCryptographicHash::Md5);
            for (int i = 0; i < 6; ++i)
                name += char('A' + uchar(digest[i]) % 26);
            name += '+';
            name += QByteArray(fz_font_name(c, font)).left(24);
        } catch (...) {
            subset.clear();
        }
    }
    fz_font* result = nullptr;
    fz_buffer* buffer = nullptr;
    fz_var(result);
    fz_var(buffer);
    if (!subset.isEmpty()) {
        fz_try(c) {
            buffer = fz_new_buffer_from_copied_data(
                c, reinterpret_cast<const unsigned char*>(subset.constData()),
                size_t(subset.size()));
            result = fz_new_font_from_buffer(c, name.constData(), buffer, 0, 0);
        }
        fz_always(c) {
            fz_drop_buffer(c, buffer);
        }
        fz_catch(c) {
            result = nullptr;
        }
    }
    return result ? result : fz_keep_font(c, font);
}

} // namespace pdf::fontsubset
