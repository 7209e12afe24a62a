#include "pdf/document/Document.h"

#include "pdf/annotations/FormFieldPrune.h"
#include "pdf/document/FileStream.h"
#include "pdf/document/Page.h"
#include "pdf/document/PageLabels.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"
#include "pdf/writing/PageGraft.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <thread>

namespace pdf {

using engine::ctx;

DocumentData::~DocumentData() {
    fz_context* c = ctx();
    dropUnloaded();
    dropCopyMap(c);
    pageTable.detach(c); // it keeps objects of the document
    fz_drop_document(c, doc);
    fz_drop_buffer(c, source);
}

void DocumentData::loadPageMap(fz_context* c) {
    if (!locked)
        pageTable.ready(c);
}

void DocumentData::dropPageMap(fz_context* c) {
    pageTable.invalidate(c);
}

void DocumentData::unload(pdf_page* page) {
    std::lock_guard guard(unloadedMutex);
    unloaded.push_back(page);
    hasUnloaded = true;
}

void DocumentData::dropUnloaded() {
    std::vector<pdf_page*> due;
    {
        std::lock_guard guard(unloadedMutex);
        due.swap(unloaded);
        hasUnloaded = false;
    }
    fz_context* c = ctx();
    for (pdf_page* page : due)
        fz_drop_page(c, &page->super);
}

void DocumentData::dropCopyMap(fz_context* c) {
    pdf_drop_graft_map(c, copyMap);
    copyMap = nullptr;
    copiedInto.reset();
    annotationsCopied.clear();
}

void DocumentData::renumber() {
    // An engine page let go of meanwhile would keep its old number in the engine's list
    // of open pages, where a later load would find it.
    dropUnloaded();
    // The pages are held until the table lock is let go: the last hold of one may end here.
    std::vector<std::shared_ptr<Page>> live;
    {
        auto table = tableLock();
        for (size_t i = 0; i < pages.size(); ++i)
            if (auto p = pages[i].lock()) {
                p->data().index = int(i);
                if (p->data().loaded)
                    p->data().loaded->super.number = int(i);
                live.push_back(std::move(p));
            }
    }
    ++structureRevision;
}

namespace {

// Opens the document in `buffer` (taken over), or, without one, in `file`, read as the
// engine needs it.
std::shared_ptr<DocumentData> openSource(fz_buffer* buffer, std::shared_ptr<SourceFile> file,
                                         const QString& path) {
    fz_context* c = ctx();
    // Made before the engine's objects: none of them is lost if this throws.
    auto d = std::make_shared<DocumentData>();
    fz_stream* stream = nullptr;
    pdf_document* doc = nullptr;
    int pages = 0;
    int locked = 0;
    ObjList found; // the walk's pages: the page table starts from them
    fz_var(stream);
    fz_var(doc);
    fz_var(found);
    fz_try(c) {
        stream = buffer ? fz_open_buffer(c, buffer) : file->stream(c);
        doc = pdf_open_document_with_stream(c, stream);
        if (!fz_needs_password(c, &doc->super) || fz_authenticate_password(c, &doc->super, ""))
            pages = countAndRepairPages(c, doc, &found);
        else
            locked = 1;
        if (pages < 0)
            fz_throw(c, FZ_ERROR_GENERIC, "no pages");
    }
    fz_always(c) {
        fz_drop_stream(c, stream);
    }
    fz_catch(c) {
        found.release(c);
        pdf_drop_document(c, doc);
        fz_drop_buffer(c, buffer);
        return nullptr;
    }
    d->doc = &doc->super;
    d->pdf = doc;
    d->source = buffer;
    d->file = std::move(file);
    d->path = path;
    d->locked = locked != 0;
    d->pageTable.attach(doc);
    // The tree was walked once to count its pages: the table starts from that walk.
    if (!locked)
        d->pageTable.adopt(c, found.items, found.len);
    d->pages.resize(size_t(pages));
    d->texts.resize(size_t(pages));
    // No other thread can see the document yet: no lock to take.
    d->geometry = d->geometryFromTree(c, 0, pages);
    return d;
}

bool looksLikePdf(const QByteArray& bytes) {
    // The header may be preceded by junk, but only a little (readers accept up to 1 KiB).
    if (bytes.left(1024).contains("%PDF-"))
        return true;
    // A damaged header: the engine's repair still finds the objects when there are any.
    return bytes.contains(" obj") && bytes.contains("endobj");
}

std::shared_ptr<Document> adopt(std::shared_ptr<DocumentData> d);

} // namespace

namespace {
std::shared_ptr<Document> adopt(std::shared_ptr<DocumentData> d) {
    if (!d)
        return nullptr;
    auto doc = std::make_shared<Document>(d);
    d->owner = doc;
    // Read while nothing else can hold the engine: the views paint labels from this.
    PageLabels::read(*doc);
    return doc;
}
} // namespace

Document::Document(std::shared_ptr<DocumentData> d) : d_(std::move(d)) {}
Document::~Document() = default;

namespace {

// Opens a copy of `bytes`; no document when they are not a readable PDF.
std::shared_ptr<DocumentData> openBytes(const QByteArray& bytes, const QString& path) {
    if (bytes.isEmpty() || !looksLikePdf(bytes))
        return nullptr;
    fz_context* c = ctx();
    fz_buffer* buffer = nullptr;
    fz_var(buffer);
    fz_try(c) {
        buffer = fz_new_buffer_from_copied_data(
            c, reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
    }
    fz_catch(c) {
        return nullptr;
    }
    return openSource(buffer, nullptr, path);
}

} // namespace

std::shared_ptr<Document> Document::open(const QString& path) {
    // A FIFO would never end and a device never stop: only regular files are read.
    if (!base::isRegularFile(path))
        return nullptr;
    // The file stays open and is read as the engine asks: memory does not grow with it.
    auto file = SourceFile::open(QFile::encodeName(path));
    if (!file)
        return nullptr;
    if (file->size() == 0 || !looksLikePdf(file->read(0, 1024)))
        return nullptr;
    auto d = openSource(nullptr, std::move(file), QFileInfo(path).absoluteFilePath());
    if (d)
        d->reading = std::make_unique<base::ReadingFiles>(path);
    return adopt(d);
}

std::shared_ptr<Document> Document::fromData(const QByteArray& bytes) {
    return adopt(openBytes(bytes, QString()));
}

std::shared_ptr<Document> Document::create() {
    fz_context* c = ctx();
    pdf_document* doc = nullptr;
    fz_try(c) {
        doc = pdf_create_document(c);
    }
    fz_catch(c) {
        return nullptr;
    }
    auto d = std::make_shared<DocumentData>();
    d->doc = &doc->super;
    d->pdf = doc;
    d->pageTable.attach(doc);
    return adopt(d);
}

QString Document::path() const {
    return d_->path;
}

bool Document::isEncrypted() const {
    auto lock = d_->lock();
    fz_context* c = ctx();
    bool encrypted = false;
    fz_var(encrypted);
    fz_try(c) {
        encrypted = d_->pdf->crypt != nullptr;
    }
    fz_catch(c) {
        encrypted = false;
    }
    return encrypted;
}

bool Document::hasOwnerAccess() const {
    auto lock = d_->lock();
    return !d_->pdf->crypt || d_->ownerAccess;
}

bool Document::isLocked() const {
    return d_->locked; // asked while painting: never waits for the engine
}

bool Document::unlock(const QString& password) {
    auto lock = d_->lock();
    fz_context* c = ctx();
    int ok = 0;
    int pages = 0;
    ObjList found;
    const QByteArray pw = password.toUtf8();
    fz_var(ok);
    fz_var(pages);
    fz_var(found);
    d_->dropPageMap(c);
    fz_try(c) {
        ok = fz_authenticate_password(c, d_->doc, pw.constData());
        if (ok)
            pages = countAndRepairPages(c, d_->pdf, &found);
    }
    fz_catch(c) {
        ok = 0;
    }
    if (!ok) {
        found.release(c);
        return false;
    }
    d_->pageTable.adopt(c, found.items, found.len);
    const bool wasLocked = d_->locked;
    if (wasLocked) {
        auto table = d_->tableLock();
        d_->pages.resize(size_t(pages));
        d_->texts.resize(size_t(pages));
        d_->geometry.resize(size_t(pages));
    }
    if (wasLocked)
        d_->readGeometry(c, 0, pages);
    d_->locked = false;
    d_->ownerAccess = d_->ownerAccess || (ok & 4) != 0; // the engine's owner-password bit
    d_->password = pw; // private copies read on other threads open with it too
    ++d_->structureRevision;
    return true;
}

void DocumentData::recordInserted(int index, size_t count) {
    {
        auto table = tableLock();
        pages.insert(pages.begin() + index, count, std::weak_ptr<Page>());
        texts.insert(texts.begin() + index, count, nullptr);
        geometry.insert(geometry.begin() + index, count, PageGeometry());
    }
    readGeometry(ctx(), index, int(count));
    ++pagesMoved;
    renumber();
    Change change{Change::Kind::PagesInserted, {}};
    for (size_t i = 0; i < count; ++i)
        change.pages.push_back(index + int(i));
    announce(*this, std::move(change));
}

std::shared_ptr<Page> Document::pageInsertedAt(int index) {
    d_->recordInserted(index, 1);
    return page(index);
}

int Document::pageCount() const {
    auto table = d_->tableLock();
    return int(d_->pages.size());
}

// Asked for while painting: answered from the page table alone. The engine's page is
// loaded on the page's first engine call (PageData::engine), so a worker recording
// another page never holds this up.
std::shared_ptr<Page> Document::page(int index) const {
    auto table = d_->tableLock();
    if (index < 0 || index >= int(d_->pages.size()))
        return nullptr;
    if (auto existing = d_->pages[size_t(index)].lock())
        return existing;
    auto data = std::make_unique<PageData>();
    data->doc = d_;
    data->index = index;
    auto page = std::make_shared<Page>(std::move(data));
    d_->pages[size_t(index)] = page;
    return page;
}

int Document::indexForPage(const std::shared_ptr<Page>& page) const {
    return indexForPage(page.get());
}

int Document::indexForPage(const Page* page) const {
    if (!page)
        return -1;
    if (page->data().doc != d_)
        return -1;
    return page->index();
}

namespace {

// Two documents: take both locks in a fixed order so two threads cannot deadlock.
struct BothLocks {
    std::unique_lock<std::recursive_mutex> first, second;
    BothLocks(DocumentData* a, DocumentData* b) {
        if (a == b) {
            first = a->lock();
        } else if (a < b) {
            first = a->lock();
            second = b->lock();
        } else {
            first = b->lock();
            second = a->lock();
        }
    }
};

// Brings annotation changes of the source pages that are loaded into their objects.
void syncLoadedPages(fz_context* c, const std::vector<std::shared_ptr<Page>>& loaded) {
    for (size_t i = 0; i < loaded.size(); ++i)
        if (pdf_page* p = loaded[i]->data().loaded)
            pdf_update_page(c, p);
}

} // namespace

std::shared_ptr<Page> Document::insertPage(const std::shared_ptr<Page>& page, int index) {
    if (!page || page->isDetached())
        return nullptr;
    ChangeScope scope;
    std::shared_ptr<DocumentData> src = page->data().doc;
    if (src.get() != d_.get()) {
        // The page may outlive its Document object (a page made in a scratch document).
        const int from = page->index();
        if (from < 0 || insertFrom(*src, {from}, index) != 1)
            return nullptr;
        return this->page(index);
    }
    auto lock = d_->lock();
    if (index < 0 || index > int(d_->pages.size()))
        return nullptr;
    const int from = page->index();
    if (from < 0)
        return nullptr;
    fz_context* c = ctx();
    pdf_graft_map* map = nullptr;
    pdf_obj* copy = nullptr;
    fz_var(map);
    fz_var(copy);
    bool ok = true;
    fz_var(ok);
    fz_try(c) {
        // Bring any annotation changes into the source objects before copying them.
        if (pdf_page* p = page->data().loaded)
            pdf_update_page(c, p);
        // A page of the same document: a copy placed at the end, then moved.
        map = pdf_new_graft_map(c, d_->pdf);
        pdf_graft_mapped_page(c, map, -1, d_->pdf, from);
        copy = pageObjectAt(c, d_->pdf, pdf_count_pages(c, d_->pdf) - 1);
        pdf_keep_obj(c, copy);
        pdf_delete_page(c, d_->pdf, pdf_count_pages(c, d_->pdf) - 1);
        pdf_insert_page(c, d_->pdf, index, copy);
    }
    fz_always(c) {
        pdf_drop_obj(c, copy);
        pdf_drop_graft_map(c, map);
    }
    fz_catch(c) {
        ok = false;
    }
    d_->dropPageMap(c); // the copy moved: the table is read again on the next lookup
    if (!ok)
        return nullptr;
    return pageInsertedAt(index);
}

int Document::insertPages(const Document& source, const std::vector<int>& indices, int index,
                          const QString& outlineTitle) {
    if (indices.empty())
        return 0;
    ChangeScope scope;
    if (source.d_.get() == d_.get()) {
        // Copies within one document, one at a time; the indices keep naming the originals.
        auto lock = d_->lock();
        int done = 0;
        for (int from : indices) {
            const int shifted = from >= index ? from + done : from;
            if (!insertPage(page(shifted), index + done))
                break;
            ++done;
        }
        return done;
    }
    return insertFrom(*source.d_, indices, index, outlineTitle);
}

int Document::insertFrom(DocumentData& source, const std::vector<int>& indices, int index,
                         const QString& outlineTitle) {
    ChangeScope scope;
    BothLocks locks(d_.get(), &source);
    const int sourceCount = int(source.pages.size());
    if (index < 0 || index > int(d_->pages.size()) || source.locked || d_->locked)
        return 0;
    for (int from : indices)
        if (from < 0 || from >= sourceCount)
            return 0;
    fz_context* c = ctx();
    // The pages are held before the guarded region: nothing in it may own a C++ object.
    std::vector<std::shared_ptr<Page>> loaded;
    {
        auto table = source.tableLock();
        for (int from : indices)
            if (auto p = source.pages[size_t(from)].lock())
                loaded.push_back(std::move(p));
    }
    const QByteArray title = outlineTitle.toUtf8();
    // What an earlier copy from the same source brought over is shared.
    // Pages added to or taken from the target since leave what the map points at as it was;
    // a change of the source's pages or of either's contents does not.
    const quint64 sourceRevision = source.structureRevision;
    const bool reuse = source.copyMap && source.copyRevision == sourceRevision &&
                       !source.contentEdited && !d_->contentEdited &&
                       source.copiedInto.lock().get() == d_.get();
    if (!reuse)
        source.dropCopyMap(c);
    source.annotationsCopied.resize(size_t(sourceCount), 0);
    CopyState state{source.copyMap, source.annotationsCopied.data(), sourceCount};
    bool ok = true;
    fz_var(ok);
    fz_try(c) {
        syncLoadedPages(c, loaded);
        graftPages(c, d_->pdf, source.pdf, indices.data(), int(indices.size()), index,
                   title.isEmpty() ? nullptr : title.constData(), &state);
    }
    fz_catch(c) {
        ok = false;
    }
    source.copyMap = state.map;
    if (!ok)
        source.dropCopyMap(c);
    d_->dropPageMap(c); // read again on the next lookup, whatever part of the batch landed
    if (!ok) {
        // Whatever part of the batch landed stays; find out how much that was.
        int now = 0;
        fz_var(now);
        fz_try(c) {
            now = pdf_count_pages(c, d_->pdf);
        }
        fz_catch(c) {
            now = int(d_->pages.size());
        }
        const int landed = std::clamp(now - int(d_->pages.size()), 0, int(indices.size()));
        if (landed)
            d_->recordInserted(index, size_t(landed));
        return landed;
    }
    d_->recordInserted(index, indices.size());
    source.copiedInto = d_;
    source.copyRevision = source.structureRevision;
    return int(indices.size());
}

std::shared_ptr<Page> Document::insertBlankPage(int index, double width, double height) {
    ChangeScope scope;
    auto lock = d_->lock();
    if (index < 0 || index > int(d_->pages.size()) || width <= 0 || height <= 0)
        return nullptr;
    fz_context* c = ctx();
    pdf_obj* obj = nullptr;
    fz_buffer* contents = nullptr;
    fz_var(obj);
    fz_var(contents);
    bool ok = true;
    fz_try(c) {
        contents = fz_new_buffer(c, 1);
        obj = pdf_add_page(c, d_->pdf, fz_make_rect(0, 0, float(width), float(height)), 0, nullptr,
                           contents);
        insertPageObject(c, *d_, index, obj);
    }
    fz_always(c) {
        pdf_drop_obj(c, obj);
        fz_drop_buffer(c, contents);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        return nullptr;
    return pageInsertedAt(index);
}

bool Document::removePage(int index) {
    ChangeScope scope;
    auto lock = d_->lock();
    if (index < 0 || index >= int(d_->pages.size()))
        return false;
    fz_context* c = ctx();
    bool ok = true;
    fz_try(c) {
        // Its fields leave the form with it, or other readers list them without a page.
        removePageFields(c, d_->pdf, pageObjectAt(c, d_->pdf, index));
        deletePageObject(c, *d_, index);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        return false;
    std::shared_ptr<Page> gone;
    {
        auto table = d_->tableLock();
        gone = d_->pages[size_t(index)].lock();
        if (gone) {
            PageData& g = gone->data();
            g.geometry = d_->geometry[size_t(index)];
            g.detached = true;
            g.index = -1;
            if (g.loaded)
                g.loaded->super.number = -1;
            ++g.revision;
        }
        d_->pages.erase(d_->pages.begin() + index);
        d_->texts.erase(d_->texts.begin() + index);
        d_->geometry.erase(d_->geometry.begin() + index);
    }
    ++d_->pagesMoved;
    d_->renumber();
    announce(*d_, {Change::Kind::PagesRemoved, {index}});
    return true;
}

bool Document::hasOutline() const {
    auto lock = d_->lock();
    fz_context* c = ctx();
    bool has = false;
    fz_var(has);
    fz_try(c) {
        has = !d_->locked && pdf::hasOutline(c, d_->pdf);
    }
    fz_catch(c) {
        has = false;
    }
    return has;
}

bool Document::nestOutline(const QString& title) {
    ChangeScope scope;
    auto lock = d_->lock();
    if (d_->locked)
        return false;
    fz_context* c = ctx();
    const QByteArray utf8 = title.toUtf8();
    bool ok = true;
    fz_try(c) {
        pdf_obj* first = d_->pages.empty() ? nullptr : pageObjectAt(c, d_->pdf, 0);
        pdf::nestOutline(c, d_->pdf, utf8.constData(), first);
    }
    fz_catch(c) {
        ok = false;
    }
    return ok;
}

bool Document::removeOutline() {
    ChangeScope scope;
    auto lock = d_->lock();
    fz_context* c = ctx();
    bool ok = true;
    fz_try(c) {
        pdf::removeOutline(c, d_->pdf);
    }
    fz_catch(c) {
        ok = false;
    }
    return ok;
}

namespace {
// The widgets page `index` lists, read from its page object (`obj` when the caller has it
// at hand); 0 when it cannot be read.
int widgetsOnPage(fz_context* c, pdf_document* doc, int index, pdf_obj* obj) {
    int count = 0;
    fz_var(count);
    fz_try(c) {
        pdf_obj* annots =
            pdf_dict_get(c, obj ? obj : pageObjectAt(c, doc, index), PDF_NAME(Annots));
        const int n = pdf_array_len(c, annots);
        for (int k = 0; k < n; ++k)
            if (pdf_name_eq(c, pdf_dict_get(c, pdf_array_get(c, annots, k), PDF_NAME(Subtype)),
                            PDF_NAME(Widget)))
                ++count;
    }
    fz_catch(c) {
        count = 0;
    }
    return count;
}
} // namespace

int Document::formFieldCount() const {
    // Read from the page objects: loading every page only to count its widgets would cost
    // far more than the count.
    auto lock = d_->lock();
    if (d_->locked)
        return 0;
    fz_context* c = ctx();
    // Counting changes nothing of the tree: whether the table holds it is asked once.
    const bool tabled = d_->pageTable.ready(c);
    int count = 0;
    for (int i = 0; i < int(d_->pages.size()); ++i)
        count += widgetsOnPage(c, d_->pdf, i, tabled ? d_->pageTable.object(i) : nullptr);
    return count;
}

DocumentChanges* Document::changes() const {
    return d_->changes.get();
}

quint64 Document::structureRevision() const {
    return d_->structureRevision.load();
}

} // namespace pdf
