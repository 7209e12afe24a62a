#pragma once
// Internal to src/pdf: the state behind the public handles.
#include "pdf/DocumentChanges.h"
#include "pdf/Engine.h"
#include "pdf/PageTable.h"

#include "base/InputFiles.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace pdf {

class Annotation;
class Document;
class Page;
class TextPage;

struct DocumentData {
    using Lock = std::unique_lock<std::recursive_mutex>;

    std::recursive_mutex mutex;
    fz_document* doc = nullptr;
    pdf_document* pdf = nullptr;
    fz_buffer* source = nullptr; // bytes the document reads from, when opened from memory
    QString path;
    // The file read from stays an input while the document lives: nothing may write over it.
    std::unique_ptr<base::ReadingFiles> reading;
    bool locked = false;      // a password is still needed
    QByteArray password;      // the one that unlocked the document, if any
    bool ownerAccess = false; // unlocked with the owner password
    std::weak_ptr<Document> owner;
    // One slot per page, in order; a slot is empty until its page is asked for.
    std::vector<std::weak_ptr<Page>> pages;
    // The text of each slot once extracted; kept with the document, not with the page
    // objects, which come and go.
    std::vector<std::shared_ptr<const TextPage>> texts;
    std::atomic<quint64> structureRevision{0};
    int pagesMoved = 0; // pages inserted or removed since the document was read
    // Where edits are announced; lives with the state, so pages outliving their Document
    // object still announce to whoever listens.
    std::unique_ptr<DocumentChanges> changes = std::make_unique<DocumentChanges>();
    bool contentEdited = false; // a page's content changed (a text layer was added)
    int textLayerFont = 0;      // object number of the text layers' font, once made

    // Every page object in order, so that a lookup by number costs the same for page 20,000
    // as for page 1. Read from the tree on the first lookup; changes of the tree update it
    // or invalidate it.
    PageTable pageTable;

    Lock lock() { return Lock(mutex); }
    // Both with the lock held; neither throws. The first reads the page table now, unless
    // it holds the tree already (a tree that cannot be read leaves lookups walking it,
    // which is slower but right); the second makes the next lookup read it again, after a
    // change of the tree the table did not follow.
    void loadPageMap(fz_context* c);
    void dropPageMap(fz_context* c);
    ~DocumentData();
    // Gives every live page the number MuPDF must know it by after a structure change.
    void renumber();
    // Makes room for `count` pages the engine just inserted at `index`.
    void recordInserted(int index, size_t count);
    // Keeps the texts within TextCache::limit(), letting go of those farthest from `near`.
    // The lock must be held.
    void trimTexts(int near);
    qint64 textBytes() const;
};

struct PageData {
    std::shared_ptr<DocumentData> doc;
    pdf_page* page = nullptr;
    bool detached = false;
    std::atomic<quint64> revision{0};
    std::map<pdf_annot*, std::weak_ptr<Annotation>> annotations;
};

struct AnnotationData {
    std::shared_ptr<Page> page;
    pdf_annot* annot = nullptr;
    bool removed = false;
};

struct DisplayListData {
    fz_display_list* list = nullptr;
    fz_rect bounds{};
};

// Opened by every public edit before it takes the document's lock: the changes recorded
// meanwhile are announced when the outermost scope on the thread closes, after the lock
// was let go, so an observer that reads the document never waits on a worker holding it.
class ChangeScope {
public:
    ChangeScope();
    ~ChangeScope();
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;
};
// Records a change for the current scope, or announces it at once outside any scope.
void announce(DocumentData& d, Change change);

// A growable list of engine objects (not kept), engine-allocated so it can grow inside
// fz_try, where nothing may throw a C++ exception.
struct ObjList {
    pdf_obj** items = nullptr;
    int len = 0;
    int cap = 0;
    void push(fz_context* c, pdf_obj* obj) {
        if (len == cap) {
            const int grown = cap ? cap * 2 : 32;
            items = fz_realloc_array(c, items, grown, pdf_obj*);
            cap = grown;
        }
        items[len++] = obj;
    }
    void release(fz_context* c) {
        fz_free(c, items);
        *this = {};
    }
};

// Gives `annot` a normal appearance drawn by `draw(fz_device*)` into a device whose space is
// the rectangle's own (origin at its lower-left corner, y up). Throws through fz_throw;
// `draw` must only make engine calls.
template <typename Draw>
void setDrawnAppearance(fz_context* c, pdf_document* doc, pdf_annot* annot, double width,
                        double height, Draw draw) {
    pdf_obj* res = nullptr;
    fz_buffer* contents = nullptr;
    fz_device* dev = nullptr;
    fz_var(res);
    fz_var(contents);
    fz_var(dev);
    fz_try(c) {
        res = pdf_new_dict(c, doc, 2);
        contents = fz_new_buffer(c, 256);
        dev = pdf_new_pdf_device(c, doc, fz_identity, res, contents);
        draw(dev);
        fz_close_device(c, dev);
        const fz_rect bbox = fz_make_rect(0, 0, float(width), float(height));
        pdf_set_annot_appearance(c, annot, "N", nullptr, fz_identity, bbox, res, contents);
    }
    fz_always(c) {
        fz_drop_device(c, dev);
        pdf_drop_obj(c, res);
        fz_drop_buffer(c, contents);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

// The page object at `index`, borrowed from the document, as pdf_lookup_page_obj gives it
// (the object its parent's /Kids holds), found through the document's page table when one
// is attached. Throws through fz_throw.
pdf_obj* pageObjectAt(fz_context* c, pdf_document* doc, int index);
// pdf_load_page, found the same way.
pdf_page* loadPdfPage(fz_context* c, pdf_document* doc, int index);

// pdf_insert_page and pdf_delete_page, with the document's page table following. Throw
// through fz_throw; after a failure the table is read again on the next lookup.
void insertPageObject(fz_context* c, DocumentData& d, int index, pdf_obj* page);
void deletePageObject(fz_context* c, DocumentData& d, int index);

// The number of pages the page tree really holds; a tree whose counts, loops or repeats
// disagree with its pages is rebuilt as one flat list of them. Throws through fz_throw.
int countAndRepairPages(fz_context* c, pdf_document* doc);

// Every page object of the tree in order, in one walk that visits each object once; an
// engine-allocated array the caller frees with fz_free. Throws through fz_throw.
pdf_obj** collectPages(fz_context* c, pdf_document* doc, int* count);

// Matrix from PDF user space to MuPDF page space (top-left origin, rotation applied).
fz_matrix pageCtm(fz_context* c, pdf_page* page);
fz_rect toFz(const class QRectF& r);
QRectF fromFz(const fz_rect& r);
// Marks a page as drawn differently (for caches).
void touch(PageData& d);
// An engine image from a QImage (alpha becomes a soft mask). Throws through fz_throw. The
// caller converts to Format_RGBA8888 before its guarded region, so none is made in here.
fz_image* imageFromQImage(fz_context* c, const QImage& rgba);
std::shared_ptr<const TextPage> extractTextPage(fz_context* c, pdf_page* page);
std::shared_ptr<Annotation> wrapAnnotation(const std::shared_ptr<Page>& page, pdf_annot* annot);

} // namespace pdf
