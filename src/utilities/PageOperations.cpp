#include "utilities/PageOperations.h"

#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "utilities/PDFCreationService.h"

#include "base/ParallelFor.h"
#include "pdf/writing/ProtectionCopy.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <map>
#include <numeric>

QString PageOperations::pageFileName(int index) {
    return QStringLiteral("page_%1.pdf").arg(index + 1);
}

bool PageOperations::rotateClockwise(const pdf::DocumentPtr& document, int index) {
    auto page = document ? document->page(index) : nullptr;
    if (!page)
        return false;
    page->setRotation((page->rotation() + 90) % 360);
    return true;
}

bool PageOperations::deletePage(const pdf::DocumentPtr& document, int index) {
    if (!document || document->pageCount() <= 1)
        return false;
    return document->removePage(index);
}

int PageOperations::currentIndexAfterDelete(int current, int count) {
    return current >= count ? std::max(count - 1, 0) : current;
}

pdf::PagePtr PageOperations::makeBlankPage(QSizeF size) {
    try {
        return PDFCreationService::createBlankPage(size, PageTemplate::blank);
    } catch (const PDFCreationService::CreationError&) {
        return nullptr;
    }
}

pdf::PagePtr PageOperations::insertBlankPage(const pdf::DocumentPtr& document, int index) {
    if (!document)
        return nullptr;
    QSizeF size = defaultPageSize;
    if (auto page = document->page(index))
        size = page->mediaBox().size();
    auto blank = makeBlankPage(size);
    if (!blank)
        return nullptr;
    const int at = std::clamp(index + 1, 0, document->pageCount());
    return document->insertPage(blank, at);
}

int PageOperations::insertDocument(const pdf::DocumentPtr& document, const pdf::Document& source,
                                   int at) {
    if (!document || source.pageCount() == 0)
        return 0;
    std::vector<int> all(size_t(source.pageCount()));
    std::iota(all.begin(), all.end(), 0);
    return document->insertPages(source, all, std::clamp(at, 0, document->pageCount()));
}

pdf::DocumentPtr PageOperations::extractPage(const pdf::DocumentPtr& document, int index) {
    if (!document || index < 0 || index >= document->pageCount())
        return nullptr;
    auto single = pdf::Document::create();
    if (!single || single->insertPages(*document, {index}, 0) != 1)
        return nullptr;
    return single;
}

namespace {

QString writeFailure(const QString& path, const QString& reason) {
    const QString name = QDir::toNativeSeparators(path);
    return reason.isEmpty() ? QStringLiteral("Could not write %1.").arg(name)
                            : QStringLiteral("Could not write %1: %2").arg(name, reason);
}

} // namespace

bool PageOperations::writePage(const pdf::DocumentPtr& document, int index, const QString& path,
                               QString* error) {
    auto single = extractPage(document, index);
    QString reason;
    if (!single) {
        reason = QStringLiteral("page %1 could not be copied").arg(index + 1);
    } else if (!pdf::takeProtectionOf(*single, *document)) {
        // A protected document's page never leaves it unprotected.
        reason = QStringLiteral("the page could not keep the document's protection");
    } else {
        pdf::WriteOptions keep;
        keep.keepProtection = true;
        if (single->write(path, keep, &reason))
            return true;
    }
    if (error)
        *error = writeFailure(path, reason);
    return false;
}

PageOperations::SplitResult PageOperations::splitDocument(const pdf::DocumentPtr& document,
                                                          const QString& folder,
                                                          const Progress& progress) {
    SplitResult result;
    if (!document || document->pageCount() <= 1)
        return result;
    const QDir dir(folder);
    const int count = document->pageCount();
    std::vector<QString> errors(static_cast<size_t>(count));
    std::vector<char> ok(static_cast<size_t>(count), 0);
    std::atomic<int> done{0};
    // Each file is synced to disk before it replaces anything, so several files are in
    // flight at once. Copying a page takes the source's lock briefly.
    base::parallelFor(count, [&](int i) {
        // Fixed names in a folder that may be shared: a planted link is replaced, not followed.
        const QString path = dir.filePath(pageFileName(i));
        if (!base::removeLink(path))
            errors[size_t(i)] = base::couldNotBeWritten(path, base::systemReason({}));
        else
            ok[size_t(i)] = writePage(document, i, path, &errors[size_t(i)]);
        if (progress)
            progress(++done, count);
    });
    for (int i = 0; i < count; ++i) {
        if (ok[size_t(i)])
            result.written << dir.filePath(pageFileName(i));
        else
            result.failures << errors[size_t(i)];
    }
    return result;
}

PageOperations::MergeResult PageOperations::mergeDocuments(const pdf::DocumentPtr& document,
                                                           const QStringList& paths,
                                                           const Progress& progress,
                                                           const Unlocker& unlock) {
    MergeResult result;
    if (!document)
        return result;
    // Each file's outline stays, under an entry named after the file (the one merged into
    // too); when none of them has an outline, none is made.
    const auto titleOf = [](const QString& path) {
        return path.isEmpty() ? QStringLiteral("Document") : QFileInfo(path).completeBaseName();
    };
    bool outlined = document->hasOutline();
    document->nestOutline(titleOf(document->path()));
    // A file named more than once is read once and stays open until its last turn: its
    // copies then share their contents and resources, as one file's pages share them.
    const auto keyOf = [](const QString& path) {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    };
    std::map<QString, int> turnsLeft;
    for (const QString& path : paths)
        ++turnsLeft[keyOf(path)];
    // What each file turned out to be: the unlocked document, or why it is left out.
    struct Opened {
        pdf::DocumentPtr document;
        QString reason;
    };
    const auto openOne = [&unlock](const QString& path) -> Opened {
        if (QString reason = base::unreadableReason(path); !reason.isEmpty())
            return {nullptr, reason};
        auto source = pdf::Document::open(path);
        if (!source)
            return {nullptr, QStringLiteral("not a PDF file, or damaged beyond repair")};
        QString reason = QStringLiteral("protected by a password");
        if (source->isLocked() && (!unlock || !unlock(*source, path, &reason)))
            return {nullptr, reason};
        if (source->pageCount() == 0)
            return {nullptr, QStringLiteral("no page that can be read")};
        return {source, {}};
    };
    std::map<QString, Opened> kept;
    for (int i = 0; i < int(paths.size()); ++i) {
        if (progress)
            progress(i, int(paths.size()));
        const QString& path = paths[i];
        const QString key = keyOf(path);
        auto found = kept.find(key);
        const Opened opened = found != kept.end() ? found->second : openOne(path);
        if (--turnsLeft[key] > 0)
            kept[key] = opened;
        else if (found != kept.end())
            kept.erase(found);
        const pdf::DocumentPtr& source = opened.document;
        if (!source) {
            result.skipped << path;
            result.reasons << opened.reason;
            continue;
        }
        outlined = outlined || source->hasOutline();
        std::vector<int> all(size_t(source->pageCount()));
        std::iota(all.begin(), all.end(), 0);
        result.pagesAdded +=
            document->insertPages(*source, all, document->pageCount(), titleOf(path));
    }
    if (!outlined)
        document->removeOutline();
    if (progress)
        progress(int(paths.size()), int(paths.size()));
    return result;
}

QString PageOperations::skippedMessage(const MergeResult& result) {
    if (result.skipped.isEmpty())
        return {};
    QStringList names;
    for (qsizetype i = 0; i < result.skipped.size(); ++i) {
        const QString name = QFileInfo(result.skipped[i]).fileName();
        names << (i < result.reasons.size() && !result.reasons[i].isEmpty()
                      ? QStringLiteral("%1 (%2)").arg(name, result.reasons[i])
                      : name);
    }
    return QStringLiteral("Skipped: %1").arg(names.join(QStringLiteral(", ")));
}
