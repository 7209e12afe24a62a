// Signature fields read from and appended to a file's bytes. Both work on a private
// context and a private copy of the document, so no open document is locked or changed.
#include "pdf/signatures/SignatureFields.h"

#include "pdf/document/Document.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/signatures/ByteRange.h"
#include "pdf/signatures/BytesDocument.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace pdf {

namespace {

using signatures::BytesDocument;

constexpr int kMaxFields = 256;
constexpr int kMaxDepth = 32;

constexpr int kMaxVisits = 4096;

// Whether `obj` is among the first `count` of `list`, by object number (or identity).
int listed(fz_context* c, pdf_obj* const* list, int count, pdf_obj* obj) {
    const int num = pdf_to_num(c, obj);
    for (int k = 0; k < count; ++k)
        if (list[k] == obj || (num > 0 && pdf_to_num(c, list[k]) == num))
            return 1;
    return 0;
}

// Signed signature fields under `fields` (an array of fields with Kids), each once. A
// field tree that loops or repeats itself is walked within `*visits` nodes, not once per
// path through it. Throws through fz_throw only; plain C so that it may run inside fz_try.
void collectSignedFields(fz_context* c, pdf_obj* fields, pdf_obj** out, int* count, int depth,
                         int* visits) {
    if (depth > kMaxDepth)
        return;
    const int n = pdf_array_len(c, fields);
    for (int i = 0; i < n && *count < kMaxFields && ++*visits <= kMaxVisits; ++i) {
        pdf_obj* field = pdf_array_get(c, fields, i);
        pdf_obj* kids = pdf_dict_get(c, field, PDF_NAME(Kids));
        if (pdf_is_array(c, kids))
            collectSignedFields(c, kids, out, count, depth + 1, visits);
        if (pdf_name_eq(c, pdf_dict_get_inheritable(c, field, PDF_NAME(FT)), PDF_NAME(Sig)) &&
            pdf_is_dict(c, pdf_dict_get(c, field, PDF_NAME(V))) && !listed(c, out, *count, field))
            out[(*count)++] = field;
    }
}

// Signed signature widgets of the pages that the form's field list leaves out (some
// signers append a widget to its page only).
void collectSignedWidgets(fz_context* c, pdf_document* doc, pdf_obj** out, int* count) {
    const int pages = pdf_count_pages(c, doc);
    for (int p = 0; p < pages && *count < kMaxFields; ++p) {
        pdf_obj* annots = pdf_dict_get(c, pageObjectAt(c, doc, p), PDF_NAME(Annots));
        for (int i = 0, n = pdf_array_len(c, annots); i < n && *count < kMaxFields; ++i) {
            pdf_obj* widget = pdf_array_get(c, annots, i);
            if (!pdf_name_eq(c, pdf_dict_get_inheritable(c, widget, PDF_NAME(FT)), PDF_NAME(Sig)) ||
                !pdf_is_dict(c, pdf_dict_get(c, widget, PDF_NAME(V))))
                continue;
            if (!listed(c, out, *count, widget))
                out[(*count)++] = widget;
        }
    }
}

// The plain facts of one signature, read inside fz_try without any C++ object.
struct RawField {
    const char* name = nullptr;
    const char* subFilter = nullptr;
    const char* contents = nullptr;
    size_t contentsLength = 0;
    int64_t ranges[8] = {};
    int rangeValues = 0;
    int64_t signingTime = 0;
    const char* signer = nullptr;
    const char* application = nullptr;
};

void readRawField(fz_context* c, pdf_obj* field, RawField* raw) {
    pdf_obj* sig = pdf_dict_get(c, field, PDF_NAME(V));
    raw->name = pdf_dict_get_text_string(c, field, PDF_NAME(T));
    raw->subFilter = pdf_to_name(c, pdf_dict_get(c, sig, PDF_NAME(SubFilter)));
    pdf_obj* contents = pdf_dict_get(c, sig, PDF_NAME(Contents));
    raw->contents = pdf_to_str_buf(c, contents);
    raw->contentsLength = pdf_to_str_len(c, contents);
    pdf_obj* range = pdf_dict_get(c, sig, PDF_NAME(ByteRange));
    const int n = pdf_array_len(c, range);
    for (int i = 0; i < n && i < 8; ++i)
        raw->ranges[i] = pdf_to_int64(c, pdf_array_get(c, range, i));
    raw->rangeValues = n;
    const char* m = pdf_dict_get_text_string(c, sig, PDF_NAME(M));
    raw->signingTime = (m && *m) ? pdf_parse_date(c, m) : 0;
    raw->signer = pdf_dict_get_text_string(c, sig, PDF_NAME(Name));
    pdf_obj* app = pdf_dict_getp(c, sig, "Prop_Build/App/Name");
    raw->application = pdf_is_name(c, app) ? pdf_to_name(c, app) : pdf_to_text_string(c, app);
}

// Whether `now` equals `before` in every entry but `except` (and `except2`). Plain C, may
// throw through fz_throw.
int sameApartFrom(fz_context* c, pdf_obj* now, pdf_obj* before, pdf_obj* except,
                  pdf_obj* except2 = nullptr) {
    if (!pdf_is_dict(c, now) || (before && !pdf_is_dict(c, before)))
        return 0;
    auto skipped = [&](pdf_obj* key) {
        return pdf_name_eq(c, key, except) || (except2 && pdf_name_eq(c, key, except2));
    };
    int counted = 0;
    for (int i = 0, n = pdf_dict_len(c, now); i < n; ++i) {
        pdf_obj* key = pdf_dict_get_key(c, now, i);
        if (skipped(key))
            continue;
        ++counted;
        if (pdf_objcmp(c, pdf_dict_get_val(c, now, i), pdf_dict_get(c, before, key)) != 0)
            return 0;
    }
    int expected = 0;
    for (int i = 0, n = pdf_dict_len(c, before); i < n; ++i)
        expected += skipped(pdf_dict_get_key(c, before, i)) ? 0 : 1;
    return counted == expected;
}

// Whether object `num`, as changed after signing, only fills forms or adds or changes
// annotations (their appearances and fonts included), judged against `signedDoc`, the
// document as it was signed.
int allowedChange(fz_context* c, pdf_document* doc, pdf_obj* ref, pdf_document* signedDoc,
                  int num) {
    pdf_obj* obj = pdf_resolve_indirect(c, ref);
    if (!obj || pdf_is_null(c, obj))
        return 1;
    // The signature record that comes with a signature, and nothing else of the information.
    if (pdf_to_num(c, pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Info))) == num)
        return sameApartFrom(c, obj, pdf_dict_get(c, pdf_trailer(c, signedDoc), PDF_NAME(Info)),
                             PDF_NAME(Subject), PDF_NAME(Keywords));
    if (pdf_is_array(c, obj)) {
        // Lists of annotations or fields: references only.
        for (int i = 0, n = pdf_array_len(c, obj); i < n; ++i)
            if (!pdf_is_indirect(c, pdf_array_get(c, obj, i)))
                return 0;
        return 1;
    }
    if (!pdf_is_dict(c, obj))
        return 0;
    pdf_obj* type = pdf_dict_get(c, obj, PDF_NAME(Type));
    if (pdf_name_eq(c, type, PDF_NAME(Annot)) || pdf_name_eq(c, type, PDF_NAME(Sig)) ||
        pdf_name_eq(c, type, PDF_NAME(XObject)) || pdf_name_eq(c, type, PDF_NAME(Font)) ||
        pdf_name_eq(c, type, PDF_NAME(FontDescriptor)) ||
        pdf_name_eq(c, type, PDF_NAME(Encoding)) || pdf_name_eq(c, type, PDF_NAME(XRef)) ||
        pdf_name_eq(c, type, PDF_NAME(ObjStm)) ||
        std::strcmp(pdf_to_name(c, type), "DocTimeStamp") == 0)
        return 1;
    if (pdf_dict_get(c, obj, PDF_NAME(FT)) || pdf_dict_get(c, obj, PDF_NAME(Fields)) ||
        (pdf_dict_get(c, obj, PDF_NAME(Subtype)) && pdf_dict_get(c, obj, PDF_NAME(Rect))) ||
        (pdf_dict_get(c, obj, PDF_NAME(T)) && pdf_dict_get(c, obj, PDF_NAME(Parent))))
        return 1;
    const int existed = num < pdf_xref_len(c, signedDoc);
    if (pdf_is_stream(c, ref))
        return !existed; // new font files and the like; an old stream rewritten is content
    if (!existed)
        return 0;
    pdf_obj* before = pdf_load_object(c, signedDoc, num);
    int ok = 0;
    if (pdf_name_eq(c, type, PDF_NAME(Page)))
        ok = sameApartFrom(c, obj, before, PDF_NAME(Annots));
    else if (pdf_name_eq(c, type, PDF_NAME(Catalog)))
        ok = sameApartFrom(c, obj, before, PDF_NAME(AcroForm));
    pdf_drop_obj(c, before);
    return ok;
}

// 1 when everything defined after the signed revision only fills forms or adds
// annotations; 0 otherwise (content, pages, information, or bytes that are no update).
int onlyFormsOrAnnotations(fz_context* c, pdf_document* doc, pdf_document* signedDoc) {
    const int after = pdf_count_versions(c, doc) - pdf_count_versions(c, signedDoc);
    if (after <= 0)
        return 0;
    const int count = pdf_xref_len(c, doc);
    for (int num = 1; num < count; ++num) {
        pdf_obj* ref = pdf_new_indirect(c, doc, num, 0);
        int ok = 1;
        fz_var(ok);
        fz_try(c) {
            if (pdf_find_version_for_obj(c, doc, ref) < after)
                ok = allowedChange(c, doc, ref, signedDoc, num);
        }
        fz_always(c) {
            pdf_drop_obj(c, ref);
        }
        fz_catch(c) {
            fz_rethrow(c);
        }
        if (!ok)
            return 0;
    }
    return 1;
}

int classifyGuarded(fz_context* c, pdf_document* doc, pdf_document* signedDoc) {
    int result = 0;
    fz_var(result);
    fz_try(c) {
        result = onlyFormsOrAnnotations(c, doc, signedDoc);
    }
    fz_catch(c) {
        result = 0;
    }
    return result;
}

bool readRawFieldGuarded(fz_context* c, pdf_obj* field, RawField* raw) {
    fz_try(c) {
        readRawField(c, field, raw);
    }
    fz_catch(c) {
        return false;
    }
    return true;
}

bool onlyWhitespaceFrom(const QByteArray& bytes, qint64 from) {
    for (qint64 i = from; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        if (ch != '\n' && ch != '\r' && ch != ' ' && ch != '\t' && ch != '\0')
            return false;
    }
    return true;
}

QString utf8(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

// The /Contents of a sound byte range as the file holds it: the hex between the range's
// two halves, never decrypted (a signature's contents are not encrypted).
QByteArray holeContents(const QByteArray& file, qint64 holeStart, qint64 holeEnd) {
    return QByteArray::fromHex(file.mid(holeStart + 1, holeEnd - holeStart - 2));
}

} // namespace

std::vector<SignatureField> readSignatureFields(const QByteArray& fileBytes,
                                                const QByteArray& password) {
    std::vector<SignatureField> result;
    engine::IsolatedContext context;
    BytesDocument opened(context.get(), fileBytes, password);
    if (!opened.doc)
        return result;
    fz_context* c = opened.c;
    pdf_document* doc = opened.doc;

    // What was found before a broken part of the form or the page tree stops the walk is
    // kept: a page tree that claims more pages than it holds hides no signature.
    pdf_obj* fields[kMaxFields];
    int count = 0;
    int visits = 0;
    fz_var(count);
    fz_try(c) {
        pdf_obj* list = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/AcroForm/Fields");
        collectSignedFields(c, list, fields, &count, 0, &visits);
    }
    fz_catch(c) {}
    fz_try(c) {
        collectSignedWidgets(c, doc, fields, &count);
    }
    fz_catch(c) {}

    for (int i = 0; i < count; ++i) {
        RawField raw;
        if (!readRawFieldGuarded(c, fields[i], &raw))
            continue;

        SignatureField field;
        field.fieldName = utf8(raw.name);
        field.subFilter = QByteArray(raw.subFilter ? raw.subFilter : "");
        field.contents =
            QByteArray(raw.contents ? raw.contents : "", qsizetype(raw.contentsLength));
        for (int r = 0; r + 1 < raw.rangeValues && r + 1 < 8; r += 2)
            field.byteRange.emplace_back(raw.ranges[r], raw.ranges[r + 1]);
        if (raw.signingTime > 0)
            field.signingTime = QDateTime::fromSecsSinceEpoch(raw.signingTime, Qt::UTC);
        field.signerName = utf8(raw.signer);
        field.application = utf8(raw.application);

        const auto& ranges = field.byteRange;
        const qint64 size = fileBytes.size();
        field.byteRangeProblem =
            byteRangeProblem(fileBytes, ranges, field.contents, doc->crypt == nullptr);
        field.byteRangeSound = field.byteRangeProblem.isEmpty();
        const qint64 end = ranges.empty() ? 0 : ranges.back().first + ranges.back().second;
        if (field.byteRangeSound && doc->crypt)
            field.contents = holeContents(fileBytes, ranges[0].second, ranges[1].first);
        if (!field.byteRangeSound || end > size) {
            field.changeAfterSigning = SignatureField::Change::Content;
        } else if (!onlyWhitespaceFrom(fileBytes, end)) {
            // The file as it was signed, beside the file as it is now.
            const QByteArray signedBytes = fileBytes.left(end);
            BytesDocument before(c, signedBytes, password);
            const bool harmless = before.doc && classifyGuarded(c, doc, before.doc);
            field.changeAfterSigning = harmless ? SignatureField::Change::FormsOrAnnotations
                                                : SignatureField::Change::Content;
        }
        result.push_back(std::move(field));
    }
    return result;
}

} // namespace pdf
