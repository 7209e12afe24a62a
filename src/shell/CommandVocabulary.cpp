#include "shell/CommandVocabulary.h"

// The names the command routing answers; setReadingColours and startPresentation are the
// window's view modes (ViewModeHandler) and stay out of it.
const QStringList& Notifications::all() {
    static const QStringList names{openFile,
                                   save,
                                   saveAs,
                                   closeDocument,
                                   newDocument,
                                   importImages,
                                   clipboardToPDF,
                                   zoomIn,
                                   zoomOut,
                                   zoomToFit,
                                   setDisplayMode,
                                   nextPage,
                                   previousPage,
                                   firstPage,
                                   lastPage,
                                   toggleSearch,
                                   toggleBookmark,
                                   ocrCurrentPage,
                                   ocrDocument,
                                   showExport,
                                   showSignature,
                                   showPageManagement,
                                   showPasswordProtection,
                                   showWatermark,
                                   showFindAndRedact,
                                   applyRedactions,
                                   showCompare,
                                   exportAsText,
                                   makeSearchable,
                                   undo,
                                   redo,
                                   showReduceFileSize};
    return names;
}

PDFDisplayMode toPDFDisplayMode(PDFDisplayModeValue value) {
    return static_cast<PDFDisplayMode>(static_cast<int>(value));
}

QString menuLabel(PDFDisplayModeValue value) {
    switch (value) {
    case PDFDisplayModeValue::singlePage:
        return QStringLiteral("Single Page");
    case PDFDisplayModeValue::singlePageContinuous:
        return QStringLiteral("Single Page Continuous");
    case PDFDisplayModeValue::twoUp:
        return QStringLiteral("Two Pages");
    case PDFDisplayModeValue::twoUpContinuous:
        return QStringLiteral("Two Pages Continuous");
    }
    return {};
}

namespace KeyboardShortcuts {

#define VELLUMARK_SHORTCUT(name, keys)                                                             \
    QKeySequence name() {                                                                          \
        static const QKeySequence sequence(keys);                                                  \
        return sequence;                                                                           \
    }

VELLUMARK_SHORTCUT(newDocument, Qt::CTRL | Qt::Key_N)
VELLUMARK_SHORTCUT(openFile, Qt::CTRL | Qt::Key_O)
VELLUMARK_SHORTCUT(save, Qt::CTRL | Qt::Key_S)
VELLUMARK_SHORTCUT(saveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S)
VELLUMARK_SHORTCUT(closeDocument, Qt::CTRL | Qt::Key_W)
VELLUMARK_SHORTCUT(search, Qt::CTRL | Qt::Key_F)
VELLUMARK_SHORTCUT(zoomIn, Qt::CTRL | Qt::Key_Plus)
VELLUMARK_SHORTCUT(zoomOut, Qt::CTRL | Qt::Key_Minus)
VELLUMARK_SHORTCUT(zoomToFit, Qt::CTRL | Qt::Key_0)
VELLUMARK_SHORTCUT(nextPage, Qt::CTRL | Qt::Key_Down)
VELLUMARK_SHORTCUT(previousPage, Qt::CTRL | Qt::Key_Up)
VELLUMARK_SHORTCUT(firstPage, Qt::CTRL | Qt::Key_Home)
VELLUMARK_SHORTCUT(lastPage, Qt::CTRL | Qt::Key_End)
VELLUMARK_SHORTCUT(addBookmark, Qt::CTRL | Qt::Key_D)
VELLUMARK_SHORTCUT(pageManagement, Qt::CTRL | Qt::SHIFT | Qt::Key_P)
VELLUMARK_SHORTCUT(signDocument, Qt::CTRL | Qt::SHIFT | Qt::Key_G)
VELLUMARK_SHORTCUT(ocrCurrentPage, Qt::CTRL | Qt::SHIFT | Qt::Key_R)
VELLUMARK_SHORTCUT(exportDocument, Qt::CTRL | Qt::SHIFT | Qt::Key_E)
VELLUMARK_SHORTCUT(undo, Qt::CTRL | Qt::Key_Z)
VELLUMARK_SHORTCUT(redo, Qt::CTRL | Qt::SHIFT | Qt::Key_Z)
VELLUMARK_SHORTCUT(presentation, Qt::Key_F5)

#undef VELLUMARK_SHORTCUT

} // namespace KeyboardShortcuts
