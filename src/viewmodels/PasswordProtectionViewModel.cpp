#include "viewmodels/PasswordProtectionViewModel.h"

#include "desktop/FileDialogs.h"
#include "platform/MainQueue.h"
#include "utilities/ProtectionService.h"
#include "viewmodels/DocumentViewModel.h"

PasswordProtectionViewModel::PasswordProtectionViewModel(DocumentViewModel& documentVM,
                                                         QObject* parent)
    : QObject(parent), documentVM_(documentVM) {}

void PasswordProtectionViewModel::setOwnerPassword(const QString& password) {
    if (ownerPassword_ == password)
        return;
    ownerPassword_ = password;
    emit ownerPasswordChanged();
}

void PasswordProtectionViewModel::setUserPassword(const QString& password) {
    if (userPassword_ == password)
        return;
    userPassword_ = password;
    emit userPasswordChanged();
}

void PasswordProtectionViewModel::setAllowPrinting(bool on) {
    if (allowPrinting_ == on)
        return;
    allowPrinting_ = on;
    emit allowPrintingChanged();
}

void PasswordProtectionViewModel::setAllowCopying(bool on) {
    if (allowCopying_ == on)
        return;
    allowCopying_ = on;
    emit allowCopyingChanged();
}

void PasswordProtectionViewModel::setStatus(const QString& message, bool success) {
    statusMessage_ = message;
    isSuccess_ = success;
    emit statusChanged();
}

QString PasswordProtectionViewModel::proposedFileName() const {
    return ProtectionService::protectedFileName(documentVM_.fileName());
}

void PasswordProtectionViewModel::saveProtectedPDF() {
    const pdf::DocumentPtr document = documentVM_.pdfDocument();
    if (!document) {
        setStatus(tr("No document loaded"), false);
        return;
    }
    if (ownerPassword_.isEmpty())
        return; // the button is disabled; a stray call writes nothing
    // A copy under new passwords cannot be appended to the signed bytes.
    if (!documentVM_.allowsEdit(SignatureGuard::Edit::rewrite, tr("Protecting the document")))
        return;

    const QString path = FileDialogs::current()->savePdf(proposedFileName(),
                                                         FileDialogs::folderOf(document->path()));
    if (path.isEmpty())
        return;

    try {
        ProtectionService::writeProtectedCopy(
            *document, path, {ownerPassword_, userPassword_, allowPrinting_, allowCopying_, true});
    } catch (const ProtectionService::ProtectionError& e) {
        setStatus(tr("Failed to save protected PDF: %1").arg(QString::fromUtf8(e.what())), false);
        return;
    }
    setStatus(tr("Protected PDF saved successfully"), true);
    MainQueue::asyncAfter(
        closeDelay, [this] { emit dismissRequested(); }, this);
}
