#include "pdf/annotations/AnnotationList.h"

#include "pdf/annotations/AnnotationCreate.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/document/PdfDate.h"
#include "pdf/engine/Internal.h"

#include <QDateTime>

namespace pdf {

using engine::ctx;

namespace {

struct RawEntry {
    int page = -1;
    int object = 0;
    const char* subtype = nullptr;
    const char* author = nullptr;
    const char* contents = nullptr;
    const char* date = nullptr;
    int inReplyTo = 0;
};

bool listed(fz_context* c, pdf_obj* subtype) {
    return pdf_is_name(c, subtype) && !pdf_name_eq(c, subtype, PDF_NAME(Link)) &&
           !pdf_name_eq(c, subtype, PDF_NAME(Widget)) && !pdf_name_eq(c, subtype, PDF_NAME(Popup));
}

const char* textOf(fz_context* c, pdf_obj* obj) {
    return pdf_is_string(c, obj) ? pdf_to_text_string(c, obj) : nullptr;
}

QString oneLine(const char* raw) {
    QString out = QString::fromUtf8(raw);
    for (QChar& ch : out)
        if (!ch.isPrint())
            ch = u' ';
    return out;
}

// The listed annotations of every page in `found`, each one's page index beside it in
// `pageStarts`: those found before any damage.
void collectEntries(fz_context* c, pdf_document* doc, ObjList* found, ObjList* pageStarts) {
    fz_try(c) {
        const int pages = pdf_count_pages(c, doc);
        for (int p = 0; p < pages && found->len < kMaxListedAnnotations; ++p) {
            pdf_obj* annots = pdf_dict_get(c, pageObjectAt(c, doc, p), PDF_NAME(Annots));
            const int n = pdf_array_len(c, annots);
            for (int i = 0; i < n && found->len < kMaxListedAnnotations; ++i) {
                pdf_obj* annot = pdf_array_get(c, annots, i);
                if (!listed(c, pdf_dict_get(c, annot, PDF_NAME(Subtype))))
                    continue;
                found->push(c, annot);
                // The page index rides along as a fake pointer-sized number.
                pageStarts->push(c, reinterpret_cast<pdf_obj*>(intptr_t(p)));
            }
        }
    }
    fz_catch(c) {
        // What was found before the damage is listed.
    }
}

// Reads each annotation's entries into `out`. Kept apart so nothing local lives across
// the guard.
void readEntries(fz_context* c, const ObjList& found, const ObjList& pageStarts, RawEntry* out) {
    fz_try(c) {
        for (int i = 0; i < found.len; ++i) {
            pdf_obj* annot = found.items[i];
            RawEntry& r = out[i];
            r.page = int(reinterpret_cast<intptr_t>(pageStarts.items[i]));
            r.object = pdf_to_num(c, annot);
            r.subtype = pdf_dict_get_name(c, annot, PDF_NAME(Subtype));
            r.author = textOf(c, pdf_dict_get(c, annot, PDF_NAME(T)));
            r.contents = textOf(c, pdf_dict_get(c, annot, PDF_NAME(Contents)));
            r.date = textOf(c, pdf_dict_get(c, annot, PDF_NAME(M)));
            if (!r.date)
                r.date = textOf(c, pdf_dict_get(c, annot, PDF_NAME(CreationDate)));
            r.inReplyTo = pdf_to_num(c, pdf_dict_get(c, annot, PDF_NAME(IRT)));
        }
    }
    fz_catch(c) {}
}

} // namespace

std::vector<AnnotationEntry> listAnnotations(const Document& document) {
    const auto& d = document.data();
    auto lock = d->lock();
    if (d->locked)
        return {};
    fz_context* c = ctx();
    ObjList found, pageStarts;
    collectEntries(c, d->pdf, &found, &pageStarts);
    std::vector<RawEntry> raw(size_t(found.len));
    readEntries(c, found, pageStarts, raw.data());
    found.release(c);
    pageStarts.release(c);
    std::vector<AnnotationEntry> result;
    result.reserve(raw.size());
    for (const RawEntry& r : raw) {
        AnnotationEntry e;
        e.page = r.page;
        e.object = r.object;
        e.subtype = QString::fromLatin1(r.subtype);
        e.author = oneLine(r.author).simplified();
        e.contents = QString::fromUtf8(r.contents);
        e.date = r.date ? parsePdfDate(QString::fromUtf8(r.date)) : QDateTime();
        e.inReplyTo = r.inReplyTo;
        result.push_back(std::move(e));
    }
    return result;
}

int objectNumber(const Annotation& annotation) {
    const AnnotationData& a = annotation.data();
    auto lock = a.page->data().doc->lock();
    if (a.removed || a.page->data().detached)
        return 0;
    return pdf_to_num(ctx(), pdf_annot_obj(ctx(), a.annot));
}

AnnotationPtr annotationByObject(const Page& page, int object) {
    if (object <= 0)
        return nullptr;
    for (const AnnotationPtr& annotation : page.annotations())
        if (objectNumber(*annotation) == object)
            return annotation;
    return nullptr;
}

AnnotationPtr addReply(Page& page, const Annotation& to, const QString& text,
                       const QString& author) {
    // One notice for the note and what makes it a reply, once both are in place.
    ChangeScope scope;
    const int parent = objectNumber(to);
    const QRectF at = to.bounds();
    if (parent <= 0 || at.isNull())
        return nullptr;
    // A note over the one answered: its icon lies on the other's, so the page shows one.
    const QPointF corner =
        page.pageToDisplay().inverted().map(page.pageToDisplay().mapRect(at).topLeft());
    AnnotationPtr reply = addNote(page, corner, text, to.color());
    if (!reply)
        return nullptr;
    const QByteArray name = author.toUtf8();
    const QByteArray now =
        ("D:" + QDateTime::currentDateTimeUtc().toString("yyyyMMddHHmmss") + "Z").toLatin1();
    const AnnotationData& a = reply->data();
    auto lock = a.page->data().doc->lock();
    fz_context* c = ctx();
    bool ok = true;
    fz_try(c) {
        pdf_document* doc = pdf_get_bound_document(c, pdf_annot_obj(c, a.annot));
        pdf_obj* obj = pdf_annot_obj(c, a.annot);
        pdf_dict_put_drop(c, obj, PDF_NAME(IRT), pdf_new_indirect(c, doc, parent, 0));
        pdf_dict_puts_drop(c, obj, "RT", pdf_new_name(c, "R"));
        pdf_dict_put_text_string(c, obj, PDF_NAME(T), name.constData());
        pdf_dict_put_string(c, obj, PDF_NAME(M), now.constData(), size_t(now.size()));
    }
    fz_catch(c) {
        ok = false;
    }
    return ok ? reply : nullptr;
}

} // namespace pdf
