#include "app/AppCommands.h"

#include "platform/NotificationCenter.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QMenu* menuTitled(QMenuBar* bar, const QString& title) {
    // Titles carry an access key ("&File", for Alt+F); they are matched without it.
    for (QAction* a : bar->actions())
        if (QMenu* m = a->menu(); m && m->title().remove(QLatin1Char('&')) == title)
            return m;
    return bar->addMenu(QLatin1Char('&') + title);
}

// An item that posts `name` (with `payload`) when chosen. `before` places it ahead of an
// existing item.
QAction* item(QMenu* menu, const QString& label, const QString& name,
              const QKeySequence& shortcut = {}, const QVariant& payload = {},
              QAction* before = nullptr) {
    auto* action = new QAction(label, menu);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, action,
                     [name, payload] { NotificationCenter::defaultCenter().post(name, payload); });
    menu->insertAction(before, action);
    return action;
}

void separator(QMenu* menu, QAction* before = nullptr) {
    menu->insertSeparator(before);
}

} // namespace

void AppCommands::install(QMenuBar* bar) {
    namespace N = Notifications;
    namespace K = KeyboardShortcuts;

    QMenu* file = menuTitled(bar, QStringLiteral("File"));
    QMenu* edit = menuTitled(bar, QStringLiteral("Edit"));
    QMenu* view = menuTitled(bar, QStringLiteral("View"));
    QMenu* go = menuTitled(bar, QStringLiteral("Go"));
    QMenu* tools = menuTitled(bar, QStringLiteral("Tools"));

    // File: at the top, ahead of whatever the window put there.
    QAction* firstExisting = file->actions().isEmpty() ? nullptr : file->actions().first();
    item(file, "New Document...", N::newDocument, K::newDocument(), {}, firstExisting);
    item(file, "Open...", N::openFile, K::openFile(), {}, firstExisting);
    separator(file, firstExisting);
    item(file, "Import Images as PDF...", N::importImages, {}, {}, firstExisting);
    item(file, "Create PDF from Clipboard", N::clipboardToPDF, {}, {}, firstExisting);
    if (firstExisting)
        separator(file, firstExisting);

    // Undo and Redo head the Edit menu; the window names and enables them by its stack.
    QAction* firstEdit = edit->actions().isEmpty() ? nullptr : edit->actions().first();
    item(edit, "Undo", N::undo, K::undo(), {}, firstEdit)->setObjectName(N::undo);
    item(edit, "Redo", N::redo, K::redo(), {}, firstEdit)->setObjectName(N::redo);
    if (firstEdit)
        separator(edit, firstEdit);
    if (!edit->actions().isEmpty())
        separator(edit);
    item(edit, "Find...", N::toggleSearch, K::search());

    if (!view->actions().isEmpty())
        separator(view);
    // Ctrl+= as well: on most layouts the plus needs Shift, and readers take both.
    item(view, "Zoom In", N::zoomIn, K::zoomIn())
        ->setShortcuts({K::zoomIn(), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    item(view, "Zoom Out", N::zoomOut, K::zoomOut());
    item(view, "Zoom to Fit", N::zoomToFit, K::zoomToFit());
    separator(view);
    for (PDFDisplayModeValue mode :
         {PDFDisplayModeValue::singlePage, PDFDisplayModeValue::singlePageContinuous,
          PDFDisplayModeValue::twoUp, PDFDisplayModeValue::twoUpContinuous})
        item(view, menuLabel(mode), N::setDisplayMode, {}, QVariant::fromValue(mode));

    item(go, "Next Page", N::nextPage, K::nextPage());
    item(go, "Previous Page", N::previousPage, K::previousPage());
    separator(go);
    item(go, "First Page", N::firstPage, K::firstPage());
    item(go, "Last Page", N::lastPage, K::lastPage());
    separator(go);
    item(go, "Add/Remove Bookmark", N::toggleBookmark, K::addBookmark());

    item(tools, "Page Management...", N::showPageManagement, K::pageManagement());
    separator(tools);
    item(tools, "Sign Document...", N::showSignature, K::signDocument());
    item(tools, "Password Protection...", N::showPasswordProtection);
    item(tools, "Add Watermark...", N::showWatermark);
    separator(tools);
    item(tools, "Compare Documents...", N::showCompare);
    item(tools, "Export as Text...", N::exportAsText);
    separator(tools);
    item(tools, "OCR Current Page", N::ocrCurrentPage, K::ocrCurrentPage());
    item(tools, "OCR Entire Document", N::ocrDocument);
    item(tools, "Make Searchable", N::makeSearchable);
    separator(tools);
    item(tools, "Export...", N::showExport, K::exportDocument());
}
