// Applying the open document's redaction marks to a copy (Tools > Apply Redactions).
#include "shell/ContentView.h"

#include "viewmodels/RedactionApplier.h"

void ContentView::applyRedactions() {
    if (!refuseWhileLocked())
        redactionApplier_->apply();
}
