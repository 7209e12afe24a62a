#pragma once
// Adds annotations (highlights, a signature stamp, watermarks) made by a function; undo
// takes exactly those away again.
#include "viewmodels/AnnotationLocation.h"
#include "viewmodels/DocumentEdit.h"

#include <functional>
#include <vector>

class AddAnnotationsEdit : public DocumentEdit {
public:
    // Makes the annotations on `document` and returns them (null entries are skipped).
    using Maker = std::function<std::vector<pdf::AnnotationPtr>(pdf::Document&)>;

    AddAnnotationsEdit(QString name, pdf::DocumentPtr document, Maker make);

    Kind kind() const override { return Kind::annotations; }
    bool apply() override;
    void undo() override;

    // Where the annotations of the last apply() are.
    const std::vector<AnnotationLocation>& added() const { return added_; }

private:
    pdf::DocumentPtr document_;
    Maker make_;
    std::vector<AnnotationLocation> added_;
};
