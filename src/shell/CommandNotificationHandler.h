#pragma once
// The command routing of one window: a CoreCommandHandler and a ToolCommandHandler
// built from what the window hands in, subscribed to the window's own centre (its menus
// post there), so a command reaches this window and no other. Subscriptions last as long
// as this object.
#include "shell/CoreCommandHandler.h"
#include "shell/ToolCommandHandler.h"

class CommandNotificationHandler : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> ocrCurrentPage;
        std::function<void()> ocrEntireDocument;
        std::function<pdf::DocumentPtr()> importImagesAsPDF;
        std::function<pdf::DocumentPtr()> clipboardToPDF;
        std::function<void(const pdf::DocumentPtr&, const QString&)> exportPDFAsText;
        std::function<void()> makeSearchable;
        // File > Close with no document open: the window itself goes.
        std::function<void()> closeWindow;
        std::function<void()> applyRedactions;
    };

    CommandNotificationHandler(DocumentViewModel* documentVM, BookmarkViewModel* bookmarkVM,
                               SheetFlags* flags, Actions actions, NotificationCenter& center,
                               QObject* parent = nullptr);

    CoreCommandHandler* core() const { return core_; }
    ToolCommandHandler* tool() const { return tool_; }

private:
    CoreCommandHandler* core_;
    ToolCommandHandler* tool_;
};
