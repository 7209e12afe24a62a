#pragma once
// What the models need from the on-screen page view. The page view widget implements it;
// models hold it weakly (see DocumentViewModel::setPdfView) and skip every view step
// while no view is attached.
#include "pdf/document/Document.h"
#include "pdf/document/Links.h"
#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"

#include <QList>

#include <optional>

// The page view's four layouts, with the raw values the commands use.
enum class PDFDisplayMode {
    singlePage = 0,
    singlePageContinuous = 1,
    twoUp = 2,
    twoUpContinuous = 3
};

class PageViewInterface {
public:
    virtual ~PageViewInterface() = default;

    virtual pdf::DocumentPtr document() const = 0;
    virtual void setDocument(const pdf::DocumentPtr& document) = 0;

    virtual pdf::PagePtr currentPage() const = 0;
    virtual void goToPage(const pdf::PagePtr& page) = 0;

    virtual double scaleFactor() const = 0;
    virtual void setScaleFactor(double scale) = 0;
    virtual bool autoScales() const = 0;
    virtual void setAutoScales(bool on) = 0;

    virtual PDFDisplayMode displayMode() const = 0;
    virtual void setDisplayMode(PDFDisplayMode mode) = 0;

    virtual std::optional<pdf::Selection> currentSelection() const = 0;
    virtual void setCurrentSelection(const std::optional<pdf::Selection>& selection,
                                     bool animate) = 0;
    virtual void scrollSelectionToVisible() = 0;
    virtual void clearSelection() = 0;
    // Every match of the current search, tinted lightly where they show; empty clears them.
    virtual void setSearchMatches(const QList<pdf::Selection>& matches) { (void)matches; }
    // A link's or outline entry's destination; views without a finer position go to the page.
    virtual void goToDestination(const pdf::Destination& destination) {
        if (auto doc = document(); doc && destination.isValid())
            goToPage(doc->page(destination.page));
    }
    // Edits need no call here: the view follows the document's own notice of them.
};
