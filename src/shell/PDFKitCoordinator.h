#pragma once
// Listens to the page view and copies the user's own changes back into the document view
// model: the page shown and the text selected. Made only together with its PDFKitView.
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QPointer>

#include <optional>

class DocumentViewModel;
class PDFKitView;
class PdfPageView;

class PDFKitCoordinator : public QObject {
    Q_OBJECT
public:
    explicit PDFKitCoordinator(PDFKitView& parent);
    ~PDFKitCoordinator() override;

    // Registers for the page-changed and selection-changed notifications of `view` only.
    void setUpObservers(PdfPageView* view);

    const std::optional<NotificationCenter::Token>& pageChangeObserver() const {
        return pageChangeObserver_;
    }
    const std::optional<NotificationCenter::Token>& selectionObserver() const {
        return selectionObserver_;
    }

private:
    void removeObservers();

    QPointer<DocumentViewModel> viewModel_; // the parent's model, reached without the parent
    std::optional<NotificationCenter::Token> pageChangeObserver_;
    std::optional<NotificationCenter::Token> selectionObserver_;
    QMetaObject::Connection unlockConnection_;
};
