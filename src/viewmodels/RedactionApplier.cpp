#include "viewmodels/RedactionApplier.h"

#include "desktop/Alerts.h"
#include "desktop/FileDialogs.h"
#include "pdf/writing/ProtectionCopy.h"
#include "utilities/RedactionService.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString plural(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

bool samePath(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    return x.exists() && y.exists() ? x.canonicalFilePath() == y.canonicalFilePath()
                                    : x.absoluteFilePath() == y.absoluteFilePath();
}

} // namespace

QString RedactionApplier::Outcome::summary() const {
    QStringList removed;
    removed << plural(glyphs, "character", "characters");
    if (images)
        removed << plural(images, "image", "images");
    if (paths)
        removed << plural(paths, "drawn shape", "drawn shapes");
    if (annotations)
        removed << plural(annotations, "annotation or field", "annotations or fields");
    if (elsewhere)
        removed << plural(elsewhere, "match outside the pages", "matches outside the pages");
    return QCoreApplication::translate("RedactionApplier",
                                       "%1 applied to \u201c%2\u201d. Removed: %3.")
        .arg(plural(marks, "mark", "marks"), QFileInfo(path).fileName(), removed.join(", "));
}

RedactionApplier::RedactionApplier(DocumentViewModel& documentVM, QObject* parent)
    : QObject(parent), documentVM_(documentVM) {
    connect(&documentVM_, &DocumentViewModel::pdfDocumentChanged, this,
            [this] { search_.reset(); });
}

void RedactionApplier::rememberSearch(std::shared_ptr<const RedactionMatcher> matcher) {
    search_ = std::move(matcher);
}

bool RedactionApplier::apply() {
    const pdf::DocumentPtr document = documentVM_.pdfDocument();
    if (!document || document->isLocked() || task_.isRunning())
        return false;
    const auto alerts = Alerts::current();
    const int marks = RedactionService::markCount(*document);
    if (marks == 0) {
        alerts->inform(tr("Nothing to Redact"),
                       tr("There are no redaction marks. Mark text or areas with the Redact "
                          "tool, or use Find and Redact, then apply them."));
        return false;
    }
    // The copy is written whole: a signed document's signatures do not hold in it.
    if (!documentVM_.allowsEdit(SignatureGuard::Edit::content, tr("Applying redactions")))
        return false;
    if (!alerts->confirm(
            tr("Apply Redactions"),
            tr("%1 will be applied to a new copy of this document. Whatever lies under "
               "them is removed from that copy for good: it cannot be undone or recovered "
               "from the written file. This document and its marks stay as they are.")
                .arg(plural(marks, "mark", "marks")),
            tr("Continue")))
        return false;

    const QString original = document->path();
    const QString proposed =
        RedactionService::redactedFileName(QFileInfo(documentVM_.fileName()).fileName());
    SaveFileRequest request;
    request.contentTypes = {ContentType::pdf()};
    request.proposedName = proposed;
    request.title = tr("Save Redacted Copy");
    request.prompt = tr("Save");
    request.directory = FileDialogs::folderOf(original);
    QString path = FileDialogs::current()->saveFile(request);
    if (path.isEmpty())
        return false;
    if (!original.isEmpty() && samePath(path, original) &&
        !alerts->confirm(tr("Replace the Original?"),
                         tr("\u201c%1\u201d is the original document. Replacing it leaves no "
                            "copy that still holds what the marks cover.")
                             .arg(QFileInfo(original).fileName()),
                         tr("Replace Original")))
        return false;

    // The marks are applied to a copy, so the open document, its marks and its undo
    // steps stay as they are. It is made here, where no edit can change the source.
    pdf::DocumentPtr copy;
    try {
        copy = pdf::Document::fromData(document->serialize({}));
    } catch (const std::exception&) {
        copy = nullptr;
    }
    if (!copy || !pdf::takeProtectionOf(*copy, *document)) {
        failed(tr("A copy of the document could not be made."));
        return false;
    }
    base::TaskHandlers handlers;
    handlers.failed = [this](const QString& error) { failed(error); };
    task_ = base::Task::run(
        this,
        [copy, path, search = search_](base::TaskContext&) {
            // The pages take only the marks the person kept after review; the search's
            // matches elsewhere, which no mark can show, are replaced as well.
            const RedactionService::Report report =
                RedactionService::applyRedactions(*copy, nullptr, {});
            const int elsewhere =
                search ? pdf::scrubDocumentText(*copy,
                                                [&](QString& text) {
                                                    return search->replace(
                                                        text, QStringLiteral("[redacted]"));
                                                })
                             .total()
                       : 0;
            // Agreed to above when the document is signed: written whole, with nothing of
            // the signed revision left in it.
            RedactionService::writeRedactedCopy(*copy, path, true);
            Outcome outcome;
            outcome.path = path;
            outcome.elsewhere = elsewhere;
            for (const pdf::PageRedaction& page : report.pages) {
                outcome.marks += page.marks;
                outcome.glyphs += page.glyphs;
                outcome.images += page.imagesCut + page.imagesRemoved;
                outcome.paths += page.paths;
                outcome.annotations += page.annotations;
            }
            return outcome;
        },
        [this](const Outcome& outcome) { done(outcome); }, handlers);
    pending_ = true;
    emit runningChanged();
    return true;
}

void RedactionApplier::wait() {
    task_.wait();
    while (task_.isRunning() || pending_)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void RedactionApplier::done(const Outcome& outcome) {
    pending_ = false;
    emit runningChanged();
    Alerts::current()->inform(tr("Redacted Copy Saved"), outcome.summary());
    emit finished(outcome.path, {});
}

void RedactionApplier::failed(const QString& error) {
    pending_ = false;
    emit runningChanged();
    Alerts::current()->inform(tr("Redaction Failed"), tr("Nothing was written: %1").arg(error));
    emit finished({}, error);
}
