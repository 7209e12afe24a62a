// A new signature field appended to a file's bytes as an incremental update: the objects
// it changes are written again after the end of the file, so the bytes before stay as
// they were and every earlier signature keeps its byte range.
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/signatures/BytesDocument.h"
#include "pdf/signatures/SignatureAppearance.h"
#include "pdf/signatures/SignatureFields.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pdf {

namespace {

using signatures::BytesDocument;

constexpr const char* kRangePlaceholder = "[0 0000000000 0000000000 0000000000]";
constexpr int kMaxObjects = 12;

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

// The texts of the update, made before any engine call so that no C++ object lives
// inside a guarded region.
struct UpdateTexts {
    QByteArray sigHead; // the signature dictionary up to its /M string
    QByteArray signingTime;
    QByteArray signerName;
    QByteArray reason;
    QByteArray location;
    QByteArray sigTail;
    QByteArray fieldTitle;
    std::vector<QByteArray> infoValues;
    qsizetype holeHex = 0;

    UpdateTexts(const SignatureFieldRequest& request, const QString& fieldName)
        : holeHex(request.contentsCapacity * 2) {
        sigHead = "<</Type/Sig/Filter/Adobe.PPKLite/SubFilter" +
                  pdfName(QString::fromLatin1(request.subFilter)) + "/ByteRange" +
                  kRangePlaceholder + "/Contents<" + QByteArray(holeHex, '0') + ">/M";
        signingTime = pdfDate(request.signingTime);
        signerName = textBytes(request.signerName);
        if (!request.reason.isEmpty())
            reason = textBytes(request.reason);
        if (!request.location.isEmpty())
            location = textBytes(request.location);
        sigTail = "/Prop_Build<</App<</Name" + pdfName(request.application) + ">>>>>>";
        fieldTitle = textBytes(fieldName);
        for (const auto& entry : request.info)
            infoValues.push_back(entry.second.toUtf8());
    }
};

// The update as it is written: each object's number, generation and offset in the file,
// for the cross-reference section. Plain data, safe inside fz_try.
struct UpdateWriter {
    fz_context* c = nullptr;
    fz_output* out = nullptr;
    pdf_crypt* crypt = nullptr;
    int64_t base = 0; // where the update starts in the file
    int nums[kMaxObjects] = {};
    int gens[kMaxObjects] = {};
    int64_t offsets[kMaxObjects] = {};
    int written = 0;

    void begin(int num, int gen) {
        nums[written] = num;
        gens[written] = gen;
        offsets[written++] = base + fz_tell_output(c, out);
        fz_write_printf(c, out, "%d %d obj\n", num, gen);
    }
    void end() { fz_write_string(c, out, "\nendobj\n"); }
    // `obj` written again as object num/gen.
    void object(int num, int gen, pdf_obj* obj) {
        begin(num, gen);
        pdf_print_encrypted_obj(c, out, obj, 1, 0, crypt, num, gen);
        end();
    }
    void objectAs(pdf_obj* ref, pdf_obj* obj) {
        object(pdf_to_num(c, ref), pdf_to_gen(c, ref), obj);
    }
};

// The signature dictionary and its widget, objects sigNum and sigNum + 1.
void writeSignatureAndWidget(UpdateWriter& w, const UpdateTexts& t, int sigNum, pdf_obj* page,
                             fz_rect widgetRect, int appearanceNum) {
    fz_context* c = w.c;
    const int widgetNum = sigNum + 1;
    w.begin(sigNum, 0);
    fz_write_data(c, w.out, t.sigHead.constData(), size_t(t.sigHead.size()));
    writeString(c, w.out, w.crypt, sigNum, 0, t.signingTime);
    fz_write_string(c, w.out, "/Name");
    writeString(c, w.out, w.crypt, sigNum, 0, t.signerName);
    if (!t.reason.isEmpty()) {
        fz_write_string(c, w.out, "/Reason");
        writeString(c, w.out, w.crypt, sigNum, 0, t.reason);
    }
    if (!t.location.isEmpty()) {
        fz_write_string(c, w.out, "/Location");
        writeString(c, w.out, w.crypt, sigNum, 0, t.location);
    }
    fz_write_data(c, w.out, t.sigTail.constData(), size_t(t.sigTail.size()));
    w.end();
    w.begin(widgetNum, 0);
    fz_write_printf(c, w.out, "<</Type/Annot/Subtype/Widget/FT/Sig/F 132/Rect[%g %g %g %g]",
                    widgetRect.x0, widgetRect.y0, widgetRect.x1, widgetRect.y1);
    if (appearanceNum)
        fz_write_printf(c, w.out, "/AP<</N %d 0 R>>", appearanceNum);
    fz_write_string(c, w.out, "/T");
    writeString(c, w.out, w.crypt, widgetNum, 0, t.fieldTitle);
    fz_write_printf(c, w.out, "/V %d 0 R/P %d %d R>>", sigNum, pdf_to_num(c, page),
                    pdf_to_gen(c, page));
    w.end();
}

void writeRaw(fz_context* c, void* out, const unsigned char* data, size_t length) {
    fz_write_data(c, static_cast<fz_output*>(out), data, length);
}

// The visible signature's form XObject as object `num`, its stream encrypted as the file is.
void writeAppearance(UpdateWriter& w, int num, const SignatureAppearance& a) {
    fz_context* c = w.c;
    const auto* data = reinterpret_cast<const unsigned char*>(a.content.constData());
    const size_t length = size_t(a.content.size());
    const double* m = a.matrix;
    w.begin(num, 0);
    fz_write_printf(c, w.out,
                    "<</Type/XObject/Subtype/Form/BBox[0 0 %g %g]/Matrix[%g %g %g %g %g %g]"
                    "/Resources<</Font<</Helv<</Type/Font/Subtype/Type1/BaseFont/Helvetica"
                    "/Encoding/WinAnsiEncoding>>>>>>/Length %d>>\nstream\n",
                    a.width, a.height, m[0], m[1], m[2], m[3], m[4], m[5],
                    int(w.crypt ? pdf_encrypted_len(c, w.crypt, num, 0, length) : length));
    if (w.crypt)
        pdf_encrypt_data(c, w.crypt, num, 0, writeRaw, w.out, data, length);
    else
        fz_write_data(c, w.out, data, length);
    fz_write_string(c, w.out, "\nendstream");
    w.end();
}

// The page again with the widget in a list of its own, written inside the page: an
// indirect list may be shared with other pages, which must not gain the widget.
void writePageWithWidget(UpdateWriter& w, pdf_document* doc, pdf_obj* page, pdf_obj* widgetRef) {
    fz_context* c = w.c;
    pdf_obj* copy = nullptr;
    pdf_obj* list = nullptr;
    fz_var(copy);
    fz_var(list);
    fz_try(c) {
        copy = pdf_copy_dict(c, page);
        pdf_obj* annots = pdf_dict_get(c, page, PDF_NAME(Annots));
        list = pdf_is_array(c, annots) ? pdf_copy_array(c, annots) : pdf_new_array(c, doc, 1);
        pdf_array_push(c, list, widgetRef);
        pdf_dict_put(c, copy, PDF_NAME(Annots), list);
        w.objectAs(page, copy);
    }
    fz_always(c) {
        pdf_drop_obj(c, list);
        pdf_drop_obj(c, copy);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

// The form again: Fields gains the widget, SigFlags says signatures exist and the file is
// to be appended to only. A form held inside the catalogue is written with the catalogue.
void writeFormWithWidget(UpdateWriter& w, pdf_document* doc, pdf_obj* root, pdf_obj* widgetRef) {
    fz_context* c = w.c;
    pdf_obj* formCopy = nullptr;
    pdf_obj* listCopy = nullptr;
    pdf_obj* rootCopy = nullptr;
    fz_var(formCopy);
    fz_var(listCopy);
    fz_var(rootCopy);
    fz_try(c) {
        pdf_obj* form = pdf_dict_get(c, root, PDF_NAME(AcroForm));
        formCopy = pdf_is_dict(c, form) ? pdf_copy_dict(c, form) : pdf_new_dict(c, doc, 2);
        pdf_obj* fieldList = pdf_dict_get(c, formCopy, PDF_NAME(Fields));
        listCopy =
            pdf_is_array(c, fieldList) ? pdf_copy_array(c, fieldList) : pdf_new_array(c, doc, 1);
        pdf_array_push(c, listCopy, widgetRef);
        // A list of its own object is written as that object; the form keeps pointing at it.
        if (pdf_is_indirect(c, fieldList) && pdf_is_array(c, fieldList))
            w.objectAs(fieldList, listCopy);
        else
            pdf_dict_put(c, formCopy, PDF_NAME(Fields), listCopy);
        pdf_dict_put_int(c, formCopy, PDF_NAME(SigFlags),
                         pdf_dict_get_int(c, formCopy, PDF_NAME(SigFlags)) | 3);
        if (pdf_is_indirect(c, form)) {
            w.objectAs(form, formCopy);
        } else {
            rootCopy = pdf_copy_dict(c, root);
            pdf_dict_put(c, rootCopy, PDF_NAME(AcroForm), formCopy);
            w.objectAs(root, rootCopy);
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, rootCopy);
        pdf_drop_obj(c, listCopy);
        pdf_drop_obj(c, formCopy);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

// The information dictionary with the entries asked for: its own object again when it has
// one, else object `newNum`. Sets *num and *gen to the dictionary written (0 when none).
void writeInfo(UpdateWriter& w, pdf_document* doc, const SignatureFieldRequest& request,
               const UpdateTexts& t, int newNum, int* num, int* gen) {
    fz_context* c = w.c;
    pdf_obj* info = pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Info));
    *num = pdf_is_indirect(c, info) ? pdf_to_num(c, info) : 0;
    *gen = pdf_is_indirect(c, info) ? pdf_to_gen(c, info) : 0;
    if (request.info.empty())
        return;
    if (!*num) {
        *num = newNum;
        *gen = 0;
    }
    pdf_obj* copy = nullptr;
    fz_var(copy);
    fz_try(c) {
        copy = pdf_is_dict(c, info) ? pdf_copy_dict(c, info) : pdf_new_dict(c, doc, 4);
        for (size_t i = 0; i < request.info.size(); ++i)
            pdf_dict_puts_drop(c, copy, request.info[i].first.constData(),
                               pdf_new_text_string(c, t.infoValues[i].constData()));
        w.object(*num, *gen, copy);
    }
    fz_always(c) {
        pdf_drop_obj(c, copy);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

// A classic cross-reference section, one subsection per object, and a trailer that keeps
// the file's encryption dictionary and identifier: the file's key stays the key.
void writeXrefAndTrailer(UpdateWriter& w, pdf_document* doc, int size, int infoNum, int infoGen,
                         int64_t previousXref) {
    fz_context* c = w.c;
    pdf_obj* trailer = pdf_trailer(c, doc);
    pdf_obj* root = pdf_dict_get(c, trailer, PDF_NAME(Root));
    const int64_t xref = w.base + fz_tell_output(c, w.out);
    fz_write_string(c, w.out, "xref\n");
    for (int i = 0; i < w.written; ++i)
        fz_write_printf(c, w.out, "%d 1\n%010ld %05d n \n", w.nums[i], (long)w.offsets[i],
                        w.gens[i]);
    int top = size + 2;
    for (int i = 0; i < w.written; ++i)
        top = std::max(top, w.nums[i] + 1);
    fz_write_printf(c, w.out, "trailer\n<</Size %d/Root %d %d R", top, pdf_to_num(c, root),
                    pdf_to_gen(c, root));
    if (infoNum)
        fz_write_printf(c, w.out, "/Info %d %d R", infoNum, infoGen);
    pdf_obj* encrypt = pdf_dict_get(c, trailer, PDF_NAME(Encrypt));
    if (pdf_is_indirect(c, encrypt)) {
        fz_write_printf(c, w.out, "/Encrypt %d %d R", pdf_to_num(c, encrypt),
                        pdf_to_gen(c, encrypt));
    } else if (pdf_is_dict(c, encrypt)) {
        fz_write_string(c, w.out, "/Encrypt");
        pdf_print_obj(c, w.out, encrypt, 1, 0);
    }
    pdf_obj* id = pdf_dict_get(c, trailer, PDF_NAME(ID));
    if (pdf_is_array(c, id)) {
        fz_write_string(c, w.out, "/ID");
        pdf_print_obj(c, w.out, id, 1, 0);
    }
    fz_write_printf(c, w.out, "/Prev %ld>>\nstartxref\n%ld\n%%%%EOF\n", (long)previousXref,
                    (long)xref);
}

// Where a visible signature goes: the stamp's page when the stamp is there, else the
// page asked for; with that page's crop box and rotation. Plain C.
struct Placement {
    int page = -1; // -1: invisible, on the first page
    int stampFound = 0;
    float box[4] = {};
    int rotation = 0;
};

void findPlacement(fz_context* c, pdf_document* doc, int stampPage, const float stamp[4],
                   int visiblePage, Placement* out) {
    const int pages = pdf_count_pages(c, doc);
    const fz_rect want = {stamp[0], stamp[1], stamp[2], stamp[3]};
    fz_rect found;
    pdf_obj* appearance = nullptr;
    if (stampPage >= 0 && stampPage < pages &&
        findStamp(c, pageObjectAt(c, doc, stampPage), want, &found, &appearance)) {
        out->page = stampPage;
        out->stampFound = 1;
    } else if (visiblePage >= 0 && visiblePage < pages) {
        out->page = visiblePage;
    }
    if (out->page < 0)
        return;
    pdf_obj* page = pageObjectAt(c, doc, out->page);
    fz_rect box = pdf_dict_get_rect(c, page, PDF_NAME(CropBox));
    const fz_rect media = pdf_to_rect(c, pdf_dict_get_inheritable(c, page, PDF_NAME(MediaBox)));
    if (!pdf_is_array(c, pdf_dict_get_inheritable(c, page, PDF_NAME(CropBox))))
        box = media;
    else
        box = fz_intersect_rect(
            pdf_to_rect(c, pdf_dict_get_inheritable(c, page, PDF_NAME(CropBox))), media);
    out->box[0] = box.x0;
    out->box[1] = box.y0;
    out->box[2] = box.x1;
    out->box[3] = box.y1;
    out->rotation = pdf_to_int(c, pdf_dict_get_inheritable(c, page, PDF_NAME(Rotate)));
}

bool findPlacementGuarded(fz_context* c, pdf_document* doc, const SignatureFieldRequest& request,
                          Placement* out) {
    const QRectF& r = request.stampRect;
    const float stamp[4] = {float(r.left()), float(r.top()), float(r.right()), float(r.bottom())};
    const int stampPage = request.stampPage;
    const int visiblePage = request.visiblePage;
    fz_try(c) {
        findPlacement(c, doc, stampPage, stamp, visiblePage, out);
    }
    fz_catch(c) {
        *out = Placement();
        return false;
    }
    return true;
}

// The lines a visible signature shows.
QStringList appearanceLines(const SignatureFieldRequest& request) {
    QStringList lines{"Digitally signed by " + request.signerName,
                      "Date: " +
                          request.signingTime.toLocalTime().toString("yyyy-MM-dd HH:mm:ss t")};
    if (!request.reason.isEmpty())
        lines << "Reason: " + request.reason;
    if (!request.location.isEmpty())
        lines << "Location: " + request.location;
    return lines;
}

// Sets the final /ByteRange over the placeholder, now that the file's length is known.
void closeByteRange(PreparedSignature& prepared, qsizetype sigStart, qsizetype holeHex) {
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
}

} // namespace

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
    const UpdateTexts texts(request, fieldName);

    Placement placement;
    findPlacementGuarded(c, doc, request, &placement);
    const QRectF box(QPointF(placement.box[0], placement.box[1]),
                     QPointF(placement.box[2], placement.box[3]));
    const SignatureAppearance look =
        layoutSignatureAppearance(appearanceLines(request), box, placement.rotation,
                                  placement.stampFound ? request.stampRect : QRectF());

    UpdateWriter w;
    w.c = c;
    w.crypt = doc->crypt;
    w.base = int64_t(fileBytes.size());
    bool refused = false;
    fz_buffer* update = nullptr;
    pdf_obj* widgetRef = nullptr;
    fz_var(refused);
    fz_var(update);
    fz_var(widgetRef);
    fz_var(w);
    fz_try(c) {
        // An update to a file the engine had to repair cannot be appended faithfully.
        if (!pdf_can_be_saved_incrementally(c, doc) || pdf_count_pages(c, doc) < 1) {
            refused = true;
            break;
        }
        pdf_obj* page = pageObjectAt(c, doc, std::max(placement.page, 0));
        const int appearanceNum = placement.page >= 0 ? pdf_xref_len(c, doc) + 2 : 0;
        const fz_rect widgetRect =
            appearanceNum ? fz_rect{float(look.rect.left()), float(look.rect.top()),
                                    float(look.rect.right()), float(look.rect.bottom())}
                          : fz_rect{0, 0, 0, 0};
        const int64_t previousXref = doc->startxref;
        const int size = pdf_xref_len(c, doc);

        update = fz_new_buffer(c, 4096 + size_t(texts.holeHex));
        w.out = fz_new_output_with_buffer(c, update);
        if (!fileBytes.endsWith('\n'))
            fz_write_byte(c, w.out, '\n');
        writeSignatureAndWidget(w, texts, size, page, widgetRect, appearanceNum);
        if (appearanceNum)
            writeAppearance(w, appearanceNum, look);
        widgetRef = pdf_new_indirect(c, doc, size + 1, 0);
        writePageWithWidget(w, doc, page, widgetRef);
        writeFormWithWidget(w, doc, pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Root)),
                            widgetRef);
        int infoNum = 0;
        int infoGen = 0;
        writeInfo(w, doc, request, texts, size + 3, &infoNum, &infoGen);
        writeXrefAndTrailer(w, doc, size, infoNum, infoGen, previousXref);
        fz_close_output(c, w.out);
    }
    fz_always(c) {
        pdf_drop_obj(c, widgetRef);
        fz_drop_output(c, w.out);
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
    closeByteRange(prepared, qsizetype(w.offsets[0]), texts.holeHex);
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
