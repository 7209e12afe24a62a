#pragma once
// The command vocabulary shared by the menus and the windows that answer them: the
// notification names menu items post, the page layouts carried by setDisplayMode, and the
// named shortcuts.
#include "viewmodels/PageViewInterface.h"

#include <QKeySequence>
#include <QMetaType>
#include <QString>
#include <QStringList>

// Each name equals its identifier.
namespace Notifications {
inline const QString openFile = QStringLiteral("openFile");
inline const QString save = QStringLiteral("save");
inline const QString saveAs = QStringLiteral("saveAs");
inline const QString closeDocument = QStringLiteral("closeDocument");
inline const QString newDocument = QStringLiteral("newDocument");
inline const QString importImages = QStringLiteral("importImages");
inline const QString clipboardToPDF = QStringLiteral("clipboardToPDF");
inline const QString zoomIn = QStringLiteral("zoomIn");
inline const QString zoomOut = QStringLiteral("zoomOut");
inline const QString zoomToFit = QStringLiteral("zoomToFit");
inline const QString setDisplayMode = QStringLiteral("setDisplayMode");
inline const QString nextPage = QStringLiteral("nextPage");
inline const QString previousPage = QStringLiteral("previousPage");
inline const QString firstPage = QStringLiteral("firstPage");
inline const QString lastPage = QStringLiteral("lastPage");
inline const QString toggleSearch = QStringLiteral("toggleSearch");
inline const QString toggleBookmark = QStringLiteral("toggleBookmark");
inline const QString ocrCurrentPage = QStringLiteral("ocrCurrentPage");
inline const QString ocrDocument = QStringLiteral("ocrDocument");
inline const QString showExport = QStringLiteral("showExport");
inline const QString showSignature = QStringLiteral("showSignature");
inline const QString showPageManagement = QStringLiteral("showPageManagement");
inline const QString showPasswordProtection = QStringLiteral("showPasswordProtection");
inline const QString showWatermark = QStringLiteral("showWatermark");
inline const QString showCompare = QStringLiteral("showCompare");
inline const QString showFindAndRedact = QStringLiteral("showFindAndRedact");
inline const QString applyRedactions = QStringLiteral("applyRedactions");
inline const QString exportAsText = QStringLiteral("exportAsText");
inline const QString makeSearchable = QStringLiteral("makeSearchable");
inline const QString showReduceFileSize = QStringLiteral("showReduceFileSize");
inline const QString undo = QStringLiteral("undo");
inline const QString redo = QStringLiteral("redo");
// Payload: the name of the reading colours (ReadingColoursScheme::names()).
inline const QString setReadingColours = QStringLiteral("setReadingColours");
inline const QString startPresentation = QStringLiteral("startPresentation");

// The whole vocabulary, in catalogue order.
const QStringList& all();
} // namespace Notifications

// The page layouts offered by the View menu; case n stands for PDFDisplayMode n.
enum class PDFDisplayModeValue {
    singlePage = 0,
    singlePageContinuous = 1,
    twoUp = 2,
    twoUpContinuous = 3
};

PDFDisplayMode toPDFDisplayMode(PDFDisplayModeValue value);
QString menuLabel(PDFDisplayModeValue value);

Q_DECLARE_METATYPE(PDFDisplayModeValue)

// Named shortcuts; Ctrl stands for the Command key.
namespace KeyboardShortcuts {
QKeySequence newDocument();
QKeySequence openFile();
QKeySequence save();
QKeySequence saveAs();
QKeySequence closeDocument();
QKeySequence search();
QKeySequence zoomIn();
QKeySequence zoomOut();
QKeySequence zoomToFit();
QKeySequence nextPage();
QKeySequence previousPage();
QKeySequence firstPage();
QKeySequence lastPage();
QKeySequence addBookmark();
QKeySequence pageManagement();
QKeySequence signDocument();
QKeySequence ocrCurrentPage();
QKeySequence exportDocument();
QKeySequence undo();
QKeySequence redo();
QKeySequence presentation();
} // namespace KeyboardShortcuts
