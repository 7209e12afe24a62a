// Applying the open document's redaction marks to a copy (Tools > Apply Redactions).
#include "shell/ContentView.h"

#include "viewmodels/RedactionApplier.h"

void ContentView::applyRedactions() {
    if (refuseWhileLocked())
        return;
    if (!redactionApplier_)
        redactionApplier_ = new RedactionApplier(*documentVM_, this);
    redactionApplier_->apply();
}
