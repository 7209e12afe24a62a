#include "viewmodels/PageManagementViewModel.h"

#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/InsertPagesEdit.h"
#include "viewmodels/PasswordRequest.h"
#include "viewmodels/RemovePageEdit.h"
#include "viewmodels/RotatePageEdit.h"

#include "base/InputFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

PageManagementViewModel::PageManagementViewModel(DocumentViewModel& documentVM, QObject* parent)
    : QObject(parent), documentVM_(documentVM) {}

// The task is let go without waiting (a merge cannot stop half-way): an edit it finishes
// after this is gone stays in the document, unkept, as a closed window's would.
PageManagementViewModel::~PageManagementViewModel() = default;

void PageManagementViewModel::setStatusMessage(const QString& message) {
    if (status_ == message)
        return;
    status_ = message;
    emit statusMessageChanged();
}

bool PageManagementViewModel::run(const QString& activity, Work work) {
    if (busy_ || !documentVM_.pdfDocument())
        return false;
    document_ = documentVM_.pdfDocument();
    busy_ = true;
    shownDone_ = 0;
    activity_ = activity;
    base::Task::Handlers handlers;
    handlers.progress = [this](int done, int total) {
        // Workers of a split may tell their counts out of order; the bar only grows.
        if (!busy_ || done < shownDone_)
            return;
        shownDone_ = done;
        emit progressed(done, total);
    };
    handlers.failed = [this](const QString& error) { complete(Outcome{nullptr, error}); };
    emit busyChanged();
    emit progressed(0, 0);
    task_ = base::Task::run(
        this,
        [work = std::move(work)](base::TaskContext& context) {
            return work([&context](int done, int total) { context.progress(done, total); });
        },
        [this](Outcome outcome) { complete(std::move(outcome)); }, handlers);
    return true;
}

void PageManagementViewModel::complete(Outcome outcome) {
    // A document replaced meanwhile keeps its own undo history; the edit went with the old one.
    if (outcome.edit && documentVM_.pdfDocument() == document_)
        documentVM_.keepApplied(std::move(outcome.edit));
    document_.reset();
    busy_ = false;
    activity_.clear();
    setStatusMessage(outcome.status);
    emit busyChanged();
    emit finished();
}

void PageManagementViewModel::wait() {
    task_.wait();
    // The document's notices were posted before the result: they land first, as they would.
    while (busy_)
        QCoreApplication::sendPostedEvents();
}

namespace {

// Runs `edit` on the calling (worker) thread; kept when it changed something.
std::unique_ptr<DocumentEdit> applied(std::unique_ptr<DocumentEdit> edit) {
    if (!edit->apply())
        return nullptr;
    return edit;
}

} // namespace

bool PageManagementViewModel::rotateCurrentPage() {
    const int index = documentVM_.currentPageIndex();
    auto doc = documentVM_.pdfDocument();
    return run(tr("Rotating…"), [doc, index](const PageOperations::Progress&) {
        return Outcome{applied(std::make_unique<RotatePageEdit>(doc, index)), {}};
    });
}

bool PageManagementViewModel::deleteCurrentPage() {
    const int index = documentVM_.currentPageIndex();
    auto doc = documentVM_.pdfDocument();
    return run(tr("Deleting…"), [doc, index](const PageOperations::Progress&) {
        return Outcome{applied(std::make_unique<RemovePageEdit>(doc, index)), {}};
    });
}

bool PageManagementViewModel::insertBlankPage() {
    const int index = documentVM_.currentPageIndex();
    auto doc = documentVM_.pdfDocument();
    return run(tr("Inserting…"), [doc, index](const PageOperations::Progress&) {
        auto insert = [index](const pdf::DocumentPtr& into) -> InsertPagesEdit::Inserted {
            if (!PageOperations::insertBlankPage(into, index))
                return {};
            return {index + 1, 1};
        };
        return Outcome{applied(std::make_unique<InsertPagesEdit>(tr("Insert Blank Page"), doc,
                                                                 std::move(insert))),
                       {}};
    });
}

bool PageManagementViewModel::insertFile(const QString& path) {
    if (busy_ || !documentVM_.pdfDocument())
        return false;
    const int at = documentVM_.currentPageIndex() + 1;
    auto doc = documentVM_.pdfDocument();
    // Passwords are asked for here, on the main thread, before the work starts.
    const std::optional<QString> password = askPasswordFor(path);
    if (!password) {
        setStatusMessage(tr("%1 is protected by a password.").arg(QFileInfo(path).fileName()));
        return false;
    }
    return run(tr("Inserting…"), [doc, at, path,
                                  password = *password](const PageOperations::Progress&) {
        const QString name = QFileInfo(path).fileName();
        if (const QString why = base::unreadableReason(path); !why.isEmpty())
            return Outcome{nullptr, tr("%1: %2.").arg(name, why)};
        auto source = pdf::Document::open(path);
        if (source && source->isLocked())
            source->unlock(password);
        if (!source || source->isLocked())
            return Outcome{nullptr, tr("%1 is not a readable PDF.").arg(name)};
        auto insert = [source, at](const pdf::DocumentPtr& into) -> InsertPagesEdit::Inserted {
            return {at, PageOperations::insertDocument(into, *source, at)};
        };
        return Outcome{
            applied(std::make_unique<InsertPagesEdit>(tr("Insert Pages"), doc, std::move(insert))),
            {}};
    });
}

bool PageManagementViewModel::mergeFiles(const QStringList& paths) {
    if (paths.isEmpty() || busy_ || !documentVM_.pdfDocument())
        return false;
    auto doc = documentVM_.pdfDocument();
    // Each protected file's password is asked for here, on the main thread, file by file;
    // a file whose prompt is cancelled is left out and named with the others.
    std::map<QString, QString> passwords;
    for (const QString& path : paths) {
        if (passwords.count(path))
            continue;
        if (const std::optional<QString> password = askPasswordFor(path))
            passwords[path] = *password;
    }
    return run(tr("Merging…"), [doc, paths, passwords](const PageOperations::Progress& progress) {
        auto skipped = std::make_shared<PageOperations::MergeResult>();
        // Progress is told on the first run only; a redo puts back the pages undo kept.
        auto told = std::make_shared<PageOperations::Progress>(progress);
        const auto unlock = [passwords](pdf::Document& source, const QString& path,
                                        QString* reason) {
            const auto given = passwords.find(path);
            if (given == passwords.end()) {
                *reason = tr("no password was given");
                return false;
            }
            if (source.unlock(given->second))
                return true;
            *reason = tr("wrong password");
            return false;
        };
        auto merge = [paths, skipped, told, unlock](const pdf::DocumentPtr& into) {
            const int at = into->pageCount();
            const auto result = PageOperations::mergeDocuments(into, paths, *told, unlock);
            *told = {};
            *skipped = result;
            return InsertPagesEdit::Inserted{at, result.pagesAdded};
        };
        auto edit =
            applied(std::make_unique<InsertPagesEdit>(tr("Merge PDF"), doc, std::move(merge)));
        return Outcome{std::move(edit), PageOperations::skippedMessage(*skipped)};
    });
}

bool PageManagementViewModel::extractCurrentPage(const QString& path) {
    const int index = documentVM_.currentPageIndex();
    auto doc = documentVM_.pdfDocument();
    return run(tr("Extracting…"), [doc, index, path](const PageOperations::Progress&) {
        QString error;
        PageOperations::writePage(doc, index, path, &error);
        return Outcome{nullptr, error};
    });
}

bool PageManagementViewModel::splitDocument(const QString& folder) {
    auto doc = documentVM_.pdfDocument();
    return run(tr("Splitting…"), [doc, folder](const PageOperations::Progress& progress) {
        const auto result = PageOperations::splitDocument(doc, folder, progress);
        QString message;
        if (!result.failures.isEmpty()) {
            message = result.failures.first();
            if (result.failures.size() > 1)
                message += tr(" (%n more file(s) could not be written)", "",
                              int(result.failures.size() - 1));
        }
        return Outcome{nullptr, message};
    });
}
