// Signature fields read from and appended to a file's bytes. Both work on a private
// context and a private copy of the document, so no open document is locked or changed.
#include "pdf/signatures/SignatureFields.h"

#include "pdf/document/Document.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace pdf {

namespace {

// A document opened from bytes on its own context; the bytes must outlive it.
struct BytesDocument {
    fz_context* c = nullptr;
    fz_buffer* buffer = nullptr;
    fz_stream* stream = nullptr;
    pdf_document* doc = nullptr;

    // A protected file is unlocked with `password` (or none); one that stays locked is no
    // document, as its strings and streams would read as ciphertext.
    BytesDocument(fz_context* context, const QByteArray& bytes, const QByteArray& password = {})
        : c(context) {
        if (!c || bytes.isEmpty())
            return;
        const char* pw = password.constData();
        fz_try(c) {
            buffer = fz_new_buffer_from_shared_data(
                c, reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
            stream = fz_open_buffer(c, buffer);
            doc = pdf_open_document_with_stream(c, stream);
            if (pdf_needs_password(c, doc) && !pdf_authenticate_password(c, doc, "") &&
                !pdf_authenticate_password(c, doc, pw)) {
                pdf_drop_document(c, doc);
                doc = nullptr;
            }
        }
        fz_catch(c) {
            pdf_drop_document(c, doc);
            doc = nullptr;
        }
    }
    ~BytesDocument() {
        if (!c)
            return;
        pdf_drop_document(c, doc);
        fz_drop_stream(c, stream);
        fz_drop_buffer(c, buffer);
    }
    BytesDocument(const BytesDocument&) = delete;
    BytesDocument& operator=(const BytesDocument&) = delete;
};

constexpr int kMaxFields = 256;
constexpr int kMaxDepth = 32;

// Signed signature fields under `fields` (an array of fields with Kids). Throws through
// fz_throw only; plain C so that it may run inside fz_try.
void collectSignedFields(fz_context* c, pdf_obj* fields, pdf_obj** out, int* count, int depth) {
    if (depth > kMaxDepth)
        return;
    const int n = pdf_array_len(c, fields);
    for (int i = 0; i < n && *count < kMaxFields; ++i) {
        pdf_obj* field = pdf_array_get(c, fields, i);
        pdf_obj* kids = pdf_dict_get(c, field, PDF_NAME(Kids));
        if (pdf_is_array(c, kids))
            collectSignedFields(c, kids, out, count, depth + 1);
        if (pdf_name_eq(c, pdf_dict_get_inheritable(c, field, PDF_NAME(FT)), PDF_NAME(Sig)) &&
            pdf_is_dict(c, pdf_dict_get(c, field, PDF_NAME(V))))
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
            int known = 0;
            for (int k = 0; k < *count && !known; ++k)
                known = pdf_to_num(c, out[k]) == pdf_to_num(c, widget);
            if (!known)
                out[(*count)++] = widget;
        }
    }
}

// The stamp annotation at `want` on `page`, with its appearance stream; false when none.
int findStamp(fz_context* c, pdf_obj* page, fz_rect want, fz_rect* rect, pdf_obj** appearance) {
    pdf_obj* annots = pdf_dict_get(c, page, PDF_NAME(Annots));
    for (int i = pdf_array_len(c, annots) - 1; i >= 0; --i) {
        pdf_obj* annot = pdf_array_get(c, annots, i);
        if (!pdf_name_eq(c, pdf_dict_get(c, annot, PDF_NAME(Subtype)), PDF_NAME(Stamp)))
            continue;
        const fz_rect r = pdf_dict_get_rect(c, annot, PDF_NAME(Rect));
        pdf_obj* ap = pdf_dict_getp(c, annot, "AP/N");
        if (std::abs(r.x0 - want.x0) < 0.5f && std::abs(r.y0 - want.y0) < 0.5f &&
            std::abs(r.x1 - want.x1) < 0.5f && std::abs(r.y1 - want.y1) < 0.5f &&
            pdf_is_indirect(c, ap) && pdf_is_stream(c, ap)) {
            *rect = r;
            *appearance = ap;
            return 1;
        }
    }
    return 0;
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

// The bytes of a PDF text string: UTF-16BE behind its byte-order mark.
QByteArray textBytes(const QString& text) {
    QByteArray bytes("\xFE\xFF", 2);
    for (const QChar ch : text) {
        bytes += char(ch.unicode() >> 8);
        bytes += char(ch.unicode() & 0xFF);
    }
    return bytes;
}

void writeHex(fz_context* c, void* out, const unsigned char* data, size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < length; ++i) {
        fz_write_byte(c, static_cast<fz_output*>(out), digits[data[i] >> 4]);
        fz_write_byte(c, static_cast<fz_output*>(out), digits[data[i] & 15]);
    }
}

// Writes `bytes` as a hex string of object num/gen, encrypted when the file is. Plain C.
void writeString(fz_context* c, fz_output* out, pdf_crypt* crypt, int num, int gen,
                 const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    fz_write_byte(c, out, '<');
    if (crypt)
        pdf_encrypt_data(c, crypt, num, gen, writeHex, out, data, size_t(bytes.size()));
    else
        writeHex(c, out, data, size_t(bytes.size()));
    fz_write_byte(c, out, '>');
}

// A PDF name: regular characters as they are, the rest as #xx.
QByteArray pdfName(const QString& text) {
    QByteArray name = "/";
    for (const char ch : text.toUtf8()) {
        const auto b = static_cast<unsigned char>(ch);
        if (b > 32 && b < 127 && !std::strchr("#()<>[]{}/%", ch))
            name += ch;
        else
            name += "#" + QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
    }
    return name;
}

QByteArray pdfDate(const QDateTime& when) {
    return "D:" + when.toUTC().toString("yyyyMMddHHmmss").toLatin1() + "+00'00'";
}

// The /Contents of a sound byte range as the file holds it: the hex between the range's
// two halves, never decrypted (a signature's contents are not encrypted).
QByteArray holeContents(const QByteArray& file, qint64 holeStart, qint64 holeEnd) {
    return QByteArray::fromHex(file.mid(holeStart + 1, holeEnd - holeStart - 2));
}

constexpr const char* kRangePlaceholder = "[0 0000000000 0000000000 0000000000]";

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

    pdf_obj* fields[kMaxFields];
    int count = 0;
    fz_try(c) {
        pdf_obj* list = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/AcroForm/Fields");
        collectSignedFields(c, list, fields, &count, 0);
        collectSignedWidgets(c, doc, fields, &count);
    }
    fz_catch(c) {
        count = 0;
    }

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
        field.byteRangeSound = ranges.size() == 2 && ranges[0].first == 0 && ranges[0].second > 0 &&
                               ranges[1].first > ranges[0].second && ranges[1].second >= 0 &&
                               ranges[1].first + ranges[1].second <= size &&
                               fileBytes[ranges[0].second] == '<' &&
                               fileBytes[ranges[1].first - 1] == '>';
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

PreparedSignature prepareSignatureField(const QByteArray& fileBytes,
                                        const SignatureFieldRequest& request) {
    engine::IsolatedContext context;
    BytesDocument opened(context.get(), fileBytes, request.password);
    if (!opened.doc)
        throw Error("The document cannot be read.");
    fz_context* c = opened.c;
    pdf_document* doc = opened.doc;

    const int existing = int(readSignatureFields(fileBytes).size());
    const QString fieldName =
        request.fieldName.isEmpty() ? QString("Signature%1").arg(existing + 1) : request.fieldName;
    const qsizetype holeHex = request.contentsCapacity * 2;
    // The dictionary around its two strings, which are encrypted when the file is.
    const QByteArray sigHead = "<</Type/Sig/Filter/Adobe.PPKLite/SubFilter" +
                               pdfName(QString::fromLatin1(request.subFilter)) + "/ByteRange" +
                               kRangePlaceholder + "/Contents<" + QByteArray(holeHex, '0') + ">/M";
    const QByteArray signingTime = pdfDate(request.signingTime);
    const QByteArray signerName = textBytes(request.signerName);
    const QByteArray sigTail = "/Prop_Build<</App<</Name" + pdfName(request.application) + ">>>>>>";
    const QByteArray fieldTitle = textBytes(fieldName);
    const QRectF& wanted = request.stampRect;
    const fz_rect stampRect = {float(wanted.left()), float(wanted.top()), float(wanted.right()),
                               float(wanted.bottom())};
    std::vector<QByteArray> infoValues;
    for (const auto& entry : request.info)
        infoValues.push_back(entry.second.toUtf8());

    // Offsets of the objects written, in the order written: signature, widget, then the
    // containers changed to point at them.
    int nums[8] = {};
    int gens[8] = {};
    int64_t offsets[8] = {};
    int written = 0;
    int64_t previousXref = 0;
    int size = 0;
    bool refused = false;
    fz_var(refused);
    fz_buffer* update = nullptr;
    fz_output* out = nullptr;
    fz_var(update);
    fz_var(out);
    fz_try(c) {
        // An update to a file the engine had to repair cannot be appended faithfully.
        if (!pdf_can_be_saved_incrementally(c, doc) || pdf_count_pages(c, doc) < 1) {
            refused = true;
            break;
        }
        pdf_obj* trailer = pdf_trailer(c, doc);
        pdf_obj* root = pdf_dict_get(c, trailer, PDF_NAME(Root));
        // Visible on the signer's stamp when there is one, else invisible on the first page.
        pdf_obj* page = nullptr;
        pdf_obj* appearance = nullptr;
        fz_rect widgetRect = {0, 0, 0, 0};
        if (request.stampPage >= 0 && request.stampPage < pdf_count_pages(c, doc)) {
            page = pageObjectAt(c, doc, request.stampPage);
            if (!findStamp(c, page, stampRect, &widgetRect, &appearance))
                page = nullptr;
        }
        if (!page) {
            page = pageObjectAt(c, doc, 0);
            widgetRect = {0, 0, 0, 0};
        }
        previousXref = doc->startxref;
        size = pdf_xref_len(c, doc);
        const int sigNum = size;
        const int widgetNum = size + 1;

        update = fz_new_buffer(c, 4096 + size_t(holeHex));
        out = fz_new_output_with_buffer(c, update);
        const int64_t base = int64_t(fileBytes.size());
        if (!fileBytes.endsWith('\n'))
            fz_write_byte(c, out, '\n');

        auto begin = [&](int num, int gen) {
            nums[written] = num;
            gens[written] = gen;
            offsets[written++] = base + fz_tell_output(c, out);
            fz_write_printf(c, out, "%d %d obj\n", num, gen);
        };
        auto end = [&] { fz_write_string(c, out, "\nendobj\n"); };

        pdf_crypt* crypt = doc->crypt;
        begin(sigNum, 0);
        fz_write_data(c, out, sigHead.constData(), size_t(sigHead.size()));
        writeString(c, out, crypt, sigNum, 0, signingTime);
        fz_write_string(c, out, "/Name");
        writeString(c, out, crypt, sigNum, 0, signerName);
        fz_write_data(c, out, sigTail.constData(), size_t(sigTail.size()));
        end();
        begin(widgetNum, 0);
        fz_write_printf(c, out, "<</Type/Annot/Subtype/Widget/FT/Sig/F 132/Rect[%g %g %g %g]",
                        widgetRect.x0, widgetRect.y0, widgetRect.x1, widgetRect.y1);
        if (appearance)
            fz_write_printf(c, out, "/AP<</N %d %d R>>", pdf_to_num(c, appearance),
                            pdf_to_gen(c, appearance));
        fz_write_string(c, out, "/T");
        writeString(c, out, crypt, widgetNum, 0, fieldTitle);
        fz_write_printf(c, out, "/V %d 0 R/P %d %d R>>", sigNum, pdf_to_num(c, page),
                        pdf_to_gen(c, page));
        end();

        pdf_obj* widgetRef = pdf_new_indirect(c, doc, widgetNum, 0);
        // The page gets a list of its own, written inside the page: an indirect list may be
        // shared with other pages, which must not gain the widget.
        pdf_obj* annots = pdf_dict_get(c, page, PDF_NAME(Annots));
        {
            pdf_obj* copy = pdf_copy_dict(c, page);
            pdf_obj* list =
                pdf_is_array(c, annots) ? pdf_copy_array(c, annots) : pdf_new_array(c, doc, 1);
            pdf_array_push(c, list, widgetRef);
            pdf_dict_put_drop(c, copy, PDF_NAME(Annots), list);
            begin(pdf_to_num(c, page), pdf_to_gen(c, page));
            pdf_print_encrypted_obj(c, out, copy, 1, 0, crypt, pdf_to_num(c, page),
                                    pdf_to_gen(c, page));
            end();
            pdf_drop_obj(c, copy);
        }

        // The form: Fields gains the widget, SigFlags says signatures exist and the file is
        // to be appended to only.
        pdf_obj* form = pdf_dict_get(c, root, PDF_NAME(AcroForm));
        pdf_obj* formCopy = pdf_is_dict(c, form) ? pdf_copy_dict(c, form) : pdf_new_dict(c, doc, 2);
        pdf_obj* fieldList = pdf_dict_get(c, formCopy, PDF_NAME(Fields));
        if (pdf_is_indirect(c, fieldList) && pdf_is_array(c, fieldList)) {
            pdf_obj* copy = pdf_copy_array(c, fieldList);
            pdf_array_push(c, copy, widgetRef);
            begin(pdf_to_num(c, fieldList), pdf_to_gen(c, fieldList));
            pdf_print_encrypted_obj(c, out, copy, 1, 0, crypt, pdf_to_num(c, fieldList),
                                    pdf_to_gen(c, fieldList));
            end();
            pdf_drop_obj(c, copy);
        } else {
            pdf_obj* list = pdf_is_array(c, fieldList) ? pdf_copy_array(c, fieldList)
                                                       : pdf_new_array(c, doc, 1);
            pdf_array_push(c, list, widgetRef);
            pdf_dict_put_drop(c, formCopy, PDF_NAME(Fields), list);
        }
        pdf_dict_put_int(c, formCopy, PDF_NAME(SigFlags),
                         pdf_dict_get_int(c, formCopy, PDF_NAME(SigFlags)) | 3);
        if (pdf_is_indirect(c, form)) {
            begin(pdf_to_num(c, form), pdf_to_gen(c, form));
            pdf_print_encrypted_obj(c, out, formCopy, 1, 0, crypt, pdf_to_num(c, form),
                                    pdf_to_gen(c, form));
            end();
        } else {
            pdf_obj* rootCopy = pdf_copy_dict(c, root);
            pdf_dict_put(c, rootCopy, PDF_NAME(AcroForm), formCopy);
            begin(pdf_to_num(c, root), pdf_to_gen(c, root));
            pdf_print_encrypted_obj(c, out, rootCopy, 1, 0, crypt, pdf_to_num(c, root),
                                    pdf_to_gen(c, root));
            end();
            pdf_drop_obj(c, rootCopy);
        }
        pdf_drop_obj(c, formCopy);
        pdf_drop_obj(c, widgetRef);

        // The information dictionary with the entries asked for: its own object again when
        // it has one, else a new one.
        pdf_obj* info = pdf_dict_get(c, trailer, PDF_NAME(Info));
        int infoNum = pdf_is_indirect(c, info) ? pdf_to_num(c, info) : 0;
        int infoGen = pdf_is_indirect(c, info) ? pdf_to_gen(c, info) : 0;
        if (!request.info.empty()) {
            pdf_obj* copy = pdf_is_dict(c, info) ? pdf_copy_dict(c, info) : pdf_new_dict(c, doc, 4);
            for (size_t i = 0; i < request.info.size(); ++i)
                pdf_dict_puts_drop(c, copy, request.info[i].first.constData(),
                                   pdf_new_text_string(c, infoValues[i].constData()));
            if (!infoNum) {
                infoNum = size + 2;
                infoGen = 0;
            }
            begin(infoNum, infoGen);
            pdf_print_encrypted_obj(c, out, copy, 1, 0, crypt, infoNum, infoGen);
            pdf_drop_obj(c, copy);
            end();
        }

        // A classic cross-reference section, one subsection per object.
        const int64_t xref = base + fz_tell_output(c, out);
        fz_write_string(c, out, "xref\n");
        for (int i = 0; i < written; ++i)
            fz_write_printf(c, out, "%d 1\n%010ld %05d n \n", nums[i], (long)offsets[i], gens[i]);
        fz_write_printf(c, out, "trailer\n<</Size %d/Root %d %d R",
                        infoNum == size + 2 ? size + 3 : size + 2, pdf_to_num(c, root),
                        pdf_to_gen(c, root));
        if (infoNum)
            fz_write_printf(c, out, "/Info %d %d R", infoNum, infoGen);
        // The same encryption dictionary and identifier: the file's key stays the key.
        pdf_obj* encrypt = pdf_dict_get(c, trailer, PDF_NAME(Encrypt));
        if (pdf_is_indirect(c, encrypt)) {
            fz_write_printf(c, out, "/Encrypt %d %d R", pdf_to_num(c, encrypt),
                            pdf_to_gen(c, encrypt));
        } else if (pdf_is_dict(c, encrypt)) {
            fz_write_string(c, out, "/Encrypt");
            pdf_print_obj(c, out, encrypt, 1, 0);
        }
        pdf_obj* id = pdf_dict_get(c, trailer, PDF_NAME(ID));
        if (pdf_is_array(c, id)) {
            fz_write_string(c, out, "/ID");
            pdf_print_obj(c, out, id, 1, 0);
        }
        fz_write_printf(c, out, "/Prev %ld>>\nstartxref\n%ld\n%%%%EOF\n", (long)previousXref,
                        (long)xref);
        fz_close_output(c, out);
    }
    fz_always(c) {
        fz_drop_output(c, out);
    }
    fz_catch(c) {
        fz_drop_buffer(c, update);
        throw Error("The document cannot take a signature: " + engine::lastError(c).toStdString());
    }
    if (refused) {
        fz_drop_buffer(c, update);
        throw Error("Repaired documents cannot take a standard signature.");
    }

    unsigned char* data = nullptr;
    const size_t length = fz_buffer_storage(c, update, &data);
    PreparedSignature prepared;
    prepared.data = fileBytes + QByteArray(reinterpret_cast<const char*>(data), qsizetype(length));
    fz_drop_buffer(c, update);

    const qsizetype sigStart = qsizetype(offsets[0]);
    const qsizetype rangeAt = prepared.data.indexOf(kRangePlaceholder, sigStart);
    prepared.holeStart = prepared.data.indexOf("/Contents<", sigStart) + 9;
    prepared.holeEnd = prepared.holeStart + holeHex + 2;
    const qsizetype total = prepared.data.size();
    const QByteArray range = QByteArray("[0 ") + QByteArray::number(prepared.holeStart) + " " +
                             QByteArray::number(prepared.holeEnd) + " " +
                             QByteArray::number(total - prepared.holeEnd);
    const QByteArray padded =
        range.leftJustified(qsizetype(std::strlen(kRangePlaceholder)) - 1, ' ') + "]";
    prepared.data.replace(rangeAt, padded.size(), padded);
    return prepared;
}

void fillSignatureHole(PreparedSignature& prepared, const QByteArray& cms) {
    const QByteArray hex = cms.toHex().toUpper();
    const qsizetype room = prepared.holeEnd - prepared.holeStart - 2;
    if (hex.size() > room)
        throw Error("The signature is larger than the room kept for it.");
    prepared.data.replace(prepared.holeStart + 1, hex.size(), hex);
}

} // namespace pdf
