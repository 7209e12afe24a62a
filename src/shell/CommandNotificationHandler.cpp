#include "shell/CommandNotificationHandler.h"

CommandNotificationHandler::CommandNotificationHandler(DocumentViewModel* documentVM,
                                                       BookmarkViewModel* bookmarkVM,
                                                       SheetFlags* flags, Actions actions,
                                                       NotificationCenter& center, QObject* parent)
    : QObject(parent),
      core_(new CoreCommandHandler(documentVM, bookmarkVM, flags,
                                   {actions.ocrCurrentPage, actions.ocrEntireDocument,
                                    actions.importImagesAsPDF, actions.clipboardToPDF,
                                    actions.makeSearchable, actions.closeWindow},
                                   center, this)),
      tool_(new ToolCommandHandler(
          documentVM, flags, {actions.exportPDFAsText, actions.applyRedactions}, center, this)) {}
