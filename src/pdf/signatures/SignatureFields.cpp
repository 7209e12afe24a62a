// Signature fields read from and appended to a file's bytes. Both work on a private
// context and a private copy of the document, so no open document is locked or changed.
#include "pdf/signatures/SignatureFields.h"

#include "pdf/document/Document.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/signatures/ByteRange.h"
#include "pdf/signatures/BytesDocument.h"
#include "pdf/signatures/RevisionChanges.h"

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
    int certification = 0;
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
    raw->certification = signatures::certificationLevel(c, sig);
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
        field.certification = raw.certification;

        const auto& ranges = field.byteRange;
        const qint64 size = fileBytes.size();
        field.byteRangeProblem =
            byteRangeProblem(fileBytes, ranges, field.contents, doc->crypt == nullptr);
        field.byteRangeSound = field.byteRangeProblem.isEmpty();
        const qint64 end = ranges.empty() ? 0 : ranges.back().first + ranges.back().second;
        if (field.byteRangeSound && doc->crypt)
            field.contents = holeContents(fileBytes, ranges[0].second, ranges[1].first);
        if (!field.byteRangeSound || end > size) {
            field.changes = SignatureField::Content;
        } else if (!onlyWhitespaceFrom(fileBytes, end)) {
            // The file as it was signed, beside the file as it is now.
            const QByteArray signedBytes = fileBytes.left(end);
            BytesDocument before(c, signedBytes, password);
            field.changes = before.doc ? signatures::changesSince(c, doc, before.doc)
                                       : unsigned(SignatureField::Content);
        }
        result.push_back(std::move(field));
    }
    return result;
}

} // namespace pdf
