#pragma once
// A page view for model tests: it takes every value it is given, records what it was
// asked, and when auto-scaling is switched on fits to `fitScale`.
#include "viewmodels/PageViewInterface.h"

#include <QObject>

#include <vector>

class FakePageView : public QObject, public PageViewInterface {
public:
    pdf::DocumentPtr document() const override { return document_; }
    void setDocument(const pdf::DocumentPtr& document) override { document_ = document; }

    pdf::PagePtr currentPage() const override { return visited.empty() ? nullptr : visited.back(); }
    void goToPage(const pdf::PagePtr& page) override { visited.push_back(page); }

    double scaleFactor() const override { return scale; }
    void setScaleFactor(double s) override { scale = s; }
    bool autoScales() const override { return autoScale; }
    void setAutoScales(bool on) override {
        autoScale = on;
        if (on)
            scale = fitScale;
    }

    PDFDisplayMode displayMode() const override { return mode; }
    void setDisplayMode(PDFDisplayMode m) override {
        mode = m;
        ++displayModeSets;
    }

    std::optional<pdf::Selection> currentSelection() const override { return selection; }
    void setCurrentSelection(const std::optional<pdf::Selection>& s, bool animate) override {
        selection = s;
        animated = animate;
        ++selectionSets;
    }
    void scrollSelectionToVisible() override { ++scrolls; }
    void clearSelection() override { selection.reset(); }
    void setSearchMatches(const QList<pdf::Selection>& m) override { matches = m; }

    pdf::DocumentPtr document_;
    std::vector<pdf::PagePtr> visited;
    double scale = 1.0;
    double fitScale = 0.75;
    bool autoScale = true;
    PDFDisplayMode mode = PDFDisplayMode::singlePageContinuous;
    int displayModeSets = 0;
    std::optional<pdf::Selection> selection;
    QList<pdf::Selection> matches;
    bool animated = false;
    int selectionSets = 0;
    int scrolls = 0;
};
