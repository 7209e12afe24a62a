#pragma once
// The window's answers to View > Colours and View > Presentation: the reading colours of
// the page view, the person's choice kept across runs, and the presentation window, after
// which the reader is back on the page it was on.
#include "pageview/ReadingColours.h"

#include <QObject>
#include <QPointer>

#include <functional>

class DocumentViewModel;
class NotificationCenter;
class PdfPageView;
class PresentationView;

class ViewModeHandler : public QObject {
    Q_OBJECT
public:
    // `pageView` gives the window's page view once there is one (it is made on first open).
    ViewModeHandler(DocumentViewModel* documentVM, std::function<PdfPageView*()> pageView,
                    NotificationCenter& center, QWidget* window);

    ReadingColours readingColours() const { return colours_; }
    void setReadingColours(ReadingColours colours);
    // Puts the document on a full-screen window from the current page; nothing without one.
    void startPresentation();
    // The presentation window while it is up, else null.
    PresentationView* presentation() const;

    // The preferences key the choice is kept under.
    static const QString preferenceKey;

private:
    // The page view and the View menu show the colours in use.
    void apply();

    DocumentViewModel* documentVM_;
    std::function<PdfPageView*()> pageView_;
    QWidget* window_;
    ReadingColours colours_ = ReadingColours::normal;
    QPointer<PresentationView> presentation_;
};
