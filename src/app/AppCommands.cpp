#include "app/AppCommands.h"

#include "app/AboutDialog.h"
#include "pageview/ReadingColours.h"
#include "platform/NotificationCenter.h"
#include "widgets/MenuBarMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace {

// Makes the items of one menu bar, all posting on the centre of that bar's window.
struct Items {
    QPointer<NotificationCenter> center;

    // An item that posts `name` (with `payload`) when chosen. `before` places it ahead of
    // an existing item. Its shortcut works while its own window is active: every window
    // carries the same keys in its own menu bar.
    QAction* item(QMenu* menu, const QString& label, const QString& name,
                  const QKeySequence& shortcut = {}, const QVariant& payload = {},
                  QAction* before = nullptr) const {
        auto* action = new QAction(label, menu);
        action->setData(payload); // the window marks the layout in use by it
        if (!shortcut.isEmpty()) {
            action->setShortcut(shortcut);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        QObject::connect(action, &QAction::triggered, action, [target = center, name, payload] {
            if (target)
                target->post(name, payload);
        });
        menu->insertAction(before, action);
        return action;
    }
};

void separator(QMenu* menu, QAction* before = nullptr) {
    menu->insertSeparator(before);
}

} // namespace

void AppCommands::install(QMenuBar* bar, NotificationCenter& center) {
    namespace N = Notifications;
    namespace K = KeyboardShortcuts;
    const Items items{&center};

    QMenu* file = MenuBarMenus::findOrAdd(bar, QStringLiteral("File"));
    QMenu* edit = MenuBarMenus::findOrAdd(bar, QStringLiteral("Edit"));
    QMenu* view = MenuBarMenus::findOrAdd(bar, QStringLiteral("View"));
    QMenu* go = MenuBarMenus::findOrAdd(bar, QStringLiteral("Go"));
    QMenu* tools = MenuBarMenus::findOrAdd(bar, QStringLiteral("Tools"));

    // File: at the top, ahead of whatever the window put there.
    QAction* firstExisting = file->actions().isEmpty() ? nullptr : file->actions().first();
    items.item(file, "New Document...", N::newDocument, K::newDocument(), {}, firstExisting);
    items.item(file, "Open...", N::openFile, K::openFile(), {}, firstExisting);
    separator(file, firstExisting);
    items.item(file, "Save", N::save, K::save(), {}, firstExisting);
    items.item(file, "Save As...", N::saveAs, K::saveAs(), {}, firstExisting);
    items.item(file, "Close", N::closeDocument, K::closeDocument(), {}, firstExisting);
    separator(file, firstExisting);
    items.item(file, "Import Images as PDF...", N::importImages, {}, {}, firstExisting);
    items.item(file, "Create PDF from Clipboard", N::clipboardToPDF, {}, {}, firstExisting);
    separator(file, firstExisting);
    items.item(file, "Reduce File Size...", N::showReduceFileSize, {}, {}, firstExisting);
    if (firstExisting)
        separator(file, firstExisting);

    // Undo and Redo head the Edit menu; the window names and enables them by its stack.
    QAction* firstEdit = edit->actions().isEmpty() ? nullptr : edit->actions().first();
    items.item(edit, "Undo", N::undo, K::undo(), {}, firstEdit)->setObjectName(N::undo);
    items.item(edit, "Redo", N::redo, K::redo(), {}, firstEdit)->setObjectName(N::redo);
    if (firstEdit)
        separator(edit, firstEdit);
    if (!edit->actions().isEmpty())
        separator(edit);
    items.item(edit, "Find...", N::toggleSearch, K::search());

    if (!view->actions().isEmpty())
        separator(view);
    // Ctrl+= as well: on most layouts the plus needs Shift, and readers take both.
    items.item(view, "Zoom In", N::zoomIn, K::zoomIn())
        ->setShortcuts({K::zoomIn(), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    items.item(view, "Zoom Out", N::zoomOut, K::zoomOut());
    items.item(view, "Zoom to Fit", N::zoomToFit, K::zoomToFit());
    separator(view);
    for (PDFDisplayModeValue mode :
         {PDFDisplayModeValue::singlePage, PDFDisplayModeValue::singlePageContinuous,
          PDFDisplayModeValue::twoUp, PDFDisplayModeValue::twoUpContinuous})
        items.item(view, menuLabel(mode), N::setDisplayMode, {}, QVariant::fromValue(mode));
    separator(view);
    // The window ticks the colours in use (they are the person's, kept across runs).
    QMenu* colours = view->addMenu(QStringLiteral("Colours"));
    auto* oneColours = new QActionGroup(colours);
    for (const QString& name : ReadingColoursScheme::names()) {
        QAction* action =
            items.item(colours, ReadingColoursScheme::label(ReadingColoursScheme::fromName(name)),
                       N::setReadingColours, {}, name);
        action->setObjectName(QStringLiteral("colours-") + name);
        action->setCheckable(true);
        oneColours->addAction(action);
    }
    items.item(view, "Presentation", N::startPresentation, K::presentation());

    items.item(go, "Next Page", N::nextPage, K::nextPage());
    items.item(go, "Previous Page", N::previousPage, K::previousPage());
    separator(go);
    items.item(go, "First Page", N::firstPage, K::firstPage());
    items.item(go, "Last Page", N::lastPage, K::lastPage());
    separator(go);
    items.item(go, "Add/Remove Bookmark", N::toggleBookmark, K::addBookmark());

    items.item(tools, "Page Management...", N::showPageManagement, K::pageManagement());
    separator(tools);
    items.item(tools, "Sign Document...", N::showSignature, K::signDocument());
    items.item(tools, "Password Protection...", N::showPasswordProtection);
    items.item(tools, "Add Watermark...", N::showWatermark);
    separator(tools);
    items.item(tools, "Find and Redact...", N::showFindAndRedact);
    items.item(tools, "Apply Redactions...", N::applyRedactions);
    separator(tools);
    items.item(tools, "Compare Documents...", N::showCompare);
    items.item(tools, "Export as Text...", N::exportAsText);
    separator(tools);
    items.item(tools, "OCR Current Page", N::ocrCurrentPage, K::ocrCurrentPage());
    items.item(tools, "OCR Entire Document", N::ocrDocument);
    items.item(tools, "Make Searchable", N::makeSearchable);
    separator(tools);
    items.item(tools, "Export...", N::showExport, K::exportDocument());

    // About is the application's, not a command to the window: it opens at once.
    QMenu* help = MenuBarMenus::findOrAdd(bar, QStringLiteral("Help"));
    QAction* about = help->addAction(QStringLiteral("About Brivel PDF"));
    about->setMenuRole(QAction::AboutRole);
    QObject::connect(about, &QAction::triggered, bar,
                     [bar] { AboutDialog::present(bar->window()); });
}
