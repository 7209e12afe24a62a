#pragma once
// The "Pages" content of the sidebar: a thumbnail strip bound to the document view
// model's page view, following it if that view object changes.
#include <QWidget>

class DocumentViewModel;
class PdfThumbnailView;

class ThumbnailSidebarView : public QWidget {
    Q_OBJECT
public:
    explicit ThumbnailSidebarView(DocumentViewModel& viewModel, QWidget* parent = nullptr);

    DocumentViewModel& viewModel() const { return viewModel_; }
    PdfThumbnailView* thumbnailView() const { return thumbnails_; }

public slots:
    // Connects the strip to the model's current page view when it is another object.
    void updateView();

private:
    DocumentViewModel& viewModel_;
    PdfThumbnailView* thumbnails_;
};
