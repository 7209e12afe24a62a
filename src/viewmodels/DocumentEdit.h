#pragma once
// One edit of the open document, able to take itself back. Tools hand their edits to
// DocumentViewModel::perform, which keeps the edits done, so undo and redo work the same
// way for every tool. apply() runs again for a redo after undo().
#include <QString>

class DocumentEdit {
public:
    virtual ~DocumentEdit() = default;
    // What the edit does, as a menu would name it ("Rotate Page").
    virtual QString name() const = 0;
    // False when nothing changed; such an edit is not kept.
    virtual bool apply() = 0;
    // Brings the document back to how apply() found it.
    virtual void undo() = 0;
};
