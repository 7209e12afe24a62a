#pragma once
// Changes to the page structure of a document, shared by the page management sheet and
// vellumark-cli. Stateless. Writes go through temporary files and never touch the file a
// document was read from; failures come back as messages that name the file.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"

#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>

class PageOperations {
public:
    PageOperations() = delete;

    // Told how much of a long operation is done; may be called on any thread.
    using Progress = std::function<void(int done, int total)>;

    // Size of a blank page when there is no page to take it from (US Letter portrait).
    static constexpr QSizeF defaultPageSize{612, 792};

    // "page_" + 1-based number + ".pdf": index 4 gives page_5.pdf.
    static QString pageFileName(int index);

    // Turns the page clockwise by a quarter: 0 → 90 → 180 → 270 → 0. False without a page.
    static bool rotateClockwise(const pdf::DocumentPtr& document, int index);

    // Removes the page; a document is never left without pages. False when nothing changed.
    static bool deletePage(const pdf::DocumentPtr& document, int index);
    // The current page after page `current` was deleted from a document now holding `count`
    // pages: the page that followed it, or the new last page.
    static int currentIndexAfterDelete(int current, int count);

    // A blank page after page `index`, the size of that page's media box (Letter when there
    // is none). The new page, or nullptr when it could not be made.
    static pdf::PagePtr insertBlankPage(const pdf::DocumentPtr& document, int index);
    // One blank page of `size` points with the plain background, in a document of its own.
    static pdf::PagePtr makeBlankPage(QSizeF size);

    // Every page of `source`, in order, before `at`. The number of pages inserted.
    static int insertDocument(const pdf::DocumentPtr& document, const pdf::Document& source,
                              int at);

    // A new document holding a copy of page `index` (annotations, form fields and links to
    // itself included); nullptr without such a page.
    static pdf::DocumentPtr extractPage(const pdf::DocumentPtr& document, int index);
    // Writes page `index` alone to `path`. False with *error naming the file when it fails.
    static bool writePage(const pdf::DocumentPtr& document, int index, const QString& path,
                          QString* error);

    struct SplitResult {
        QStringList written;  // paths, in page order
        QStringList failures; // one message per file that could not be written
    };
    // One file per page, page_1.pdf, page_2.pdf, ... in `folder`. Documents of one page or
    // fewer are left alone (nothing written).
    static SplitResult splitDocument(const pdf::DocumentPtr& document, const QString& folder,
                                     const Progress& progress = {});

    // Unlocks a protected file about to be merged: true when `document` (read from `path`)
    // is readable afterwards, else false with the reason in *reason.
    using Unlocker =
        std::function<bool(pdf::Document& document, const QString& path, QString* reason)>;

    struct MergeResult {
        int pagesAdded = 0;
        QStringList skipped; // files left out, as given
        QStringList reasons; // why each of them was left out, in the same order
    };
    // Appends every page of each file, in the order given, at the end of `document`.
    // `progress` counts the files; `unlock` is asked for each file that needs a password
    // (without it such a file is left out).
    static MergeResult mergeDocuments(const pdf::DocumentPtr& document, const QStringList& paths,
                                      const Progress& progress = {}, const Unlocker& unlock = {});

    // "Skipped: a.pdf (no such file), b.pdf (wrong password)"; empty when nothing was skipped.
    static QString skippedMessage(const MergeResult& result);
};
