#pragma once
// A PDF document held in memory. Opening never throws: anything that is not a
// readable PDF yields no document. Every call is safe from any thread; a document is
// touched by one thread at a time (its own lock).
#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

struct fz_output;

namespace pdf {

class DocumentChanges;
class Page;
class Selection;
class TextPage;
struct DocumentData;

enum class InfoKey { Title, Author, Subject, Keywords, Creator, Producer, CreationDate, ModDate };

struct WriteOptions {
    QString ownerPassword; // empty: no encryption unless a user password is given
    QString userPassword;  // empty: the file opens without a password
    bool allowPrinting = true;
    bool allowCopying = true;
    // Without new passwords: write the document's own encryption and permissions again
    // instead of writing it as the reader sees it.
    bool keepProtection = false;
    // Drop every object nothing refers to any more and renumber the rest, so that nothing
    // taken out of the document can be found in the written file.
    bool collectGarbage = false;
};

// Pixel size and resolution of an encoded image; width 0 when it is not one.
struct ImageInfo {
    int width = 0;
    int height = 0;
    double xDpi = 72; // 72 when the image states no resolution
    double yDpi = 72;
};
ImageInfo probeImage(const QByteArray& encodedImage);

class Document : public std::enable_shared_from_this<Document> {
public:
    // No document (nullptr) for an empty, truncated beyond repair, non-PDF or unreadable file.
    static std::shared_ptr<Document> open(const QString& path);
    // As open(), but the file is read as the engine needs it instead of whole at the start:
    // for a short look at a long file (its information, page boxes and fields), where
    // reading every page's contents would cost more than the look itself. The file must
    // stay as it is while the document is open; a change shows as damage, never a crash.
    // Text is then read on one thread, and such a document is not meant to be saved.
    static std::shared_ptr<Document> openForLookup(const QString& path);
    static std::shared_ptr<Document> fromData(const QByteArray& bytes);
    // A new document without pages.
    static std::shared_ptr<Document> create();

    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Where the document was read from; empty for documents made in memory.
    QString path() const;

    bool isEncrypted() const; // the file carries encryption (even if it opens without a password)
    bool isLocked() const;    // a password is still needed to read it
    bool unlock(const QString& password);
    // Not encrypted, or unlocked with the owner password: the protection is the reader's
    // to change or drop.
    bool hasOwnerAccess() const;

    int pageCount() const;
    // The same Page object comes back for a page while it stays in the document.
    std::shared_ptr<Page> page(int index) const;
    // -1 when the page is not (or no longer) in this document.
    int indexForPage(const std::shared_ptr<Page>& page) const;
    int indexForPage(const Page* page) const;

    // Inserts a copy of `page` (from this or another document) before `index`
    // (index == pageCount() appends). Content, resources, annotations and rotation come along.
    // Returns the new page of this document, or nullptr when the index is out of range.
    std::shared_ptr<Page> insertPage(const std::shared_ptr<Page>& page, int index);
    // Inserts copies of the pages `indices` of `source` before `index`, in that order, in one
    // pass: resources the pages share stay shared, annotations and form fields come along,
    // links between copied pages lead to the copies and links into pages left behind are
    // dropped. Returns the number of pages inserted (0 for an index out of range).
    // With a non-empty `outlineTitle` (from another document) the source's outline comes
    // along, under one new top-level entry of that title leading to the first copied page.
    int insertPages(const Document& source, const std::vector<int>& indices, int index,
                    const QString& outlineTitle = {});
    // Appends/inserts an empty page with the given media box size in points.
    std::shared_ptr<Page> insertBlankPage(int index, double width, double height);
    // Inserts a page of `size` points that shows an encoded image (PNG, JPEG, TIFF, BMP,
    // GIF, ...) stretched over it. JPEG data is kept as it is. nullptr when the bytes are
    // not an image this engine decodes.
    std::shared_ptr<Page> insertImagePage(int index, const QByteArray& encodedImage, double width,
                                          double height);
    std::shared_ptr<Page> insertImagePage(int index, const QImage& image, double width,
                                          double height);
    // Removes the page at index; pages handed out for it become detached. Its form fields
    // leave the form, unless another page shows them too.
    bool removePage(int index);

    // Whether the document has an outline (bookmarks of its own).
    bool hasOutline() const;
    // Puts the whole outline (if any) under one new top-level entry titled `title` that
    // leads to the first page. False when it could not be changed.
    bool nestOutline(const QString& title);
    bool removeOutline();

    // The whole document as PDF bytes. Empty on failure.
    QByteArray dataRepresentation() const;
    // Same bytes with passwords/permissions applied. Throws pdf::Error.
    QByteArray serialize(const WriteOptions& options) const;
    // Writes atomically (temporary file + rename). On failure returns false and fills
    // *error with a reason a person can read; the target is left untouched. A locked
    // document is never written (its bytes are still ciphertext).
    bool write(const QString& path, const WriteOptions& options = {},
               QString* error = nullptr) const;

    QString info(InfoKey key) const;
    void setInfo(InfoKey key, const QString& value);
    QDateTime infoDate(InfoKey key) const;
    void setInfoDate(InfoKey key, const QDateTime& value);

    // Every case-insensitive occurrence of `text`, in document order.
    std::vector<Selection> findString(const QString& text) const;

    // The text of every page, extracted on several threads the first time it is asked for.
    std::vector<std::shared_ptr<const TextPage>> textPages() const;

    // Calls visit(index, text) for every page in page order, `text` null for a page without
    // any, extracting ahead on several threads but holding no more than `window` pages'
    // text at a time; what is extracted is not kept. visit may run on any of the threads,
    // one call at a time; returning false stops the walk. Rethrows a worker's exception.
    void forEachTextPage(const std::function<bool(int index, const TextPage* text)>& visit,
                         int window = 32) const;

    // Memory taken by the text this document keeps (within pdf::TextCache::limit()).
    qint64 keptTextBytes() const;

    // Number of form widgets over all pages.
    int formFieldCount() const;

    // Announces every edit of this document (pages, annotations, form values, information).
    DocumentChanges* changes() const;

    // Grows on every change of structure (pages inserted, removed, rotated).
    quint64 structureRevision() const;

    // Every page's size as shown (rotation applied), in points, read from the page tree
    // without loading the pages: laying out a long document costs almost nothing.
    // Empty while the document is locked.
    std::vector<QSizeF> pageSizes() const;

    // Internal to the PDF layer.
    const std::shared_ptr<DocumentData>& data() const { return d_; }
    // Whether every lookup by page number finds the object the engine's own walk of the page
    // tree finds there (for tests: the page table kept in step with the tree).
    bool pageLookupsMatchTree() const;
    explicit Document(std::shared_ptr<DocumentData> d);

private:
    // Records a page the engine just inserted at `index` and hands it out.
    std::shared_ptr<Page> pageInsertedAt(int index);
    int insertFrom(DocumentData& source, const std::vector<int>& indices, int index,
                   const QString& outlineTitle = {});
    // Writes the document into `out` and closes it. The lock must be held. Throws pdf::Error.
    void writeTo(::fz_output* out, const WriteOptions& options) const;

    std::shared_ptr<DocumentData> d_;
};

using DocumentPtr = std::shared_ptr<Document>;

} // namespace pdf
