#pragma once
// Turns the tool commands into raised sheet flags, exports the text, applies redactions,
// and applies a page layout to the model and the page view at once.
#include "pdf/document/Document.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <functional>

class DocumentViewModel;
class NotificationCenter;
class SheetFlags;

class ToolCommandHandler : public QObject {
    Q_OBJECT
public:
    struct Actions {
        // Writes the document's text where the person chooses; `fileName` names the source.
        std::function<void(const pdf::DocumentPtr& document, const QString& fileName)>
            exportPDFAsText;
        // Writes a copy of the open document with its redaction marks applied.
        std::function<void()> applyRedactions;
    };

    ToolCommandHandler(DocumentViewModel* documentVM, SheetFlags* flags, Actions actions,
                       NotificationCenter& center, QObject* parent = nullptr);

    static const QStringList& names();

private:
    void handle(const QString& name, const QVariant& payload);

    QPointer<DocumentViewModel> documentVM_;
    QPointer<SheetFlags> flags_;
    Actions actions_;
};
