#include "shell/CommandNotificationHandler.h"

CommandNotificationHandler::CommandNotificationHandler(DocumentViewModel* documentVM,
                                                       BookmarkViewModel* bookmarkVM,
                                                       SheetFlags* flags, Actions actions,
                                                       QObject* parent, NotificationCenter* center)
    : QObject(parent),
      core_(new CoreCommandHandler(documentVM, bookmarkVM, flags,
                                   {actions.ocrCurrentPage, actions.ocrEntireDocument,
                                    actions.importImagesAsPDF, actions.clipboardToPDF,
                                    actions.makeSearchable},
                                   this, center)),
      tool_(new ToolCommandHandler(documentVM, flags, {actions.exportPDFAsText}, this, center)) {}
