#include "shell/ViewModeHandler.h"

#include "pageview/PageRenderer.h"
#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "pageview/PresentationView.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommandVocabulary.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

const QString ViewModeHandler::preferenceKey = QStringLiteral("reading_colours");

ViewModeHandler::ViewModeHandler(DocumentViewModel* documentVM,
                                 std::function<PdfPageView*()> pageView, NotificationCenter& center,
                                 QWidget* window)
    : QObject(window), documentVM_(documentVM), pageView_(std::move(pageView)), window_(window) {
    if (const auto stored = Preferences::data(preferenceKey))
        colours_ = ReadingColoursScheme::fromName(QString::fromUtf8(*stored));
    center.subscribe(Notifications::setReadingColours, this, [this](const QVariant& payload) {
        setReadingColours(ReadingColoursScheme::fromName(payload.toString()));
    });
    center.subscribe(Notifications::startPresentation, this,
                     [this](const QVariant&) { startPresentation(); });
    // The page view is made with the first document, by a slot that may run after this one:
    // the colours are given to it once the window has answered the change.
    connect(documentVM_, &DocumentViewModel::pdfDocumentChanged, this, &ViewModeHandler::apply,
            Qt::QueuedConnection);
    apply();
}

void ViewModeHandler::setReadingColours(ReadingColours colours) {
    if (colours != colours_) {
        colours_ = colours;
        Preferences::setData(preferenceKey, ReadingColoursScheme::name(colours).toUtf8());
    }
    apply();
}

void ViewModeHandler::apply() {
    if (PdfPageView* view = pageView_ ? pageView_() : nullptr) {
        view->renderer()->setReadingColours(colours_);
        view->setNeedsDisplay();
    }
    // The thumbnails look like the pages they stand for.
    for (PdfThumbnailView* thumbnails : window_->findChildren<PdfThumbnailView*>()) {
        thumbnails->renderer()->setReadingColours(colours_);
        thumbnails->viewport()->update();
    }
    const QString ticked = QStringLiteral("colours-") + ReadingColoursScheme::name(colours_);
    for (QAction* action : window_->findChildren<QAction*>())
        if (action->objectName().startsWith(QStringLiteral("colours-")))
            action->setChecked(action->objectName() == ticked);
}

PresentationView* ViewModeHandler::presentation() const {
    return presentation_.data();
}

void ViewModeHandler::startPresentation() {
    const pdf::DocumentPtr document = documentVM_->pdfDocument();
    if (!document || document->pageCount() == 0 || document->isLocked())
        return;
    if (presentation_) {
        presentation_->activateWindow();
        return;
    }
    const int readerWasOn = documentVM_->currentPageIndex();
    presentation_ = new PresentationView(document, readerWasOn, window_);
    connect(presentation_, &PresentationView::finished, this, [this, readerWasOn] {
        // Back where the reading was, whatever the talk went through.
        documentVM_->goToPage(readerWasOn);
        window_->activateWindow();
    });
    // On the screen the window is on, covering it.
    if (QScreen* screen = window_->screen())
        presentation_->setGeometry(screen->geometry());
    presentation_->showFullScreen();
    presentation_->activateWindow();
    presentation_->setFocus(Qt::ActiveWindowFocusReason);
}
