#pragma once
// The export sheet: the annotated copy, the current page as PNG, or every page as PNG.
#include <QDialog>

class DocumentViewModel;
class PageImageExportJob;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

class ExportView : public QDialog {
    Q_OBJECT
public:
    explicit ExportView(DocumentViewModel& viewModel, QWidget* parent = nullptr);

    void exportAnnotatedPDF();
    void exportCurrentPageAsImage();
    void exportAllPagesAsImages();

    // For tests: the message shown after a failed write (empty when none).
    QString errorMessage() const;
    PageImageExportJob* job() const { return job_; }
    QCheckBox* dropProtectionBox() const { return dropProtection_; }

protected:
    void reject() override;

private:
    void showError(const QString& message);
    void setBusy(bool busy);

    DocumentViewModel& viewModel_;
    QLabel* error_ = nullptr;
    QWidget* progressRow_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QPushButton* cancelExport_ = nullptr;
    QList<QPushButton*> actions_;
    QCheckBox* dropProtection_ = nullptr;
    PageImageExportJob* job_ = nullptr;
    QString exportFolder_; // where the running page export writes
};
