// Saving the open document: over its own file, to a new file, or as an exported copy,
// and the unsaved state that follows it.
#include "viewmodels/DocumentViewModel.h"

#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "base/ReplacingInput.h"
#include "desktop/Alerts.h"
#include "desktop/FileDialogs.h"
#include "viewmodels/FileConversionViewModel.h"
#include "viewmodels/ReadingHistory.h"

#include <QFileInfo>
#include <QUndoStack>

bool DocumentViewModel::isModified() const {
    return !undoStack_->isClean();
}

void DocumentViewModel::markSaved() {
    undoStack_->setClean();
}

void DocumentViewModel::markModified() {
    if (pdfDocument_)
        undoStack_->resetClean();
}

bool DocumentViewModel::confirmDiscardChanges() {
    if (!pdfDocument_ || !isModified())
        return true;
    switch (Alerts::current()->askToSaveChanges(fileName_)) {
    case Alerts::UnsavedChoice::save:
        return save();
    case Alerts::UnsavedChoice::discard:
        return true;
    case Alerts::UnsavedChoice::cancel:
        break;
    }
    return false;
}

bool DocumentViewModel::writeDocument(const QString& path) {
    // The file keeps the protection it was opened with: saving never drops a password.
    pdf::WriteOptions options;
    options.keepProtection = true;
    QString reason;
    // The window's own file may be replaced: the document holds what it read from it (and
    // so does an earlier version kept for undo).
    std::optional<base::ReplacingInput> replacing;
    if (fileURL_.isLocalFile() && base::isSameFile(path, fileURL_.toLocalFile()))
        replacing.emplace(path);
    if (!pdfDocument_->write(path, options, &reason)) {
        Alerts::current()->inform(QStringLiteral("The document was not saved"),
                                  base::couldNotBeWritten(path, reason));
        return false;
    }
    markSaved();
    emit saved(path);
    return true;
}

bool DocumentViewModel::save() {
    if (!pdfDocument_)
        return false;
    if (!fileURL_.isLocalFile())
        return saveAs();
    return writeDocument(fileURL_.toLocalFile());
}

bool DocumentViewModel::saveAs() {
    if (!pdfDocument_)
        return false;
    const QString current = fileURL_.isLocalFile() ? fileURL_.toLocalFile() : QString();
    QString proposed = fileName_.isEmpty() ? QStringLiteral("Untitled") : fileName_;
    if (!ContentType::pdf().matches(proposed))
        proposed += QStringLiteral(".pdf");
    const QString chosen =
        FileDialogs::current()->savePdf(proposed, FileDialogs::folderOf(current));
    if (chosen.isEmpty() || !writeDocument(chosen))
        return false;
    // The written file is the document's file from now on: Save goes there, and it is
    // what the window is titled after.
    setFileName(QFileInfo(chosen).fileName());
    setFileURL(QUrl::fromLocalFile(chosen));
    if (remembersPlaces_)
        ReadingHistory::addRecent(QFileInfo(chosen).absoluteFilePath());
    return true;
}

bool DocumentViewModel::closeAfterAsking() {
    if (!pdfDocument_ || !confirmDiscardChanges())
        return false;
    closeDocument();
    return true;
}

bool DocumentViewModel::saveAnnotatedCopy() {
    if (!pdfDocument_)
        return false;
    const auto outcome = FileConversionViewModel::exportAnnotatedPDF(*pdfDocument_, fileName_);
    if (outcome.failed()) {
        Alerts::current()->inform(QStringLiteral("The copy was not saved"), outcome.message);
        return false;
    }
    return !outcome.cancelled();
}
