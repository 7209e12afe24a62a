#pragma once
// Internal to src/pdf: the state behind the public handles.
#include "pdf/document/DisplayList.h"
#include "pdf/document/DocumentChanges.h"
#include "pdf/document/PageTable.h"
#include "pdf/engine/Engine.h"

#include "base/InputFiles.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

namespace pdf {

class Annotation;
class Document;
class Page;
class SourceFile;
class TextPage;

// What the view asks of a page while it paints, read from the page object once and kept
// in the page table, so that painting never waits for the engine.
struct PageGeometry {
    QRectF mediaBox{0, 0, 612, 792};
    int rotation = 0;
    QSizeF displaySize{612, 792};
    QTransform toDisplay; // PDF user space to display space (points, top-left origin)
};

// Two locks guard a document. The engine lock (`mutex`) is held for every engine call,
// including a recording of a heavy page that may take seconds. The table lock guards what
// the window asks for while painting: the page slots, their geometry and the texts kept.
// Whatever changes the table's shape holds both, engine lock first, so a reader holding
// either one sees a consistent table; a slot's contents are read and written under the
// table lock. Nothing takes the engine lock while holding the table lock.
struct DocumentData {
    using Lock = std::unique_lock<std::recursive_mutex>;
    using TableLock = std::unique_lock<std::mutex>;

    std::recursive_mutex mutex;
    std::mutex tableMutex;
    fz_document* doc = nullptr;
    pdf_document* pdf = nullptr;
    fz_buffer* source = nullptr;      // bytes the document reads from, when opened from memory
    std::shared_ptr<SourceFile> file; // the file it reads from, when opened from one
    QString path;
    // The file read from stays an input while the document lives: nothing may write over it.
    std::unique_ptr<base::ReadingFiles> reading;
    std::atomic<bool> locked{false}; // a password is still needed
    QByteArray password;             // the one that unlocked the document, if any
    bool ownerAccess = false;        // unlocked with the owner password
    std::weak_ptr<Document> owner;
    // One slot per page, in order; a slot is empty until its page is asked for.
    std::vector<std::weak_ptr<Page>> pages;
    // Each slot's geometry, kept current through every change of the page tree.
    std::vector<PageGeometry> geometry;
    // The text of each slot once extracted; kept with the document, not with the page
    // objects, which come and go.
    std::vector<std::shared_ptr<const TextPage>> texts;
    std::atomic<quint64> structureRevision{0};
    // The page labels as last read (a PageLabels), so that painting a label never waits for
    // the engine; good while the structure revision is `labelsRevision`. Table lock.
    std::shared_ptr<const void> labels;
    quint64 labelsRevision = 0;
    int pagesMoved = 0; // pages inserted or removed since the document was read
    // Where edits are announced; lives with the state, so pages outliving their Document
    // object still announce to whoever listens.
    std::unique_ptr<DocumentChanges> changes = std::make_unique<DocumentChanges>();
    bool contentEdited = false; // a page's content changed (a text layer was added)
    // The text of a page takes in what its form fields and free-text annotations show.
    std::atomic<bool> textWithAnnotations{true};
    int textLayerFont = 0; // object number of the text layers' font, once made

    // Every page object in order, so that a lookup by number costs the same for page 20,000
    // as for page 1. Read from the tree on the first lookup; changes of the tree update it
    // or invalidate it.
    PageTable pageTable;

    // Pages copied out of this document into `copiedInto` go through one graft map, so that
    // copying from here again (the same file merged twice) shares what the earlier copies
    // brought over (contents, fonts, images) instead of writing it twice. It serves while
    // the source's pages and neither's contents changed; annotations are copied afresh.
    pdf_graft_map* copyMap = nullptr;
    std::weak_ptr<DocumentData> copiedInto;
    quint64 copyRevision = 0; // this document's structureRevision at the last copy
    std::vector<unsigned char> annotationsCopied; // per page: annotations copied through copyMap
    void dropCopyMap(fz_context* c);

    // Takes the engine lock, first dropping the engine pages let go of while it was busy.
    Lock lock() {
        Lock held(mutex);
        if (hasUnloaded.load())
            dropUnloaded();
        return held;
    }
    TableLock tableLock() { return TableLock(tableMutex); }
    // An engine page whose Page went while another thread held the engine lock; it is
    // dropped by the next thread to take that lock.
    void unload(pdf_page* page);
    // Reads the geometry of `count` slots from `index` on from the page tree, and stores
    // it. Both locks must be held (the caller's engine lock, the table lock here).
    void readGeometry(fz_context* c, int index, int count);
    // The geometry of `count` pages from `index` on, read from the page tree, stored
    // nowhere. The engine lock must be held.
    std::vector<PageGeometry> geometryFromTree(fz_context* c, int index, int count);
    // Both with the lock held; neither throws. The first reads the page table now, unless
    // it holds the tree already (a tree that cannot be read leaves lookups walking it,
    // which is slower but right); the second makes the next lookup read it again, after a
    // change of the tree the table did not follow.
    void loadPageMap(fz_context* c);
    void dropPageMap(fz_context* c);
    ~DocumentData();
    void dropUnloaded();
    std::mutex unloadedMutex;
    std::vector<pdf_page*> unloaded;
    std::atomic<bool> hasUnloaded{false};
    // Gives every live page its slot, and the number MuPDF must know it by, after a
    // structure change. Both locks must be held.
    void renumber();
    // Makes room for `count` pages the engine just inserted at `index`.
    void recordInserted(int index, size_t count);
    // Keeps the texts within TextCache::limit(), letting go of those farthest from `near`.
    // Both locks must be held.
    void trimTexts(int near);
    qint64 textBytes() const;
};

struct PageData {
    std::shared_ptr<DocumentData> doc;
    // The slot; changed with both of the document's locks held.
    int index = -1;
    std::atomic<bool> detached{false};
    // A detached page's last geometry (table lock).
    PageGeometry geometry;
    // The engine's page, loaded on first use under the engine lock (see engine()): handing
    // a Page out never waits for that lock.
    pdf_page* loaded = nullptr;
    bool loadFailed = false;
    // The engine's page with the engine lock held, loading it when needed; nullptr for a
    // detached page or one the engine cannot load. Never throws.
    pdf_page* engine();
    // The page's geometry from the table (or its own once detached).
    PageGeometry currentGeometry() const;
    std::atomic<quint64> revision{0};
    std::map<pdf_annot*, std::weak_ptr<Annotation>> annotations;
};

struct AnnotationData {
    std::shared_ptr<Page> page;
    pdf_annot* annot = nullptr;
    bool removed = false;
};

// The cookie the engine polls while it records or draws, set from the caller's token: the
// token's callback only ever sets `abort`, atomically, on the cancelling thread.
class CancelCookie {
public:
    explicit CancelCookie(const base::CancelToken* token) {
        if (token)
            hook_.emplace(token->stopToken(), Abort{&cookie_});
    }
    CancelCookie(const CancelCookie&) = delete;
    CancelCookie& operator=(const CancelCookie&) = delete;
    fz_cookie* get() { return &cookie_; }

private:
    struct Abort {
        fz_cookie* cookie;
        void operator()() const noexcept { std::atomic_ref<int>(cookie->abort).store(1); }
    };
    fz_cookie cookie_{};
    std::optional<std::stop_callback<Abort>> hook_;
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
// disagree with its pages is rebuilt as one flat list of them. With `found`, the pages in
// the order of the tree as it stands afterwards (what collectPages would give) are handed
// over in it, borrowed from the document, for the caller to release. Throws through
// fz_throw.
int countAndRepairPages(fz_context* c, pdf_document* doc, ObjList* found = nullptr);

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
// With `withAnnotations`, what form fields and free-text annotations show is part of the
// text, each line at its place in the reading order.
std::shared_ptr<const TextPage> extractTextPage(fz_context* c, pdf_page* page,
                                                bool withAnnotations = true);
std::shared_ptr<Annotation> wrapAnnotation(const std::shared_ptr<Page>& page, pdf_annot* annot);

} // namespace pdf
