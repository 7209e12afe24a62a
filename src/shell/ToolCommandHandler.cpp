#include "shell/ToolCommandHandler.h"

#include "platform/NotificationCenter.h"
#include "shell/CommandVocabulary.h"
#include "shell/SheetFlags.h"
#include "viewmodels/DocumentViewModel.h"

const QStringList& ToolCommandHandler::names() {
    namespace N = Notifications;
    static const QStringList list{
        N::showSignature,  N::showPageManagement, N::showPasswordProtection,
        N::showWatermark,  N::showCompare,        N::exportAsText,
        N::setDisplayMode, N::showReduceFileSize, N::showFindAndRedact,
        N::applyRedactions};
    return list;
}

ToolCommandHandler::ToolCommandHandler(DocumentViewModel* documentVM, SheetFlags* flags,
                                       Actions actions, NotificationCenter& center, QObject* parent)
    : QObject(parent), documentVM_(documentVM), flags_(flags), actions_(std::move(actions)) {
    for (const QString& name : names())
        center.subscribe(name, this,
                         [this, name](const QVariant& payload) { handle(name, payload); });
}

void ToolCommandHandler::handle(const QString& name, const QVariant& payload) {
    namespace N = Notifications;
    SheetFlags* flags = flags_;
    if (name == N::showSignature) {
        if (flags)
            flags->setShowSignature(true);
    } else if (name == N::showPageManagement) {
        if (flags)
            flags->setShowPageManagement(true);
    } else if (name == N::showPasswordProtection) {
        if (flags)
            flags->setShowPasswordProtection(true);
    } else if (name == N::showWatermark) {
        if (flags)
            flags->setShowWatermark(true);
    } else if (name == N::showReduceFileSize) {
        if (flags)
            flags->setShowReduceFileSize(true);
    } else if (name == N::showCompare) {
        if (flags)
            flags->setShowCompare(true);
    } else if (name == N::showFindAndRedact) {
        if (flags)
            flags->setShowFindAndRedact(true);
    } else if (name == N::applyRedactions) {
        if (documentVM_ && documentVM_->pdfDocument() && actions_.applyRedactions)
            actions_.applyRedactions();
    } else if (name == N::exportAsText) {
        if (documentVM_ && documentVM_->pdfDocument() && actions_.exportPDFAsText)
            actions_.exportPDFAsText(documentVM_->pdfDocument(), documentVM_->fileName());
    } else if (name == N::setDisplayMode) {
        if (!documentVM_ || payload.metaType() != QMetaType::fromType<PDFDisplayModeValue>())
            return;
        const PDFDisplayMode mode = toPDFDisplayMode(payload.value<PDFDisplayModeValue>());
        documentVM_->setDisplayMode(mode);
        if (PageViewInterface* view = documentVM_->pdfView())
            view->setDisplayMode(mode);
    }
}
