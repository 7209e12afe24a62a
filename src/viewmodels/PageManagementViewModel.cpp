#include "viewmodels/PageManagementViewModel.h"

#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/InsertPagesEdit.h"
#include "viewmodels/RemovePageEdit.h"
#include "viewmodels/RotatePageEdit.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

PageManagementViewModel::PageManagementViewModel(DocumentViewModel& documentVM, QObject* parent)
    : QObject(parent), documentVM_(documentVM) {}

PageManagementViewModel::~PageManagementViewModel() {
    // The worker reports to this object: it may not outlive it. An edit it finishes after
    // this is gone stays in the document, unkept, as a closed window's would.
    if (thread_)
        thread_->wait();
}

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
    if (thread_)
        thread_->wait(); // finished already: its result came in
    QPointer<PageManagementViewModel> self(this);
    const PageOperations::Progress progress = [self](int done, int total) {
        QMetaObject::invokeMethod(
            self,
            [self, done, total] {
                // Workers of a split may tell their counts out of order; the bar only grows.
                if (!self || !self->busy_ || done < self->shownDone_)
                    return;
                self->shownDone_ = done;
                emit self->progressed(done, total);
            },
            Qt::QueuedConnection);
    };
    thread_.reset(QThread::create([self, work = std::move(work), progress] {
        auto outcome = std::make_shared<Outcome>();
        try {
            *outcome = work(progress);
        } catch (const std::exception& e) {
            outcome->status = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(
            self,
            [self, outcome] {
                if (self)
                    self->complete(outcome);
            },
            Qt::QueuedConnection);
    }));
    emit busyChanged();
    emit progressed(0, 0);
    thread_->start();
    return true;
}

void PageManagementViewModel::complete(const std::shared_ptr<Outcome>& outcome) {
    // A document replaced meanwhile keeps its own undo history; the edit went with the old one.
    if (outcome->edit && documentVM_.pdfDocument() == document_)
        documentVM_.keepApplied(std::move(outcome->edit));
    document_.reset();
    busy_ = false;
    activity_.clear();
    setStatusMessage(outcome->status);
    emit busyChanged();
    emit finished();
}

void PageManagementViewModel::wait() {
    if (thread_)
        thread_->wait();
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
    const int at = documentVM_.currentPageIndex() + 1;
    auto doc = documentVM_.pdfDocument();
    return run(tr("Inserting…"), [doc, at, path](const PageOperations::Progress&) {
        auto source = pdf::Document::open(path);
        if (!source || source->isLocked())
            return Outcome{nullptr,
                           tr("%1 is not a readable PDF.").arg(QFileInfo(path).fileName())};
        auto insert = [source, at](const pdf::DocumentPtr& into) -> InsertPagesEdit::Inserted {
            return {at, PageOperations::insertDocument(into, *source, at)};
        };
        return Outcome{
            applied(std::make_unique<InsertPagesEdit>(tr("Insert Pages"), doc, std::move(insert))),
            {}};
    });
}

bool PageManagementViewModel::mergeFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return false;
    auto doc = documentVM_.pdfDocument();
    return run(tr("Merging…"), [doc, paths](const PageOperations::Progress& progress) {
        auto skipped = std::make_shared<QStringList>();
        // Progress is told on the first run only; a redo puts back the pages undo kept.
        auto told = std::make_shared<PageOperations::Progress>(progress);
        auto merge = [paths, skipped, told](const pdf::DocumentPtr& into) {
            const int at = into->pageCount();
            const auto result = PageOperations::mergeDocuments(into, paths, *told);
            *told = {};
            *skipped = result.skipped;
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
