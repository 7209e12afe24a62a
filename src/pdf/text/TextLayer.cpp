#include "pdf/text/TextLayer.h"

#include "pdf/document/Page.h"
#include "pdf/engine/Internal.h"
#include "pdf/text/GlyphlessFont.h"

#include <QTransform>

#include <cstring>

namespace pdf {

using engine::ctx;

namespace {

// The page's XObject resource that holds the layer; finding it is how a layer added
// earlier is recognised and replaced.
constexpr const char* kLayerName = "VmTextLayer";
constexpr const char* kLayerPath = "Resources/XObject/VmTextLayer";

// Maps every two-byte code to itself as UTF-16, so each code reads back as its character.
constexpr const char* kToUnicode = "/CIDInit /ProcSet findresource begin\n"
                                   "12 dict begin\n"
                                   "begincmap\n"
                                   "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) "
                                   "/Supplement 0 >> def\n"
                                   "/CMapName /Adobe-Identity-UCS def\n"
                                   "/CMapType 2 def\n"
                                   "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"
                                   "1 beginbfrange\n<0000> <FFFF> <0000>\nendbfrange\n"
                                   "endcmap\n"
                                   "CMapName currentdict /CMap defineresource pop\n"
                                   "end\nend\n";

QByteArray number(double v) {
    QByteArray text = QByteArray::number(v, 'f', 3);
    while (text.contains('.') && (text.endsWith('0') || text.endsWith('.')))
        text.chop(1);
    return text == "-0" ? QByteArray("0") : text;
}

QByteArray matrix(const QTransform& m) {
    return number(m.m11()) + ' ' + number(m.m12()) + ' ' + number(m.m21()) + ' ' + number(m.m22()) +
           ' ' + number(m.dx()) + ' ' + number(m.dy());
}

// Two bytes per UTF-16 code unit; halves of surrogate pairs are not characters on their own.
QByteArray hexCodes(const QString& text, int* units) {
    QByteArray hex = "<";
    *units = 0;
    for (QChar ch : text) {
        const ushort code = ch.isSurrogate() ? 0xFFFD : ch.unicode();
        hex += QByteArray::number(code, 16).rightJustified(4, '0').toUpper();
        ++*units;
    }
    return hex + '>';
}

double baselineAt(const QLineF& baseline, double x) {
    if (qFuzzyIsNull(baseline.dx()))
        return baseline.y1();
    return baseline.y1() + (x - baseline.x1()) * baseline.dy() / baseline.dx();
}

// One run of invisible text from x0 to x1 (display space) on a line whose text box spans
// [top, top + size]: the font size is the box height and the run is stretched to its width.
QByteArray showRun(const QString& text, double x0, double x1, double top, double size,
                   const QTransform& toUser) {
    int units = 0;
    const QByteArray hex = hexCodes(text, &units);
    if (units == 0 || x1 <= x0 || size <= 0)
        return {};
    const double natural = size * units * kGlyphlessAdvance / 1000.0;
    const double baseline = top + kGlyphlessAscent * size;
    // Text space has y up; display space has it down.
    const QTransform textToDisplay(1, 0, 0, -1, x0, baseline);
    return number(100.0 * (x1 - x0) / natural) + " Tz " + matrix(textToDisplay * toUser) + " Tm " +
           hex + " Tj\n";
}

QByteArray layerContent(const std::vector<TextLayerLine>& lines, const QTransform& toUser) {
    QByteArray out = "BT\n3 Tr\n";
    for (const TextLayerLine& line : lines) {
        for (size_t i = 0; i < line.words.size(); ++i) {
            const TextLayerWord& word = line.words[i];
            // The line's ascent and descent put every word of a line on one baseline at one
            // size, which keeps other readers' line finding (and so their word order) intact.
            double top = baselineAt(line.baseline, word.box.left()) - line.ascent;
            double size = line.ascent + line.descent;
            if (size <= 0) {
                top = word.box.top();
                size = word.box.height();
            }
            out += "/F1 " + number(size) + " Tf\n";
            out += showRun(word.text, word.box.left(), word.box.right(), top, size, toUser);
            // A space stretched over the gap, so readers need not guess where words part.
            if (i + 1 < line.words.size()) {
                const double next = line.words[i + 1].box.left();
                if (next > word.box.right())
                    out += showRun(QStringLiteral(" "), word.box.right(), next, top, size, toUser);
            }
        }
    }
    return out + "ET\n";
}

const QByteArray& identityGlyphMap() {
    // Every code maps to glyph 1, the empty one.
    static const QByteArray map = [] {
        QByteArray bytes(2 * 65536, '\0');
        for (qsizetype i = 1; i < bytes.size(); i += 2)
            bytes[i] = 1;
        return bytes;
    }();
    return map;
}

pdf_obj* addStream(fz_context* c, pdf_document* doc, const char* data, size_t size, pdf_obj* dict) {
    fz_buffer* buffer =
        fz_new_buffer_from_copied_data(c, reinterpret_cast<const unsigned char*>(data), size);
    pdf_obj* ref = nullptr;
    fz_try(c) {
        ref = pdf_add_stream(c, doc, buffer, dict, 0);
    }
    fz_always(c) {
        fz_drop_buffer(c, buffer);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return ref;
}

// The Type 0 font over the glyphless TrueType, made once per document. Throws.
pdf_obj* layerFont(fz_context* c, DocumentData& data, const QByteArray& fontFile,
                   const QByteArray& glyphMap) {
    pdf_document* doc = data.pdf;
    if (data.textLayerFont > 0) {
        pdf_obj* known = pdf_new_indirect(c, doc, data.textLayerFont, 0);
        if (pdf_is_dict(c, known) && pdf_dict_get(c, known, PDF_NAME(DescendantFonts)))
            return known;
        pdf_drop_obj(c, known);
    }
    pdf_obj* file = nullptr;
    pdf_obj* map = nullptr;
    pdf_obj* toUnicode = nullptr;
    pdf_obj* descriptor = nullptr;
    pdf_obj* cidFont = nullptr;
    pdf_obj* font = nullptr;
    pdf_obj* fileDict = nullptr;
    fz_var(file);
    fz_var(map);
    fz_var(toUnicode);
    fz_var(descriptor);
    fz_var(cidFont);
    fz_var(font);
    fz_var(fileDict);
    fz_try(c) {
        fileDict = pdf_new_dict(c, doc, 1);
        pdf_dict_put_int(c, fileDict, PDF_NAME(Length1), fontFile.size());
        file = addStream(c, doc, fontFile.constData(), size_t(fontFile.size()), fileDict);
        map = addStream(c, doc, glyphMap.constData(), size_t(glyphMap.size()), nullptr);
        toUnicode = addStream(c, doc, kToUnicode, strlen(kToUnicode), nullptr);

        descriptor = pdf_add_new_dict(c, doc, 10);
        pdf_dict_put(c, descriptor, PDF_NAME(Type), PDF_NAME(FontDescriptor));
        pdf_dict_put_name(c, descriptor, PDF_NAME(FontName), "GlyphLessFont");
        pdf_dict_put_int(c, descriptor, PDF_NAME(Flags), 5); // fixed pitch, symbolic
        pdf_dict_put_rect(
            c, descriptor, PDF_NAME(FontBBox),
            fz_make_rect(0, -1000 * kGlyphlessDescent, kGlyphlessAdvance, 1000 * kGlyphlessAscent));
        pdf_dict_put_int(c, descriptor, PDF_NAME(ItalicAngle), 0);
        pdf_dict_put_int(c, descriptor, PDF_NAME(Ascent), int(1000 * kGlyphlessAscent));
        pdf_dict_put_int(c, descriptor, PDF_NAME(Descent), -int(1000 * kGlyphlessDescent));
        pdf_dict_put_int(c, descriptor, PDF_NAME(CapHeight), int(1000 * kGlyphlessAscent));
        pdf_dict_put_int(c, descriptor, PDF_NAME(StemV), 80);
        pdf_dict_put(c, descriptor, PDF_NAME(FontFile2), file);

        cidFont = pdf_add_new_dict(c, doc, 8);
        pdf_dict_put(c, cidFont, PDF_NAME(Type), PDF_NAME(Font));
        pdf_dict_put(c, cidFont, PDF_NAME(Subtype), PDF_NAME(CIDFontType2));
        pdf_dict_put_name(c, cidFont, PDF_NAME(BaseFont), "GlyphLessFont");
        pdf_obj* info = pdf_dict_put_dict(c, cidFont, PDF_NAME(CIDSystemInfo), 3);
        pdf_dict_put_string(c, info, PDF_NAME(Registry), "Adobe", 5);
        pdf_dict_put_string(c, info, PDF_NAME(Ordering), "Identity", 8);
        pdf_dict_put_int(c, info, PDF_NAME(Supplement), 0);
        pdf_dict_put(c, cidFont, PDF_NAME(FontDescriptor), descriptor);
        pdf_dict_put_int(c, cidFont, PDF_NAME(DW), kGlyphlessAdvance);
        pdf_dict_put(c, cidFont, PDF_NAME(CIDToGIDMap), map);

        font = pdf_add_new_dict(c, doc, 6);
        pdf_dict_put(c, font, PDF_NAME(Type), PDF_NAME(Font));
        pdf_dict_put(c, font, PDF_NAME(Subtype), PDF_NAME(Type0));
        pdf_dict_put_name(c, font, PDF_NAME(BaseFont), "GlyphLessFont");
        pdf_dict_put(c, font, PDF_NAME(Encoding), PDF_NAME(Identity_H));
        pdf_obj* descendants = pdf_dict_put_array(c, font, PDF_NAME(DescendantFonts), 1);
        pdf_array_push(c, descendants, cidFont);
        pdf_dict_put(c, font, PDF_NAME(ToUnicode), toUnicode);
    }
    fz_always(c) {
        pdf_drop_obj(c, fileDict);
        pdf_drop_obj(c, file);
        pdf_drop_obj(c, map);
        pdf_drop_obj(c, toUnicode);
        pdf_drop_obj(c, descriptor);
        pdf_drop_obj(c, cidFont);
    }
    fz_catch(c) {
        pdf_drop_obj(c, font);
        fz_rethrow(c);
    }
    data.textLayerFont = pdf_to_num(c, font);
    return font;
}

// The page's own dictionary under `key` of `parent`, copied when it is inherited or shared
// with other pages, so that what is added to it reaches this page only. Throws.
pdf_obj* ownDict(fz_context* c, pdf_document* doc, pdf_obj* parent, pdf_obj* key,
                 pdf_obj* inherited) {
    pdf_obj* dict = pdf_dict_get(c, parent, key);
    if (dict && !pdf_is_indirect(c, dict) && pdf_is_dict(c, dict))
        return dict;
    pdf_obj* source = dict ? dict : inherited;
    pdf_obj* copy = pdf_is_dict(c, source) ? pdf_copy_dict(c, source) : pdf_new_dict(c, doc, 2);
    pdf_dict_put_drop(c, parent, key, copy);
    return copy;
}

// Draws the layer's XObject after the page's own content, which is wrapped in q/Q so that
// a graphics state it leaves behind cannot move the layer. The content bytes stay as they
// are: only the page's list of content streams grows. Throws.
void appendLayer(fz_context* c, pdf_document* doc, pdf_obj* pageObj, pdf_obj* layer) {
    pdf_obj* resources = ownDict(c, doc, pageObj, PDF_NAME(Resources),
                                 pdf_dict_get_inheritable(c, pageObj, PDF_NAME(Resources)));
    pdf_obj* xobjects = ownDict(c, doc, resources, PDF_NAME(XObject), nullptr);
    pdf_dict_puts(c, xobjects, kLayerName, layer);

    static const char open[] = "q\n";
    static const char close[] = "Q q /VmTextLayer Do Q\n";
    pdf_obj* before = nullptr;
    pdf_obj* after = nullptr;
    pdf_obj* list = nullptr;
    fz_var(before);
    fz_var(after);
    fz_var(list);
    fz_try(c) {
        before = addStream(c, doc, open, sizeof open - 1, nullptr);
        after = addStream(c, doc, close, sizeof close - 1, nullptr);
        pdf_obj* contents = pdf_dict_get(c, pageObj, PDF_NAME(Contents));
        list = pdf_new_array(c, doc, 4);
        pdf_array_push(c, list, before);
        if (pdf_is_array(c, contents)) {
            const int n = pdf_array_len(c, contents);
            for (int i = 0; i < n; ++i)
                pdf_array_push(c, list, pdf_array_get(c, contents, i));
        } else if (contents) {
            pdf_array_push(c, list, contents);
        }
        pdf_array_push(c, list, after);
        pdf_dict_put(c, pageObj, PDF_NAME(Contents), list);
    }
    fz_always(c) {
        pdf_drop_obj(c, before);
        pdf_drop_obj(c, after);
        pdf_drop_obj(c, list);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace

bool hasTextLayer(const Page& page) {
    PageData& d = page.data();
    auto lock = d.doc->lock();
    pdf_page* loaded = d.detached ? nullptr : d.engine();
    if (!loaded)
        return false;
    fz_context* c = ctx();
    bool found = false;
    fz_var(found);
    fz_try(c) {
        found = pdf_dict_getp(c, loaded->obj, kLayerPath) != nullptr;
    }
    fz_catch(c) {
        found = false;
    }
    return found;
}

bool addTextLayer(Page& page, const std::vector<TextLayerLine>& lines) {
    PageData& d = page.data();
    const ChangeScope scope; // announced once the lock below is let go
    auto lock = d.doc->lock();
    pdf_page* loaded = d.detached ? nullptr : d.engine();
    if (!loaded)
        return false;
    // Everything that allocates in C++ is made before the guarded region.
    const QTransform toUser = page.pageToDisplay().inverted();
    const fz_rect bbox = toFz(page.mediaBox());
    const QByteArray content = layerContent(lines, toUser);
    const QByteArray fontFile = glyphlessTrueType();
    const QByteArray& glyphMap = identityGlyphMap();

    fz_context* c = ctx();
    pdf_document* doc = d.doc->pdf;
    fz_buffer* buffer = nullptr;
    pdf_obj* font = nullptr;
    pdf_obj* resources = nullptr;
    pdf_obj* layer = nullptr;
    fz_var(buffer);
    fz_var(font);
    fz_var(resources);
    fz_var(layer);
    bool ok = true;
    fz_var(ok);
    fz_try(c) {
        buffer = fz_new_buffer_from_copied_data(
            c, reinterpret_cast<const unsigned char*>(content.constData()), size_t(content.size()));
        font = layerFont(c, *d.doc, fontFile, glyphMap);
        resources = pdf_new_dict(c, doc, 1);
        pdf_obj* fonts = pdf_dict_put_dict(c, resources, PDF_NAME(Font), 1);
        pdf_dict_puts(c, fonts, "F1", font);
        pdf_obj* existing = pdf_dict_getp(c, loaded->obj, kLayerPath);
        if (existing && pdf_is_stream(c, existing)) {
            pdf_update_xobject(c, doc, existing, bbox, fz_identity, resources, buffer);
        } else {
            layer = pdf_new_xobject(c, doc, bbox, fz_identity, resources, buffer);
            appendLayer(c, doc, loaded->obj, layer);
        }
    }
    fz_always(c) {
        fz_drop_buffer(c, buffer);
        pdf_drop_obj(c, font);
        pdf_drop_obj(c, resources);
        pdf_drop_obj(c, layer);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        return false;

    // The page draws text now: what was read of it before is stale, and a private copy of
    // the bytes the document was opened from no longer holds its text.
    d.doc->contentEdited = true;
    const int slot = d.index;
    auto text = extractTextPage(c, loaded, d.doc->textWithAnnotations);
    {
        auto table = d.doc->tableLock();
        if (slot >= 0 && slot < int(d.doc->texts.size()))
            d.doc->texts[size_t(slot)] = std::move(text);
    }
    touch(d);
    // No pixel changes, but what views select and cache of the page must be read again.
    announce(*d.doc, {Change::Kind::AnnotationsChanged, {slot}});
    return true;
}

} // namespace pdf
