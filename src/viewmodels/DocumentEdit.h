#pragma once
// One edit of the open document, able to take itself back: a step of the window's undo
// stack, named as the Edit menu shows it ("Rotate Page"). Tools hand their edits to
// DocumentViewModel::perform, which applies them before they join the stack, so an edit
// that changes nothing is never a step. apply() runs again for a redo after undo().
#include "utilities/SignatureGuard.h"

#include <QString>
#include <QUndoCommand>

#include <optional>

class DocumentEdit : public QUndoCommand {
public:
    explicit DocumentEdit(const QString& name) : QUndoCommand(name) {}

    // What the edit changes, as a protected file's permissions tell them apart.
    enum class Kind { content, annotations, formValues, pages };
    virtual Kind kind() const { return Kind::content; }

    // False when nothing changed; such an edit is not kept.
    virtual bool apply() = 0;
    // What the edit does to a signed document, which DocumentViewModel::perform asks the
    // signature guard about first; nothing for an edit that brings signed bytes of its own.
    virtual std::optional<SignatureGuard::Edit> signatureEffect() const {
        return SignatureGuard::Edit::annotations;
    }
    // Brings the document back to how apply() found it.
    void undo() override = 0;
    // The stack's redo: apply() again, or nothing the first time when the edit was applied
    // before it was pushed. An edit the document no longer allows (its page went another
    // way) becomes obsolete, and the stack drops it.
    void redo() final {
        if (pushedApplied_) {
            pushedApplied_ = false;
            return;
        }
        if (!apply())
            setObsolete(true);
    }

private:
    friend class DocumentViewModel;
    bool pushedApplied_ = false;
};
