#pragma once
// Internal to src/pdf: keeping /AcroForm /Fields in step with the widgets pages really show.
#include "pdf/engine/Engine.h"

namespace pdf {

// Sorted object numbers, engine-allocated so they can be built inside fz_try.
struct NumberSet {
    int* items = nullptr;
    int len = 0;
    int cap = 0;
    void add(fz_context* c, int number);
    void seal(); // sorts and drops repeats; call before contains()
    bool contains(int number) const;
    void release(fz_context* c);
};

// The object numbers of the widget annotations listed by `page`.
void addPageWidgets(fz_context* c, pdf_obj* page, NumberSet& out);

// Takes the widgets in `widgets` (sealed) out of the field tree under `field`, and the fields
// left without any widget. When `keep` is true it is the other way round: only the listed
// widgets stay. Each field is visited once, whatever loops the tree holds. Returns whether
// `field` itself stays. Throws through fz_throw.
bool pruneFieldTree(fz_context* c, pdf_obj* field, const NumberSet& widgets, bool keep);

// Before `page` leaves `doc`: its widgets that no other page shows leave the form, and
// fields that had only those widgets go with them. Throws through fz_throw.
void removePageFields(fz_context* c, pdf_document* doc, pdf_obj* page);

} // namespace pdf
