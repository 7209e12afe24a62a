#include "pdf/document/DocumentProperties.h"

#include "pdf/document/Document.h"
#include "pdf/engine/Internal.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace pdf {

using engine::ctx;

namespace {

constexpr int kMaxFormDepth = 12;

struct FontWalk {
    ObjList fonts;  // font dictionaries, each once
    ObjList marked; // what was marked, to unmark after
    int budget = kMaxFontLookups;
    bool cut = false;

    bool enter(fz_context* c, pdf_obj* obj) {
        if (--budget < 0) {
            cut = true;
            return false;
        }
        if (!pdf_is_indirect(c, obj))
            return true;
        if (pdf_obj_marked(c, obj))
            return false;
        pdf_mark_obj(c, obj);
        marked.push(c, obj);
        return true;
    }
};

void walkResources(fz_context* c, FontWalk& w, pdf_obj* res, int depth) {
    if (!pdf_is_dict(c, res) || depth > kMaxFormDepth || !w.enter(c, res))
        return;
    pdf_obj* fonts = pdf_dict_get(c, res, PDF_NAME(Font));
    const int n = pdf_dict_len(c, fonts);
    for (int i = 0; i < n && !w.cut; ++i) {
        pdf_obj* font = pdf_dict_get_val(c, fonts, i);
        if (pdf_is_dict(c, font) && w.enter(c, font))
            w.fonts.push(c, font);
    }
    pdf_obj* xobjects = pdf_dict_get(c, res, PDF_NAME(XObject));
    const int m = pdf_dict_len(c, xobjects);
    for (int i = 0; i < m && !w.cut; ++i) {
        pdf_obj* xobject = pdf_dict_get_val(c, xobjects, i);
        if (pdf_name_eq(c, pdf_dict_get(c, xobject, PDF_NAME(Subtype)), PDF_NAME(Form)))
            walkResources(c, w, pdf_dict_get(c, xobject, PDF_NAME(Resources)), depth + 1);
    }
}

struct RawFont {
    const char* name = nullptr;
    const char* subtype = nullptr;
    const char* descendant = nullptr; // a Type 0 font's CIDFont subtype
    const char* program = nullptr;    // FontFile3's subtype
    int fileKind = 0;                 // 0 none, 1 FontFile, 2 FontFile2, 3 FontFile3
};

QString typeName(const RawFont& f) {
    const QString subtype = QString::fromLatin1(f.subtype);
    const QString program = QString::fromLatin1(f.program);
    if (subtype == QLatin1String("Type0")) {
        const QString cid = QString::fromLatin1(f.descendant) == QLatin1String("CIDFontType2")
                                ? QStringLiteral("CID TrueType")
                                : QStringLiteral("CID Type 0");
        return QStringLiteral("Type 0 (%1)")
            .arg(program == QLatin1String("OpenType") ? QStringLiteral("CID OpenType") : cid);
    }
    if (subtype == QLatin1String("Type1") || subtype == QLatin1String("MMType1"))
        return program == QLatin1String("Type1C")     ? QStringLiteral("Type 1C")
               : program == QLatin1String("OpenType") ? QStringLiteral("OpenType")
                                                      : QStringLiteral("Type 1");
    if (subtype == QLatin1String("TrueType"))
        return program == QLatin1String("OpenType") ? QStringLiteral("OpenType")
                                                    : QStringLiteral("TrueType");
    if (subtype == QLatin1String("Type3"))
        return QStringLiteral("Type 3");
    return subtype.isEmpty() ? QStringLiteral("Unknown") : subtype;
}

// Every font of the first `pages` pages into walk->fonts.
void findFonts(fz_context* c, pdf_document* doc, int pages, FontWalk* walk) {
    fz_try(c) {
        for (int i = 0; i < pages && !walk->cut; ++i) {
            pdf_obj* page = pageObjectAt(c, doc, i);
            walkResources(c, *walk, pdf_dict_get_inheritable(c, page, PDF_NAME(Resources)), 0);
        }
    }
    fz_always(c) {
        for (int i = 0; i < walk->marked.len; ++i)
            pdf_unmark_obj(c, walk->marked.items[i]);
        walk->marked.release(c);
    }
    fz_catch(c) {
        // The fonts found so far are listed.
    }
}

// Reads each font's kind and program into `out`. Kept apart so nothing local lives across
// the guard.
void readFonts(fz_context* c, const ObjList& fonts, RawFont* out) {
    fz_try(c) {
        for (int i = 0; i < fonts.len; ++i) {
            pdf_obj* font = fonts.items[i];
            RawFont& f = out[i];
            f.name = pdf_dict_get_name(c, font, PDF_NAME(BaseFont));
            if (!f.name || !*f.name)
                f.name = pdf_dict_get_name(c, font, PDF_NAME(Name));
            f.subtype = pdf_dict_get_name(c, font, PDF_NAME(Subtype));
            pdf_obj* described = font;
            if (pdf_name_eq(c, pdf_dict_get(c, font, PDF_NAME(Subtype)), PDF_NAME(Type0))) {
                described = pdf_array_get(c, pdf_dict_get(c, font, PDF_NAME(DescendantFonts)), 0);
                f.descendant = pdf_dict_get_name(c, described, PDF_NAME(Subtype));
            }
            pdf_obj* descriptor = pdf_dict_get(c, described, PDF_NAME(FontDescriptor));
            if (pdf_is_stream(c, pdf_dict_get(c, descriptor, PDF_NAME(FontFile))))
                f.fileKind = 1;
            else if (pdf_is_stream(c, pdf_dict_get(c, descriptor, PDF_NAME(FontFile2))))
                f.fileKind = 2;
            else if (pdf_obj* file3 = pdf_dict_get(c, descriptor, PDF_NAME(FontFile3));
                     pdf_is_stream(c, file3)) {
                f.fileKind = 3;
                f.program = pdf_dict_get_name(c, file3, PDF_NAME(Subtype));
            }
        }
    }
    fz_catch(c) {}
}

struct Facts {
    int version = 0, permissions = -1, pages = 0, signatures = 0;
    bool linearized = false, tagged = false;
    char method[128] = {0};
};

void readFacts(fz_context* c, const std::shared_ptr<DocumentData>& d, Facts* f) {
    fz_try(c) {
        f->version = pdf_version(c, d->pdf);
        if (d->pdf->crypt)
            fz_lookup_metadata(c, d->doc, FZ_META_ENCRYPTION, f->method, sizeof f->method - 1);
        f->permissions = pdf_document_permissions(c, d->pdf);
        f->linearized = pdf_doc_was_linearized(c, d->pdf);
        if (!d->locked) {
            f->pages = pdf_count_pages(c, d->pdf);
            pdf_obj* root = pdf_dict_get(c, pdf_trailer(c, d->pdf), PDF_NAME(Root));
            f->tagged = pdf_to_bool(c, pdf_dict_getp(c, root, "MarkInfo/Marked")) ||
                        pdf_is_dict(c, pdf_dict_gets(c, root, "StructTreeRoot"));
            f->signatures = pdf_count_signatures(c, d->pdf);
        }
    }
    fz_catch(c) {}
}

} // namespace

DocumentProperties describe(const Document& document) {
    DocumentProperties p;
    const auto& d = document.data();
    auto lock = d->lock();
    fz_context* c = ctx();
    Facts facts;
    readFacts(c, d, &facts);
    const int version = facts.version, permissions = facts.permissions, pages = facts.pages;
    p.version = QStringLiteral("%1.%2").arg(version / 10).arg(version % 10);
    p.encrypted = d->pdf->crypt != nullptr;
    p.encryption = p.encrypted ? QString::fromUtf8(facts.method) : QString();
    {
        // The bits of /P; a negative number, as the file stores it, is normal.
        p.mayPrint = permissions & PDF_PERM_PRINT;
        p.mayCopy = permissions & PDF_PERM_COPY;
        p.mayModify = permissions & PDF_PERM_MODIFY;
        p.mayAnnotate = permissions & PDF_PERM_ANNOTATE;
        p.mayFillForms = permissions & (PDF_PERM_FORM | PDF_PERM_ANNOTATE);
        p.mayAssemble = permissions & (PDF_PERM_ASSEMBLE | PDF_PERM_MODIFY);
    }
    p.linearized = facts.linearized;
    p.tagged = facts.tagged;
    p.signatures = facts.signatures;
    p.pageCount = d->locked ? 0 : pages;
    if (d->locked)
        return p;
    lock.unlock();

    // Page sizes from the table the view lays out with; costs nothing on long documents.
    for (const QSizeF& raw : document.pageSizes()) {
        const QSizeF size(std::round(raw.width() * 10) / 10, std::round(raw.height() * 10) / 10);
        auto same = std::find_if(p.pageSizes.begin(), p.pageSizes.end(),
                                 [&](const PageSizeUse& use) { return use.size == size; });
        if (same == p.pageSizes.end())
            p.pageSizes.push_back({size, 1});
        else
            ++same->pages;
    }

    lock.lock();
    FontWalk walk;
    findFonts(c, d->pdf, pages, &walk);
    std::vector<RawFont> raw(size_t(walk.fonts.len));
    readFonts(c, walk.fonts, raw.data());
    walk.fonts.release(c);
    p.fontsCut = walk.cut;

    static const QRegularExpression subsetTag(QStringLiteral("^[A-Z]{6}\\+"));
    for (const RawFont& f : raw) {
        FontUse use;
        use.name = QString::fromUtf8(f.name);
        use.subset = subsetTag.match(use.name).hasMatch();
        if (use.subset)
            use.name = use.name.mid(7);
        if (use.name.isEmpty())
            use.name = QStringLiteral("(unnamed)");
        use.type = typeName(f);
        // A Type 3 font's glyphs are drawn by the file itself.
        use.embedded = f.fileKind > 0 || use.type == QLatin1String("Type 3");
        p.fonts.push_back(std::move(use));
    }
    std::sort(p.fonts.begin(), p.fonts.end(), [](const FontUse& a, const FontUse& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return p;
}

} // namespace pdf
