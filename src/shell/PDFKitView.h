#pragma once
// Puts the page view into the window and keeps it in step with the document view model:
// the model's document and layout go into the view whenever they differ; the page and
// the selection the user chooses come back through the coordinator.
#include <QWidget>

class AnnotationViewModel;
class DocumentViewModel;
class PDFKitCoordinator;
class PdfPageView;

class PDFKitView : public QWidget {
    Q_OBJECT
public:
    PDFKitView(DocumentViewModel& viewModel, AnnotationViewModel& annotationViewModel,
               QWidget* parent = nullptr);
    ~PDFKitView() override;

    DocumentViewModel& viewModel() const { return viewModel_; }
    AnnotationViewModel& annotationViewModel() const { return annotationViewModel_; }
    PdfPageView* pdfView() const { return view_; }
    PDFKitCoordinator* coordinator() const { return coordinator_; }

public slots:
    // Brings the view's document and layout into line with the model; nothing else.
    void updateView();

private:
    PdfPageView* makeView();

    DocumentViewModel& viewModel_;
    AnnotationViewModel& annotationViewModel_;
    PDFKitCoordinator* coordinator_;
    PdfPageView* view_;
};
